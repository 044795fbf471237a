#include "editors/TextFrameView.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPersistentModelIndex>
#include <QPlainTextEdit>
#include <QTextDocument>

#include "document/Commands.h"
#include "document/DocumentTreeModel.h"
#include "document/Selection.h"
#include "document/ShownData.h"
#include "document/UserQuestions.h"
#include "editors/TextFrame.h"

using corvantis::DOMNode;
using corvantis::StringObject;

namespace {

const char* const NoFileOpened = "No File Opened";

// Only an element has text of its own to edit: text put into the document
// node would land before the XML declaration.
bool hasOwnText(const DOMNode* node) { return node && node->parentNode(); }

}  // namespace

TextFrameView::TextFrameView(Document& document, Selection& selection, TextFrame* frame, UserQuestions& dialogs)
    : document_(document), selection_(selection), frame_(frame), dialogs_(dialogs) {
    pause_.setSingleShot(true);
    pause_.setInterval(1000);
    connect(&pause_, &QTimer::timeout, this, [this] { commitPendingEdit(); });
    frame_->textEdit()->setUndoRedoEnabled(false);
    frame_->textEdit()->installEventFilter(this);
    connect(frame_, &TextFrame::textEdited, this, &TextFrameView::typed);
    connect(frame_->textEdit()->document(), &QTextDocument::contentsChange, this, [this](int position, int, int) {
        if (!showing_ && shown_.hasKeptReferences()) shown_.follow(frame_->textEdit()->toPlainText(), position);
    });
    connect(&selection_, &Selection::currentNodeChanged, this, &TextFrameView::currentChanged);
    connect(&document_, &Document::detailsChanged, this, &TextFrameView::refreshFrom);
    // A new name shows in the path of every folder below it.
    connect(&document_, &Document::renamed, this, [this] { showPath(selection_.currentNode()); });
    connect(&document_, &Document::aboutToReplace, this, [this] { show(nullptr); });
    connect(&document_, &Document::fileSet, this, &TextFrameView::showFileName);
    document_.setPendingEdit(this);
    show(selection_.currentNode());
    showFileName();
}

TextFrameView::~TextFrameView() { document_.setPendingEdit(nullptr); }

void TextFrameView::setPending(bool pending) {
    if (pending_ == pending) return;
    pending_ = pending;
    document_.pendingEditChanged();
}

void TextFrameView::currentChanged(DOMNode* current, DOMNode* previous) {
    if (returning_) {
        // Back at the folder the text was typed for; the text is still there.
        returning_ = false;
        return;
    }
    if (pending_ && !commitTo(previous)) {
        // The text stays with the folder it was typed for.
        returning_ = true;
        const QPersistentModelIndex back(selection_.rows().indexOf(previous));
        QMetaObject::invokeMethod(
            this,
            [this, back] {
                if (back.isValid()) {
                    selection_.setCurrentIndex(back, QItemSelectionModel::ClearAndSelect);
                    return;
                }
                // The folder has gone meanwhile, and with it what was typed.
                returning_ = false;
                show(selection_.currentNode());
            },
            Qt::QueuedConnection);
        return;
    }
    show(current);
}

void TextFrameView::show(DOMNode* node) {
    setPending(false);
    pause_.stop();
    if (!frame_) return;
    shown_ = hasOwnText(node) ? ShownData(node->getText(0)) : ShownData();
    showShown();
    frame_->textEdit()->setReadOnly(!hasOwnText(node));
    showPath(node);
}

void TextFrameView::showShown() {
    // The frame's own changes while it is filled are no typing.
    showing_ = true;
    frame_->showText(shown_.text());
    showing_ = false;
}

void TextFrameView::showPath(const DOMNode* node) {
    if (frame_) frame_->pathLabel()->setText(hasOwnText(node) ? document_.text().toText(node->path()) : QString());
}

void TextFrameView::showFileName() {
    if (frame_) frame_->fileNameLabel()->setText(document_.isNew() ? QString(NoFileOpened) : document_.fileName());
}

void TextFrameView::typed() {
    if (!hasOwnText(selection_.currentNode())) return;
    setPending(true);
    pause_.start();
}

bool TextFrameView::commitPendingEdit() { return commitTo(selection_.currentNode()); }

bool TextFrameView::commitTo(DOMNode* node) {
    pause_.stop();
    if (!pending_ || !frame_ || !hasOwnText(node)) return true;
    const QString text = frame_->textEdit()->toPlainText();
    StringObject bytes;
    if (!shown_.toData(text, ShownData::LineBreak::CrLf, bytes)) {
        dialogs_.inform(DocumentText(DocumentText::Encoding::Utf8).unstorableMessage(text), "Text Error");
        return false;
    }
    const bool unchanged = bytes.equals(node->getText(0)) && (node->hasTextChild() || bytes.empty());
    if (!unchanged) {
        const QString name = document_.text().toText(node->nodeName());
        if (!document_.push(std::make_unique<SetElementText>(document_, node, bytes, tr("Typing in '%1'").arg(name))))
            return false;
    }
    setPending(false);
    return true;
}

void TextFrameView::refreshFrom(DOMNode* node) {
    // An undo or redo changed the text shown; what is being typed stays.
    if (node != selection_.currentNode() || pending_ || !frame_ || !hasOwnText(node)) return;
    // Kept references may come or go where the characters shown stay alike.
    shown_ = ShownData(node->getText(0));
    if (frame_->textEdit()->toPlainText() != shown_.text()) showShown();
}

void TextFrameView::showMatch(const corvantis::SearchMatch& match) {
    // The frame shows an element's first text.
    if (!frame_ || match.part != corvantis::SearchMatch::ValuePart) return;
    const DOMNode* folder = match.folder();
    if (folder != selection_.currentNode() || folder->textChild(0) != match.node || pending_) return;
    const StringObject& text = match.node->nodeValue();
    // Counted in the frame's characters (ShownData.h).
    QPlainTextEdit* memo = frame_->textEdit();
    QTextCursor cursor = memo->textCursor();
    cursor.setPosition(ShownData::position(text, match.offset));
    cursor.setPosition(ShownData::position(text, match.offset + match.length), QTextCursor::KeepAnchor);
    memo->setTextCursor(cursor);
    memo->ensureCursorVisible();
}

bool TextFrameView::eventFilter(QObject* watched, QEvent* event) {
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
