#include "document/Document.h"

#include <QFile>
#include <algorithm>

#include "document/Commands.h"
#include "document/TextConversion.h"

using corvantis::DOMNode;
using corvantis::NodePlace;
using corvantis::StringObject;

namespace {

const char* const NewDocumentName = "My FileName";
const char* const NewDeclaration = "version = \"1.0\" encoding=\"ISO-8859-1\"";

// The bytes of a name for the document node: in the document's encoding
// when it can hold the name, else as the file system spells it.
StringObject documentNameBytes(const DocumentText& text, const QString& name) {
    StringObject bytes;
    if (!text.toBytes(name, bytes)) {
        const QByteArray local = QFile::encodeName(name);
        bytes.assign(local.constData(), static_cast<std::size_t>(local.size()));
    }
    return bytes;
}

}  // namespace

Document::Document(QObject* parent)
    : QObject(parent), dom_(std::make_unique<corvantis::DOM>("Corvantis")), fileName_(NewDocumentName) {
    connect(&history_, &QUndoStack::cleanChanged, this, [this] { emit modifiedChanged(hasUnsavedChanges()); });
}

Document::~Document() {
    // Commands refer to nodes of the tree: they go first.
    history_.clear();
}

bool Document::hasUnsavedChanges() const {
    return !history_.isClean() || (pendingEdit_ && pendingEdit_->hasPendingEdit());
}

bool Document::isWithin(const DOMNode* node, const DOMNode* parent, int first, int last) {
    const DOMNode* child = node;
    while (child && child->parentNode() != parent) child = child->parentNode();
    if (!child || !parent) return false;
    const int index = parent->childNodes()->indexOf(child);
    return index >= first && index <= last;
}

// ---- Replacing the whole document ----

void Document::changing() {
    emit aboutToChange();
    ++generation_;
}

void Document::beginReplacing() {
    changing();
    emit aboutToReplace();
    history_.clear();
    dom_->reset();
}

void Document::endReplacing(const QString& fileName, bool isNew) {
    fileName_ = fileName;
    isNew_ = isNew;
    readOnly_ = false;
    history_.setClean();
    emit replaced();
    emit fileSet();
    emit modifiedChanged(hasUnsavedChanges());
}

void Document::makeNew() {
    beginReplacing();
    fileIdentity_ = FileIdentity();
    encoding_ = FileEncoding();
    content_ = FileContent::Xml;
    try {
        DOMNode* documentNode = dom_->documentNode();
        DOMNode* newDocument = dom_->createNode(corvantis::ELEMENT, documentNode);
        newDocument->setNodeName("NewDocument");
        dom_->insertNewElement(corvantis::ELEMENT, newDocument, corvantis::Under);
        auto declaration = std::make_unique<DOMNode>(corvantis::PROCESSING_INSTRUCTION, nullptr);
        declaration->setNodeName("xml");
        declaration->setNodeValue(NewDeclaration);
        documentNode->prependChild(declaration.release());
    } catch (...) {
        endReplacing(NewDocumentName, true);
        throw;
    }
    endReplacing(NewDocumentName, true);
}

QString Document::newDocumentName() { return NewDocumentName; }

void Document::load(const QByteArray& bytes, const QString& fileName, const QString& documentName) {
    const DecodedFile file = decodeFile(bytes);
    read(file.text, file.encoding, file.content, fileName, documentName, false);
}

