// The text typed for the selected folder in the text frame. It goes into
// the document as an undoable step of its own when typing pauses, when
// another folder is selected, and before any other change, Save or Undo;
// typing on one folder merges into one step. The frame's own undo is off:
// Ctrl+Z there is the document's Undo, so no typed text is ever stranded.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

#include "document/Document.h"
#include "widgets/LargeText.h"

class TTextFrame;
class UserDialogs;
class QWidget;

class TypedText : public QObject, public PendingEdit {
    Q_OBJECT
public:
    TypedText(Document& document, TTextFrame* frame, UserDialogs& dialogs, QWidget* dialogParent);
    ~TypedText() override;

    // Shows the node's text; for no node or the document node the frame is
    // empty and cannot be typed into.
    void show(corvantis::DOMNode* node);
    // Empties the frame, dropping what was typed.
    void clear();
    // Selects, in the frame, the bytes from `offset` on, `length` of them, of
    // the shown node's text as the document stores it.
    void select(std::size_t offset, std::size_t length);
    corvantis::DOMNode* node() const { return node_; }

    bool hasPendingEdit() const override { return pending_; }
    bool commitPendingEdit() override;

    // How long typing pauses before the text goes in (about a second).
    void setPause(int milliseconds) { pause_.setInterval(milliseconds); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void typed();
    void refreshFrom(corvantis::DOMNode* node);
    SharedBytes shownText() const;
    void setPending(bool pending);

    Document& document_;
    QPointer<TTextFrame> frame_;
    UserDialogs& dialogs_;
    QWidget* dialogParent_;
    corvantis::DOMNode* node_ = nullptr;
    bool pending_ = false;
    QTimer pause_;
};
