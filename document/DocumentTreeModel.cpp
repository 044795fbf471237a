#include "document/DocumentTreeModel.h"

#include <QCoreApplication>
#include <QMimeData>
#include <algorithm>

#include "core/Functions.h"
#include "document/Commands.h"
#include "document/Document.h"
#include "document/FolderPlacing.h"

using corvantis::DOMNode;

namespace {

// A folder dragged in the tree: this process, this model and the node, so
// that nothing from outside is taken for one.
const char* const FolderFormat = "application/x-corvantis-folder";

bool isElement(const DOMNode* node) { return node && node->nodeType() == corvantis::ELEMENT; }

bool hasElementChild(const DOMNode* node) {
    for (int i = 0, count = node->childCount(); i < count; ++i)
        if (isElement(node->childAt(i))) return true;
    return false;
}

}  // namespace

DocumentTreeModel::DocumentTreeModel(Document& document, QObject* parent)
    : QAbstractListModel(parent), document_(document), filter_(document) {
    connect(&document_, &Document::aboutToReplace, this, [this] {
        resetting_ = true;
        beginResetModel();
        // Nothing may reach the nodes about to go.
        rows_.clear();
        depths_.clear();
    });
    connect(&document_, &Document::replaced, this, [this] {
        showsNodeName_ = false;
        marked_ = nullptr;
        mark_ = Mark::None;
        // A new document opens fully, and no folding of the old one stays.
        openByDefault_ = true;
        exceptions_.clear();
        filtered_ = filter_.isActive();
        resetRows();
        resetting_ = false;
        endResetModel();
    });
    // Save As gives the document another file, which the top row names.
    connect(&document_, &Document::fileSet, this, [this] { updateRow(shownCount() == 0 ? -1 : 0); });
    connect(&document_, &Document::childrenAboutToLeave, this, &DocumentTreeModel::childrenAboutToLeave);
    connect(&document_, &Document::childrenArrived, this, &DocumentTreeModel::childrenArrived);
    connect(&document_, &Document::renamed, this, &DocumentTreeModel::renamed);
    connect(&document_, &Document::stringsChanged, this, [this] {
        if (shownCount() > 0) emit dataChanged(index(0, 0), index(shownCount() - 1, 0));
    });
    followFilter();
    resetRows();
}

void DocumentTreeModel::followFilter() {
    connect(&filter_, &DocumentFilter::aboutToReset, this, [this] {
        if (resetting_) return;
        relayingReset_ = true;
        beginResetModel();
    });
    connect(&filter_, &DocumentFilter::reset, this, [this] {
        if (!relayingReset_) return;
        relayingReset_ = false;
        filtered_ = filter_.isActive();
        resetRows();
        endResetModel();
    });
    const auto passOn = [this] { return filtered_ && !resetting_; };
    connect(&filter_, &DocumentFilter::rowsAboutToBeInserted, this, [this, passOn](int first, int last) {
        if (passOn()) beginInsertRows(QModelIndex(), first + 1, last + 1);
    });
    connect(&filter_, &DocumentFilter::rowsInserted, this, [this, passOn] {
        if (passOn()) endInsertRows();
    });
    connect(&filter_, &DocumentFilter::rowsAboutToBeRemoved, this, [this, passOn](int first, int last) {
        if (passOn()) beginRemoveRows(QModelIndex(), first + 1, last + 1);
    });
    connect(&filter_, &DocumentFilter::rowsRemoved, this, [this, passOn] {
        if (passOn()) endRemoveRows();
    });
}

// ---- The model ----

int DocumentTreeModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shownCount();
}

QVariant DocumentTreeModel::data(const QModelIndex& index, int role) const {
    const DOMNode* node = nodeAt(index);
    if (!node) return QVariant();
    switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            if (index.row() == 0 && !showsNodeName_) return document_.fileName();
            return document_.text().toText(node->nodeName());
        case Qt::DecorationRole:
            return icons_[static_cast<int>(node == marked_ ? mark_ : Mark::None)];
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
        case MarkRole: return QVariant::fromValue(static_cast<int>(node == marked_ ? mark_ : Mark::None));
        case DimmedRole:
            return filtered_ &&
                   (index.row() == 0 ||
                    filter_.rows()[static_cast<std::size_t>(index.row() - 1)].shown == DocumentFilter::Shown::Above);
        default: return QVariant();
    }
}

