// What the text frame shows of the document: the selected folder's text,
// its path and the name of the document's file. The text typed there goes
// into the document as an undoable step of its own when typing pauses, when
// another folder is selected, and before any other change, Save or Undo;
// typing on one folder merges into one step. The frame's own undo is off:
// Ctrl+Z there is the document's Undo, so no typed text is ever stranded.
// It follows the program's one selection and keeps no folder of its own.
// The frame shows the text as an XML reader reads it (FrameText.h): what is
// typed is characters, and kept references stay where they were not
// touched.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

#include "core/Search.h"
#include "document/Document.h"
#include "editors/FrameText.h"

class Selection;
class TextFrame;
class UserQuestions;

class TextFrameView : public QObject, public PendingEdit {
    Q_OBJECT
public:
    TextFrameView(Document& document, Selection& selection, TextFrame* frame, UserQuestions& dialogs);
    ~TextFrameView() override;

    bool hasPendingEdit() const override { return pending_; }
    // Commits what was typed into the selected folder.
    bool commitPendingEdit() override;

    // Selects a match found in the folder's text, when the frame shows it.
    void showMatch(const corvantis::SearchMatch& match);

    // How long typing pauses before the text goes in (about a second).
    void setPause(int milliseconds) { pause_.setInterval(milliseconds); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void currentChanged(corvantis::DOMNode* current, corvantis::DOMNode* previous);
    // Shows the node's text; for no node or the document node the frame is
    // empty and cannot be typed into.
    void show(corvantis::DOMNode* node);
    void showPath(const corvantis::DOMNode* node);
    void showFileName();
    void typed();
    bool commitTo(corvantis::DOMNode* node);
    void refreshFrom(corvantis::DOMNode* node);
    void setPending(bool pending);

    Document& document_;
    Selection& selection_;
    QPointer<TextFrame> frame_;
    UserQuestions& dialogs_;
    // What the frame shows of the selected folder's text.
    FrameText shown_;
    bool pending_ = false;
    // The selection is going back to the folder whose typed text could not
    // be stored; the text stays in the frame meanwhile.
    bool returning_ = false;
    QTimer pause_;
};
