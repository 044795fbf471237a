#include "editing/TreeEditing.h"

#include <initializer_list>

#include <QAction>
#include <QMenu>
#include <QToolButton>
#include <QTreeWidget>

#include "app/Treeorganizer.h"
#include "editing/LabelEditDelegate.h"
#include "editing/Placement.h"

using corvantis::DOMNode;

TreeEditing::TreeEditing(TVelmorant& window, UserDialogs& dialogs)
    : QObject(&window), window_(window), renaming_(window, dialogs), paste_(window, dialogs) {
    QTreeWidget* tree = window_.TreeView();
    tree->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    LabelEditDelegate::install(
        tree, [this](QTreeWidgetItem* item) { return renaming_.TreeViewEditing(item); },
        [this](QTreeWidgetItem* item, const QString& typed) { return renaming_.TreeViewEdited(item, typed); });
    connectCommands();
}

void TreeEditing::connectCommands() {
    const auto onActions = [this](std::initializer_list<const char*> names, auto handler) {
        for (const char* name : names)
            if (QAction* action = window_.Action(name)) connect(action, &QAction::triggered, this, handler);
    };
    const auto onButton = [this](const char* name, auto handler) {
        if (QToolButton* button = window_.Button(name)) connect(button, &QToolButton::clicked, this, handler);
    };
    // The Edit menu's "Delete" inserts before the selection, as it always has.
    onActions({"BeforeMnu", "DeleteMnu", "BeforePOPMnu", "InsertBeforeMnu"}, [this] { BeforePOPMnuClick(); });
    onActions({"AtEndMnu", "AtEndPOPMnu", "InsertAtEndMnu"}, [this] { AtEndPOPMnuClick(); });
    onActions({"UnderMnu", "UnderPOPMnu", "InsertUnderMnu"}, [this] { UnderPOPMnuClick(); });
    onActions({"DeletePOPMnu"}, [this] { DeletePOPMnuClick(); });
    onButton("SpeedButton1", [this] { SpeedButton1Click(); });

    onActions({"EditNodeNameMnu", "EditNodeNamePOPMnu"}, [this] { renaming_.EditNodeNamePOPMnuClick(); });

    onActions({"Copy1", "CopyPOPMnu"}, [this] { paste_.CopyPOPMnuClick(); });
    onButton("SpeedButton4", [this] { paste_.CopyPOPMnuClick(); });
    onActions({"Cot1", "CutPOPMnu"}, [this] { paste_.CutPOPMnuClick(); });
    onButton("SpeedButton5", [this] { paste_.CutPOPMnuClick(); });
    onButton("PasteButton", [this] { paste_.PasteButtonClick(); });
    onActions({"Before3", "Before2", "PasteBeforeMnu"}, [this] { paste_.Before2Click(); });
    onActions({"AtEnd3", "AtEnd2", "PasteAtEndMnu"}, [this] { paste_.AtEnd2Click(); });
    onActions({"Under3", "Under2", "PasteUnderMnu"}, [this] { paste_.Under2Click(); });
}

void TreeEditing::SpeedButton1Click() { window_.InsertPopMenu()->popup(window_.pos() + QPoint(50, 80)); }

void TreeEditing::insert(corvantis::InsertPosition position) {
    // Only an insert before keeps a pending cut.
    if (position != corvantis::Before) window_.DropCutMark();
    QTreeWidget* tree = window_.TreeView();
    QTreeWidgetItem* item = tree->currentItem();
    DOMNode* target = TVelmorant::NodeOf(item);
    if (!placement::mayPlaceAt(target, position)) return;
    if (!window_.StoreEditedText()) return;

    DOMNode* added = nullptr;
    window_.Changes().apply([&] { added = window_.Document().insertNewElement(corvantis::ELEMENT, target, position); });
    if (!added) return;
    QTreeWidgetItem* addedItem = window_.NewTreeItem(added);
    if (position == corvantis::Under) {
        placement::addChildItem(item, addedItem);
        placement::expandSubtree(item);
    } else if (position == corvantis::Before) {
        item->parent()->insertChild(item->parent()->indexOfChild(item), addedItem);
    } else {
        item->parent()->addChild(addedItem);
    }
    window_.ClearDetails();
    tree->setCurrentItem(addedItem);
    tree->editItem(addedItem);
}

void TreeEditing::DeletePOPMnuClick() {
    QTreeWidget* tree = window_.TreeView();
    QTreeWidgetItem* item = tree->currentItem();
    DOMNode* node = TVelmorant::NodeOf(item);
    if (!node || !node->parentNode()) return;
    if (!window_.StoreEditedText()) return;

    paste_.forgetMarkWithin(item);
    window_.ForgetCurrentNode();
    // The item leaves the tree while its node still exists: the tree moves
    // its selection and reports the item being left.
    QTreeWidgetItem* parentItem = item->parent();
    parentItem->takeChild(parentItem->indexOfChild(item));
    window_.Changes().apply([&] { window_.Document().deleteNode(node); });
    placement::deleteItemTree(item);
    window_.TreeViewClick();
}