void Document::loadRecovered(const QByteArray& bytes, const QString& original,
                             const std::optional<FileEncoding>& encoding, FileContent content) {
    const QString name = original.isEmpty() ? QString(NewDocumentName) : original;
    FileEncoding found;
    found.text = DocumentText::forFile(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    read(bytes, encoding.value_or(found), content, name, name, original.isEmpty());
    history_.resetClean();
    emit modifiedChanged(hasUnsavedChanges());
}

void Document::read(const QByteArray& bytes, const FileEncoding& encoding, FileContent content,
                    const QString& fileName, const QString& documentName, bool isNew) {
    beginReplacing();
    fileIdentity_ = isNew ? FileIdentity() : FileIdentity::of(fileName);
    encoding_ = encoding;
    content_ = content;
    try {
        dom_->parse(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        dom_->documentNode()->setNodeName(documentNameBytes(text(), documentName));
    } catch (...) {
        // The views must show what is there, however little.
        endReplacing(fileName, isNew);
        throw;
    }
    endReplacing(fileName, isNew);
}

void Document::saved(const QString& fileName) {
    fileName_ = fileName;
    content_ = FileContent::Xml;
    fileIdentity_ = FileIdentity::of(fileName);
    history_.setClean();
    emit fileSet();
    emit modifiedChanged(hasUnsavedChanges());
}

void Document::setDocumentName(const QString& name) {
    changing();
    dom_->documentNode()->setNodeName(documentNameBytes(text(), name));
    emit renamed(dom_->documentNode());
}

// ---- Changes ----

bool Document::commitPendingEdits() {
    return !pendingEdit_ || !pendingEdit_->hasPendingEdit() || pendingEdit_->commitPendingEdit();
}

void Document::pendingEditChanged() {
    ++generation_;
    emit modifiedChanged(hasUnsavedChanges());
}

// Marks a command running for as long as it lives.
class Document::Running {
public:
    explicit Running(bool& flag) : flag_(flag) { flag_ = true; }
    ~Running() { flag_ = false; }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

private:
    bool& flag_;
};

bool Document::push(DocumentCommand* command) {
    std::unique_ptr<DocumentCommand> owned(command);
    if (running_ || readOnly_) return false;
    changing();
    const Running running(running_);
    history_.push(owned.release());
    return true;
}

void Document::undo() {
    if (running_ || !commitPendingEdits() || !history_.canUndo()) return;
    // Asked first: a step that undoes to nothing is dropped by the history.
    DOMNode* selected = static_cast<const DocumentCommand*>(history_.command(history_.index() - 1))->selectedAfterUndo();
    changing();
    {
        const Running running(running_);
        history_.undo();
    }
    emit selectionRequested(selected);
}

void Document::redo() {
    if (running_ || !commitPendingEdits() || !history_.canRedo()) return;
    DOMNode* selected = static_cast<const DocumentCommand*>(history_.command(history_.index()))->selectedAfterRedo();
    changing();
    {
        const Running running(running_);
        history_.redo();
    }
    emit selectionRequested(selected);
}

DOMNode* Document::detailsOwner(DOMNode* node) {
    return node && node->nodeType() != corvantis::ELEMENT && node->nodeType() != corvantis::DOCUMENT
               ? node->parentNode()
               : node;
}

NodePlace Document::detach(DOMNode* node) {
    const NodePlace place = dom_->placeOf(node);
    if (!place) return {};
    emit childrenAboutToLeave(place.parent, place.index, place.index);
    dom_->detach(node);
    emit detailsChanged(place.parent);
    return place;
}

void Document::attach(DOMNode* node, NodePlace place) {
    if (!node || !place) return;
    dom_->attach(node, place);
    const int index = std::min(place.index, place.parent->childCount() - 1);
    emit childrenArrived(place.parent, index, index);
    emit detailsChanged(place.parent);
}

void Document::moveChildren(DOMNode* from, int first, int count, DOMNode* to, int at) {
    const int total = from->childCount();
    if (first < 0 || first >= total || count <= 0) return;
    count = std::min(count, total - first);
    at = std::clamp(at, 0, to->childCount());
    if (dom_->contains(from)) emit childrenAboutToLeave(from, first, first + count - 1);
    dom_->moveChildren(from, first, count, to, at);
    if (dom_->contains(to)) emit childrenArrived(to, at, at + count - 1);
    emit detailsChanged(dom_->contains(to) ? to : from);
}

void Document::setName(DOMNode* node, const StringObject& name) {
    node->setNodeName(name);
    if (node->nodeType() == corvantis::ELEMENT) emit renamed(node);
    emit detailsChanged(detailsOwner(node));
}

void Document::setValue(DOMNode* node, const StringObject& value) {
    node->setNodeValue(value);
    emit detailsChanged(detailsOwner(node));
}

void Document::setAttribute(DOMNode* element, const StringObject& name, const StringObject& value) {
    element->setAttribute(name, value, 0);
    emit detailsChanged(element);
}

void Document::removeAttribute(DOMNode* element, const StringObject& name) {
    element->removeAttribute(name);
    emit detailsChanged(element);
}

void Document::insertAttributeAt(DOMNode* element, int index, const corvantis::Attr& attribute) {
    element->insertAttributeAt(index, attribute);
    emit detailsChanged(element);
}

void Document::exchangeStrings(std::vector<StringChange>& changes) {
    for (StringChange& change : changes) {
        DOMNode* node = change.node;
        if (change.part >= 0) {
            std::swap(node->attributeAt(change.part / 2)->value, change.value);
            continue;
        }
        const bool name = change.part == corvantis::SearchMatch::NamePart;
        StringObject was = name ? node->nodeName() : node->nodeValue();
        if (name)
            node->setNodeName(std::move(change.value));
        else
            node->setNodeValue(std::move(change.value));
        change.value = std::move(was);
    }
    emit stringsChanged();
}

void Document::convertText(const FileEncoding& encoding) {
    const QString name = text().toText(documentNode()->nodeName());
    TextConversion::convert(*documentNode(), text(), encoding.text);
    encoding_ = encoding;
    setName(documentNode(), documentNameBytes(text(), name));
}