Qt::ItemFlags DocumentTreeModel::flags(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this || index.row() >= shownCount()) return Qt::NoItemFlags;
    // Asked of every row whenever the view lays the rows out, so the node is
    // not touched: the top row is the document node, whose caption is not a
    // name of the document, and every other row an element.
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.row() > 0) flags |= Qt::ItemIsEditable | Qt::ItemIsDragEnabled;
    return flags;
}

bool DocumentTreeModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    DOMNode* element = nodeAt(index);
    if (role != Qt::EditRole || !element || !isElement(element)) return false;
    const QString typed = value.toString();
    corvantis::StringObject name;
    // A character the document cannot store is no name character either.
    if (!document_.text().toBytes(typed, name) || !corvantis::IsValidName(name, document_.text().encoding())) {
        emit nameRefused(index);
        return false;
    }
    if (name.equals(element->nodeName())) return true;
    if (!document_.commitPendingEdits()) return false;
    const QString step = QCoreApplication::translate("DocumentTreeModel", "Rename Folder '%1' to '%2'")
                             .arg(document_.text().toText(element->nodeName()), typed);
    return document_.push(std::make_unique<RenameElement>(document_, element, name, step));
}

// ---- Drag and drop ----

QStringList DocumentTreeModel::mimeTypes() const { return {FolderFormat}; }

Qt::DropActions DocumentTreeModel::supportedDragActions() const { return Qt::MoveAction | Qt::CopyAction; }

Qt::DropActions DocumentTreeModel::supportedDropActions() const { return Qt::MoveAction | Qt::CopyAction; }

QMimeData* DocumentTreeModel::mimeData(const QModelIndexList& indexes) const {
    const DOMNode* folder = indexes.size() == 1 ? nodeAt(indexes.first()) : nullptr;
    if (!FolderPlacing::mayPlace(document_, folder, nullptr, corvantis::Under, false)) return nullptr;
    auto* data = new QMimeData;
    data->setData(FolderFormat, QString("%1 %2 %3")
                                    .arg(QCoreApplication::applicationPid())
                                    .arg(reinterpret_cast<quintptr>(this))
                                    .arg(reinterpret_cast<quintptr>(folder))
                                    .toLatin1());
    return data;
}

DOMNode* DocumentTreeModel::draggedFolder(const QMimeData* data) const {
    if (!data || !data->hasFormat(FolderFormat)) return nullptr;
    const QList<QByteArray> fields = data->data(FolderFormat).split(' ');
    if (fields.size() != 3 || fields[0].toLongLong() != QCoreApplication::applicationPid() ||
        fields[1].toULongLong() != reinterpret_cast<quintptr>(this))
        return nullptr;
    // Found among the shown rows, so a node that has gone is never touched.
    const auto folder = reinterpret_cast<const DOMNode*>(static_cast<quintptr>(fields[2].toULongLong()));
    const int row = rowOf(folder);
    return row < 0 ? nullptr : nodeAtRow(row);
}

namespace {

corvantis::InsertPosition dropPosition(int row) {
    return row < 0 ? corvantis::Under : row == 0 ? corvantis::Before : corvantis::After;
}

}  // namespace

bool DocumentTreeModel::canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int,
                                        const QModelIndex& parent) const {
    const DOMNode* target = nodeAt(parent);
    return target && (action == Qt::MoveAction || action == Qt::CopyAction) &&
           FolderPlacing::mayPlace(document_, draggedFolder(data), target, dropPosition(row),
                                   action == Qt::CopyAction);
}

bool DocumentTreeModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                                     const QModelIndex& parent) {
    if (!canDropMimeData(data, action, row, column, parent)) return false;
    DOMNode* source = draggedFolder(data);
    const QModelIndex sourceRow = indexOf(source);
    // The folder keeps its folding where it lands.
    const bool folded = hasChildElements(sourceRow) && !isExpanded(sourceRow);
    DOMNode* placed =
        FolderPlacing::place(document_, source, nodeAt(parent), dropPosition(row), action == Qt::MoveAction);
    if (!placed) return false;
    setFolded(placed, folded);
    emit folderDropped(placed);
    return true;
}

// ---- Marks ----

