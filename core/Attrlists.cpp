#include "Attrlists.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#include "Dom.h"
#include "Pools.h"

namespace corvantis {

namespace {

// Room to grow into: half as much again, so appending one at a time stays linear.
std::size_t grownCapacity(std::size_t capacity, std::size_t needed) {
    return std::max({needed, capacity + capacity / 2, std::size_t{2}});
}

}  // namespace

// ---- NodeList ----------------------------------------------------------------

namespace {
std::size_t nodeBlockBytes(std::size_t capacity, std::size_t header) { return header + capacity * sizeof(DOMNode*); }
}  // namespace

NodeList::~NodeList() {
    for (DOMNode* node : *this) delete node;
    freeBlock(block());
}

void NodeList::freeBlock(Block* block) noexcept {
    if (block) detail::releaseBlock(block, nodeBlockBytes(block->capacity, sizeof(Block)));
}

NodeList::Block* NodeList::grow(std::size_t needed) {
    Block* old = block();
    // A child held in place is room for one.
    const std::size_t oldCapacity = old ? old->capacity : entries_ ? 1 : 0;
    if (needed <= oldCapacity) return old;
    const std::size_t capacity = needed;
    const std::size_t oldBytes = old ? nodeBlockBytes(oldCapacity, sizeof(Block)) : 0;
    const std::size_t bytes = nodeBlockBytes(capacity, sizeof(Block));
    Block* grown;
    if (old && oldBytes > detail::smallBlockLimit) {
        grown = static_cast<Block*>(detail::reallocateLargeBlock(old, oldBytes, bytes));
    } else {
        grown = static_cast<Block*>(detail::allocateBlock(bytes));
        if (old) {
            std::memcpy(grown, old, oldBytes);
            freeBlock(old);
        } else {
            // The one child held in place, if any, moves into the block.
            *grown = Block{0, 0, 0, 0};
            if (entries_) {
                grown->items()[0] = entries_;
                grown->count = 1;
                grown->textCount = isText(entries_);
            }
        }
    }
    grown->capacity = static_cast<std::uint32_t>(capacity);
    setBlock(grown);
    return grown;
}

void NodeList::reserve(std::size_t n) { grow(n); }

void NodeList::reserveMore(std::size_t n) {
    const auto count = static_cast<std::size_t>(this->count());
    const Block* b = block();
    if (!b || count + n > b->capacity) grow(grownCapacity(count, count + n));
}

int NodeList::indexOf(const DOMNode* node) const noexcept {
    const int n = count();
    DOMNode* const* items = begin();
    for (int i = 0; i < n; ++i)
        if (items[i] == node) return i;
    return -1;
}

void NodeList::append(DOMNode* node) {
    if (!entries_) {
        entries_ = node;
        return;
    }
    const std::size_t n = static_cast<std::size_t>(count());
    const Block* b = block();
    if (!b || n == b->capacity) grow(grownCapacity(n, n + 1));
    Block* grown = block();
    grown->items()[n] = node;
    grown->count = static_cast<std::uint32_t>(n + 1);
    grown->textCount += isText(node);
}

void NodeList::appendAll(DOMNode* const* nodes, std::size_t added) {
    if (added == 0) return;
    if (!entries_ && added == 1) {
        entries_ = nodes[0];
        return;
    }
    const std::size_t n = static_cast<std::size_t>(count());
    grow(n + added);
    Block* b = block();
    DOMNode** items = b->items() + n;
    std::uint32_t texts = 0;
    for (std::size_t i = 0; i < added; ++i) {
        items[i] = nodes[i];
        texts += isText(nodes[i]);
    }
    b->count = static_cast<std::uint32_t>(n + added);
    b->textCount += texts;
}

void NodeList::insertAt(int index, DOMNode* node) {
    const int n = count();
    if (index < 0) index = 0;
    if (index >= n) {
        append(node);
        return;
    }
    Block* b = block();
    if (!b || n == static_cast<int>(b->capacity))
        b = grow(grownCapacity(static_cast<std::size_t>(n), static_cast<std::size_t>(n) + 1));
    DOMNode** items = b->items();
    std::memmove(items + index + 1, items + index, static_cast<std::size_t>(n - index) * sizeof(DOMNode*));
    items[index] = node;
    b->count += 1;
    b->textCount += isText(node);
}

void NodeList::insertAt(int index, const std::vector<DOMNode*>& nodes) {
    if (nodes.empty()) return;
    const auto n = static_cast<std::size_t>(count());
    const auto at = static_cast<std::size_t>(std::clamp(index, 0, count()));
    reserveMore(nodes.size());
    Block* b = block();
    DOMNode** items = b->items();
    std::memmove(items + at + nodes.size(), items + at, (n - at) * sizeof(DOMNode*));
    std::uint32_t texts = 0;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        items[at + i] = nodes[i];
        texts += isText(nodes[i]);
    }
    b->count = static_cast<std::uint32_t>(n + nodes.size());
    b->textCount += texts;
}

