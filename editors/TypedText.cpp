#include "editors/TypedText.h"

#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTextDocument>

#include "document/Commands.h"
#include "editors/Textframedocker.h"
#include "widgets/UserDialogs.h"

using corvantis::DOMNode;
using corvantis::StringObject;

namespace {

// Only an element has text of its own to edit: text put into the document
// node would land before the XML declaration.
bool hasOwnText(const DOMNode* node) { return node && node->parentNode(); }

}  // namespace

TypedText::TypedText(Document& document, TTextFrame* frame, UserDialogs& dialogs, QWidget* dialogParent)
    : document_(document), frame_(frame), dialogs_(dialogs), dialogParent_(dialogParent) {
    pause_.setSingleShot(true);
    pause_.setInterval(1000);
    connect(&pause_, &QTimer::timeout, this, [this] { commitPendingEdit(); });
    frame_->TextMemo()->setUndoRedoEnabled(false);
    frame_->TextMemo()->installEventFilter(this);
    connect(frame_, &TTextFrame::TextEdited, this, &TypedText::typed);
    connect(frame_->TextMemo()->document(), &QTextDocument::contentsChange, this, [this](int position, int, int) {
        if (!showing_ && shown_.hasKeptReferences()) shown_.follow(frame_->TextMemo()->toPlainText(), position);
    });
    connect(&document_, &Document::detailsChanged, this, &TypedText::refreshFrom);
    connect(&document_, &Document::childrenAboutToLeave, this, [this](DOMNode* parent, int first, int last) {
        if (node_ && Document::isWithin(node_, parent, first, last)) clear();
    });
    connect(&document_, &Document::aboutToReplace, this, &TypedText::clear);
    document_.setPendingEdit(this);
    show(nullptr);
}

TypedText::~TypedText() { document_.setPendingEdit(nullptr); }

void TypedText::setPending(bool pending) {
    if (pending_ == pending) return;
    pending_ = pending;
    document_.pendingEditChanged();
}

void TypedText::show(DOMNode* node) {
    node_ = node;
    setPending(false);
    pause_.stop();
    if (!frame_) return;
    shown_ = hasOwnText(node) ? ShownData(node->getText(0)) : ShownData();
    showShown();
    frame_->TextMemo()->setReadOnly(!hasOwnText(node));
}

void TypedText::clear() { show(nullptr); }

void TypedText::showShown() {
    // The frame's own changes while it is filled are no typing.
    showing_ = true;
    frame_->showText(shown_.text());
    showing_ = false;
}

void TypedText::typed() {
    if (!hasOwnText(node_)) return;
    setPending(true);
    pause_.start();
}

bool TypedText::commitPendingEdit() {
    pause_.stop();
    if (!pending_ || !frame_ || !hasOwnText(node_)) return true;
    const QString text = frame_->TextMemo()->toPlainText();
    StringObject bytes;
    if (!shown_.toData(text, ShownData::LineBreak::CrLf, bytes)) {
        dialogs_.inform(dialogParent_, DocumentText(DocumentText::Encoding::Utf8).unstorableMessage(text),
                        "Text Error");
        return false;
    }
    const bool unchanged = bytes.equals(node_->getText(0)) && (node_->hasTextChild() || bytes.empty());
    if (!unchanged) {
        const QString name = document_.text().toText(node_->nodeName());
        if (!document_.push(new SetElementText(document_, node_, bytes, tr("Typing in '%1'").arg(name)))) return false;
    }
    setPending(false);
    return true;
}

void TypedText::refreshFrom(DOMNode* node) {
    // An undo or redo changed the text shown; what is being typed stays.
    if (node != node_ || pending_ || !frame_ || !hasOwnText(node)) return;
    // Kept references may come or go where the characters shown stay alike.
    shown_ = ShownData(node->getText(0));
    if (frame_->TextMemo()->toPlainText() != shown_.text()) showShown();
}

bool TypedText::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Undo)) {
            document_.undo();
            return true;
        }
        if (key->matches(QKeySequence::Redo)) {
            document_.redo();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
