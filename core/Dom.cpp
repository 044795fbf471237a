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
    auto node = std::make_unique<DOMNode>(type, this);
    if (type == ELEMENT) {
        elementIndex_.append(node.get());
        node->setElementNumber(elementIndex_.count() - 1);
    }
    try {
        parent->appendChild(node.get());
    } catch (...) {
        if (type == ELEMENT) elementIndex_.truncate(elementIndex_.count() - 1);
        throw;
    }
    return node.release();
}

DOMNode* DOM::rootElement() const noexcept {
    for (DOMNode* child : *documentNode_->childNodes())
        if (child->nodeType() == ELEMENT) return child;
    return nullptr;
}

}  // namespace corvantis
