#include "editors/TypedText.h"

#include <QKeyEvent>

#include "document/Commands.h"
#include "editors/FieldText.h"
#include "editors/Textframedocker.h"
#include "widgets/LargeTextEdit.h"
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
    frame_->TextMemo()->installEventFilter(this);
    connect(frame_, &TTextFrame::TextEdited, this, &TypedText::typed);
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
    frame_->TextMemo()->setBytes(shownText());
    frame_->TextMemo()->setReadOnly(!hasOwnText(node));
}

SharedBytes TypedText::shownText() const {
    return hasOwnText(node_) ? FieldText::shown(node_->getText(0), document_.text()) : SharedBytes();
}

void TypedText::select(std::size_t offset, std::size_t length) {
    if (!frame_ || !hasOwnText(node_)) return;
    const StringObject text = node_->getText(0);
    const DocumentText& encoding = document_.text();
    frame_->TextMemo()->setSelection(FieldText::shownOffset(text.view(), offset, encoding),
                                     FieldText::shownOffset(text.view(), offset + length, encoding));
}

void TypedText::clear() { show(nullptr); }

void TypedText::typed() {
    if (!hasOwnText(node_)) return;
    setPending(true);
    pause_.start();
}

bool TypedText::commitPendingEdit() {
    pause_.stop();
    if (!pending_ || !frame_ || !hasOwnText(node_)) return true;
    StringObject bytes;
    QString unstorable;
    if (!FieldText::stored(frame_->TextMemo()->text(), document_.text(), bytes, unstorable)) {
        dialogs_.inform(dialogParent_, document_.text().unstorableMessage(unstorable), "Text Error");
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
    frame_->TextMemo()->updateBytes(shownText());
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
