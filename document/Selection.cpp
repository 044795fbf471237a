#include "document/Selection.h"

#include "document/Document.h"
#include "document/DocumentFilter.h"
#include "document/DocumentTreeModel.h"

using corvantis::DOMNode;

Selection::Selection(DocumentTreeModel& rows, QObject* parent)
    : QItemSelectionModel(&rows, parent), rows_(rows), document_(rows.document()) {
    connect(this, &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current, const QModelIndex& previous) {
        DOMNode* node = rows_.nodeAt(current);
        if (node && !standingIn_) chosen_ = node;
        emit currentNodeChanged(node, rows_.nodeAt(previous));
    });
    connect(&document_, &Document::replaced, this, [this] { select(document_.documentNode()); });
    connect(&document_, &Document::selectionRequested, this, [this](DOMNode* node) {
        if (node && document_.dom().contains(node)) select(node);
    });
    connect(&document_, &Document::childrenAboutToLeave, this, [this](DOMNode* parent, int first, int last) {
        if (chosen_ && Document::isWithin(chosen_, parent, first, last)) chosen_ = nullptr;
    });
    // A replaced document's nodes are gone; the rows reset for it keep nothing.
    connect(&document_, &Document::aboutToReplace, this, [this] { chosen_ = nullptr; });
    // Rows made anew over the same document keep the chosen folder, or the
    // nearest folder above it that is shown; a filter that has gone through
    // the document may show it again.
    connect(&rows_, &QAbstractItemModel::modelReset, this, &Selection::showChosen);
    connect(&rows_.filter(), &DocumentFilter::finished, this, &Selection::showChosen);
    connect(&rows_, &DocumentTreeModel::folderDropped, this, [this](DOMNode* placed) { select(placed); });
}

void Selection::showChosen() {
    const DOMNode* shown = chosen_;
    while (shown && !rows_.indexOf(shown).isValid()) shown = shown->parentNode();
    if (!shown || currentNode() == shown) return;
    standingIn_ = shown != chosen_;
    select(shown);
    standingIn_ = false;
}

DOMNode* Selection::currentNode() const { return rows_.nodeAt(currentIndex()); }

void Selection::select(const DOMNode* node) {
    const QModelIndex row = node ? rows_.reveal(node) : QModelIndex();
    setCurrentIndex(row, row.isValid() ? ClearAndSelect : Clear);
}
