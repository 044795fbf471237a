#include "document/DocumentTreeModel.h"

#include <algorithm>

#include "document/Document.h"

using corvantis::DOMNode;

namespace {

bool isElement(const DOMNode* node) { return node && node->nodeType() == corvantis::ELEMENT; }

bool hasElementChild(const DOMNode* node) {
    for (int i = 0, count = node->childCount(); i < count; ++i)
        if (isElement(node->childAt(i))) return true;
    return false;
}

}  // namespace

DocumentTreeModel::DocumentTreeModel(Document& document, QObject* parent) : QAbstractItemModel(parent), document_(document) {
    connect(&document_, &Document::aboutToReplace, this, [this] {
        beginResetModel();
        // Nothing may reach the nodes about to go.
        rows_.clear();
        depths_.clear();
    });
    connect(&document_, &Document::replaced, this, [this] {
        topCaption_.clear();
        resetRows();
        endResetModel();
    });
    connect(&document_, &Document::childrenAboutToLeave, this, &DocumentTreeModel::childrenAboutToLeave);
    connect(&document_, &Document::childrenArrived, this, &DocumentTreeModel::childrenArrived);
    connect(&document_, &Document::renamed, this, &DocumentTreeModel::renamed);
    connect(&document_, &Document::stringsChanged, this, [this] {
        if (!rows_.empty()) emit dataChanged(index(0, 0), index(static_cast<int>(rows_.size()) - 1, 0));
    });
    resetRows();
}

// ---- The model ----

QModelIndex DocumentTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (parent.isValid() || column != 0 || row < 0 || row >= static_cast<int>(rows_.size())) return QModelIndex();
    return createIndex(row, column);
}

QModelIndex DocumentTreeModel::parent(const QModelIndex&) const { return QModelIndex(); }

int DocumentTreeModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int DocumentTreeModel::columnCount(const QModelIndex&) const { return 1; }

QVariant DocumentTreeModel::data(const QModelIndex& index, int role) const {
    const DOMNode* node = nodeAt(index);
    if (!node) return QVariant();
    switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            if (index.row() == 0 && !topCaption_.isEmpty()) return topCaption_;
            return document_.text().toText(node->nodeName());
        case Qt::AccessibleDescriptionRole: {
            // Screen readers learn the folder's level and folding here: the
            // rows themselves are a flat list.
            QString description = tr("level %1").arg(depthAt(index) + 1);
            if (hasChildElements(index)) description += isExpanded(index) ? tr(", expanded") : tr(", collapsed");
            return description;
        }
        case DepthRole: return depthAt(index);
        case HasChildrenRole: return hasChildElements(index);
        case ExpandedRole: return isExpanded(index);
        default: return QVariant();
    }
}

Qt::ItemFlags DocumentTreeModel::flags(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this || index.row() >= static_cast<int>(rows_.size())) return Qt::NoItemFlags;
    // Asked of every row whenever the view lays the rows out, so the node is
    // not touched: the top row is the document node, whose caption is not a
    // name of the document, and every other row an element.
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.row() > 0) flags |= Qt::ItemIsEditable | Qt::ItemIsDragEnabled;
    return flags;
}

// ---- Rows ----

DOMNode* DocumentTreeModel::nodeAt(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this || index.row() >= static_cast<int>(rows_.size())) return nullptr;
    return rows_[static_cast<std::size_t>(index.row())];
}

int DocumentTreeModel::rowOf(const DOMNode* node, int from) const {
    if (!node || from < 0 || from >= static_cast<int>(rows_.size())) return -1;
    const auto found = std::find(rows_.begin() + from, rows_.end(), node);
    return found == rows_.end() ? -1 : static_cast<int>(found - rows_.begin());
}

QModelIndex DocumentTreeModel::indexOf(const DOMNode* node) const { return index(rowOf(node), 0); }

int DocumentTreeModel::depthAt(const QModelIndex& index) const {
    return nodeAt(index) ? depths_[static_cast<std::size_t>(index.row())] : 0;
}

bool DocumentTreeModel::hasChildElements(const QModelIndex& index) const {
    const DOMNode* node = nodeAt(index);
    return node && hasElementChild(node);
}

