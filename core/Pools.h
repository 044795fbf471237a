// Internal: where the model's small objects live. Documents hold millions of
// nodes, attribute lists and strings, and a general-purpose allocator spends
// more time and memory on each of them than the object itself is worth.
//
// Blocks of one size are carved from slabs and recycled through a free list;
// each thread has its own free list. Slabs come from large regions that ask
// the system for huge pages, so a document read into fresh memory is not
// slowed down by a page fault every few kilobytes. Slabs are never handed
// back, so a block freed late (by a static object, or on another thread)
// still points at live memory.
//
// Under AddressSanitizer the same pools run checked: memory that is not
// handed out is poisoned, every block is followed by a poisoned redzone, a
// block's bytes beyond what was asked for are poisoned, and a freed block
// waits in a quarantine before it is handed out again. So an overflow into
// the next block, a use after free and a double free are reported as they
// are for memory from malloc. The regions are registered with the leak
// checker as memory to scan (see Pools.cpp).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#if defined(__SANITIZE_ADDRESS__)
#define CORVANTIS_POOL_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CORVANTIS_POOL_CHECKED 1
#endif
#endif

#ifdef CORVANTIS_POOL_CHECKED
#include <sanitizer/asan_interface.h>
#endif

namespace corvantis::detail {

// `bytes` (a multiple of 16) of fresh memory for a slab, aligned to 16;
// throws std::bad_alloc when the system has none. Safe on any thread.
void* takeSlab(std::size_t bytes);

// ---- The allocation seam (AllocationLimit.h) ----------------------------------

// How many AllocationLimits are in force, on any thread. While there are
// none, an allocation pays one load and one branch for the seam.
inline std::atomic<int> allocationLimits{0};
// The slow paths, for the thread's own limit if it has one: `admitLimited`
// throws std::bad_alloc when the limit refuses `bytes`.
[[gnu::noinline]] void admitLimited(std::size_t bytes);
[[gnu::noinline]] void releasedLimited() noexcept;
// `grown` is a block moved to `bytes`: an allocation that keeps its count.
[[gnu::noinline]] void admitLimitedMove(std::size_t bytes);

inline void admit(std::size_t bytes) {
    if (__builtin_expect(allocationLimits.load(std::memory_order_relaxed) != 0, 0)) admitLimited(bytes);
}
inline void admitMove(std::size_t bytes) {
    if (__builtin_expect(allocationLimits.load(std::memory_order_relaxed) != 0, 0)) admitLimitedMove(bytes);
}
inline void released() noexcept {
    if (__builtin_expect(allocationLimits.load(std::memory_order_relaxed) != 0, 0)) releasedLimited();
}

// ---- Checking under AddressSanitizer -------------------------------------------

#ifdef CORVANTIS_POOL_CHECKED
// Past the end of each block, so that running over it touches poison
// before it can reach the next block.
constexpr std::size_t redzoneBytes = 16;
// Freed blocks of one size wait until this many bytes of the same size were
// freed after them: long enough for a stale pointer to be caught within the
// command that freed the block, small enough that the tests' many
// documents stay cheap.
constexpr std::size_t quarantineBytes = std::size_t{4} << 20;

inline void poison(const void* p, std::size_t bytes) noexcept { ASAN_POISON_MEMORY_REGION(p, bytes); }
inline void unpoison(const void* p, std::size_t bytes) noexcept { ASAN_UNPOISON_MEMORY_REGION(p, bytes); }
#else
constexpr std::size_t redzoneBytes = 0;
inline void poison(const void*, std::size_t) noexcept {}
inline void unpoison(const void*, std::size_t) noexcept {}
#endif

template <std::size_t Size>
class FixedPool {
public:
    static void* allocate() {
        admit(Size);
        State& s = state();
#ifdef CORVANTIS_POOL_CHECKED
        if (s.quarantined * Size > quarantineBytes) return leaveQuarantine(s);
#else
        if (Block* block = s.free) {
            s.free = block->next;
            return block;
        }
#endif
        if (s.unused == s.end) refill(s);
        Block* block = reinterpret_cast<Block*>(s.unused);
        s.unused += stride;
        unpoison(block, Size);
        return block;
    }
    static void release(void* p) noexcept {
        if (!p) return;
        released();
        State& s = state();
        Block* block = static_cast<Block*>(p);
#ifdef CORVANTIS_POOL_CHECKED
        enterQuarantine(s, block);
#else
        block->next = s.free;
        s.free = block;
#endif
    }

private:
    // Sizes that are not a multiple of 16 belong to objects that need no more
    // than pointer alignment; giving them 16 would waste the difference.
    static constexpr std::size_t blockAlignment = Size % 16 == 0 ? alignof(std::max_align_t) : alignof(void*);
    union Block {
        Block* next;
        alignas(blockAlignment) unsigned char bytes[Size];
    };
    // From one block to the next in a slab.
    static constexpr std::size_t stride = sizeof(Block) + redzoneBytes;
    struct State {
        // Blocks given back: the free list, or (checked) the quarantine's
        // oldest block, each linking to the one given back after it.
        Block* free = nullptr;
        // The part of the newest slab not handed out yet: blocks are taken
        // from it in order, so no memory is touched before it is used.
        unsigned char* unused = nullptr;
        unsigned char* end = nullptr;
        std::size_t nextSlabBytes = 4096;
#ifdef CORVANTIS_POOL_CHECKED
        Block* newest = nullptr;
        std::size_t quarantined = 0;
#endif
    };
    static State& state() {
        thread_local State s;
        return s;
    }
    [[gnu::noinline]] static void refill(State& s) {
        const std::size_t count = (s.nextSlabBytes + stride - 1) / stride;
        const std::size_t bytes = (count * stride + 15) / 16 * 16;
        s.unused = static_cast<unsigned char*>(takeSlab(bytes));
        s.end = s.unused + count * stride;
        // Slabs grow with the demand, up to a size whose last, partly used
        // slab costs little: every size in use has one.
        if (s.nextSlabBytes < (std::size_t{256} << 10)) s.nextSlabBytes *= 2;
    }
#ifdef CORVANTIS_POOL_CHECKED
    static void enterQuarantine(State& s, Block* block) noexcept {
        // A block that is not handed out (freed twice, or never allocated)
        // is poisoned: reading it reports the release that went wrong.
        (void)*static_cast<volatile unsigned char*>(static_cast<void*>(block));
        unpoison(block, Size);  // the part beyond what was asked for too
        // Stale pointers in freed blocks would keep leaked memory from
        // malloc reachable for the leak checker.
        std::memset(block, 0, Size);
        poison(block, Size);
        if (s.newest) {
            unpoison(&s.newest->next, sizeof(Block*));
            s.newest->next = block;
            poison(&s.newest->next, sizeof(Block*));
        } else {
            s.free = block;
        }
        s.newest = block;
        ++s.quarantined;
    }
    static Block* leaveQuarantine(State& s) noexcept {
        Block* block = s.free;
        unpoison(block, Size);
        s.free = block->next;
        block->next = nullptr;
        if (!s.free) s.newest = nullptr;
        --s.quarantined;
        return block;
    }
#endif
};

// Small blocks of any size up to smallBlockLimit, served by one FixedPool per
// 8-byte size class; larger ones by the general allocator. The caller gives
// the same size back on release.
constexpr std::size_t smallBlockLimit = 256;
constexpr std::size_t smallBlockStep = 8;

template <std::size_t... Classes>
struct SmallBlockTables {
    using Allocate = void* (*)();
    using Release = void (*)(void*) noexcept;
    static constexpr Allocate allocate[] = {&FixedPool<(Classes + 1) * smallBlockStep>::allocate...};
    static constexpr Release release[] = {&FixedPool<(Classes + 1) * smallBlockStep>::release...};
};

template <std::size_t... I>
constexpr auto makeSmallBlockTables(std::index_sequence<I...>) {
    return SmallBlockTables<I...>{};
}
using SmallBlocks = decltype(makeSmallBlockTables(std::make_index_sequence<smallBlockLimit / smallBlockStep>{}));

// Blocks of this size and more (a long text, a written document, the
// children of a wide element) are mapped on their own, asking for huge
// pages: most of their cost in a fresh process is the system clearing
// pages, and a huge page is cleared with one fault instead of 512. They
// grow by remapping, without a copy. Under AddressSanitizer they come from
// malloc, where it checks them.
#ifdef CORVANTIS_POOL_CHECKED
constexpr std::size_t mappedBlockLimit = SIZE_MAX;
#else
constexpr std::size_t mappedBlockLimit = std::size_t{1} << 20;
#endif
void* mapBlock(std::size_t bytes);
void* remapBlock(void* p, std::size_t oldBytes, std::size_t bytes);
void unmapBlock(void* p, std::size_t bytes) noexcept;

// Other large blocks come from malloc, so that growing one can use realloc.
inline void* allocateBlock(std::size_t bytes) {
    if (bytes == 0) bytes = 1;
    if (bytes > smallBlockLimit) {
        admit(bytes);
        if (bytes >= mappedBlockLimit) return mapBlock(bytes);
        void* p = std::malloc(bytes);
        if (!p) throw std::bad_alloc();
        return p;
    }
    const std::size_t sizeClass = (bytes - 1) / smallBlockStep;
    void* p = SmallBlocks::allocate[sizeClass]();
    // Only what was asked for may be used.
    poison(static_cast<unsigned char*>(p) + bytes, (sizeClass + 1) * smallBlockStep - bytes);
    return p;
}

// Moves a large block of `oldBytes` to `bytes`, large too; the content is
// kept (as far as it fits).
inline void* reallocateLargeBlock(void* p, std::size_t oldBytes, std::size_t bytes) {
    admitMove(bytes);
    if (oldBytes < mappedBlockLimit && bytes < mappedBlockLimit) {
        void* grown = std::realloc(p, bytes);
        if (!grown) throw std::bad_alloc();
        return grown;
    }
    if (oldBytes >= mappedBlockLimit && bytes >= mappedBlockLimit) return remapBlock(p, oldBytes, bytes);
    // From one kind to the other: copied.
    void* moved = bytes >= mappedBlockLimit ? mapBlock(bytes) : std::malloc(bytes);
    if (!moved) throw std::bad_alloc();
    std::memcpy(moved, p, oldBytes < bytes ? oldBytes : bytes);
    if (oldBytes >= mappedBlockLimit)
        unmapBlock(p, oldBytes);
    else
        std::free(p);
    return moved;
}

inline void releaseBlock(void* p, std::size_t bytes) noexcept {
    if (!p) return;
    if (bytes == 0) bytes = 1;
    if (bytes > smallBlockLimit) {
        released();
        if (bytes >= mappedBlockLimit)
            unmapBlock(p, bytes);
        else
            std::free(p);
        return;
    }
    SmallBlocks::release[(bytes - 1) / smallBlockStep](p);
}

// A growable array of trivially copyable items in the model's blocks: a
// large one is mapped, so it grows without a copy and takes huge pages.
template <typename T>
class BlockArray {
public:
    BlockArray() = default;
    BlockArray(const BlockArray&) = delete;
    BlockArray& operator=(const BlockArray&) = delete;
    ~BlockArray() { releaseBlock(items_, capacity_ * sizeof(T)); }

