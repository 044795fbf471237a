// The one selection of the program: which folder is current. It is the tree
// view's selection model over the document's rows, and every view follows
// it (the text frame, the details, the editors) while the commands act on
// it; none keeps a node of its own. When the current row leaves, the
// current row moves as the view moves it and the views follow; after the
// document is replaced the document node is current; after an undo or redo
// the folder the step concerns. While the rows hide the folder the user
// chose (a filter), the nearest folder above it that is shown stands in,
// and the chosen one is current again as soon as it is shown.
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
    // Makes the folder chosen last current, or while the rows hide it the
    // nearest folder above it that is shown: after the rows were made anew
    // (a view clears its selection when its rows are reset).
    void showChosen();

signals:
    // The current folder is now `current` (null: none); it was `previous`,
    // which may be about to leave the tree.
    void currentNodeChanged(corvantis::DOMNode* current, corvantis::DOMNode* previous);

private:
    DocumentTreeModel& rows_;
    Document& document_;
    // The folder the user chose last, kept while the rows are made anew
    // (folding all, opening all, a filter) and while a folder stands in for
    // it; null once it leaves the document.
    const corvantis::DOMNode* chosen_ = nullptr;
    // A folder is made current in place of the chosen one.
    bool standingIn_ = false;
};