void NodeList::erase(int first, int end) {
    first = std::clamp(first, 0, count());
    end = std::clamp(end, first, count());
    if (first == end) return;
    Block* b = block();
    if (!b) {
        entries_ = nullptr;
        return;
    }
    DOMNode** items = b->items();
    std::uint32_t texts = 0;
    for (int i = first; i < end; ++i) texts += isText(items[i]);
    std::memmove(items + first, items + end, static_cast<std::size_t>(count() - end) * sizeof(DOMNode*));
    b->count -= static_cast<std::uint32_t>(end - first);
    b->textCount -= texts;
}

DOMNode* NodeList::takeAt(int index) {
    const int n = count();
    if (index < 0 || index >= n) return nullptr;
    Block* b = block();
    if (!b) {
        DOMNode* node = entries_;
        entries_ = nullptr;
        return node;
    }
    DOMNode** items = b->items();
    DOMNode* node = items[index];
    std::memmove(items + index, items + index + 1, static_cast<std::size_t>(n - index - 1) * sizeof(DOMNode*));
    b->count -= 1;
    b->textCount -= isText(node);
    return node;
}

// ---- AttributeList -------------------------------------------------------------

namespace {

struct NameSlot {
    int index;
    std::uint32_t check;
};

// Open-addressing table of positions into the attribute block, keyed by
// name, its slots kept in `Slots`.
template <typename Slots>
class NameTable {
public:
    // Sized for `expected` entries (at least those there are), so a list
    // reserved ahead is indexed once.
    NameTable(const Attr* items, std::size_t count, std::size_t expected) {
        std::size_t size = 64;
        while (size < std::max(count, expected) * 2) size *= 2;
        slots_.assign(size, NameSlot{-1, 0});
        for (std::size_t i = 0; i < count; ++i) add(items, static_cast<int>(i));
    }
    bool needsRebuild(std::size_t count) const { return count * 2 > slots_.size(); }
    int find(const Attr* items, const StringObject& name) const {
        const std::size_t h = hash(name);
        const auto check = static_cast<std::uint32_t>(h >> 32);
        for (std::size_t s = h & mask();; s = (s + 1) & mask()) {
            const NameSlot& slot = slots_[s];
            if (slot.index < 0) return -1;
            // The stored hash bits spare most visits to the attribute itself.
            if (slot.check == check && items[slot.index].name.equals(name)) return slot.index;
        }
    }
    // The position of the attribute named `name`; when there is none, -1,
    // and `name` is filed under `position`, where the caller puts it.
    int findOrAdd(const Attr* items, const StringObject& name, int position) {
        const std::size_t h = hash(name);
        const auto check = static_cast<std::uint32_t>(h >> 32);
        std::size_t s = h & mask();
        for (; slots_[s].index >= 0; s = (s + 1) & mask())
            if (slots_[s].check == check && items[slots_[s].index].name.equals(name)) return slots_[s].index;
        slots_[s] = NameSlot{position, check};
        return -1;
    }
    void add(const Attr* items, int index) {
        const std::size_t h = hash(items[index].name);
        std::size_t s = h & mask();
        while (slots_[s].index >= 0) s = (s + 1) & mask();
        slots_[s] = NameSlot{index, static_cast<std::uint32_t>(h >> 32)};
    }

private:
    std::size_t mask() const { return slots_.size() - 1; }
    // A word at a time: names are short, and most fit in two words.
    static std::size_t hash(const StringObject& name) {
        constexpr std::uint64_t k = 0x9E3779B97F4A7C15ull;
        const char* d = name.data();
        const std::size_t n = name.length();
        std::uint64_t h = n * k;
        std::size_t i = 0;
        for (; i + 8 <= n; i += 8) {
            std::uint64_t w;
            std::memcpy(&w, d + i, 8);
            h = (h ^ w) * k;
            h ^= h >> 29;
        }
        if (i < n) {
            // The last bytes, read as whole words that may overlap those before.
            std::uint64_t w;
            if (n >= 8) {
                std::memcpy(&w, d + n - 8, 8);
            } else if (n >= 4) {
                std::uint32_t head, tail;
                std::memcpy(&head, d, 4);
                std::memcpy(&tail, d + n - 4, 4);
                w = head | std::uint64_t{tail} << 32;
            } else {
                w = static_cast<unsigned char>(d[0]) | static_cast<unsigned char>(d[n / 2]) << 8 |
                    static_cast<std::uint64_t>(static_cast<unsigned char>(d[n - 1])) << 16;
            }
            h = (h ^ w) * k;
        }
        // Mix the high bits down: the table takes the low bits.
        h ^= h >> 33;
        h *= 0xff51afd7ed558ccdull;
        h ^= h >> 33;
        return static_cast<std::size_t>(h);
    }
    Slots slots_;
};

}  // namespace

