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
    DOMNode* at(int index) const noexcept {
        return index >= 0 && index < count() ? nodes_[static_cast<std::size_t>(index)] : nullptr;
    }
    // Position of `node` by identity; -1 when it is not in the list.
    int indexOf(const DOMNode* node) const noexcept;

    inline void append(DOMNode* node);  // defined in Dom.h, which needs this header first
    void prepend(DOMNode* node);
    // Negative counts as 0; at or past the end appends.
    void insertAt(int index, DOMNode* node);
    // Puts `nodes` in their order at `index` (past the end: after the last).
    void insertAt(int index, const std::vector<DOMNode*>& nodes);
    // Takes the entry at `index` out without destroying the node.
    DOMNode* takeAt(int index);
    // Takes the entries from `first` up to `end` out without destroying them.
    void erase(int first, int end);
    // Takes every entry out without destroying the nodes (for iterative teardown).
    NodeVector takeAll() noexcept {
        textCount_ = 0;
        return std::move(nodes_);
    }
    void reserve(std::size_t n) { nodes_.reserve(n); }
    // How many of the entries are TEXT nodes.
    int textCount() const noexcept { return textCount_; }

    NodeVector::const_iterator begin() const noexcept { return nodes_.begin(); }
    NodeVector::const_iterator end() const noexcept { return nodes_.end(); }

private:
    static inline int isText(const DOMNode* node) noexcept;

    NodeVector nodes_;
    // Kept up to date by every change, so writing needs no extra pass over the children.
    int textCount_ = 0;
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
    Attr* at(int index) noexcept {
        return index >= 0 && index < count() ? &items_[static_cast<std::size_t>(index)] : nullptr;
    }
    const Attr* at(int index) const noexcept {
        return index >= 0 && index < count() ? &items_[static_cast<std::size_t>(index)] : nullptr;
    }
    // Position of the attribute named `name`; -1 when there is none.
    int indexOf(const StringObject& name) const;
    // Replaces the value of an existing attribute in place (keeping its
    // position and flag) and returns true; otherwise appends and returns false.
    bool set(StringObject name, StringObject value, std::uint8_t flag);
    // Removes the named attribute and closes the gap; true if there was one.
    bool remove(const StringObject& name);
    // Inserts an attribute whose name is not in the list yet at `index`
    // (clamped to the list).
    void insertAt(int index, const Attr& attribute);
    // Gives the attribute at `index` the name `name`, which no other
    // attribute of the list has, keeping its place, value and flag.
    void rename(int index, StringObject name);
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
    int count() const noexcept { return static_cast<int>(count_); }
    DOMNode* at(int index) const noexcept {
        if (index < 0 || index >= count()) return nullptr;
        const auto i = static_cast<std::size_t>(index);
        return chunks_[i >> chunkBits][i & chunkMask];
    }
    void append(DOMNode* node) {
        if ((count_ & chunkMask) == 0 && (count_ >> chunkBits) == chunks_.size()) addChunk();
        chunks_[count_ >> chunkBits][count_ & chunkMask] = node;
        ++count_;
    }
    // Replaces the entry at `index`, or appends when index is not below count.
    void put(int index, DOMNode* node);
    void clear() noexcept { count_ = 0; }

private:
    // Entries live in fixed chunks, so a growing index never copies itself
    // or asks for one huge block.
    static constexpr std::size_t chunkBits = 12;
    static constexpr std::size_t chunkMask = (std::size_t{1} << chunkBits) - 1;
    void addChunk();

    std::vector<std::vector<DOMNode*>> chunks_;
    std::size_t count_ = 0;
};

}  // namespace corvantis

// The inline members above that need the complete node class.
#include "Dom.h"
