#include "tree/TreeCommands.h"

#include <memory>

#include "document/Commands.h"
#include "document/Document.h"
#include "document/FolderPlacing.h"
#include "document/Selection.h"
#include "document/UserQuestions.h"
#include "tree/DocumentTreeView.h"
#include "tree/XmlClipboard.h"

using corvantis::DOMNode;
using corvantis::NodePlace;
using Mark = DocumentTreeModel::Mark;

namespace {

// The previous or next element among the node's siblings, or null.
DOMNode* elementSibling(const DOMNode* node, bool next) {
    const DOMNode* parent = node->parentNode();
    const int step = next ? 1 : -1;
    for (int i = parent->childNodes()->indexOf(node) + step; i >= 0 && i < parent->childCount(); i += step)
        if (parent->childAt(i)->nodeType() == corvantis::ELEMENT) return parent->childAt(i);
    return nullptr;
}

}  // namespace

TreeCommands::TreeCommands(Document& document, DocumentTreeView& view, UserQuestions& dialogs, QObject* parent)
    : QObject(parent),
      document_(document),
      view_(view),
      selection_(view.selection()),
      rows_(selection_.rows()),
      dialogs_(dialogs) {
    connect(&rows_, &DocumentTreeModel::nameRefused, this, [this](const QModelIndex& row) {
        const DOMNode* node = rows_.nodeAt(row);
        dialogs_.inform("Not Valid Name", "Velmora");
        selection_.select(node);
    });
}

QString TreeCommands::nameOf(const DOMNode* node) const { return document_.text().toText(node->nodeName()); }

// ---- Insert and delete ----

void TreeCommands::insert(corvantis::InsertPosition position) {
    // Only an insert before keeps a pending cut.
    if (position != corvantis::Before) dropCutMark();
    DOMNode* target = selection_.currentNode();
    // Typed text goes in first: it may give the target the text child the
    // place must count.
    if (!document_.dom().placeFor(target, position) || !document_.commitPendingEdits()) return;
    const NodePlace place = document_.dom().placeFor(target, position);

    std::unique_ptr<DOMNode> folder = document_.newNode(corvantis::ELEMENT);
    folder->setNodeName("NewFolder");
    DOMNode* added = folder.get();
    if (!document_.push(std::make_unique<PlaceSubtree>(document_, std::move(folder), place, tr("Insert Folder"), target)))
        return;
    if (position == corvantis::Under) view_.expandCurrentSubtree();
    selection_.select(added);
    view_.editCurrentName();
}

void TreeCommands::deleteFolder() {
    DOMNode* node = selection_.currentNode();
    if (!node || !node->parentNode() || !document_.commitPendingEdits()) return;
    // The selection moves off the rows that go, and the details follow it.
    document_.push(std::make_unique<RemoveSubtree>(document_, node, tr("Delete Folder '%1'").arg(nameOf(node))));
}

void TreeCommands::editName() {
    // The document node's caption is not a name of the document.
    if (const DOMNode* node = selection_.currentNode(); node && node->parentNode()) view_.editCurrentName();
}

// ---- Copy, cut and paste ----

void TreeCommands::dropCutMark() { rows_.dropCutMark(); }

void TreeCommands::dropMark() { rows_.setMark(nullptr, Mark::None); }

void TreeCommands::refresh() {
    if (!document_.commitPendingEdits()) return;
    dropMark();
    rows_.rebuild();
}

void TreeCommands::markSelected(Mark mark) {
    DOMNode* node = selection_.currentNode();
    if (!FolderPlacing::mayLeave(node)) return;
    rows_.setMark(node, mark);
    putOnClipboard(document_, node);
}

void TreeCommands::paste(corvantis::InsertPosition position) {
    DOMNode* source = rows_.markedNode();
    DOMNode* target = selection_.currentNode();
    if (!source) {
        if (clipboardPaste_) clipboardPaste_(position);
        return;
    }
    if (!document_.dom().placeFor(target, position)) return;
    const bool move = rows_.mark() == Mark::Cut;
    if (move && FolderPlacing::isWithin(target, source)) {
        dialogs_.inform("Can not PASTE into CUT tree", "Paste Error");
        return;
    }
    DOMNode* placed = FolderPlacing::place(document_, source, target, position, move);
    if (!placed) return;
    // After a paste the tree is shown whole again, without marks: a copy is
    // marked anew to be pasted again.
    dropMark();
    view_.expandEverything();
    selection_.select(placed);
}

// ---- Move up and down ----

void TreeCommands::moveAmongSiblings(bool down) {
    DOMNode* node = selection_.currentNode();
    if (!FolderPlacing::mayLeave(node)) return;
    DOMNode* other = elementSibling(node, down);
    if (!other || !document_.commitPendingEdits()) return;
    // The two keep their folding, which the rows would forget as they move.
    const bool nodeFolded = rows_.isFolded(node);
    const bool otherFolded = rows_.isFolded(other);
    const QString step = down ? tr("Move Folder '%1' Down") : tr("Move Folder '%1' Up");
    if (!document_.push(std::make_unique<SwapElements>(document_, node, other, step.arg(nameOf(node))))) return;
    rows_.setFolded(node, nodeFolded);
    rows_.setFolded(other, otherFolded);
    selection_.select(node);
}
