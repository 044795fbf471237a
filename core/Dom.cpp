#include "Dom.h"

namespace corvantis {

DOM::DOM(const StringObject& name) : documentNode_(std::make_unique<DOMNode>(DOCUMENT, this)) {
    documentNode_->setNodeName(name);
}

DOM::~DOM() = default;

void DOM::reset() {
    documentNode_ = std::make_unique<DOMNode>(DOCUMENT, this);
    documentNode_->setNodeName("My FileName");
    elementIndex_.clear();
    numberingStale_ = false;
}

DOMNode* DOM::createNode(NodeType type, DOMNode* parent) {
    if (!parent || !parent->isContainer()) return nullptr;
    auto* node = new DOMNode(type, this);
    if (type == ELEMENT) {
        elementIndex_.append(node);
        node->setElementNumber(elementIndex_.count() - 1);
    }
    parent->appendChild(node);
    return node;
}

DOMNode* DOM::rootElement() const noexcept {
    for (DOMNode* child : *documentNode_->childNodes())
        if (child->nodeType() == ELEMENT) return child;
    return nullptr;
}

}  // namespace corvantis
