#include "tree/TreeRowDelegate.h"

#include <QPainter>
#include <QScopedValueRollback>

#include "document/DocumentTreeModel.h"

TreeRowDelegate::TreeRowDelegate(DocumentTreeView* view) : QStyledItemDelegate(view), view_(view) {}

int TreeRowDelegate::indentOf(const QModelIndex& index) {
    return (index.data(DocumentTreeModel::DepthRole).toInt() + 1) * DocumentTreeView::Indent;
}

void TreeRowDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    option->decorationSize = QSize(16, 16);
    // A folder the filter shows only for a match below it.
    if (index.data(DocumentTreeModel::DimmedRole).toBool())
        option->palette.setColor(QPalette::Text, option->palette.color(QPalette::Disabled, QPalette::Text));
}

void TreeRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    if (index.data(DocumentTreeModel::HasChildrenRole).toBool()) {
        QStyleOption arrow;
        arrow.initFrom(view_);
        arrow.rect = view_->arrowRect(index);
        arrow.state = QStyle::State_Item | QStyle::State_Children;
        if (index.data(DocumentTreeModel::ExpandedRole).toBool()) arrow.state |= QStyle::State_Open;
        view_->style()->drawPrimitive(QStyle::PE_IndicatorBranch, &arrow, painter, view_);
    }
    QStyleOptionViewItem row(option);
    row.rect.setLeft(option.rect.left() + indentOf(index));
    QStyledItemDelegate::paint(painter, row, index);
}

QSize TreeRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const QSize size = QStyledItemDelegate::sizeHint(option, index);
    return {size.width() + indentOf(index), size.height()};
}

void TreeRowDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                           const QModelIndex& index) const {
    QStyleOptionViewItem row(option);
    row.rect.setLeft(option.rect.left() + indentOf(index));
    QStyledItemDelegate::updateEditorGeometry(editor, row, index);
}

void TreeRowDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const {
    if (ending_) return;
    const QScopedValueRollback<bool> ending(ending_, true);
    QStyledItemDelegate::setModelData(editor, model, index);
}
