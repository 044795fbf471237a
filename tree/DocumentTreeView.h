// The document tree as the user sees it: a tree view over the flat rows of
// DocumentTreeModel. It draws each row's indentation, fold arrow and image
// itself, folds and unfolds rows with the usual keys and clicks (Left and
// Right, +, - and *, a click on the arrow, a double click), and lets a
// folder's name be edited in place.
#pragma once

#include <functional>
#include <utility>

#include <QIcon>
#include <QList>
#include <QTreeView>

#include "tree/TreeSelection.h"

class DocumentTreeModel;
class TreeRowDelegate;
namespace corvantis {
class DOMNode;
}

class DocumentTreeView : public QTreeView, public TreeSelection {
    Q_OBJECT
public:
    // The image and selected image of a row (indexes into the icons given).
    using ImagesOf = std::function<std::pair<int, int>(const corvantis::DOMNode* node)>;
    // Whether the name of a row's node may be edited in place.
    using MayRename = std::function<bool(corvantis::DOMNode* node)>;
    // The user confirmed `typed` as the node's name.
    using Renamed = std::function<void(corvantis::DOMNode* node, const QString& typed)>;

    static constexpr int Indent = 19;

    explicit DocumentTreeView(QWidget* parent = nullptr);

    void setDocumentModel(DocumentTreeModel* model);
    DocumentTreeModel* documentModel() const { return model_; }
    // `icons` by image index; each shows its selected image when selected.
    void setImages(const QList<QIcon>& icons, ImagesOf imagesOf);
    void setRenaming(MayRename mayRename, Renamed renamed);

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

    // Where a row's fold arrow is drawn.
    QRect arrowRect(const QModelIndex& index) const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    bool isFoldable(const QModelIndex& index) const;

    DocumentTreeModel* model_ = nullptr;
    TreeRowDelegate* rows_;
};
