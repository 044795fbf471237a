// The one selection of the program: which folder is current. It is the tree
// view's selection model over the document's rows, and every view follows
// it (the text frame, the details, the editors) while the commands act on
// it; none keeps a node of its own. When the current row leaves, the
// current row moves as the view moves it and the views follow; after the
// document is replaced the document node is current; after an undo or redo
// the folder the step concerns.
#pragma once

#include <QItemSelectionModel>

#include "core/Dom.h"

class Document;
class DocumentTreeModel;

class Selection : public QItemSelectionModel {
    Q_OBJECT
public:
    explicit Selection(DocumentTreeModel& rows, QObject* parent = nullptr);

    DocumentTreeModel& rows() const { return rows_; }
    // The node of the current row, or null.
    corvantis::DOMNode* currentNode() const;
    // Makes the node's row current and selected, opening folded rows above
    // it; null leaves no row current.
    void select(const corvantis::DOMNode* node);
    using QItemSelectionModel::select;

signals:
    // The current folder is now `current` (null: none); it was `previous`,
    // which may be about to leave the tree.
    void currentNodeChanged(corvantis::DOMNode* current, corvantis::DOMNode* previous);

private:
    DocumentTreeModel& rows_;
    Document& document_;
    // The current node while the rows are made anew over the same document
    // (folding all, opening all).
    const corvantis::DOMNode* keptThroughReset_ = nullptr;
};
