#include <new>
#include <utility>
#include <vector>

#include "Dom.h"
#include "FixedPool.h"

namespace corvantis {

namespace {
using NodePool = detail::FixedPool<sizeof(DOMNode)>;
}  // namespace

void* DOMNode::operator new(std::size_t) { return NodePool::allocate(); }

void DOMNode::operator delete(void* p) noexcept { NodePool::release(p); }

DOMNode::DOMNode(NodeType type, DOM* owner) : nodeType_(type), ownerDocument_(owner) {
    if (isContainer()) part_ = new (detail::FixedPool<sizeof(Container)>::allocate()) Container();
}

DOMNode::~DOMNode() {
    if (!part_) return;
    if (!isContainer()) {
        part_->~Names();
        detail::FixedPool<sizeof(Names)>::release(part_);
        return;
    }
    // Tear the subtree down with an explicit stack, in exactly the reverse
    // of document order: each node goes only once its children are gone, so
    // no destructor recurses, and the pools hand the blocks out again in
    // document order when the next document is read.
    struct Pending {
        DOMNode* node;
        std::size_t remaining;  // children not yet destroyed, counted from the end
    };
    std::vector<Pending> stack;
    const NodeVector top = container()->childNodes.takeAll();
    for (std::size_t i = top.size(); i-- > 0;) {
        stack.push_back(Pending{top[i], static_cast<std::size_t>(top[i]->childCount())});
        while (!stack.empty()) {
            Pending& pending = stack.back();
            if (pending.remaining == 0) {
                DOMNode* node = pending.node;
                stack.pop_back();
                if (node->isContainer()) node->container()->childNodes.takeAll();  // already destroyed
                delete node;
                continue;
            }
            DOMNode* child = pending.node->childAt(static_cast<int>(--pending.remaining));
            const std::size_t grandchildren = static_cast<std::size_t>(child->childCount());
            if (grandchildren > 0)
                stack.push_back(Pending{child, grandchildren});
            else
                delete child;
        }
    }
    container()->~Container();
    detail::FixedPool<sizeof(Container)>::release(part_);
}

const StringObject& DOMNode::emptyString() noexcept {
    static const StringObject empty;
    return empty;
}

DOMNode::Names* DOMNode::makeLeafNames() {
    part_ = new (detail::FixedPool<sizeof(Names)>::allocate()) Names();
    return part_;
}

void DOMNode::setPrefix(const StringObject& prefix) {
    if (part_ || !prefix.empty()) leafNames()->prefix = prefix;
}

StringObject DOMNode::path() const {
    if (nodeType_ != ELEMENT) return StringObject();
    // Numbering that a change of shape left behind would name every element
    // down from the top; so does this, without renumbering the document.
    const bool wholeChain = ownerDocument_ && ownerDocument_->numberingStale_;
    if (!wholeChain && pathDepth_ <= 0) return StringObject();
    std::vector<const DOMNode*> chain;
    std::size_t total = 0;
    for (const DOMNode* n = this;
         n && n->nodeType_ == ELEMENT && (wholeChain || static_cast<std::int32_t>(chain.size()) < pathDepth_);
         n = n->parentNode_) {
        chain.push_back(n);
        total += n->nodeName().length() + 1;
    }
    // An element without a name adds nothing, not even a "/": a path never
    // starts or ends with one.
    StringObject result;
    result.reserve(total);
    for (std::size_t i = chain.size(); i-- > 0;) {
        const StringObject& name = chain[i]->nodeName();
        if (name.empty()) continue;
        if (!result.empty()) result.append('/');
        result.append(name);
    }
    return result;
}

void DOMNode::prependChild(DOMNode* node) {
    if (!isContainer() || !node) return;
    container()->childNodes.prepend(node);
    node->parentNode_ = this;
}

void DOMNode::insertChildAt(int index, DOMNode* node) {
    if (!isContainer() || !node) return;
    container()->childNodes.insertAt(index, node);
    node->parentNode_ = this;
}

bool DOMNode::detachChild(DOMNode* node) {
    if (!isContainer()) return false;
    NodeList& children = container()->childNodes;
    return children.takeAt(children.indexOf(node)) != nullptr;
}

bool DOMNode::removeChild(DOMNode* node) {
    if (!detachChild(node)) return false;
    delete node;
    return true;
}

DOMNode* DOMNode::textChild(int n) const noexcept {
    const NodeList* children = childNodes();
    if (!children || n < 0 || n >= children->textCount()) return nullptr;
    for (DOMNode* child : *children)
        if (child->nodeType() == TEXT && n-- == 0) return child;
    return nullptr;
}

StringObject DOMNode::getText(int n) const {
    const DOMNode* text = textChild(n);
    return text ? text->nodeValue_ : StringObject();
}

void DOMNode::setText(const StringObject& text, int n) {
    if (!isContainer()) return;
    if (DOMNode* existing = textChild(n)) {
        existing->nodeValue_ = text;
        return;
    }
    auto* node = new DOMNode(TEXT, ownerDocument_);
    node->nodeValue_ = text;
    prependChild(node);
}

bool DOMNode::setAttribute(const StringObject& name, const StringObject& value, std::uint8_t flag) {
    return isContainer() ? container()->attributes.set(name, value, flag) : false;
}

bool DOMNode::removeAttribute(const StringObject& name) {
    return isContainer() ? container()->attributes.remove(name) : false;
}

void DOMNode::insertAttributeAt(int index, const Attr& attribute) {
    if (isContainer()) container()->attributes.insertAt(index, attribute);
}

}  // namespace corvantis
