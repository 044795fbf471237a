#include "editors/TextFrameView.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPersistentModelIndex>

#include "document/Commands.h"
#include "document/DocumentTreeModel.h"
#include "document/Selection.h"
#include "document/UserQuestions.h"
#include "editors/TextFrame.h"
#include "widgets/LargeTextEdit.h"

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
    frame_->textEdit()->installEventFilter(this);
    connect(frame_, &TextFrame::textEdited, this, &TextFrameView::typed);
    connect(frame_->textEdit(), &LargeTextEdit::textEdited, this,
            [this] { shown_.follow(frame_->textEdit()->text().lastChange()); });
    connect(&selection_, &Selection::currentNodeChanged, this, &TextFrameView::currentChanged);
    connect(&document_, &Document::detailsChanged, this, &TextFrameView::refreshFrom);
    // A new name shows in the path of every folder below it.
    connect(&document_, &Document::renamed, this, [this] { showPath(selection_.currentNode()); });
    // Replace changes texts and names all over the tree at once.
    connect(&document_, &Document::stringsChanged, this, [this] {
        refreshFrom(selection_.currentNode());
        showPath(selection_.currentNode());
    });
    connect(&document_, &Document::aboutToReplace, this, [this] { show(nullptr); });
    connect(&document_, &Document::fileSet, this, &TextFrameView::showFileName);
    // A text that comes or goes beside the shown one changes how many pieces there are.
    connect(&document_, &Document::childrenArrived, this, [this](DOMNode* parent) {
        if (parent == selection_.currentNode()) showPieces(parent);
    });
    connect(&document_, &Document::childrenAboutToLeave, this, [this](DOMNode* parent) {
        // Counted once they have gone.
        if (parent == selection_.currentNode())
            QMetaObject::invokeMethod(this, [this] { showPieces(selection_.currentNode()); }, Qt::QueuedConnection);
    });
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
    shown_ = hasOwnText(node) ? FrameText(node->getText(0)) : FrameText();
    frame_->textEdit()->setBytes(shown_.shown());
    frame_->textEdit()->setReadOnly(!hasOwnText(node));
    showPath(node);
    showPieces(node);
}

void TextFrameView::showPath(const DOMNode* node) {
    if (frame_) frame_->pathLabel()->setText(hasOwnText(node) ? document_.text().toText(node->path()) : QString());
}

void TextFrameView::showPieces(const DOMNode* node) {
    if (!frame_) return;
    // Inline elements split a folder's text into pieces; the frame shows
    // and edits the first, and says so.
    const int pieces = hasOwnText(node) ? node->textChildCount() : 0;
    frame_->caption()->setText(pieces > 1 ? tr("Text: 1 of %1 pieces of text; View Source shows all").arg(pieces)
                                          : QString("Text"));
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
    // Every character goes into a text: the file holds one its encoding
    // cannot as a reference.
    const StringObject bytes = shown_.data(frame_->textEdit()->text());
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
    shown_ = FrameText(node->getText(0));
    frame_->textEdit()->updateBytes(shown_.shown());
}

void TextFrameView::showMatch(const corvantis::SearchMatch& match) {
    // The frame shows an element's first text.
    if (!frame_ || match.part != corvantis::SearchMatch::ValuePart) return;
    const DOMNode* folder = match.folder();
    if (folder != selection_.currentNode() || folder->textChild(0) != match.node || pending_) return;
    const StringObject& text = match.node->nodeValue();
    LargeTextEdit* field = frame_->textEdit();
    field->setSelection(FrameText::shownOffset(text.view(), match.offset),
                        FrameText::shownOffset(text.view(), match.offset + match.length));
    field->ensureCursorVisible();
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
