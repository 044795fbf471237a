#include "tree/DocumentTreeView.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

#include "document/DocumentTreeModel.h"
#include "tree/TreeRowDelegate.h"

using corvantis::DOMNode;

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
