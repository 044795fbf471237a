// What the tree commands need of the view that shows the document: which
// node is selected, and a few ways of showing a result. The document tree
// view provides it; tests can provide their own.
#pragma once

namespace corvantis {
class DOMNode;
}

class TreeSelection {
public:
    virtual ~TreeSelection() = default;

    // The node of the selected row, or null.
    virtual corvantis::DOMNode* selectedNode() const = 0;
    // Selects the node's row, opening folded rows above it.
    virtual void select(const corvantis::DOMNode* node) = 0;
    // Opens the selected row's name for editing.
    virtual void editSelectedName() = 0;
    // Opens the selected row and every row below it / every row.
    virtual void expandSelected() = 0;
    virtual void expandAll() = 0;
    // The copy and cut marks changed: the rows show them anew.
    virtual void showMarks() = 0;
    // A shown folder whose rows below are hidden.
    virtual bool isFolded(const corvantis::DOMNode* node) const = 0;
    virtual void setFolded(const corvantis::DOMNode* node, bool folded) = 0;
};
