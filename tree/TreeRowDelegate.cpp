#include "tree/TreeRowDelegate.h"

#include <QLineEdit>
#include <QPainter>
#include <QScopedValueRollback>

#include "document/DocumentTreeModel.h"

TreeRowDelegate::TreeRowDelegate(DocumentTreeView* view) : QStyledItemDelegate(view), view_(view) {}

void TreeRowDelegate::setImages(const QList<QIcon>& icons, DocumentTreeView::ImagesOf imagesOf) {
    icons_ = icons;
    imagesOf_ = std::move(imagesOf);
}

void TreeRowDelegate::setRenaming(DocumentTreeView::MayRename mayRename, DocumentTreeView::Renamed renamed) {
    mayRename_ = std::move(mayRename);
    renamed_ = std::move(renamed);
}

int TreeRowDelegate::indentOf(const QModelIndex& index) {
    return (index.data(DocumentTreeModel::DepthRole).toInt() + 1) * DocumentTreeView::Indent;
}

void TreeRowDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    if (!imagesOf_ || icons_.isEmpty()) return;
    const int image = imagesOf_(view_->nodeAt(index)).first;
    option->icon = icons_.value(image, icons_.first());
    option->features |= QStyleOptionViewItem::HasDecoration;
    option->decorationSize = QSize(16, 16);
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

QWidget* TreeRowDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                       const QModelIndex& index) const {
    if (!mayRename_ || !renamed_ || !mayRename_(view_->nodeAt(index))) return nullptr;
    return QStyledItemDelegate::createEditor(parent, option, index);
}

void TreeRowDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                           const QModelIndex& index) const {
    QStyleOptionViewItem row(option);
    row.rect.setLeft(option.rect.left() + indentOf(index));
    QStyledItemDelegate::updateEditorGeometry(editor, row, index);
}

void TreeRowDelegate::setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const {
    auto* line = qobject_cast<QLineEdit*>(editor);
    if (ending_ || !line || !renamed_) return;
    const QScopedValueRollback<bool> ending(ending_, true);
    // The name goes into the document as a command; the row follows it.
    renamed_(view_->nodeAt(index), line->text());
}
