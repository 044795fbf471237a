// Paints a row of the document tree, indented by its depth, with its fold
// arrow and image, and edits its name in place beside the image.
#pragma once

#include <QIcon>
#include <QList>
#include <QStyledItemDelegate>

#include "tree/DocumentTreeView.h"

class TreeRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit TreeRowDelegate(DocumentTreeView* view);

    void setImages(const QList<QIcon>& icons, DocumentTreeView::ImagesOf imagesOf);
    void setRenaming(DocumentTreeView::MayRename mayRename, DocumentTreeView::Renamed renamed);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

    // The width left of a row's image: one indent per level, and the arrow.
    static int indentOf(const QModelIndex& index);

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    DocumentTreeView* view_;
    QList<QIcon> icons_;
    DocumentTreeView::ImagesOf imagesOf_;
    DocumentTreeView::MayRename mayRename_;
    DocumentTreeView::Renamed renamed_;
    // A message shown while an edit ends takes the focus from the editor,
    // which would report the same edit again.
    mutable bool ending_ = false;
};