void DocumentTreeModel::setMark(DOMNode* node, Mark mark) {
    const DOMNode* before = marked_;
    marked_ = mark == Mark::None ? nullptr : node;
    mark_ = marked_ ? mark : Mark::None;
    updateRow(rowOf(before));
    updateRow(rowOf(marked_));
}

void DocumentTreeModel::dropCutMark() {
    if (mark_ == Mark::Cut) setMark(nullptr, Mark::None);
}

void DocumentTreeModel::setIcons(const QIcon& unmarked, const QIcon& copy, const QIcon& cut) {
    icons_[static_cast<int>(Mark::None)] = unmarked;
    icons_[static_cast<int>(Mark::Copy)] = copy;
    icons_[static_cast<int>(Mark::Cut)] = cut;
    if (shownCount() > 0) emit dataChanged(index(0, 0), index(shownCount() - 1, 0), {Qt::DecorationRole});
}

// ---- Rows ----

int DocumentTreeModel::shownCount() const {
    return filtered_ ? static_cast<int>(filter_.rows().size()) + 1 : static_cast<int>(rows_.size());
}

DOMNode* DocumentTreeModel::nodeAtRow(int row) const {
    if (!filtered_) return rows_[static_cast<std::size_t>(row)];
    return row == 0 ? document_.documentNode() : filter_.rows()[static_cast<std::size_t>(row - 1)].folder;
}

std::int32_t DocumentTreeModel::depthAtRow(int row) const {
    if (!filtered_) return depths_[static_cast<std::size_t>(row)];
    return row == 0 ? 0 : filter_.rows()[static_cast<std::size_t>(row - 1)].depth;
}

DOMNode* DocumentTreeModel::nodeAt(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this || index.row() >= shownCount()) return nullptr;
    return nodeAtRow(index.row());
}

int DocumentTreeModel::rowOf(const DOMNode* node, int from) const {
    if (filtered_ && node) {
        if (node == document_.documentNode()) return from <= 0 ? 0 : -1;
        const int row = filter_.rowOf(node);
        return row < 0 || row + 1 < from ? -1 : row + 1;
    }
    if (!node || from < 0 || from >= static_cast<int>(rows_.size())) return -1;
    const auto found = std::find(rows_.begin() + from, rows_.end(), node);
    return found == rows_.end() ? -1 : static_cast<int>(found - rows_.begin());
}

QModelIndex DocumentTreeModel::indexOf(const DOMNode* node) const { return index(rowOf(node), 0); }

int DocumentTreeModel::depthAt(const QModelIndex& index) const {
    return nodeAt(index) ? depthAtRow(index.row()) : 0;
}

bool DocumentTreeModel::hasChildElements(const QModelIndex& index) const {
    // Filtered rows have no folding.
    const DOMNode* node = filtered_ ? nullptr : nodeAt(index);
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
        if (depthAtRow(row) < depth) return this->index(row, 0);
    return QModelIndex();
}

int DocumentTreeModel::endOfSubtree(int row) const {
    const std::int32_t depth = depthAtRow(row);
    const int size = shownCount();
    int end = row + 1;
    while (end < size && depthAtRow(end) > depth) ++end;
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
        // Children that are all text (a note's) hold no rows: they are not
        // looked at one by one, which would touch every text node.
        if (child->childCount() > child->childNodes()->textCount() && isOpen(child, childDepth))
            stack.push_back({child, 0, childDepth});
    }
}

void DocumentTreeModel::insertShown(int at, const std::vector<DOMNode*>& rows, const std::vector<std::int32_t>& depths) {
    if (rows.empty()) return;
    beginInsertRows(QModelIndex(), at, at + static_cast<int>(rows.size()) - 1);
    rows_.insert(rows_.begin() + at, rows.begin(), rows.end());
    depths_.insert(depths_.begin() + at, depths.begin(), depths.end());
    endInsertRows();
}

void DocumentTreeModel::removeShown(int first, int end) {
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
    insertShown(row + 1, rows, depths);
    updateRow(row);
}

void DocumentTreeModel::close(int row) {
    const DOMNode* node = rows_[static_cast<std::size_t>(row)];
    const int depth = depths_[static_cast<std::size_t>(row)];
    if (!isOpen(node, depth)) return;
    setOpen(node, depth, false);
    removeShown(row + 1, endOfSubtree(row));
    updateRow(row);
}

void DocumentTreeModel::setExpanded(const QModelIndex& index, bool expanded) {
    if (filtered_ || !nodeAt(index)) return;
    if (expanded)
        open(index.row());
    else
        close(index.row());
}

