// The commands that reshape the tree of folders: insert a "NewFolder"
// element before, after or under the selected one, delete the selected
// folder with everything in it, rename it in place, copy, cut and paste
// subtrees (through the system clipboard too), and move a folder up or down
// among its siblings. Each change is one undoable step of the document's
// history; a command that would change nothing pushes none. They act on the
// program's one selection; the copy or cut mark belongs to the tree's rows.
#pragma once

#include <QObject>
#include <functional>

#include "core/Dom.h"
#include "document/DocumentTreeModel.h"

class Document;
class DocumentTreeView;
class Selection;
class UserQuestions;

class TreeCommands : public QObject {
    Q_OBJECT
public:
    TreeCommands(Document& document, DocumentTreeView& view, UserQuestions& dialogs, QObject* parent = nullptr);

    void insertBefore() { insert(corvantis::Before); }
    void insertAtEnd() { insert(corvantis::AtEnd); }
    void insertUnder() { insert(corvantis::Under); }
    void deleteFolder();
    // Opens the selected folder's name for typing; the tree's model takes it.
    void editName();

    void copy() { markSelected(DocumentTreeModel::Mark::Copy); }
    void cut() { markSelected(DocumentTreeModel::Mark::Cut); }
    void pasteBefore() { paste(corvantis::Before); }
    void pasteAtEnd() { paste(corvantis::AtEnd); }
    void pasteUnder() { paste(corvantis::Under); }
    // Paste with nothing marked takes the clipboard's XML, as the window
    // arranges.
    using ClipboardPaste = std::function<void(corvantis::InsertPosition position)>;
    void setClipboardPaste(ClipboardPaste paste) { clipboardPaste_ = std::move(paste); }
    // A cut mark ends; a copy mark stays.
    void dropCutMark();
    // Any mark ends.
    void dropMark();
    // The rows made anew, every folder open, without marks; text being
    // typed goes in first, never dropped by a redraw.
    void refresh();

    // The selected folder swaps places with its previous / next element
    // sibling; what stands between them stays.
    void moveUp() { moveAmongSiblings(false); }
    void moveDown() { moveAmongSiblings(true); }

private:
    void insert(corvantis::InsertPosition position);
    void markSelected(DocumentTreeModel::Mark mark);
    void paste(corvantis::InsertPosition position);
    void moveAmongSiblings(bool down);
    // The node's name as the user reads it, for the steps' names.
    QString nameOf(const corvantis::DOMNode* node) const;

    Document& document_;
    DocumentTreeView& view_;
    Selection& selection_;
    DocumentTreeModel& rows_;
    UserQuestions& dialogs_;
    ClipboardPaste clipboardPaste_;
};
