#include "document/Selection.h"

#include "document/Document.h"
#include "document/DocumentTreeModel.h"

using corvantis::DOMNode;

Selection::Selection(DocumentTreeModel& rows, QObject* parent)
    : QItemSelectionModel(&rows, parent), rows_(rows), document_(rows.document()) {
    connect(this, &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current, const QModelIndex& previous) {
        emit currentNodeChanged(rows_.nodeAt(current), rows_.nodeAt(previous));
    });
    connect(&document_, &Document::replaced, this, [this] { select(document_.documentNode()); });
    connect(&document_, &Document::selectionRequested, this, [this](DOMNode* node) {
        if (node && document_.dom().contains(node)) select(node);
    });
    // Rows made anew over the same document keep the current folder, or the
    // nearest folder above it that is still shown.
    connect(&rows_, &QAbstractItemModel::modelAboutToBeReset, this, [this] { keptThroughReset_ = currentNode(); });
    // A replaced document's nodes are gone; the rows reset for it keep nothing.
    connect(&document_, &Document::aboutToReplace, this, [this] { keptThroughReset_ = nullptr; });
    connect(&rows_, &QAbstractItemModel::modelReset, this, [this] {
        const DOMNode* kept = keptThroughReset_;
        keptThroughReset_ = nullptr;
        if (!kept) return;
        while (kept && !rows_.indexOf(kept).isValid()) kept = kept->parentNode();
        select(kept);
    });
    connect(&rows_, &DocumentTreeModel::folderDropped, this, [this](DOMNode* placed) { select(placed); });
}

DOMNode* Selection::currentNode() const { return rows_.nodeAt(currentIndex()); }

void Selection::select(const DOMNode* node) {
    const QModelIndex row = node ? rows_.reveal(node) : QModelIndex();
    setCurrentIndex(row, row.isValid() ? ClearAndSelect : Clear);
}
