#include "document/Document.h"

#include <QLocale>
#include <algorithm>
#include <new>

#include "document/Commands.h"

using corvantis::DOMNode;
using corvantis::NodePlace;
using corvantis::StringObject;

namespace {

const char* const NewDocumentName = "My FileName";
const char* const NewDeclaration = "version = \"1.0\" encoding=\"ISO-8859-1\"";

// The document node's name, in the model's UTF-8: it is no part of any file,
// so every encoding serves.
StringObject documentNameBytes(const QString& name) {
    const QByteArray bytes = name.toUtf8();
    return StringObject(bytes.constData(), static_cast<std::size_t>(bytes.size()));
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

corvantis::DOM::Tree Document::readTree(const QByteArray& bytes, const QString& documentName) {
    return dom_->readTree(bytes.constData(), static_cast<std::size_t>(bytes.size()),
                          documentNameBytes(documentName));
}

void Document::replaceWith(corvantis::DOM::Tree tree, const FileEncoding& encoding, FileContent content,
                           const QString& fileName, bool isNew) {
    changing();
    emit aboutToReplace();
    // Commands refer to nodes of the old tree: they go first.
    history_.clear();
    dom_->adopt(std::move(tree));
    fileIdentity_ = isNew ? FileIdentity() : FileIdentity::of(fileName);
    encoding_ = encoding;
    content_ = content;
    fileName_ = fileName;
    isNew_ = isNew;
    readOnly_ = false;
    history_.setClean();
    emit replaced();
    emit fileSet();
    emit modifiedChanged(hasUnsavedChanges());
}

void Document::makeNew() {
    corvantis::DOM::Tree tree;
    tree.documentNode = std::make_unique<DOMNode>(corvantis::DOCUMENT, dom_.get());
    DOMNode* documentNode = tree.documentNode.get();
    documentNode->setNodeName(NewDocumentName);
    // Each node belongs to the tree once it is in place, so a failure on the
    // way leaves nothing behind.
    auto newDocument = std::make_unique<DOMNode>(corvantis::ELEMENT, dom_.get());
    newDocument->setNodeName("NewDocument");
    documentNode->appendChild(newDocument.get());
    DOMNode* top = newDocument.release();
    auto folder = std::make_unique<DOMNode>(corvantis::ELEMENT, dom_.get());
    folder->setNodeName("NewFolder");
    top->appendChild(folder.get());
    folder.release();
    auto declaration = std::make_unique<DOMNode>(corvantis::PROCESSING_INSTRUCTION, nullptr);
    declaration->setNodeName("xml");
    declaration->setNodeValue(NewDeclaration);
    documentNode->prependChild(declaration.get());
    declaration.release();
    replaceWith(std::move(tree), FileEncoding(), FileContent::Xml, NewDocumentName, true);
    // Made by hand: the elements are numbered now.
    dom_->renumberElements();
}

QString Document::newDocumentName() { return NewDocumentName; }

FileError Document::load(QByteArray bytes, const QString& fileName, const QString& documentName,
                         const ByteSurvey& survey) {
    DecodedFile file;
    corvantis::DOM::Tree tree;
    try {
        file = decodeFile(bytes, survey);
        tree = readTree(file.text, documentName);
    } catch (const std::bad_alloc&) {
        return FileError::ofMemory(fileName, bytes.size());
    }
    // Read: the tree has what it needs.
    file.text = QByteArray();
    bytes = QByteArray();
    replaceWith(std::move(tree), file.encoding, file.content, fileName, false);
    return {};
}

FileError Document::loadRecovered(const QByteArray& bytes, const QString& original,
                                  const std::optional<FileEncoding>& encoding, FileContent content) {
    const QString name = original.isEmpty() ? QString(NewDocumentName) : original;
    FileEncoding found;
    found.text = DocumentText::forFile(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    const FileEncoding& kept = encoding ? *encoding : found;
    corvantis::DOM::Tree tree;
    try {
        tree = readTree(kept.fromFileText(bytes), name);
    } catch (const std::bad_alloc&) {
        FileError failure;
        failure.path = original;
        failure.reason = QString("There is not enough memory to read the unsaved changes kept for %1 (%2). "
                                 "They stay kept for the next start.")
                             .arg(original.isEmpty() ? QString("a new document") : QString("it"),
                                  QLocale().formattedDataSize(bytes.size(), 1));
        return failure;
    }
    replaceWith(std::move(tree), kept, content, name, original.isEmpty());
    markUnsaved();
    return {};
}

void Document::markUnsaved() {
    history_.resetClean();
    emit modifiedChanged(hasUnsavedChanges());
}

Document::FileBytes Document::fileBytes() const {
    FileBytes bytes;
    bytes.text_ = dom_->serialize(documentNode());
    bytes.converted_ = encoding_.toFile(bytes.text_.view(), bytes.storage_).data() != bytes.text_.data();
    return bytes;
}

void Document::saved(const QString& fileName) {
    fileName_ = fileName;
    content_ = FileContent::Xml;
    fileIdentity_ = FileIdentity::of(fileName);
    history_.setClean();
    emit fileSet();
    emit modifiedChanged(hasUnsavedChanges());
}

void Document::writtenTo(const QString& fileName) {
    fileName_ = fileName;
    content_ = FileContent::Xml;
    // What is there now is this document's own writing, not another program's.
    fileIdentity_ = FileIdentity::of(fileName);
    emit fileSet();
}

void Document::setDocumentName(const QString& name) {
    changing();
    dom_->documentNode()->setNodeName(documentNameBytes(name));
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

bool Document::push(std::unique_ptr<DocumentCommand> command) {
    if (running_ || readOnly_) return false;
    changing();
    const Running running(running_);
    DocumentCommand* pushed = command.get();
    pushing_ = pushed;
    try {
        history_.push(command.release());
    } catch (...) {
        // The history takes a command only once it has run. One that ran
        // out of memory has changed nothing (the core's operations either
        // complete or change nothing) and is dropped here; one the history
        // dropped itself is gone already.
        if (pushing_ && !isInHistory(pushed)) delete pushed;
        pushing_ = nullptr;
        throw;
    }
    pushing_ = nullptr;
    return true;
}

bool Document::isInHistory(const DocumentCommand* command) const {
    for (int i = 0; i < history_.count(); ++i)
        if (history_.command(i) == command) return true;
    return false;
}

std::unique_ptr<DOMNode> Document::newNode(corvantis::NodeType type) {
    return std::make_unique<DOMNode>(type, dom_.get());
}

std::unique_ptr<DOMNode> Document::copyOf(const DOMNode* source) {
    return std::unique_ptr<DOMNode>(dom_->copySubtree(source));
}

std::unique_ptr<DOMNode> Document::readFragment(const char* bytes, std::size_t length, corvantis::DOMError& error) {
    std::unique_ptr<DOMNode> fragment = dom_->parseFragment(bytes, length);
    error = dom_->error();
    return fragment;
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

void Document::setFileEncoding(const FileEncoding& encoding) {
    encoding_ = encoding;
    emit detailsChanged(documentNode());
}
