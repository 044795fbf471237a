#include "document/Commands.h"

#include "document/Document.h"

using corvantis::DOMNode;
using corvantis::NodePlace;
using corvantis::StringObject;

DocumentCommand::~DocumentCommand() { document_.commandGone(this); }

NodePlace DocumentCommand::detach(DOMNode* node) { return document_.detach(node); }

void DocumentCommand::attach(DOMNode* node, NodePlace place) { document_.attach(node, place); }

void DocumentCommand::moveChildren(DOMNode* from, int first, int count, DOMNode* to, int at) {
    document_.moveChildren(from, first, count, to, at);
}

void DocumentCommand::setName(DOMNode* node, const StringObject& name) { document_.setName(node, name); }

void DocumentCommand::setValue(DOMNode* node, const StringObject& value) { document_.setValue(node, value); }

void DocumentCommand::setAttribute(DOMNode* element, const StringObject& name, const StringObject& value) {
    document_.setAttribute(element, name, value);
}

void DocumentCommand::removeAttribute(DOMNode* element, const StringObject& name) {
    document_.removeAttribute(element, name);
}

void DocumentCommand::insertAttributeAt(DOMNode* element, int index, const corvantis::Attr& attribute) {
    document_.insertAttributeAt(element, index, attribute);
}

void DocumentCommand::setFileEncoding(const FileEncoding& encoding) { document_.setFileEncoding(encoding); }

void DocumentCommand::exchangeStrings(std::vector<StringChange>& changes) { document_.exchangeStrings(changes); }

PlaceSubtree::PlaceSubtree(Document& document, std::unique_ptr<DOMNode> subtree, NodePlace place,
                           const QString& text, DOMNode* selectedBefore)
    : DocumentCommand(document, text),
      owned_(std::move(subtree)),
      node_(owned_.get()),
      place_(place),
      selectedBefore_(selectedBefore) {
    // A copy names its source's parent until it is placed.
    node_->setParentNode(nullptr);
}

PlaceSubtree::~PlaceSubtree() = default;

void PlaceSubtree::redo() {
    attach(owned_.get(), place_);
    owned_.release();
}

void PlaceSubtree::undo() {
    detach(node_);
    owned_.reset(node_);
}

RemoveSubtree::RemoveSubtree(Document& document, DOMNode* node, const QString& text, DOMNode* selectedAfterUndo)
    : DocumentCommand(document, text, selectedAfterUndo ? selectedAfterUndo : node), node_(node) {}

RemoveSubtree::~RemoveSubtree() = default;

void RemoveSubtree::redo() {
    place_ = detach(node_);
    owned_.reset(node_);
}

void RemoveSubtree::undo() {
    attach(owned_.get(), place_);
    owned_.release();
}

MoveSubtree::MoveSubtree(Document& document, DOMNode* node, DOMNode* target, corvantis::InsertPosition position,
                         const QString& text)
    : DocumentCommand(document, text, node), node_(node), target_(target), position_(position) {}

void MoveSubtree::redo() {
    // Room first, so that the node, once out of its place, can arrive.
    if (const NodePlace to = document_.dom().placeFor(target_, position_)) to.parent->childNodes()->reserveMore(1);
    from_ = detach(node_);
    // The place is found with the node out of the tree, so a move within
    // one parent lands exactly before the target or at the end.
    NodePlace to = document_.dom().placeFor(target_, position_);
    if (!to) {
        to = from_;
        setObsolete(true);
    }
    attach(node_, to);
}

void MoveSubtree::undo() {
    detach(node_);
    attach(node_, from_);
}

InsertFragment::InsertFragment(Document& document, NodePlace place, std::unique_ptr<DOMNode> fragment,
                               const QString& text)
    : DocumentCommand(document, text, place.parent),
      place_(place),
      fragment_(std::move(fragment)),
      count_(fragment_->childCount()) {}

void InsertFragment::redo() {
    moveChildren(fragment_.get(), 0, count_, place_.parent, place_.index);
}

void InsertFragment::undo() {
    moveChildren(place_.parent, place_.index, count_, fragment_.get(), 0);
}

SwapElements::SwapElements(Document& document, DOMNode* moved, DOMNode* other, const QString& text)
    : DocumentCommand(document, text, moved), moved_(moved), other_(other) {}