void DocumentTreeModel::expandSubtree(const QModelIndex& index) {
    DOMNode* top = filtered_ ? nullptr : nodeAt(index);
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
    removeShown(row + 1, endOfSubtree(row));
    insertShown(row + 1, rows, depths);
    updateRow(row);
}

void DocumentTreeModel::expandAll() {
    if (!isFullyExpanded()) refold(true);
}

void DocumentTreeModel::collapseAll() { refold(false); }

void DocumentTreeModel::refold(bool openByDefault) {
    beginResetModel();
    openByDefault_ = openByDefault;
    exceptions_.clear();
    // Filtered rows stay as they are; the folding shows once the filter is off.
    resetRows();
    endResetModel();
}

bool DocumentTreeModel::isFolded(const DOMNode* node) const {
    const QModelIndex row = indexOf(node);
    return row.isValid() && hasChildElements(row) && !isExpanded(row);
}

void DocumentTreeModel::setFolded(const DOMNode* node, bool folded) {
    const QModelIndex row = indexOf(node);
    if (row.isValid() && hasChildElements(row)) setExpanded(row, !folded);
}

QModelIndex DocumentTreeModel::reveal(const DOMNode* node) {
    QModelIndex shown = indexOf(node);
    if (shown.isValid() || !node || !document_.dom().contains(node)) return shown;
    if (filtered_) {
        // A folder found or chosen while the filter hides it comes into the rows.
        filter_.reveal(const_cast<DOMNode*>(node));
        return indexOf(node);
    }
    // Open from the top down, so each step finds its row already shown.
    std::vector<const DOMNode*> above;
    for (const DOMNode* up = node->parentNode(); up; up = up->parentNode()) above.push_back(up);
    for (auto it = above.rbegin(); it != above.rend(); ++it) {
        const int row = rowOf(*it);
        if (row >= 0) open(row);
    }
    return indexOf(node);
}

void DocumentTreeModel::rebuild() {
    showsNodeName_ = true;
    refold(true);
}

void DocumentTreeModel::resetRows() {
    rows_.clear();
    depths_.clear();
    if (filtered_) return;
    // Sized once: with every row open, one per element and the document node.
    if (openByDefault_) {
        const std::size_t elements = static_cast<std::size_t>(document_.dom().elementIndex().count()) + 1;
        rows_.reserve(elements);
        depths_.reserve(elements);
    }
    collect(document_.documentNode(), 0, rows_, depths_);
}

// ---- Following the document ----

void DocumentTreeModel::childrenAboutToLeave(DOMNode* parent, int first, int last) {
    // The one place that lets go of nodes about to leave: the mark and the
    // folding kept for them.
    if (marked_ && Document::isWithin(marked_, parent, first, last)) {
        marked_ = nullptr;
        mark_ = Mark::None;
    }
    if (!exceptions_.empty()) {
        for (auto it = exceptions_.begin(); it != exceptions_.end();)
            it = Document::isWithin(*it, parent, first, last) ? exceptions_.erase(it) : std::next(it);
    }
    const int parentRow = rowOf(parent);
    if (parentRow < 0 || filtered_) return;
    updateRow(parentRow);  // it may lose its last child element
    if (!isOpen(parent, depths_[static_cast<std::size_t>(parentRow)])) return;
    const int start = rowOfNextChild(parentRow, parent, first);
    const int end = rowOfNextChild(parentRow, parent, last + 1);
    removeShown(start, end);
}

void DocumentTreeModel::childrenArrived(DOMNode* parent, int first, int last) {
    const int parentRow = filtered_ ? -1 : rowOf(parent);
    if (parentRow < 0) return;
    updateRow(parentRow);  // it may have its first child element now
    const int depth = depths_[static_cast<std::size_t>(parentRow)];
    if (!isOpen(parent, depth)) return;
    std::vector<DOMNode*> rows;
    std::vector<std::int32_t> depths;
    for (int i = first; i <= last; ++i)
        if (DOMNode* child = parent->childAt(i); isElement(child)) collect(child, depth + 1, rows, depths);
    insertShown(rowOfNextChild(parentRow, parent, last + 1), rows, depths);
}

void DocumentTreeModel::renamed(DOMNode* element) { updateRow(rowOf(element)); }
