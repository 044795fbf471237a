#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "Dom.h"
#include "Pools.h"

namespace corvantis {

namespace {
using NodePool = detail::FixedPool<sizeof(DOMNode)>;
// A million nodes cost what their size says: keep it from growing unseen.
static_assert(sizeof(void*) != 8 || sizeof(DOMNode) == 64, "a node takes 64 bytes");
}  // namespace

void* DOMNode::operator new(std::size_t) { return NodePool::allocate(); }

void DOMNode::operator delete(void* p) noexcept { NodePool::release(p); }

DOMNode::~DOMNode() {
    if (hasMore()) {
        More* more = moreBlock();
        more->~More();
        detail::FixedPool<sizeof(More)>::release(more);
    }
    // Tear the subtree down in exactly the reverse of document order: each
    // node goes once its children are gone, so no destructor recurses, and
    // the pools hand the blocks out again in document order when the next
    // document is read. The way back up is each node's parent link, set on
    // the way down, so destroying needs no memory of its own: a tree can be
    // dropped when memory has run out.
    DOMNode* node = this;
    for (;;) {
        if (DOMNode* last = node->childNodes_.takeLast()) {
            if (last->childNodes_.empty()) {
                delete last;
            } else {
                last->parentNode_ = node;
                node = last;
            }
            continue;
        }
        if (node == this) return;
        DOMNode* parent = node->parentNode_;
        delete node;
        node = parent;
    }
}

const StringObject& DOMNode::emptyString() noexcept {
    static const StringObject empty;
    return empty;
}

DOMNode::More& DOMNode::more() {
    if (!hasMore()) {
        More* more = new (detail::FixedPool<sizeof(More)>::allocate()) More();
        more->owner = reinterpret_cast<DOM*>(ownerOrMore_);
        ownerOrMore_ = reinterpret_cast<std::uintptr_t>(more) | moreTag;
    }
    return *moreBlock();
}

void DOMNode::setOther(StringObject text) {
    if (hasMore() || !text.empty()) more().other = std::move(text);
}

void DOMNode::setPrefix(const StringObject& prefix) {
    if (hasMore() || !prefix.empty()) more().prefix = prefix;
}

StringObject DOMNode::path() const {
    if (nodeType_ != ELEMENT) return StringObject();
    // Numbering that a change of shape left behind would name every element
    // down from the top; so does this, without renumbering the document.
    const DOM* owner = ownerDocument();
    const bool wholeChain = owner && owner->numberingStale_;
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
    childNodes_.prepend(node);
    node->parentNode_ = this;
}

void DOMNode::insertChildAt(int index, DOMNode* node) {
    if (!isContainer() || !node) return;
    childNodes_.insertAt(index, node);
    node->parentNode_ = this;
}

bool DOMNode::detachChild(DOMNode* node) {
    return childNodes_.takeAt(childNodes_.indexOf(node)) != nullptr;
}

bool DOMNode::removeChild(DOMNode* node) {
    if (!detachChild(node)) return false;
    delete node;
    return true;
}

DOMNode* DOMNode::textChild(int n) const noexcept {
    if (n < 0 || n >= childNodes_.textCount()) return nullptr;
    for (DOMNode* child : childNodes_)
        if (child->nodeType() == TEXT && n-- == 0) return child;
    return nullptr;
}

StringObject DOMNode::getText(int n) const {
    const DOMNode* text = textChild(n);
    return text ? text->main_ : StringObject();
}

void DOMNode::setText(const StringObject& text, int n) {
    if (!isContainer()) return;
    if (DOMNode* existing = textChild(n)) {
        existing->main_ = text;
        return;
    }
    auto node = std::make_unique<DOMNode>(TEXT, ownerDocument());
    node->main_ = text;
    prependChild(node.get());
    node.release();
}

bool DOMNode::setAttribute(const StringObject& name, const StringObject& value, std::uint8_t flag) {
    return isContainer() ? attributes_.set(name, value, flag) : false;
}

bool DOMNode::removeAttribute(const StringObject& name) {
    return isContainer() ? attributes_.remove(name) : false;
}

void DOMNode::insertAttributeAt(int index, const Attr& attribute) {
    if (isContainer()) attributes_.insertAt(index, attribute);
}

}  // namespace corvantis