// The index a list keeps between lookups. It is a cache that outlives the
// lookup that made it, so it lives outside the model's blocks: an operation
// that fails leaves none of them behind.
class AttributeList::Index : public NameTable<std::vector<NameSlot>> {
public:
    using NameTable::NameTable;
};

std::size_t AttributeList::blockBytes(std::size_t capacity) noexcept {
    const std::size_t indexBytes = capacity >= indexThreshold ? sizeof(Index*) : 0;
    return sizeof(Block) + capacity * sizeof(Attr) + indexBytes;
}

// The index's place follows the entries, which leave it unaligned.
unsigned char* AttributeList::indexPlace() const noexcept {
    return reinterpret_cast<unsigned char*>(block_->items() + block_->capacity);
}

AttributeList::Index* AttributeList::nameIndex() const noexcept {
    Index* index = nullptr;
    if (block_ && block_->capacity >= indexThreshold)
        std::memcpy(&index, indexPlace(), sizeof index);
    return index;
}

// The index is a cache: a lookup may make it, so this is const.
void AttributeList::setNameIndex(Index* index) const noexcept {
    std::memcpy(indexPlace(), &index, sizeof index);
}

AttributeList::~AttributeList() {
    if (!block_) return;
    dropIndex();
    Attr* items = block_->items();
    for (std::uint32_t i = 0; i < block_->count; ++i) items[i].~Attr();
    detail::releaseBlock(block_, blockBytes(block_->capacity));
}

void AttributeList::dropIndex() noexcept {
    if (Index* index = nameIndex()) {
        delete index;
        setNameIndex(nullptr);
    }
}

void AttributeList::grow(std::size_t needed) {
    const std::size_t oldCapacity = block_ ? block_->capacity : 0;
    if (needed <= oldCapacity) return;
    Index* const index = nameIndex();  // positions are unchanged by the move
    auto* grown = static_cast<Block*>(detail::allocateBlock(blockBytes(needed)));
    *grown = Block{0, static_cast<std::uint32_t>(needed)};
    if (block_) {
        Attr* from = block_->items();
        Attr* to = grown->items();
        for (std::uint32_t i = 0; i < block_->count; ++i) {
            new (to + i) Attr(std::move(from[i]));
            from[i].~Attr();
        }
        grown->count = block_->count;
        detail::releaseBlock(block_, blockBytes(oldCapacity));
    }
    block_ = grown;
    if (needed >= indexThreshold) setNameIndex(index);
}

void AttributeList::reserve(std::size_t n) { grow(n); }

void AttributeList::appendUnchecked(StringObject name, StringObject value) {
    const std::size_t n = static_cast<std::size_t>(count());
    if (!block_ || n == block_->capacity) grow(grownCapacity(n, n + 1));
    new (block_->items() + n) Attr{std::move(name), std::move(value), 0};
    block_->count = static_cast<std::uint32_t>(n + 1);
}

