// Where the tree commands may put a new or pasted element, and helpers for
// the tree items that mirror the document's elements.
#pragma once

#include "core/Dom.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace placement {

// Only an element can be a target, and the document keeps a single
// top-level element: nothing goes beside it.
bool mayPlaceAt(const corvantis::DOMNode* target, corvantis::InsertPosition position);

// True when `item` is `ancestor` or lies anywhere below it.
bool isWithin(const QTreeWidgetItem* item, const QTreeWidgetItem* ancestor);

// The toolkit lays out expanded levels recursively, so the tree is shown
// expanded down to this level at most; deeper items open on demand.
constexpr int DeepestExpandedLevel = 2000;

// Expands `top` and every item below it, down to the depth the tree view can
// lay out.
void expandSubtree(QTreeWidgetItem* top);
// Expands the whole tree, whose deepest item lies `deepest` levels below the
// top, as far as the tree view can lay it out.
void expandTree(QTreeWidget* tree, int deepest);
// The level of the tree's deepest item, counted up to just past
// DeepestExpandedLevel.
int deepestLevel(QTreeWidget* tree);

// Marks an item that has no children when the tree is built. The view then
// keeps no expansion state for it, which makes showing and dropping a big
// tree much cheaper. An item must lose the mark before it gets a child.
void markLeaf(QTreeWidgetItem* item);
void addChildItem(QTreeWidgetItem* parent, QTreeWidgetItem* child);

// The tree item of `node`, or null.
QTreeWidgetItem* itemOf(const QTreeWidget* tree, const corvantis::DOMNode* node);

// Destroys an item taken out of its tree with all items below it, without
// recursion.
void deleteItemTree(QTreeWidgetItem* top);

}  // namespace placement