    std::size_t size() const noexcept { return size_; }
    bool empty() const noexcept { return size_ == 0; }
    T* begin() noexcept { return items_; }
    T* end() noexcept { return items_ + size_; }
    const T* begin() const noexcept { return items_; }
    const T* end() const noexcept { return items_ + size_; }
    T& operator[](std::size_t i) noexcept { return items_[i]; }
    const T& operator[](std::size_t i) const noexcept { return items_[i]; }

    void clear() noexcept { size_ = 0; }
    // Keeps the first `n` items, `n` no more than there are.
    void truncate(std::size_t n) noexcept { size_ = n; }
    // The last item; the array must not be empty.
    T& back() noexcept { return items_[size_ - 1]; }
    const T& back() const noexcept { return items_[size_ - 1]; }
    // The last item, taken out; the array must not be empty.
    T takeLast() noexcept { return items_[--size_]; }
    void push_back(const T& item) {
        if (size_ == capacity_) grow(size_ + 1);
        items_[size_++] = item;
    }
    // `n` copies of `item` in place of what there was.
    void assign(std::size_t n, const T& item) {
        size_ = 0;
        grow(n);
        for (std::size_t i = 0; i < n; ++i) items_[i] = item;
        size_ = n;
    }

private:
    void grow(std::size_t needed) {
        if (needed <= capacity_) return;
        std::size_t capacity = capacity_ * 2;
        if (capacity < needed) capacity = needed;
        const std::size_t oldBytes = capacity_ * sizeof(T);
        const std::size_t bytes = capacity * sizeof(T);
        if (items_ && oldBytes > smallBlockLimit) {
            items_ = static_cast<T*>(reallocateLargeBlock(items_, oldBytes, bytes));
        } else {
            T* grown = static_cast<T*>(allocateBlock(bytes));
            if (items_) {
                std::memcpy(static_cast<void*>(grown), items_, size_ * sizeof(T));
                releaseBlock(items_, oldBytes);
            }
            items_ = grown;
        }
        capacity_ = capacity;
    }

    T* items_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

}  // namespace corvantis::detail
