// In-place label editing for the document tree. The tree's own line editor
// does the typing; this delegate asks before an edit begins and lets the
// commands decide which label the item shows when the edit is confirmed.
// Painting stays with the delegate it wraps, so the items keep their images.
#pragma once

#include <functional>

#include <QStyledItemDelegate>

class QTreeWidget;
class QTreeWidgetItem;

class LabelEditDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    // True when the item's label may be edited.
    using MayEdit = std::function<bool(QTreeWidgetItem* item)>;
    // The label the item shows after the user confirmed `typed`.
    using Edited = std::function<QString(QTreeWidgetItem* item, const QString& typed)>;

    // Replaces the tree's item delegate, which keeps painting the items.
    static LabelEditDelegate* install(QTreeWidget* tree, MayEdit mayEdit, Edited edited);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

private:
    LabelEditDelegate(QTreeWidget* tree, QAbstractItemDelegate* painter, MayEdit mayEdit, Edited edited);

    QTreeWidget* tree_;
    QAbstractItemDelegate* painter_;
    MayEdit mayEdit_;
    Edited edited_;
    // A message shown while an edit ends takes the focus from the editor,
    // which would report the same edit again.
    mutable bool ending_ = false;
};
