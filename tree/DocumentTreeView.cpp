#include "tree/DocumentTreeView.h"

#include <QDrag>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include "document/DocumentTreeModel.h"
#include "document/Selection.h"
#include "tree/TreeAccessible.h"
#include "tree/TreeRowDelegate.h"
#include "widgets/DragRunner.h"

using corvantis::DOMNode;

namespace {

// How near the edge a drag scrolls the rows.
constexpr int ScrollMargin = 16;

Qt::DropAction actionOf(const QDropEvent* event) {
    return event->modifiers().testFlag(Qt::ControlModifier) ? Qt::CopyAction : Qt::MoveAction;
}

// Where a drop goes relative to its row, as the model reads it.
int dropCode(corvantis::InsertPosition position) {
    return position == corvantis::Under ? -1 : position == corvantis::Before ? 0 : 1;
}

}  // namespace

DocumentTreeView::DocumentTreeView(QWidget* parent) : QTreeView(parent), rows_(new TreeRowDelegate(this)) {
    setHeaderHidden(true);
    setUniformRowHeights(true);
    // The rows draw their own indentation and arrows.
    setRootIsDecorated(false);
    setIndentation(0);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setIconSize(QSize(16, 16));
    setItemDelegate(rows_);
    setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    header()->setSectionResizeMode(QHeaderView::Fixed);
    header()->setStretchLastSection(false);
    // The width is fitted to the rows in view, not to a thousand rows
    // around them after every change.
    header()->setResizeContentsPrecision(0);
    installTreeAccessibility();
}

void DocumentTreeView::setSelection(Selection& selection) {
    model_ = &selection.rows();
    selection_ = &selection;
    setModel(model_);
    setSelectionModel(&selection);
    setDragEnabled(true);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    // The view draws where a folder goes, with its depth: the rows are flat.
    setDropIndicatorShown(false);
    // A row opened or folded (the model tells each such row on its own).
    connect(model_, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& first, const QModelIndex& last, const QList<int>& roles) {
                widenToRowsInView();
                if (first == last && roles.isEmpty()) announceFolding(this, first.row());
            });
}

DOMNode* DocumentTreeView::nodeAt(const QModelIndex& index) const { return model_ ? model_->nodeAt(index) : nullptr; }

void DocumentTreeView::editCurrentName() {
    if (currentIndex().isValid()) edit(currentIndex());
}

void DocumentTreeView::expandEverything() {
    if (model_) model_->expandAll();
}

void DocumentTreeView::collapseToTop() {
    if (model_) model_->collapseAll();
}

void DocumentTreeView::expandCurrentSubtree() {
    if (!model_) return;
    const DOMNode* current = selection_->currentNode();
    model_->expandSubtree(currentIndex());
    selection_->select(current);
}

QRect DocumentTreeView::arrowRect(const QModelIndex& index) const {
    const QRect row = visualRect(index);
    const int left = row.left() + TreeRowDelegate::indentOf(index) - Indent;
    return QRect(left, row.top(), Indent, row.height());
}

bool DocumentTreeView::isFoldable(const QModelIndex& index) const {
    return model_ && model_->hasChildElements(index);
}

void DocumentTreeView::keyPressEvent(QKeyEvent* event) {
    const QModelIndex current = currentIndex();
    if (!model_ || !current.isValid() || state() == EditingState) {
        QTreeView::keyPressEvent(event);
        return;
    }
    const bool open = model_->isExpanded(current);
    switch (event->key()) {
        case Qt::Key_Left:
            if (open)
                model_->setExpanded(current, false);
            else if (const QModelIndex up = model_->parentRow(current); up.isValid())
                setCurrentIndex(up);
            break;
        case Qt::Key_Right:
            if (isFoldable(current) && !open)
                model_->setExpanded(current, true);
            else if (open)
                setCurrentIndex(model_->index(current.row() + 1, 0));
            break;
        case Qt::Key_Plus: model_->setExpanded(current, true); break;
        case Qt::Key_Minus: model_->setExpanded(current, false); break;
        case Qt::Key_Asterisk: expandCurrentSubtree(); break;
        default: QTreeView::keyPressEvent(event); return;
    }
    event->accept();
}

void DocumentTreeView::mousePressEvent(QMouseEvent* event) {
    const QModelIndex row = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && isFoldable(row) && arrowRect(row).contains(event->position().toPoint())) {
        // Folding away the current row makes the folded one current.
        const bool closing = model_->isExpanded(row);
        if (closing && currentIndex().row() > row.row() && model_->parentRow(currentIndex()).isValid()) {
            QModelIndex up = currentIndex();
            while (up.isValid() && up.row() > row.row()) up = model_->parentRow(up);
            if (up == row) setCurrentIndex(row);
        }
        model_->setExpanded(row, !closing);
        event->accept();
        return;
    }
    QTreeView::mousePressEvent(event);
}

