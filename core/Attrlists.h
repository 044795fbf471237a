// The ordered lists of the document model: a node's children (NodeList, owning),
// its attributes (AttributeList of Attr records, owning) and the document's
// element index (DOMList, not owning).
//
// A node carries its two lists as one pointer each, to a block that holds
// the count, the room and the entries; an empty list has no block. Most
// elements have one or two children and a few attributes, so the lists cost
// little more than their entries.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "StringObject.h"

namespace corvantis {

class DOMNode;

// The children of an element or of the document node, in document order.
// The list owns its nodes: destroying it destroys them and their subtrees.
class NodeList {
public:
    NodeList() = default;
    NodeList(const NodeList&) = delete;
    NodeList& operator=(const NodeList&) = delete;
    ~NodeList();

    int count() const noexcept {
        if (const Block* b = block()) return static_cast<int>(b->count);
        return entries_ ? 1 : 0;
    }
    bool empty() const noexcept { return count() == 0; }
    // None when the index is out of range.
    DOMNode* at(int index) const noexcept {
        if (const Block* b = block()) return index >= 0 && index < static_cast<int>(b->count) ? b->items()[index] : nullptr;
        return index == 0 ? entries_ : nullptr;
    }
    // Position of `node` by identity; -1 when it is not in the list.
    int indexOf(const DOMNode* node) const noexcept;

    void append(DOMNode* node);
    void prepend(DOMNode* node) { insertAt(0, node); }
    // Negative counts as 0; at or past the end appends.
    void insertAt(int index, DOMNode* node);
    // Puts `nodes` in their order at `index` (past the end: after the last).
    void insertAt(int index, const std::vector<DOMNode*>& nodes);
    // Appends `count` nodes at once, with room for exactly as many more as
    // that needs: the reader knows a container's children when it closes.
    void appendAll(DOMNode* const* nodes, std::size_t count);
    // Takes the entry at `index` out without destroying the node.
    DOMNode* takeAt(int index);
    // Takes the entries from `first` up to `end` out without destroying them.
    void erase(int first, int end);
    void reserve(std::size_t n);
    // Makes room for `n` entries more, growing as appending one at a time does.
    void reserveMore(std::size_t n);
    // How many of the entries are TEXT nodes.
    int textCount() const noexcept {
        if (const Block* b = block()) return static_cast<int>(b->textCount);
        return static_cast<int>(isText(entries_));
    }

    // Valid until the list changes.
    DOMNode* const* begin() const noexcept {
        if (const Block* b = block()) return b->items();
        return entries_ ? &entries_ : nullptr;
    }
    DOMNode* const* end() const noexcept {
        if (const Block* b = block()) return b->items() + b->count;
        return entries_ ? &entries_ + 1 : nullptr;
    }

private:
    friend class DOMNode;
    struct Block {
        std::uint32_t count;
        std::uint32_t capacity;
        // Kept up to date by every change, so writing needs no extra pass
        // over the children.
        std::uint32_t textCount;
        std::uint32_t unused;
        DOMNode** items() noexcept { return reinterpret_cast<DOMNode**>(this + 1); }
        DOMNode* const* items() const noexcept { return reinterpret_cast<DOMNode* const*>(this + 1); }
    };
    static inline std::uint32_t isText(const DOMNode* node) noexcept;  // defined in Dom.h
    // Most elements hold a single text: that child is kept in place of a
    // block, which saves the block (24 bytes) for each of them.
    static constexpr std::uintptr_t blockTag = 1;
    Block* block() const noexcept {
        const auto bits = reinterpret_cast<std::uintptr_t>(entries_);
        return bits & blockTag ? reinterpret_cast<Block*>(bits & ~blockTag) : nullptr;
    }
    bool holdsOne() const noexcept { return entries_ && !(reinterpret_cast<std::uintptr_t>(entries_) & blockTag); }
    void setBlock(Block* b) noexcept {
        entries_ = reinterpret_cast<DOMNode*>(reinterpret_cast<std::uintptr_t>(b) | blockTag);
    }
    // Makes a block with room for `count` entries, keeping those there are,
    // and returns it (none while one child held in place is room enough).
    Block* grow(std::size_t count);
    // Takes the last entry out without destroying the node; none when empty.
    inline DOMNode* takeLast() noexcept;
    static void freeBlock(Block* block) noexcept;

    // Empty: null. One child: that child. More: the block, its address
    // tagged with blockTag (blocks are aligned, so the bit is free).
    DOMNode* entries_ = nullptr;
};

// One attribute: name, plain-text value (unescaped) and a flag byte that every
// creator sets to 0 and copies carry over. Strings need no alignment, so an
// attribute takes 33 bytes.
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
    AttributeList() = default;
    AttributeList(const AttributeList&) = delete;
    AttributeList& operator=(const AttributeList&) = delete;
    ~AttributeList();

    int count() const noexcept { return block_ ? static_cast<int>(block_->count) : 0; }
    Attr* at(int index) noexcept { return index >= 0 && index < count() ? block_->items() + index : nullptr; }
    const Attr* at(int index) const noexcept {
        return index >= 0 && index < count() ? block_->items() + index : nullptr;
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
    // Appends copies of `count` attributes whose names are neither in the
    // list nor repeated among them, without looking them up.
    void appendDistinct(const Attr* attributes, std::size_t count);
    // Makes room for `n` attributes in all.
    void reserve(std::size_t n);

    // A reader's way in, one lookup for a whole tag: appendUnchecked adds
    // an attribute without looking for its name, then mergeRepeatedNames
    // leaves what set() for each in turn would have left: of a repeated
    // name the first keeps its place and takes the last one's value. The
    // list is not looked up in between.
    void appendUnchecked(StringObject name, StringObject value);
    void mergeRepeatedNames();

private:
    class Index;
    // A list with room for indexThreshold attributes or more also keeps the
    // place of a hash index by name, after its entries: the many short
    // lists pay nothing for it.
    struct Block {
        std::uint32_t count;
        std::uint32_t capacity;
        Attr* items() noexcept { return reinterpret_cast<Attr*>(this + 1); }
        const Attr* items() const noexcept { return reinterpret_cast<const Attr*>(this + 1); }
    };
    // Below this many attributes a straight scan is faster than hashing.
    static constexpr std::size_t indexThreshold = 16;
    static std::size_t blockBytes(std::size_t capacity) noexcept;
    // The index, or none when it is not made yet or the list has no room for one.
    unsigned char* indexPlace() const noexcept;
    Index* nameIndex() const noexcept;
    void setNameIndex(Index* index) const noexcept;
    void grow(std::size_t count);
    void dropIndex() noexcept;

    Block* block_ = nullptr;
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
    // Drops the entries from `count` on (for a read that is undone).
    void truncate(int count) noexcept {
        if (count >= 0 && static_cast<std::size_t>(count) < count_) count_ = static_cast<std::size_t>(count);
    }

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
