// The document tree as the user sees it: a tree view over the flat rows of
// DocumentTreeModel. It draws each row's indentation, fold arrow and image
// itself, folds and unfolds rows with the usual keys and clicks (Left and
// Right, +, - and *, a click on the arrow, a double click), lets a
// folder's name be edited in place, and lets a folder be dragged before,
// after or onto another, drawing where it would go.
#pragma once

#include <QIcon>
#include <QList>
#include <QTreeView>
#include <functional>
#include <utility>

#include "core/Dom.h"
#include "tree/TreeSelection.h"

class DocumentTreeModel;
class TreeRowDelegate;

class DocumentTreeView : public QTreeView, public TreeSelection {
    Q_OBJECT
public:
    // The image and selected image of a row (indexes into the icons given).
    using ImagesOf = std::function<std::pair<int, int>(const corvantis::DOMNode* node)>;
    // Whether the name of a row's node may be edited in place.
    using MayRename = std::function<bool(corvantis::DOMNode* node)>;
    // The user confirmed `typed` as the node's name.
    using Renamed = std::function<void(corvantis::DOMNode* node, const QString& typed)>;
    // Whether `source` may go to `position` relative to `target`, moved or
    // copied; a null target asks whether `source` may be dragged at all.
    using MayDrop = std::function<bool(corvantis::DOMNode* source, corvantis::DOMNode* target,
                                       corvantis::InsertPosition position, bool copy)>;
    using Dropped = std::function<void(corvantis::DOMNode* source, corvantis::DOMNode* target,
                                       corvantis::InsertPosition position, bool copy)>;
    // Where a dragged folder would go, as the view draws it.
    struct DropPlace {
        QModelIndex row;
        corvantis::InsertPosition position = corvantis::Under;
        // The depth the dropped folder would have.
        int depth = 0;
    };

    static constexpr int Indent = 19;

    explicit DocumentTreeView(QWidget* parent = nullptr);

    void setDocumentModel(DocumentTreeModel* model);
    DocumentTreeModel* documentModel() const { return model_; }
    // `icons` by image index; each shows its selected image when selected.
    void setImages(const QList<QIcon>& icons, ImagesOf imagesOf);
    void setRenaming(MayRename mayRename, Renamed renamed);
    void setDropping(MayDrop mayDrop, Dropped dropped);
    // Where the folder being dragged would go; no row while none would.
    const DropPlace& dropPlace() const { return dropPlace_; }

    corvantis::DOMNode* nodeAt(const QModelIndex& index) const;
    // The node of the current row, or null.
    corvantis::DOMNode* currentNode() const;
    // Makes the node's row current, opening folded rows above it; null
    // leaves no row current.
    void setCurrentNode(const corvantis::DOMNode* node);
    // Opens the current row's name for editing.
    void editCurrentName();

    // Every row open, down to the depth the tree opens at once / only the top row.
    void expandEverything();
    void collapseToTop();
    // Opens the current row and every row below it.
    void expandCurrentSubtree();

    // TreeSelection
    corvantis::DOMNode* selectedNode() const override { return currentNode(); }
    void select(const corvantis::DOMNode* node) override { setCurrentNode(node); }
    void editSelectedName() override { editCurrentName(); }
    void expandSelected() override { expandCurrentSubtree(); }
    void expandAll() override { expandEverything(); }
    void showMarks() override;
    bool isFolded(const corvantis::DOMNode* node) const override;
    void setFolded(const corvantis::DOMNode* node, bool folded) override;

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

    DocumentTreeModel* model_ = nullptr;
    TreeRowDelegate* rows_;
    MayDrop mayDrop_;
    Dropped dropped_;
    // The folder this view is dragging; null while it drags none.
    corvantis::DOMNode* dragged_ = nullptr;
    DropPlace dropPlace_;
};
