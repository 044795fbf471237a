// Paints a row of the document tree, indented by its depth, with its fold
// arrow and the image its model gives it, and edits its name in place beside
// the image; the model takes the name typed.
#pragma once

#include <QStyledItemDelegate>

#include "tree/DocumentTreeView.h"

class TreeRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit TreeRowDelegate(DocumentTreeView* view);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

    // The width left of a row's image: one indent per level, and the arrow.
    static int indentOf(const QModelIndex& index);

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    DocumentTreeView* view_;
    // A message shown while an edit ends takes the focus from the editor,
    // which would report the same edit again.
    mutable bool ending_ = false;
};
