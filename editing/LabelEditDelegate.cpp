#include "editing/LabelEditDelegate.h"

#include <QLineEdit>
#include <QPersistentModelIndex>
#include <QScopedValueRollback>
#include <QTreeWidget>

LabelEditDelegate* LabelEditDelegate::install(QTreeWidget* tree, MayEdit mayEdit, Edited edited) {
    auto* delegate = new LabelEditDelegate(tree, tree->itemDelegate(), std::move(mayEdit), std::move(edited));
    tree->setItemDelegate(delegate);
    return delegate;
}

LabelEditDelegate::LabelEditDelegate(QTreeWidget* tree, QAbstractItemDelegate* painter, MayEdit mayEdit, Edited edited)
    : QStyledItemDelegate(tree), tree_(tree), painter_(painter), mayEdit_(std::move(mayEdit)), edited_(std::move(edited)) {}

void LabelEditDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    painter_->paint(painter, option, index);
}

QSize LabelEditDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    return painter_->sizeHint(option, index);
}

QWidget* LabelEditDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                         const QModelIndex& index) const {
    if (!mayEdit_(tree_->itemFromIndex(index))) return nullptr;
    return QStyledItemDelegate::createEditor(parent, option, index);
}

void LabelEditDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                             const QModelIndex& index) const {
    // Beside the image, as the painting delegate lays the item out.
    painter_->updateEditorGeometry(editor, option, index);
}

void LabelEditDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const {
    auto* line = qobject_cast<QLineEdit*>(editor);
    if (ending_ || !line) return;
    const QScopedValueRollback<bool> ending(ending_, true);
    const QPersistentModelIndex edited(index);
    const QString shown = edited_(tree_->itemFromIndex(index), line->text());
    if (edited.isValid()) model->setData(edited, shown, Qt::EditRole);
}
