#include "document/Commands.h"

#include "document/Document.h"

using corvantis::DOMNode;
using corvantis::NodePlace;
using corvantis::StringObject;

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

void PlaceSubtree::redo() { document_.attach(owned_.release(), place_); }

void PlaceSubtree::undo() {
    document_.detach(node_);
    owned_.reset(node_);
}

RemoveSubtree::RemoveSubtree(Document& document, DOMNode* node, const QString& text, DOMNode* selectedAfterUndo)
    : DocumentCommand(document, text, selectedAfterUndo ? selectedAfterUndo : node), node_(node) {}

RemoveSubtree::~RemoveSubtree() = default;

void RemoveSubtree::redo() {
    place_ = document_.detach(node_);
    owned_.reset(node_);
}

void RemoveSubtree::undo() { document_.attach(owned_.release(), place_); }

MoveSubtree::MoveSubtree(Document& document, DOMNode* node, DOMNode* target, corvantis::InsertPosition position,
                         const QString& text)
    : DocumentCommand(document, text, node), node_(node), target_(target), position_(position) {}

void MoveSubtree::redo() {
    from_ = document_.detach(node_);
    // The place is found with the node out of the tree, so a move within
    // one parent lands exactly before the target or at the end.
    NodePlace to = document_.dom().placeFor(target_, position_);
    if (!to) {
        to = from_;
        setObsolete(true);
    }
    document_.attach(node_, to);
}

void MoveSubtree::undo() {
    document_.detach(node_);
    document_.attach(node_, from_);
}

InsertFragment::InsertFragment(Document& document, NodePlace place, std::unique_ptr<DOMNode> fragment,
                               const QString& text)
    : DocumentCommand(document, text, place.parent),
      place_(place),
      fragment_(std::move(fragment)),
      count_(fragment_->childCount()) {}

void InsertFragment::redo() {
    document_.moveChildren(fragment_.get(), 0, count_, place_.parent, place_.index);
}

void InsertFragment::undo() {
    document_.moveChildren(place_.parent, place_.index, count_, fragment_.get(), 0);
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
    document_.detach(second);
    document_.detach(first);
    document_.attach(second, firstAt);
    document_.attach(first, secondAt);
}

RenameElement::RenameElement(Document& document, DOMNode* element, const StringObject& name, const QString& text)
    : DocumentCommand(document, text, element), element_(element), oldName_(element->nodeName()), newName_(name) {}

void RenameElement::redo() { document_.setName(element_, newName_); }

void RenameElement::undo() { document_.setName(element_, oldName_); }

SetNodeValue::SetNodeValue(Document& document, DOMNode* node, const StringObject& value, const QString& text)
    : DocumentCommand(document, text, node->parentNode()), node_(node), oldValue_(node->nodeValue()), newValue_(value) {}

void SetNodeValue::redo() { document_.setValue(node_, newValue_); }

void SetNodeValue::undo() { document_.setValue(node_, oldValue_); }

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
        document_.detach(textNode_);
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
        document_.attach(madeText_.release(), NodePlace{element_, 0});
    } else {
        document_.setValue(textNode_, newValue_);
    }
}

void SetElementText::undo() {
    if (made_) {
        document_.detach(textNode_);
        madeText_.reset(textNode_);
    } else {
        document_.setValue(textNode_, oldValue_);
    }
}

SetAttribute::SetAttribute(Document& document, DOMNode* element, const StringObject& name, const StringObject& value,
                           const QString& text)
    : DocumentCommand(document, text, element), element_(element), name_(name), value_(value) {
    const int index = element->attributes()->indexOf(name);
    existed_ = index >= 0;
    if (existed_) oldValue_ = element->attributeAt(index)->value;
}

void SetAttribute::redo() { document_.setAttribute(element_, name_, value_); }

void SetAttribute::undo() {
    if (existed_)
        document_.setAttribute(element_, name_, oldValue_);
    else
        document_.removeAttribute(element_, name_);
}

RemoveAttribute::RemoveAttribute(Document& document, DOMNode* element, int index, const QString& text)
    : DocumentCommand(document, text, element),
      element_(element),
      index_(index),
      attribute_(*element->attributeAt(index)) {}

void RemoveAttribute::redo() { document_.removeAttribute(element_, attribute_.name); }

void RemoveAttribute::undo() { document_.insertAttributeAt(element_, index_, attribute_); }

ChangeEncoding::ChangeEncoding(Document& document, std::unique_ptr<DocumentCommand> declarationStep,
                               const FileEncoding& encoding, const QString& text)
    : DocumentCommand(document, text),
      declarationStep_(std::move(declarationStep)),
      before_(document.fileEncoding()),
      after_(encoding),
      documentName_(document.documentNode()->nodeName()) {}

void ChangeEncoding::redo() {
    // The declaration's new data is in the old encoding, converted with the rest.
    declarationStep_->redo();
    document_.convertText(after_);
}

void ChangeEncoding::undo() {
    document_.convertText(before_);
    document_.setName(document_.documentNode(), documentName_);
    declarationStep_->undo();
}

ReplaceStrings::ReplaceStrings(Document& document, std::vector<StringChange> changes, const QString& text,
                               DOMNode* concerns)
    : DocumentCommand(document, text, concerns), changes_(std::move(changes)) {}
