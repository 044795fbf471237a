// The document tree as the user sees it: a tree view over the flat rows of
// DocumentTreeModel. It draws each row's indentation, fold arrow and image
// itself, folds and unfolds rows with the usual keys and clicks (Left and
// Right, +, - and *, a click on the arrow, a double click), lets a
// folder's name be edited in place, and lets a folder be dragged before,
// after or onto another, drawing where it would go. Its rows, their names,
// images and marks, and the drops come from the model; its current row is
// the program's one Selection.
#pragma once

#include <QTreeView>

#include "core/Dom.h"

class DocumentTreeModel;
class Selection;
class TreeRowDelegate;

class DocumentTreeView : public QTreeView {
    Q_OBJECT
public:
    // Where a dragged folder would go, as the view draws it.
    struct DropPlace {
        QModelIndex row;
        corvantis::InsertPosition position = corvantis::Under;
        // The depth the dropped folder would have.
        int depth = 0;
    };

    static constexpr int Indent = 19;

    explicit DocumentTreeView(QWidget* parent = nullptr);

    // Shows the selection's rows, with the selection as the view's own.
    void setSelection(Selection& selection);
    Selection& selection() const { return *selection_; }
    DocumentTreeModel* documentModel() const { return model_; }
    // Where the folder being dragged would go; no row while none would.
    const DropPlace& dropPlace() const { return dropPlace_; }

    corvantis::DOMNode* nodeAt(const QModelIndex& index) const;
    // Opens the current row's name for editing.
    void editCurrentName();

    // Every row open, down to the depth the tree opens at once / only the top row.
    void expandEverything();
    void collapseToTop();
    // Opens the current row and every row below it.
    void expandCurrentSubtree();

    // Where a row's fold arrow is drawn.
    QRect arrowRect(const QModelIndex& index) const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void reset() override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;

private:
    bool isFoldable(const QModelIndex& index) const;
    // Where a folder dropped at `point` would go: the upper quarter of a row
    // before it, the lower quarter after it (or before the first child of
    // an open folder, which is drawn at the same place), the rest onto it.
    DropPlace placeAt(const QPoint& point) const;
    // The place for a drag event, or none when the rules refuse it.
    DropPlace acceptedPlace(const QDropEvent* event) const;
    void showDropPlace(const DropPlace& place);
    void scrollWhileDragging(const QPoint& point);
    // The names keep their full width and scroll sideways: the column grows
    // to the widest row seen in view, measuring only the rows in view (a new
    // document starts it afresh).
    void widenToRowsInView();

    DocumentTreeModel* model_ = nullptr;
    Selection* selection_ = nullptr;
    TreeRowDelegate* rows_;
    DropPlace dropPlace_;
};
