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

DOM::Tree DOM::readTree(const char* bytes, std::size_t length, const StringObject& name) {
    Tree tree;
    tree.documentNode = std::make_unique<DOMNode>(DOCUMENT, this);
    tree.documentNode->setNodeName(name);
    read(bytes, length, tree.documentNode.get(), tree.elementIndex, tree.error);
    return tree;
}

void DOM::adopt(Tree tree) noexcept {
    documentNode_ = std::move(tree.documentNode);
    elementIndex_ = std::move(tree.elementIndex);
    error_ = tree.error;
    numberingStale_ = false;
}

DOMNode* DOM::rootElement() const noexcept {
    for (DOMNode* child : *documentNode_->childNodes())
        if (child->nodeType() == ELEMENT) return child;
    return nullptr;
}

}  // namespace corvantis
