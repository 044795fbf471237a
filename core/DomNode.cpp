#include <vector>

#include "Dom.h"
#include "FixedPool.h"

namespace corvantis {

namespace {
using NodePool = detail::FixedPool<sizeof(DOMNode)>;
}  // namespace

void* DOMNode::operator new(std::size_t) { return NodePool::allocate(); }

void DOMNode::operator delete(void* p) noexcept { NodePool::release(p); }

void* DOMNode::Container::operator new(std::size_t) { return detail::FixedPool<sizeof(Container)>::allocate(); }

void DOMNode::Container::operator delete(void* p) noexcept { detail::FixedPool<sizeof(Container)>::release(p); }

DOMNode::DOMNode(NodeType type, DOM* owner) : nodeType_(type), ownerDocument_(owner) {
    if (type == ELEMENT || type == DOCUMENT) container_ = std::make_unique<Container>();
}

DOMNode::~DOMNode() {
    if (!container_) return;
    // Tear the subtree down with an explicit stack: each node is emptied of
    // its children before it is deleted, so no destructor recurses.
    NodeVector pending = container_->childNodes.takeAll();
    while (!pending.empty()) {
        DOMNode* node = pending.back();
        pending.pop_back();
        if (node->container_ && !node->container_->childNodes.empty()) {
            NodeVector children = node->container_->childNodes.takeAll();
            pending.insert(pending.end(), children.begin(), children.end());
        }
        delete node;
    }
}

StringObject DOMNode::path() const {
    if (nodeType_ != ELEMENT || pathDepth_ <= 0) return StringObject();
    std::vector<const DOMNode*> chain;
    std::size_t total = 0;
    for (const DOMNode* n = this; n && n->nodeType_ == ELEMENT && static_cast<std::int32_t>(chain.size()) < pathDepth_;
         n = n->parentNode_) {
        chain.push_back(n);
        total += n->nodeName_.length() + 1;
    }
    StringObject result;
    result.reserve(total);
    for (std::size_t i = chain.size(); i-- > 0;) {
        result.append(chain[i]->nodeName_);
        if (i > 0) result.append('/');
    }
    return result;
}

NodeList* DOMNode::childNodes() noexcept { return container_ ? &container_->childNodes : nullptr; }
const NodeList* DOMNode::childNodes() const noexcept { return container_ ? &container_->childNodes : nullptr; }

int DOMNode::childCount() const noexcept { return container_ ? container_->childNodes.count() : 0; }

DOMNode* DOMNode::childAt(int index) const noexcept {
    return container_ ? container_->childNodes.at(index) : nullptr;
}

void DOMNode::appendChild(DOMNode* node) {
    if (!container_ || !node) return;
    container_->childNodes.append(node);
    node->parentNode_ = this;
}

void DOMNode::prependChild(DOMNode* node) {
    if (!container_ || !node) return;
    container_->childNodes.prepend(node);
    node->parentNode_ = this;
}

void DOMNode::insertChildAt(int index, DOMNode* node) {
    if (!container_ || !node) return;
    container_->childNodes.insertAt(index, node);
    node->parentNode_ = this;
}

bool DOMNode::detachChild(DOMNode* node) {
    if (!container_) return false;
    return container_->childNodes.takeAt(container_->childNodes.indexOf(node)) != nullptr;
}

bool DOMNode::removeChild(DOMNode* node) {
    if (!detachChild(node)) return false;
    delete node;
    return true;
}

bool DOMNode::hasTextChild() const noexcept {
    if (!container_) return false;
    for (const DOMNode* child : container_->childNodes)
        if (child->nodeType_ == TEXT) return true;
    return false;
}

namespace {
DOMNode* nthText(const NodeList* children, int n) {
    if (!children || n < 0) return nullptr;
    for (DOMNode* child : *children)
        if (child->nodeType() == TEXT && n-- == 0) return child;
    return nullptr;
}
}  // namespace

StringObject DOMNode::getText(int n) const {
    const DOMNode* text = nthText(childNodes(), n);
    return text ? text->nodeValue_ : StringObject();
}

void DOMNode::setText(const StringObject& text, int n) {
    if (!container_) return;
    if (DOMNode* existing = nthText(childNodes(), n)) {
        existing->nodeValue_ = text;
        return;
    }
    auto* node = new DOMNode(TEXT, ownerDocument_);
    node->nodeValue_ = text;
    prependChild(node);
}

AttributeList* DOMNode::attributes() noexcept { return container_ ? &container_->attributes : nullptr; }
const AttributeList* DOMNode::attributes() const noexcept { return container_ ? &container_->attributes : nullptr; }

int DOMNode::attributeCount() const noexcept { return container_ ? container_->attributes.count() : 0; }

Attr* DOMNode::attributeAt(int index) noexcept { return container_ ? container_->attributes.at(index) : nullptr; }

const Attr* DOMNode::attributeAt(int index) const noexcept {
    return container_ ? container_->attributes.at(index) : nullptr;
}

bool DOMNode::setAttribute(const StringObject& name, const StringObject& value, std::uint8_t flag) {
    return container_ ? container_->attributes.set(name, value, flag) : false;
}

bool DOMNode::removeAttribute(const StringObject& name) {
    return container_ ? container_->attributes.remove(name) : false;
}

}  // namespace corvantis