void SwapElements::swap() {
    // The later one goes first, so the earlier one's position still holds.
    const NodePlace movedAt = document_.dom().placeOf(moved_);
    const NodePlace otherAt = document_.dom().placeOf(other_);
    const bool movedFirst = movedAt.index < otherAt.index;
    DOMNode* first = movedFirst ? moved_ : other_;
    DOMNode* second = movedFirst ? other_ : moved_;
    const NodePlace firstAt = movedFirst ? movedAt : otherAt;
    const NodePlace secondAt = movedFirst ? otherAt : movedAt;
    detach(second);
    detach(first);
    attach(second, firstAt);
    attach(first, secondAt);
}

RenameElement::RenameElement(Document& document, DOMNode* element, const StringObject& name, const QString& text)
    : DocumentCommand(document, text, element), element_(element), oldName_(element->nodeName()), newName_(name) {}

void RenameElement::redo() { setName(element_, newName_); }

void RenameElement::undo() { setName(element_, oldName_); }

SetNodeValue::SetNodeValue(Document& document, DOMNode* node, const StringObject& value, const QString& text)
    : DocumentCommand(document, text, node->parentNode()), node_(node), oldValue_(node->nodeValue()), newValue_(value) {}

void SetNodeValue::redo() { setValue(node_, newValue_); }

void SetNodeValue::undo() { setValue(node_, oldValue_); }

SetElementText::SetElementText(Document& document, DOMNode* element, const StringObject& text, const QString& label)
    : DocumentCommand(document, label, element),
      element_(element),
      textNode_(element->textChild(0)),
      made_(textNode_ == nullptr),
      newValue_(text) {
    if (made_) {
        madeText_ = std::make_unique<DOMNode>(corvantis::TEXT, element->ownerDocument());
        textNode_ = madeText_.get();
    } else {
        oldValue_ = textNode_->nodeValue();
    }
}

SetElementText::~SetElementText() = default;

bool SetElementText::mergeWith(const QUndoCommand* other) {
    const auto* typing = static_cast<const SetElementText*>(other);
    if (typing->element_ != element_) return false;
    newValue_ = typing->newValue_;
    // The later step wrote into the text this one made or found; it is
    // this step's text from now on.
    textNode_->setNodeValue(newValue_);
    // Typed back to what was there: the step changes nothing, and the
    // history drops it without undoing it, so a text it made goes now.
    if (made_ && newValue_.empty()) {
        detach(textNode_);
        madeText_.reset(textNode_);
        setObsolete(true);
    } else if (!made_ && newValue_.equals(oldValue_)) {
        setObsolete(true);
    }
    return true;
}

void SetElementText::redo() {
    if (made_) {
        textNode_->setNodeValue(newValue_);
        attach(madeText_.get(), NodePlace{element_, 0});
        madeText_.release();
    } else {
        setValue(textNode_, newValue_);
    }
}

void SetElementText::undo() {
    if (made_) {
        detach(textNode_);
        madeText_.reset(textNode_);
    } else {
        setValue(textNode_, oldValue_);
    }
}

SetAttribute::SetAttribute(Document& document, DOMNode* element, const StringObject& name, const StringObject& value,
                           const QString& text)
    : DocumentCommand(document, text, element), element_(element), name_(name), value_(value) {
    const int index = element->attributes()->indexOf(name);
    existed_ = index >= 0;
    if (existed_) oldValue_ = element->attributeAt(index)->value;
}

void SetAttribute::redo() { setAttribute(element_, name_, value_); }

void SetAttribute::undo() {
    if (existed_)
        setAttribute(element_, name_, oldValue_);
    else
        removeAttribute(element_, name_);
}

RemoveAttribute::RemoveAttribute(Document& document, DOMNode* element, int index, const QString& text)
    : DocumentCommand(document, text, element),
      element_(element),
      index_(index),
      attribute_(*element->attributeAt(index)) {}

void RemoveAttribute::redo() { removeAttribute(element_, attribute_.name); }

void RemoveAttribute::undo() { insertAttributeAt(element_, index_, attribute_); }

ChangeEncoding::ChangeEncoding(Document& document, std::unique_ptr<DocumentCommand> declarationStep,
                               const FileEncoding& encoding, const QString& text)
    : DocumentCommand(document, text),
      declarationStep_(std::move(declarationStep)),
      before_(document.fileEncoding()),
      after_(encoding) {}

void ChangeEncoding::redo() {
    declarationStep_->redo();
    setFileEncoding(after_);
}

void ChangeEncoding::undo() {
    setFileEncoding(before_);
    declarationStep_->undo();
}

ReplaceStrings::ReplaceStrings(Document& document, std::vector<StringChange> changes, const QString& text,
                               DOMNode* concerns)
    : DocumentCommand(document, text, concerns), changes_(std::move(changes)) {}
