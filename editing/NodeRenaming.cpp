#include "editing/NodeRenaming.h"

#include <QTreeWidget>

#include "app/Treeorganizer.h"
#include "core/Functions.h"
#include "editors/UserDialogs.h"

using corvantis::DOMNode;
using corvantis::StringObject;

NodeRenaming::NodeRenaming(TVelmorant& window, UserDialogs& dialogs) : window_(window), dialogs_(dialogs) {}

void NodeRenaming::EditNodeNamePOPMnuClick() {
    QTreeWidget* tree = window_.TreeView();
    QTreeWidgetItem* item = tree->currentItem();
    DOMNode* node = TVelmorant::NodeOf(item);
    if (!node) return;
    // Showing the node's details first stores the text typed for the node
    // shown before; when that text cannot be stored the selection stays there.
    window_.TreeViewClick();
    if (window_.CurrentNode() != node) return;
    tree->editItem(item);
}

bool NodeRenaming::TreeViewEditing(QTreeWidgetItem* item) {
    // The document node's caption is not a name of the document.
    const DOMNode* node = TVelmorant::NodeOf(item);
    if (!node || !node->parentNode()) return false;
    savedLabelText_ = item->text(0);
    return true;
}

QString NodeRenaming::TreeViewEdited(QTreeWidgetItem* item, const QString& typed) {
    DOMNode* node = TVelmorant::NodeOf(item);
    if (!node || !node->parentNode()) return savedLabelText_;

    QString shown = typed;
    StringObject name;
    if (window_.Text().toBytes(typed, name) && corvantis::IsValidName(name)) {
        window_.Changes().apply([&] { node->setNodeName(name); });
    } else {
        dialogs_.inform(&window_, "Not Valid Name", "Velmora");
        shown = savedLabelText_;
        window_.TreeView()->setCurrentItem(item);
        window_.Changes().markUnsaved();
    }
    // The selected node becomes current; its path shows the new name.
    window_.TreeViewClick();
    return shown;
}
