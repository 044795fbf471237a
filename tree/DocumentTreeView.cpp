#include "tree/DocumentTreeView.h"

#include <QDrag>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include "document/DocumentTreeModel.h"
#include "tree/TreeRowDelegate.h"
#include "widgets/DragRunner.h"

using corvantis::DOMNode;

namespace {

// A folder dragged in the tree; the view keeps which one, so nothing from
// outside can be dropped as one.
const char* const FolderFormat = "application/x-corvantis-folder";
// How near the edge a drag scrolls the rows.
constexpr int ScrollMargin = 16;

bool copies(const QDropEvent* event) { return event->modifiers().testFlag(Qt::ControlModifier); }

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
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    header()->setStretchLastSection(false);
    // The width is fitted to the rows in view, not to a thousand rows
    // around them after every change.
    header()->setResizeContentsPrecision(0);
}

void DocumentTreeView::setDocumentModel(DocumentTreeModel* model) {
    model_ = model;
    setModel(model);
}

void DocumentTreeView::setImages(const QList<QIcon>& icons, ImagesOf imagesOf) {
    rows_->setImages(icons, std::move(imagesOf));
    viewport()->update();
}

void DocumentTreeView::setRenaming(MayRename mayRename, Renamed renamed) {
    rows_->setRenaming(std::move(mayRename), std::move(renamed));
}

void DocumentTreeView::setDropping(MayDrop mayDrop, Dropped dropped) {
    mayDrop_ = std::move(mayDrop);
    dropped_ = std::move(dropped);
    const bool dropping = mayDrop_ && dropped_;
    setDragEnabled(dropping);
    setAcceptDrops(dropping);
    viewport()->setAcceptDrops(dropping);
    // The view draws where a folder goes, with its depth: the rows are flat.
    setDropIndicatorShown(false);
}

DOMNode* DocumentTreeView::nodeAt(const QModelIndex& index) const { return model_ ? model_->nodeAt(index) : nullptr; }

DOMNode* DocumentTreeView::currentNode() const { return nodeAt(currentIndex()); }

void DocumentTreeView::setCurrentNode(const DOMNode* node) {
    if (!model_) return;
    const QModelIndex row = model_->reveal(node);
    setCurrentIndex(row);
    if (row.isValid()) scrollTo(row);
}

void DocumentTreeView::editCurrentName() {
    if (currentIndex().isValid()) edit(currentIndex());
}

void DocumentTreeView::expandEverything() {
    if (!model_ || model_->isFullyExpanded()) return;
    // The rows are made anew; the current node stays current.
    const DOMNode* current = currentNode();
    model_->expandAll();
    setCurrentNode(current);
}

void DocumentTreeView::collapseToTop() {
    if (!model_) return;
    const bool topWasCurrent = currentIndex().row() == 0;
    model_->collapseAll();
    // The current row may be folded away: the top row, which stays, takes over.
    if (topWasCurrent || !currentIndex().isValid()) setCurrentIndex(model_->index(0, 0));
}

void DocumentTreeView::expandCurrentSubtree() {
    if (!model_) return;
    const DOMNode* current = currentNode();
    model_->expandSubtree(currentIndex());
    setCurrentNode(current);
}

void DocumentTreeView::showMarks() { viewport()->update(); }

bool DocumentTreeView::isFolded(const DOMNode* node) const {
    const QModelIndex row = model_ ? model_->indexOf(node) : QModelIndex();
    return row.isValid() && model_->hasChildElements(row) && !model_->isExpanded(row);
}

void DocumentTreeView::setFolded(const DOMNode* node, bool folded) {
    const QModelIndex row = model_ ? model_->indexOf(node) : QModelIndex();
    if (row.isValid() && model_->hasChildElements(row)) model_->setExpanded(row, !folded);
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
    DOMNode* source = currentNode();
    if (!source || !mayDrop_ || !mayDrop_(source, nullptr, corvantis::Under, false)) return;
    auto* drag = new QDrag(this);
    auto* data = new QMimeData;
    data->setData(FolderFormat, QByteArray());
    drag->setMimeData(data);
    drag->setPixmap(viewport()->grab(visualRect(currentIndex())));
    dragged_ = source;
    // A drag that ends anywhere else changes nothing.
    runDrag(drag, Qt::MoveAction | Qt::CopyAction);
    dragged_ = nullptr;
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
    if (!dragged_ || !mayDrop_ || !event->mimeData()->hasFormat(FolderFormat)) return {};
    const DropPlace place = placeAt(event->position().toPoint());
    if (!place.row.isValid() || !mayDrop_(dragged_, nodeAt(place.row), place.position, copies(event)))
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
    if (!dragged_ || !event->mimeData()->hasFormat(FolderFormat)) {
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
    event->setDropAction(copies(event) ? Qt::CopyAction : Qt::MoveAction);
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
    const bool copy = copies(event);
    event->setDropAction(copy ? Qt::CopyAction : Qt::MoveAction);
    event->accept();
    dropped_(dragged_, nodeAt(place.row), place.position, copy);
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
