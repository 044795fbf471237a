#include "tree/TreeCommands.h"

#include <memory>

#include "core/Functions.h"
#include "document/Commands.h"
#include "document/Document.h"
#include "tree/TreeSelection.h"
#include "tree/XmlClipboard.h"
#include "document/UserQuestions.h"

using corvantis::DOMNode;
using corvantis::NodePlace;

namespace {

// The document node and the top-level element stay where they are.
bool mayLeave(const DOMNode* node) { return node && node->parentNode() && node->parentNode()->parentNode(); }

bool isWithin(const DOMNode* node, const DOMNode* top) {
    for (const DOMNode* up = node; up; up = up->parentNode())
        if (up == top) return true;
    return false;
}

// The previous or next element among the node's siblings, or null.
DOMNode* elementSibling(const DOMNode* node, bool next) {
    const DOMNode* parent = node->parentNode();
    const int step = next ? 1 : -1;
    for (int i = parent->childNodes()->indexOf(node) + step; i >= 0 && i < parent->childCount(); i += step)
        if (parent->childAt(i)->nodeType() == corvantis::ELEMENT) return parent->childAt(i);
    return nullptr;
}

}  // namespace

TreeCommands::TreeCommands(Document& document, TreeSelection& selection, UserQuestions& dialogs, QObject* parent)
    : QObject(parent), document_(document), selection_(selection), dialogs_(dialogs) {
    // A mark never outlives the node it names in the document.
    connect(&document_, &Document::childrenAboutToLeave, this, [this](DOMNode* parent, int first, int last) {
        if (marked_ && Document::isWithin(marked_, parent, first, last)) setMark(nullptr, Mark::None);
    });
    connect(&document_, &Document::aboutToReplace, this, [this] { setMark(nullptr, Mark::None); });
}

QString TreeCommands::nameOf(const DOMNode* node) const { return document_.text().toText(node->nodeName()); }

// ---- Insert and delete ----

void TreeCommands::insert(corvantis::InsertPosition position) {
    // Only an insert before keeps a pending cut.
    if (position != corvantis::Before) DropCutMark();
    DOMNode* target = selection_.selectedNode();
    // Typed text goes in first: it may give the target the text child the
    // place must count.
    if (!document_.dom().placeFor(target, position) || !document_.commitPendingEdits()) return;
    const NodePlace place = document_.dom().placeFor(target, position);

    auto folder = document_.newNode(corvantis::ELEMENT);
    folder->setNodeName("NewFolder");
    DOMNode* added = folder.get();
    if (!document_.push(std::make_unique<PlaceSubtree>(document_, std::move(folder), place, tr("Insert Folder"), target))) return;
    if (position == corvantis::Under) selection_.expandSelected();
    selection_.select(added);
    selection_.editSelectedName();
}

void TreeCommands::DeletePOPMnuClick() {
    DOMNode* node = selection_.selectedNode();
    if (!node || !node->parentNode() || !document_.commitPendingEdits()) return;
    // The view moves its selection off the rows that go, and the details follow it.
    document_.push(std::make_unique<RemoveSubtree>(document_, node, tr("Delete Folder '%1'").arg(nameOf(node))));
}

// ---- Rename ----

void TreeCommands::EditNodeNamePOPMnuClick() {
    if (mayRename(selection_.selectedNode())) selection_.editSelectedName();
}

bool TreeCommands::mayRename(const DOMNode* node) const {
    // The document node's caption is not a name of the document.
    return node && node->parentNode() && node->nodeType() == corvantis::ELEMENT;
}

void TreeCommands::renamed(DOMNode* node, const QString& typed) {
    if (!mayRename(node) || !document_.dom().contains(node)) return;
    corvantis::StringObject name;
    // A character the document cannot store is no name character either.
    if (!document_.text().toBytes(typed, name) ||
        !corvantis::IsValidName(name, document_.text().encoding())) {
        dialogs_.inform("Not Valid Name", "Velmora");
        selection_.select(node);
        return;
    }
    if (name.equals(node->nodeName()) || !document_.commitPendingEdits()) return;
    document_.push(std::make_unique<RenameElement>(document_, node, name, tr("Rename Folder '%1' to '%2'").arg(nameOf(node), typed)));
}

// ---- Copy, cut and paste ----

void TreeCommands::setMark(DOMNode* node, Mark mark) {
    marked_ = mark == Mark::None ? nullptr : node;
    mark_ = marked_ ? mark : Mark::None;
    selection_.showMarks();
}