void AttributeList::mergeRepeatedNames() {
    // Whatever it held, the index no longer knows the names appended.
    dropIndex();
    const std::size_t n = static_cast<std::size_t>(count());
    if (n < 2) return;
    Attr* items = block_->items();
    // Each attribute in turn either goes to the next kept place or hands
    // its value to the kept one of its name.
    std::size_t kept = 0;
    auto take = [&](std::size_t i, int same) {
        if (same >= 0) {
            items[same].value = std::move(items[i].value);
        } else {
            if (kept != i) items[kept] = std::move(items[i]);
            ++kept;
        }
    };
    if (n < indexThreshold) {
        for (std::size_t i = 0; i < n; ++i) {
            int same = -1;
            for (std::size_t j = 0; j < kept; ++j)
                if (items[j].name.equals(items[i].name)) same = static_cast<int>(j);
            take(i, same);
        }
    } else {
        // Looked up as it is filled; dropped after, as a list that is only
        // read and written never needs it (the next lookup makes one). In
        // the model's blocks, so that a large one takes huge pages.
        NameTable<detail::BlockArray<NameSlot>> index(items, 0, n);
        for (std::size_t i = 0; i < n; ++i) {
            take(i, index.findOrAdd(items, items[i].name, static_cast<int>(kept)));
        }
    }
    for (std::size_t i = kept; i < n; ++i) items[i].~Attr();
    block_->count = static_cast<std::uint32_t>(kept);
}

int AttributeList::indexOf(const StringObject& name) const {
    const int n = count();
    if (n == 0) return -1;
    const Attr* items = block_->items();
    if (static_cast<std::size_t>(n) < indexThreshold) {
        for (int i = 0; i < n; ++i)
            if (items[i].name.equals(name)) return i;
        return -1;
    }
    Index* index = nameIndex();
    if (!index) {
        index = new Index(items, static_cast<std::size_t>(n), block_->capacity);
        setNameIndex(index);
    }
    return index->find(items, name);
}

bool AttributeList::set(StringObject name, StringObject value, std::uint8_t flag) {
    const int existing = indexOf(name);
    if (existing >= 0) {
        block_->items()[existing].value = std::move(value);
        return true;
    }
    const std::size_t n = static_cast<std::size_t>(count());
    if (!block_ || n == block_->capacity) grow(grownCapacity(n, n + 1));
    new (block_->items() + n) Attr{std::move(name), std::move(value), flag};
    block_->count = static_cast<std::uint32_t>(n + 1);
    if (Index* index = nameIndex()) {
        // A full index is made anew by the next lookup, which allocates
        // before anything changes: the attribute is in, whatever follows.
        if (index->needsRebuild(n + 1))
            dropIndex();
        else
            index->add(block_->items(), static_cast<int>(n));
    }
    return false;
}

void AttributeList::appendDistinct(const Attr* attributes, std::size_t added) {
    if (added == 0) return;
    const std::size_t n = static_cast<std::size_t>(count());
    grow(n + added);
    dropIndex();  // made again by the next lookup that needs it
    Attr* items = block_->items() + n;
    for (std::size_t i = 0; i < added; ++i) new (items + i) Attr(attributes[i]);
    block_->count = static_cast<std::uint32_t>(n + added);
}

bool AttributeList::remove(const StringObject& name) {
    const int i = indexOf(name);
    if (i < 0) return false;
    Attr* items = block_->items();
    const int n = count();
    for (int j = i; j + 1 < n; ++j) items[j] = std::move(items[j + 1]);
    items[n - 1].~Attr();
    block_->count -= 1;
    dropIndex();  // positions moved; rebuilt on the next lookup that needs it
    return true;
}

void AttributeList::insertAt(int index, const Attr& attribute) {
    const std::size_t n = static_cast<std::size_t>(count());
    const auto at = static_cast<std::size_t>(std::clamp(index, 0, static_cast<int>(n)));
    Attr copy = attribute;  // `attribute` may be one of ours
    if (!block_ || n == block_->capacity) grow(grownCapacity(n, n + 1));
    Attr* items = block_->items();
    if (at == n) {
        new (items + n) Attr(std::move(copy));
    } else {
        new (items + n) Attr(std::move(items[n - 1]));
        for (std::size_t j = n - 1; j > at; --j) items[j] = std::move(items[j - 1]);
        items[at] = std::move(copy);
    }
    block_->count = static_cast<std::uint32_t>(n + 1);
    dropIndex();  // positions moved
}

void AttributeList::rename(int index, StringObject name) {
    if (index < 0 || index >= count()) return;
    block_->items()[index].name = std::move(name);
    dropIndex();  // the name is filed under its old hash
}

// ---- DOMList -------------------------------------------------------------------

void DOMList::addChunk() { chunks_.emplace_back(chunkMask + 1); }

void DOMList::put(int index, DOMNode* node) {
    if (index >= 0 && index < count()) {
        const auto i = static_cast<std::size_t>(index);
        chunks_[i >> chunkBits][i & chunkMask] = node;
    } else {
        append(node);
    }
}

}  // namespace corvantis
