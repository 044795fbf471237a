#include "tree/TreeCommands.h"

#include <memory>

#include <QWidget>

#include "core/Functions.h"
#include "document/Commands.h"
#include "document/Document.h"
#include "tree/TreeSelection.h"
#include "widgets/UserDialogs.h"

using corvantis::DOMNode;
using corvantis::NodePlace;

TreeCommands::TreeCommands(Document& document, TreeSelection& selection, UserDialogs& dialogs, QWidget* dialogParent)
    : QObject(dialogParent), document_(document), selection_(selection), dialogs_(dialogs), dialogParent_(dialogParent) {
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
    const NodePlace place = document_.dom().placeFor(target, position);
    if (!place || !document_.commitPendingEdits()) return;

    auto folder = std::make_unique<DOMNode>(corvantis::ELEMENT, &document_.dom());
    folder->setNodeName("NewFolder");
    DOMNode* added = folder.get();
    if (!document_.push(new PlaceSubtree(document_, std::move(folder), place, tr("Insert Folder"), target))) return;
    if (position == corvantis::Under) selection_.expandSelected();
    selection_.select(added);
    selection_.editSelectedName();
}

void TreeCommands::DeletePOPMnuClick() {
    DOMNode* node = selection_.selectedNode();
    if (!node || !node->parentNode() || !document_.commitPendingEdits()) return;
    // The view moves its selection off the rows that go, and the details follow it.
    document_.push(new RemoveSubtree(document_, node, tr("Delete Folder '%1'").arg(nameOf(node))));
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
        dialogs_.inform(dialogParent_, "Not Valid Name", "Velmora");
        selection_.select(node);
        return;
    }
    if (name.equals(node->nodeName()) || !document_.commitPendingEdits()) return;
    document_.push(new RenameElement(document_, node, name, tr("Rename Folder '%1' to '%2'").arg(nameOf(node), typed)));
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
    // The document node and the top-level element stay where they are.
    if (!node || !node->parentNode() || !node->parentNode()->parentNode()) return;
    setMark(node, mark);
}

void TreeCommands::paste(corvantis::InsertPosition position) {
    DOMNode* source = marked_;
    DOMNode* target = selection_.selectedNode();
    if (!source || !document_.dom().placeFor(target, position)) return;
    const bool move = mark_ == Mark::Cut;
    if (move) {
        for (const DOMNode* up = target; up; up = up->parentNode()) {
            if (up == source) {
                dialogs_.inform(dialogParent_, "Can not PASTE into CUT tree", "Paste Error");
                return;
            }
        }
    }
    if (!document_.commitPendingEdits()) return;

    DOMNode* placed = source;
    if (move) {
        document_.push(new MoveSubtree(document_, source, target, position, tr("Move Folder '%1'").arg(nameOf(source))));
    } else {
        // The copy is taken before it is placed, so a subtree can take a copy of itself.
        std::unique_ptr<DOMNode> copy(document_.dom().copySubtree(source));
        placed = copy.get();
        const NodePlace place = document_.dom().placeFor(target, position);
        document_.push(new PlaceSubtree(document_, std::move(copy), place,
                                        tr("Paste Copy of '%1'").arg(nameOf(source)), target));
    }
    // After a paste the tree is shown whole again, without marks: a copy is
    // marked anew to be pasted again.
    setMark(nullptr, Mark::None);
    selection_.expandAll();
    selection_.select(placed);
}