void DocumentTreeView::mouseDoubleClickEvent(QMouseEvent* event) {
    const QModelIndex row = indexAt(event->position().toPoint());
    QTreeView::mouseDoubleClickEvent(event);
    if (isFoldable(row) && !arrowRect(row).contains(event->position().toPoint()))
        model_->setExpanded(row, !model_->isExpanded(row));
}

// ---- Drag and drop ----

void DocumentTreeView::startDrag(Qt::DropActions) {
    QMimeData* data = model_ ? model_->mimeData({currentIndex()}) : nullptr;
    if (!data) return;
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->setPixmap(viewport()->grab(visualRect(currentIndex())));
    // A drag that ends anywhere else changes nothing.
    runDrag(drag, Qt::MoveAction | Qt::CopyAction);
    showDropPlace({});
}

DocumentTreeView::DropPlace DocumentTreeView::placeAt(const QPoint& point) const {
    const QModelIndex row = indexAt(point);
    if (!model_ || !row.isValid()) return {};
    const QRect area = visualRect(row);
    const int quarter = std::max(1, area.height() / 4);
    const int depth = model_->depthAt(row);
    if (point.y() < area.top() + quarter) return {row, corvantis::Before, depth};
    if (point.y() > area.bottom() - quarter) {
        if (model_->isExpanded(row)) return {model_->index(row.row() + 1, 0), corvantis::Before, depth + 1};
        return {row, corvantis::After, depth};
    }
    return {row, corvantis::Under, depth + 1};
}

DocumentTreeView::DropPlace DocumentTreeView::acceptedPlace(const QDropEvent* event) const {
    const DropPlace place = placeAt(event->position().toPoint());
    if (!place.row.isValid() ||
        !model_->canDropMimeData(event->mimeData(), actionOf(event), dropCode(place.position), 0, place.row))
        return {};
    return place;
}

void DocumentTreeView::showDropPlace(const DropPlace& place) {
    if (place.row == dropPlace_.row && place.position == dropPlace_.position) return;
    dropPlace_ = place;
    viewport()->update();
}

void DocumentTreeView::scrollWhileDragging(const QPoint& point) {
    QScrollBar* bar = verticalScrollBar();
    if (point.y() < ScrollMargin)
        bar->setValue(bar->value() - bar->singleStep());
    else if (point.y() > viewport()->height() - ScrollMargin)
        bar->setValue(bar->value() + bar->singleStep());
}

void DocumentTreeView::dragEnterEvent(QDragEnterEvent* event) {
    if (!model_ || !event->mimeData()->hasFormat(model_->mimeTypes().first())) {
        event->ignore();
        return;
    }
    event->accept();
    showDropPlace(acceptedPlace(event));
}

void DocumentTreeView::dragMoveEvent(QDragMoveEvent* event) {
    scrollWhileDragging(event->position().toPoint());
    const DropPlace place = acceptedPlace(event);
    showDropPlace(place);
    if (!place.row.isValid()) {
        event->ignore();
        return;
    }
    event->setDropAction(actionOf(event));
    event->accept();
}

void DocumentTreeView::dragLeaveEvent(QDragLeaveEvent* event) {
    showDropPlace({});
    event->accept();
}

void DocumentTreeView::dropEvent(QDropEvent* event) {
    const DropPlace place = acceptedPlace(event);
    showDropPlace({});
    if (!place.row.isValid()) {
        event->ignore();
        return;
    }
    event->setDropAction(actionOf(event));
    event->accept();
    model_->dropMimeData(event->mimeData(), actionOf(event), dropCode(place.position), 0, place.row);
}

void DocumentTreeView::widenToRowsInView() {
    if (!model_) return;
    const int widest = sizeHintForColumn(0);
    if (widest > columnWidth(0)) header()->resizeSection(0, widest);
}

void DocumentTreeView::reset() {
    QTreeView::reset();
    header()->resizeSection(0, 0);
}

void DocumentTreeView::updateGeometries() {
    widenToRowsInView();
    QTreeView::updateGeometries();
}

void DocumentTreeView::scrollContentsBy(int dx, int dy) {
    QTreeView::scrollContentsBy(dx, dy);
    if (dy != 0) widenToRowsInView();
}

void DocumentTreeView::paintEvent(QPaintEvent* event) {
    QTreeView::paintEvent(event);
    if (!dropPlace_.row.isValid()) return;
    const QRect area = visualRect(dropPlace_.row);
    QPainter painter(viewport());
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(palette().color(QPalette::Highlight), 2);
    painter.setPen(pen);
    if (dropPlace_.position == corvantis::Under) {
        // Onto the row: a frame from its image on.
        const int left = area.left() + TreeRowDelegate::indentOf(dropPlace_.row);
        painter.drawRoundedRect(QRect(left, area.top(), area.right() - left, area.height() - 1), 3, 3);
        return;
    }
    // Before or after the row: a line starting where a folder of that depth starts.
    const int left = area.left() + (dropPlace_.depth + 1) * Indent;
    const int y = dropPlace_.position == corvantis::Before ? area.top() : area.bottom();
    painter.drawEllipse(QPoint(left, y), 3, 3);
    painter.drawLine(left + 3, y, viewport()->width(), y);
}