bool DocumentTreeModel::isExpanded(const QModelIndex& index) const {
    const DOMNode* node = nodeAt(index);
    return node && hasElementChild(node) && isOpen(node, depthAt(index));
}

QModelIndex DocumentTreeModel::parentRow(const QModelIndex& index) const {
    if (!nodeAt(index)) return QModelIndex();
    const int depth = depthAt(index);
    for (int row = index.row(); row-- > 0;)
        if (depths_[static_cast<std::size_t>(row)] < depth) return this->index(row, 0);
    return QModelIndex();
}

int DocumentTreeModel::endOfSubtree(int row) const {
    const std::int32_t depth = depths_[static_cast<std::size_t>(row)];
    const auto size = static_cast<int>(rows_.size());
    int end = row + 1;
    while (end < size && depths_[static_cast<std::size_t>(end)] > depth) ++end;
    return end;
}

int DocumentTreeModel::rowOfNextChild(int parentRow, const DOMNode* parent, int after) const {
    for (int i = after, count = parent->childCount(); i < count; ++i) {
        const DOMNode* child = parent->childAt(i);
        if (!isElement(child)) continue;
        const int row = rowOf(child, parentRow + 1);
        if (row >= 0) return row;
        break;
    }
    return endOfSubtree(parentRow);
}

// ---- Folding ----

bool DocumentTreeModel::isOpen(const DOMNode* node, int depth) const {
    const bool byDefault = opensByDefault(depth);
    return exceptions_.empty() || exceptions_.count(node) == 0 ? byDefault : !byDefault;
}

void DocumentTreeModel::setOpen(const DOMNode* node, int depth, bool open) {
    if (open == opensByDefault(depth))
        exceptions_.erase(node);
    else
        exceptions_.insert(node);
}

void DocumentTreeModel::collect(DOMNode* top, int depth, std::vector<DOMNode*>& rows,
                                std::vector<std::int32_t>& depths) const {
    rows.push_back(top);
    depths.push_back(depth);
    if (!isOpen(top, depth)) return;
    // Depth first with an explicit stack: documents may be a million levels deep.
    struct Frame {
        DOMNode* node;
        int next;
        int depth;
    };
    std::vector<Frame> stack{{top, 0, depth}};
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next >= frame.node->childCount()) {
            stack.pop_back();
            continue;
        }
        DOMNode* child = frame.node->childAt(frame.next++);
        if (!isElement(child)) continue;
        const int childDepth = frame.depth + 1;
        rows.push_back(child);
        depths.push_back(childDepth);
        if (child->childCount() > 0 && isOpen(child, childDepth)) stack.push_back({child, 0, childDepth});
    }
}

void DocumentTreeModel::insertRows(int at, const std::vector<DOMNode*>& rows, const std::vector<std::int32_t>& depths) {
    if (rows.empty()) return;
    beginInsertRows(QModelIndex(), at, at + static_cast<int>(rows.size()) - 1);
    rows_.insert(rows_.begin() + at, rows.begin(), rows.end());
    depths_.insert(depths_.begin() + at, depths.begin(), depths.end());
    endInsertRows();
}

void DocumentTreeModel::removeRows(int first, int end) {
    if (end <= first) return;
    beginRemoveRows(QModelIndex(), first, end - 1);
    rows_.erase(rows_.begin() + first, rows_.begin() + end);
    depths_.erase(depths_.begin() + first, depths_.begin() + end);
    endRemoveRows();
}

void DocumentTreeModel::updateRow(int row) {
    if (row < 0) return;
    const QModelIndex changed = index(row, 0);
    emit dataChanged(changed, changed);
}

void DocumentTreeModel::open(int row) {
    DOMNode* node = rows_[static_cast<std::size_t>(row)];
    const int depth = depths_[static_cast<std::size_t>(row)];
    if (isOpen(node, depth)) return;
    setOpen(node, depth, true);
    std::vector<DOMNode*> rows;
    std::vector<std::int32_t> depths;
    collect(node, depth, rows, depths);
    rows.erase(rows.begin());
    depths.erase(depths.begin());
    insertRows(row + 1, rows, depths);
    updateRow(row);
}

void DocumentTreeModel::close(int row) {
    const DOMNode* node = rows_[static_cast<std::size_t>(row)];
    const int depth = depths_[static_cast<std::size_t>(row)];
    if (!isOpen(node, depth)) return;
    setOpen(node, depth, false);
    removeRows(row + 1, endOfSubtree(row));
    updateRow(row);
}

