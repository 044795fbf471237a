// The commands that reshape the tree of folders: insert a "NewFolder"
// element before, after or under the selected one, delete the selected
// folder with everything in it, rename a folder in place, copy, cut and
// paste subtrees (through the system clipboard too), move a folder up or
// down among its siblings, and drop a dragged folder. Each change is one
// undoable step of the document's history; a command that would change
// nothing pushes none.
#pragma once

#include <QObject>
#include <QString>
#include <functional>

#include "core/Dom.h"

class Document;
class TreeSelection;
class UserQuestions;

class TreeCommands : public QObject {
    Q_OBJECT
public:
    enum class Mark { None, Cut, Copy };

    TreeCommands(Document& document, TreeSelection& selection, UserQuestions& dialogs, QObject* parent = nullptr);

    // Insert
    void BeforePOPMnuClick() { insert(corvantis::Before); }
    void AtEndPOPMnuClick() { insert(corvantis::AtEnd); }
    void UnderPOPMnuClick() { insert(corvantis::Under); }
    void DeletePOPMnuClick();

    // Rename: the Edit Node Name command, and the checks when a name edit
    // begins and ends.
    void EditNodeNamePOPMnuClick();
    bool mayRename(const corvantis::DOMNode* node) const;
    void renamed(corvantis::DOMNode* node, const QString& typed);

    // Copy, cut and paste
    void CopyPOPMnuClick() { markSelected(Mark::Copy); }
    void CutPOPMnuClick() { markSelected(Mark::Cut); }
    void Before2Click() { paste(corvantis::Before); }
    void AtEnd2Click() { paste(corvantis::AtEnd); }
    void Under2Click() { paste(corvantis::Under); }
    // Paste with nothing marked takes the clipboard's XML, as the window
    // arranges.
    using ClipboardPaste = std::function<void(corvantis::InsertPosition position)>;
    void setClipboardPaste(ClipboardPaste paste) { clipboardPaste_ = std::move(paste); }
    // A cut mark ends; a copy mark stays.
    void DropCutMark();
    // Any mark ends.
    void dropMark() { setMark(nullptr, Mark::None); }

    // The selected folder swaps places with its previous / next element
    // sibling; what stands between them stays.
    void MoveUpMnuClick() { moveAmongSiblings(false); }
    void MoveDownMnuClick() { moveAmongSiblings(true); }

    // Drag and drop, under the rules of cut (or copy) and paste. A null
    // target asks whether `source` may be dragged at all.
    bool mayDrop(const corvantis::DOMNode* source, const corvantis::DOMNode* target,
                 corvantis::InsertPosition position, bool copy) const;
    void drop(corvantis::DOMNode* source, corvantis::DOMNode* target, corvantis::InsertPosition position,
              bool copy);

    corvantis::DOMNode* markedNode() const { return marked_; }
    Mark markMode() const { return mark_; }
    // The image and selected image of a row: 0/2, 4/5 marked for copy, 6/7
    // marked for cut.
    std::pair<int, int> imagesOf(const corvantis::DOMNode* node) const;

private:
    void insert(corvantis::InsertPosition position);
    void markSelected(Mark mark);
    void paste(corvantis::InsertPosition position);
    // Moves `source` or places a copy of it; the node placed, or null.
    corvantis::DOMNode* place(corvantis::DOMNode* source, corvantis::DOMNode* target,
                              corvantis::InsertPosition position, bool move);
    bool landsWhereItIs(const corvantis::DOMNode* source, const corvantis::DOMNode* target,
                        corvantis::InsertPosition position) const;
    void moveAmongSiblings(bool down);
    void setMark(corvantis::DOMNode* node, Mark mark);
    // The node's name as the user reads it, for the steps' names.
    QString nameOf(const corvantis::DOMNode* node) const;

    Document& document_;
    TreeSelection& selection_;
    UserQuestions& dialogs_;
    corvantis::DOMNode* marked_ = nullptr;
    Mark mark_ = Mark::None;
    ClipboardPaste clipboardPaste_;
};