void TreeCommands::DropCutMark() {
    if (mark_ == Mark::Cut) setMark(nullptr, Mark::None);
}

std::pair<int, int> TreeCommands::imagesOf(const DOMNode* node) const {
    if (node && node == marked_) return mark_ == Mark::Copy ? std::make_pair(4, 5) : std::make_pair(6, 7);
    return {0, 2};
}

void TreeCommands::markSelected(Mark mark) {
    DOMNode* node = selection_.selectedNode();
    if (!mayLeave(node)) return;
    setMark(node, mark);
    putOnClipboard(document_, node);
}

void TreeCommands::paste(corvantis::InsertPosition position) {
    DOMNode* source = marked_;
    DOMNode* target = selection_.selectedNode();
    if (!source) {
        if (clipboardPaste_) clipboardPaste_(position);
        return;
    }
    if (!document_.dom().placeFor(target, position)) return;
    const bool move = mark_ == Mark::Cut;
    if (move && isWithin(target, source)) {
        dialogs_.inform("Can not PASTE into CUT tree", "Paste Error");
        return;
    }
    DOMNode* placed = place(source, target, position, move);
    if (!placed) return;
    // After a paste the tree is shown whole again, without marks: a copy is
    // marked anew to be pasted again.
    setMark(nullptr, Mark::None);
    selection_.expandAll();
    selection_.select(placed);
}

bool TreeCommands::landsWhereItIs(const DOMNode* source, const DOMNode* target,
                                  corvantis::InsertPosition position) const {
    const NodePlace from = document_.dom().placeOf(source);
    const NodePlace to = document_.dom().placeFor(target, position);
    // Placed just before or just after itself, it ends where it was.
    return from.parent == to.parent && (to.index == from.index || to.index == from.index + 1);
}

DOMNode* TreeCommands::place(DOMNode* source, DOMNode* target, corvantis::InsertPosition position,
                             bool move) {
    if (!document_.commitPendingEdits()) return nullptr;
    if (move) {
        if (landsWhereItIs(source, target, position)) return source;
        const bool pushed = document_.push(
            std::make_unique<MoveSubtree>(document_, source, target, position, tr("Move Folder '%1'").arg(nameOf(source))));
        return pushed ? source : nullptr;
    }
    // The copy is taken before it is placed, so a subtree can take a copy of itself.
    std::unique_ptr<DOMNode> copy = document_.copyOf(source);
    DOMNode* placed = copy.get();
    const NodePlace place = document_.dom().placeFor(target, position);
    const bool pushed = document_.push(std::make_unique<PlaceSubtree>(
        document_, std::move(copy), place, tr("Paste Copy of '%1'").arg(nameOf(source)), target));
    return pushed ? placed : nullptr;
}

// ---- Move up and down, drag and drop ----

void TreeCommands::moveAmongSiblings(bool down) {
    DOMNode* node = selection_.selectedNode();
    if (!mayLeave(node)) return;
    DOMNode* other = elementSibling(node, down);
    if (!other || !document_.commitPendingEdits()) return;
    // The two keep their folding, which the rows would forget as they move.
    const bool nodeFolded = selection_.isFolded(node);
    const bool otherFolded = selection_.isFolded(other);
    const QString step = down ? tr("Move Folder '%1' Down") : tr("Move Folder '%1' Up");
    if (!document_.push(std::make_unique<SwapElements>(document_, node, other, step.arg(nameOf(node))))) return;
    selection_.setFolded(node, nodeFolded);
    selection_.setFolded(other, otherFolded);
    selection_.select(node);
}

bool TreeCommands::mayDrop(const DOMNode* source, const DOMNode* target, corvantis::InsertPosition position,
                           bool copy) const {
    if (!mayLeave(source) || !document_.dom().contains(source)) return false;
    if (!target) return true;
    // As a paste: no place beside the top element, and a cut folder never
    // into itself.
    return document_.dom().placeFor(target, position) && (copy || !isWithin(target, source));
}

void TreeCommands::drop(DOMNode* source, DOMNode* target, corvantis::InsertPosition position, bool copy) {
    if (!mayDrop(source, target, position, copy)) return;
    const bool folded = selection_.isFolded(source);
    DOMNode* placed = place(source, target, position, !copy);
    if (!placed) return;
    selection_.setFolded(placed, folded);
    selection_.select(placed);
}
