#include "editing/SubtreePaste.h"

#include <QMenu>
#include <QTreeWidget>

#include "app/Treeorganizer.h"
#include "editing/Placement.h"
#include "editors/UserDialogs.h"

using corvantis::DOMNode;

SubtreePaste::SubtreePaste(TVelmorant& window, UserDialogs& dialogs) : window_(window), dialogs_(dialogs) {}

void SubtreePaste::markSelected(MarkMode mode) {
    QTreeWidgetItem* item = window_.TreeView()->currentItem();
    const DOMNode* node = TVelmorant::NodeOf(item);
    // The document node and the top-level element stay where they are.
    if (!node || !node->parentNode() || !node->parentNode()->parentNode()) return;
    window_.SetMark(item, mode);
    ResetItemImages();
}

void SubtreePaste::ResetItemImages() {
    // Items draw the images the window gives them, so a repaint is enough.
    window_.TreeView()->viewport()->update();
}

void SubtreePaste::forgetMarkWithin(const QTreeWidgetItem* removed) {
    if (placement::isWithin(window_.MarkedItem(), removed)) {
        window_.SetMark(nullptr, NoMark);
        ResetItemImages();
    }
}

void SubtreePaste::PasteButtonClick() { window_.PastePopup()->popup(window_.pos() + QPoint(100, 80)); }

void SubtreePaste::paste(corvantis::InsertPosition position) {
    QTreeWidget* tree = window_.TreeView();
    QTreeWidgetItem* marked = window_.MarkedItem();
    QTreeWidgetItem* targetItem = tree->currentItem();
    DOMNode* target = TVelmorant::NodeOf(targetItem);
    DOMNode* source = TVelmorant::NodeOf(marked);
    if (!source || !placement::mayPlaceAt(target, position)) return;

    const bool move = window_.MarkMode() == CutMark;
    if (move && placement::isWithin(targetItem, marked)) {
        dialogs_.inform(&window_, "Can not PASTE into CUT tree", "Paste Error");
        return;
    }
    if (!window_.StoreEditedText()) return;

    DOMNode* placed = nullptr;
    window_.Changes().apply([&] { placed = window_.Document().pasteSubtree(target, source, position, move); });
    // The rebuilt tree has no marked item: a copy is marked again to paste it again.
    window_.RefreshMnuClick();
    if (QTreeWidgetItem* item = placement::itemOf(tree, placed)) {
        tree->setCurrentItem(item);
        window_.TreeViewClick();
    }
}