void DocumentTreeModel::setExpanded(const QModelIndex& index, bool expanded) {
    if (!nodeAt(index)) return;
    if (expanded)
        open(index.row());
    else
        close(index.row());
}

void DocumentTreeModel::expandSubtree(const QModelIndex& index) {
    DOMNode* top = nodeAt(index);
    if (!top) return;
    const int row = index.row();
    const int depth = depthAt(index);
    // The top opens whatever its depth; below it, down to the depth limit.
    std::vector<std::pair<const DOMNode*, int>> pending{{top, depth}};
    while (!pending.empty()) {
        const auto [node, at] = pending.back();
        pending.pop_back();
        if (node == top || at < DeepestExpandedLevel) setOpen(node, at, true);
        for (int i = 0, count = node->childCount(); i < count; ++i)
            if (isElement(node->childAt(i))) pending.emplace_back(node->childAt(i), at + 1);
    }
    std::vector<DOMNode*> rows;
    std::vector<std::int32_t> depths;
    collect(top, depth, rows, depths);
    rows.erase(rows.begin());
    depths.erase(depths.begin());
    removeRows(row + 1, endOfSubtree(row));
    insertRows(row + 1, rows, depths);
    updateRow(row);
}

void DocumentTreeModel::expandAll() { refold(true); }

void DocumentTreeModel::collapseAll() { refold(false); }

void DocumentTreeModel::refold(bool openByDefault) {
    beginResetModel();
    openByDefault_ = openByDefault;
    exceptions_.clear();
    resetRows();
    endResetModel();
}

QModelIndex DocumentTreeModel::reveal(const DOMNode* node) {
    QModelIndex shown = indexOf(node);
    if (shown.isValid() || !node || !document_.dom().contains(node)) return shown;
    // Open from the top down, so each step finds its row already shown.
    std::vector<const DOMNode*> above;
    for (const DOMNode* up = node->parentNode(); up; up = up->parentNode()) above.push_back(up);
    for (auto it = above.rbegin(); it != above.rend(); ++it) {
        const int row = rowOf(*it);
        if (row >= 0) open(row);
    }
    return indexOf(node);
}

void DocumentTreeModel::setTopCaption(const QString& caption) {
    topCaption_ = caption;
    updateRow(rows_.empty() ? -1 : 0);
}

void DocumentTreeModel::rebuild() {
    topCaption_.clear();
    refold(true);
}

void DocumentTreeModel::resetRows() {
    rows_.clear();
    depths_.clear();
    collect(document_.documentNode(), 0, rows_, depths_);
}

// ---- Following the document ----

void DocumentTreeModel::childrenAboutToLeave(DOMNode* parent, int first, int last) {
    if (!exceptions_.empty()) {
        for (auto it = exceptions_.begin(); it != exceptions_.end();)
            it = Document::isWithin(*it, parent, first, last) ? exceptions_.erase(it) : std::next(it);
    }
    const int parentRow = rowOf(parent);
    if (parentRow < 0) return;
    updateRow(parentRow);  // it may lose its last child element
    if (!isOpen(parent, depths_[static_cast<std::size_t>(parentRow)])) return;
    const int start = rowOfNextChild(parentRow, parent, first);
    const int end = rowOfNextChild(parentRow, parent, last + 1);
    removeRows(start, end);
}

void DocumentTreeModel::childrenArrived(DOMNode* parent, int first, int last) {
    const int parentRow = rowOf(parent);
    if (parentRow < 0) return;
    updateRow(parentRow);  // it may have its first child element now
    const int depth = depths_[static_cast<std::size_t>(parentRow)];
    if (!isOpen(parent, depth)) return;
    std::vector<DOMNode*> rows;
    std::vector<std::int32_t> depths;
    for (int i = first; i <= last; ++i)
        if (DOMNode* child = parent->childAt(i); isElement(child)) collect(child, depth + 1, rows, depths);
    insertRows(rowOfNextChild(parentRow, parent, last + 1), rows, depths);
}

void DocumentTreeModel::renamed(DOMNode* element) { updateRow(rowOf(element)); }
