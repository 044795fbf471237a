// The ordered lists of the document model: a node's children (NodeList, owning),
// its attributes (AttributeList of Attr records, owning) and the document's
// element index (DOMList, not owning).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "FixedPool.h"
#include "StringObject.h"

namespace corvantis {

class DOMNode;

// Node references, in storage drawn from the model's small-block pools.
using NodeVector = std::vector<DOMNode*, detail::BlockAllocator<DOMNode*>>;

// The children of an element or of the document node, in document order.
// The list owns its nodes: destroying it destroys them and their subtrees.
class NodeList {
public:
    NodeList() = default;
    NodeList(const NodeList&) = delete;
    NodeList& operator=(const NodeList&) = delete;
    ~NodeList();

    int count() const noexcept { return static_cast<int>(nodes_.size()); }
    bool empty() const noexcept { return nodes_.empty(); }
    // None when the index is out of range.
    DOMNode* at(int index) const noexcept;
    // Position of `node` by identity; -1 when it is not in the list.
    int indexOf(const DOMNode* node) const noexcept;

    void append(DOMNode* node) {
        // Three entries cost no more to allocate than one.
        if (nodes_.capacity() == 0) nodes_.reserve(3);
        nodes_.push_back(node);
    }
    void prepend(DOMNode* node) { nodes_.insert(nodes_.begin(), node); }
    // Negative counts as 0; at or past the end appends.
    void insertAt(int index, DOMNode* node);
    // Takes the entry at `index` out without destroying the node.
    DOMNode* takeAt(int index);
    // Takes every entry out without destroying the nodes (for iterative teardown).
    NodeVector takeAll() noexcept { return std::move(nodes_); }
    void reserve(std::size_t n) { nodes_.reserve(n); }

    NodeVector::const_iterator begin() const noexcept { return nodes_.begin(); }
    NodeVector::const_iterator end() const noexcept { return nodes_.end(); }

private:
    NodeVector nodes_;
};

// One attribute: name, plain-text value (unescaped) and a flag byte that every
// creator sets to 0 and copies carry over.
struct Attr {
    StringObject name;
    StringObject value;
    std::uint8_t flag = 0;
};

// The attributes of an element, in order of first appearance, names unique
// (compared byte for byte). Lookup stays fast for elements with very many
// attributes. Attr pointers stay valid until the list changes.
class AttributeList {
public:
    AttributeList();
    AttributeList(const AttributeList&) = delete;
    AttributeList& operator=(const AttributeList&) = delete;
    ~AttributeList();

    int count() const noexcept { return static_cast<int>(items_.size()); }
    Attr* at(int index) noexcept;
    const Attr* at(int index) const noexcept;
    // Position of the attribute named `name`; -1 when there is none.
    int indexOf(const StringObject& name) const;
    // Replaces the value of an existing attribute in place (keeping its
    // position and flag) and returns true; otherwise appends and returns false.
    bool set(StringObject name, StringObject value, std::uint8_t flag);
    // Removes the named attribute and closes the gap; true if there was one.
    bool remove(const StringObject& name);
    void reserve(std::size_t n) { items_.reserve(n); }

private:
    class Index;
    void rebuildIndex() const;

    std::vector<Attr, detail::BlockAllocator<Attr>> items_;
    // Hash index by name, built only once the list is long enough to need it.
    mutable std::unique_ptr<Index> index_;
};

// The element index of a DOM: references to elements, not owned.
class DOMList {
public:
    int count() const noexcept { return static_cast<int>(items_.size()); }
    DOMNode* at(int index) const noexcept;
    void append(DOMNode* node) { items_.push_back(node); }
    // Replaces the entry at `index`, or appends when index is not below count.
    void put(int index, DOMNode* node);
    void clear() noexcept { items_.clear(); }

private:
    std::vector<DOMNode*> items_;
};

}  // namespace corvantis
