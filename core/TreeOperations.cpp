// The operations that change the tree's shape on behalf of the editing
// commands. Each leaves the numbering to be brought up to date when it is
// next read.
#include <utility>
#include <vector>

#include "Dom.h"

namespace corvantis {

// A copy of the node's own fields (and, for an element, its attributes).
// The numbers are copied as they stand: a copy is numbered once placed.
std::unique_ptr<DOMNode> DOM::copyFields(const DOMNode* source, DOM* owner) {
    auto copy = std::make_unique<DOMNode>(source->nodeType(), owner);
    copy->main_ = source->main_;
    if (source->hasMore()) {
        DOMNode::More& more = copy->more();
        more.other = source->moreBlock()->other;
        more.prefix = source->moreBlock()->prefix;
    }
    copy->setPathDepth(source->pathDepth_);
    copy->setOccurrence(source->occurrence());
    copy->setParentNode(source->parentNode());
    copy->setElementNumber(source->elementNumber_);
    if (source->nodeType() == ELEMENT && source->attributeCount() > 0)
        copy->attributes_.appendDistinct(source->attributeAt(0), static_cast<std::size_t>(source->attributeCount()));
    return copy;
}

namespace {

// The position of `target` among its parent's children; the child count
// when it is not there.
int indexInParent(const DOMNode* target) {
    const DOMNode* parent = target->parentNode();
    const int index = parent->childNodes()->indexOf(target);
    return index < 0 ? parent->childCount() : index;
}

bool isTopLevel(const DOMNode* node) {
    return node->parentNode() && node->parentNode()->nodeType() == DOCUMENT;
}

}  // namespace

DOMNode* DOM::copySubtree(const DOMNode* source) {
    if (!source) return nullptr;
    // The copy so far is dropped whole when memory runs out on the way.
    std::unique_ptr<DOMNode> root = copyFields(source, this);
    if (source->nodeType() != ELEMENT) return root.release();
    // Pairs of (source element, its copy) whose children are still to copy.
    std::vector<std::pair<const DOMNode*, DOMNode*>> pending{{source, root.get()}};
    while (!pending.empty()) {
        auto [from, to] = pending.back();
        pending.pop_back();
        to->childNodes()->reserve(static_cast<std::size_t>(from->childCount()));
        for (const DOMNode* child : *from->childNodes()) {
            std::unique_ptr<DOMNode> copy = copyFields(child, this);
            to->appendChild(copy.get());  // there is room: this cannot fail
            DOMNode* placed = copy.release();
            if (child->nodeType() == ELEMENT && child->childCount() > 0) pending.emplace_back(child, placed);
        }
    }
    return root.release();
}

void DOM::renumberElements() {
    // Stale until the walk is through: running out of memory on the way
    // leaves it to be done again.
    numberingStale_ = true;
    std::int32_t counter = 0;
    auto number = [&](DOMNode* element, std::int32_t depth) {
        elementIndex_.put(counter, element);
        element->setElementNumber(counter++);
        element->setPathDepth(depth);
    };
    // Depth-first with an explicit stack, so elements are numbered in
    // document order at any depth.
    std::vector<std::pair<DOMNode*, int>> stack;
    for (DOMNode* top : *documentNode_->childNodes()) {
        if (top->nodeType() != ELEMENT) continue;
        number(top, 1);
        stack.emplace_back(top, 0);
        while (!stack.empty()) {
            auto& [element, next] = stack.back();
            if (next == element->childCount()) {
                stack.pop_back();
                continue;
            }
            DOMNode* child = element->childAt(next++);
            // Written only when wrong, so a sound tree is only read here and
            // another thread may write it out meanwhile.
            if (child->parentNode() != element) child->setParentNode(element);
            if (child->nodeType() == ELEMENT) {
                number(child, static_cast<std::int32_t>(stack.size()) + 1);
                stack.emplace_back(child, 0);
            }
        }
    }
    numberingStale_ = false;
}

NodePlace DOM::placeFor(const DOMNode* target, InsertPosition position) const {
    if (!target) return {};
    DOMNode* parent = target->parentNode();
    if (!parent) {
        // Only the document node has no parent here. It takes a new top
        // element once the last one is gone, and never a second one.
        if (target != documentNode() || position != Under || rootElement()) return {};
        return {documentNode(), documentNode()->childCount()};
    }
    if (position == Under) {
        if (!target->isContainer()) return {};
        return {const_cast<DOMNode*>(target), target->childCount()};
    }
    if (isTopLevel(target)) return {};
    if (position == Before) return {parent, indexInParent(target)};
    if (position == After) return {parent, indexInParent(target) + 1};
    return {parent, parent->childCount()};
}

NodePlace DOM::placeOf(const DOMNode* node) const {
    if (!node || !node->parentNode()) return {};
    DOMNode* parent = node->parentNode();
    const int index = parent->childNodes()->indexOf(node);
    if (index < 0) return {};
    return {parent, index};
}

NodePlace DOM::detach(DOMNode* node) {
    const NodePlace place = placeOf(node);
    if (!place) return {};
    place.parent->childNodes()->takeAt(place.index);
    node->setParentNode(nullptr);
    numberingChanged();
    return place;
}

void DOM::moveChildren(DOMNode* from, int first, int count, DOMNode* to, int at) {
    if (!from || !to || !from->isContainer() || !to->isContainer() || from == to) return;
    NodeList& source = *from->childNodes();
    const int total = source.count();
    if (first < 0 || first >= total || count <= 0) return;
    const int end = count > total - first ? total : first + count;
    std::vector<DOMNode*> moved(source.begin() + first, source.begin() + end);
    NodeList& destination = *to->childNodes();
    // Room first: once they are out of `from`, the nodes must arrive.
    destination.reserveMore(moved.size());
    source.erase(first, end);
    destination.insertAt(at < 0 ? 0 : at, moved);
    for (DOMNode* node : moved) node->setParentNode(to);
    numberingChanged();
}

void DOM::attach(DOMNode* node, NodePlace place) {
    if (!node || !place || !place.parent->isContainer()) return;
    place.parent->insertChildAt(place.index, node);
    numberingChanged();
}

bool DOM::contains(const DOMNode* node) const noexcept {
    while (node && node->parentNode()) node = node->parentNode();
    return node && node == documentNode();
}

std::unique_ptr<DOMNode> DOM::parseFragment(const char* bytes, std::size_t length) {
    auto holder = std::make_unique<DOMNode>(ELEMENT, this);
    parse(bytes, length, holder.get());
    // The reader entered the new elements in the index, which they are not
    // in until they are placed.
    numberingChanged();
    return holder;
}

}  // namespace corvantis
