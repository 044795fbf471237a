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
#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>
#include <utility>

#if defined(__SANITIZE_ADDRESS__)
#define CORVANTIS_POOL_DISABLED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CORVANTIS_POOL_DISABLED 1
#endif
#endif

namespace corvantis::detail {

// `bytes` (a multiple of 16) of fresh memory for a slab, aligned to 16;
// throws std::bad_alloc when the system has none. Safe on any thread.
void* takeSlab(std::size_t bytes);

template <std::size_t Size>
class FixedPool {
public:
    static void* allocate() {
#ifdef CORVANTIS_POOL_DISABLED
        return ::operator new(Size);  // let the address sanitizer see every block
#else
        State& s = state();
        if (Block* block = s.free) {
            s.free = block->next;
            return block;
        }
        if (s.unused == s.end) refill(s);
        Block* block = s.unused++;
        return block;
#endif
    }
    static void release(void* p) noexcept {
        if (!p) return;
#ifdef CORVANTIS_POOL_DISABLED
        ::operator delete(p);
#else
        State& s = state();
        Block* block = static_cast<Block*>(p);
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
    struct State {
        Block* free = nullptr;
        // The part of the newest slab not handed out yet: blocks are taken
        // from it in order, so no memory is touched before it is used.
        Block* unused = nullptr;
        Block* end = nullptr;
        std::size_t nextSlabBytes = 4096;
    };
    static State& state() {
        thread_local State s;
        return s;
    }
    [[gnu::noinline]] static void refill(State& s) {
        const std::size_t count = (s.nextSlabBytes + sizeof(Block) - 1) / sizeof(Block);
        const std::size_t bytes = (count * sizeof(Block) + 15) / 16 * 16;
        s.unused = static_cast<Block*>(takeSlab(bytes));
        s.end = s.unused + count;
        // Slabs grow with the demand, up to a size whose last, partly used
        // slab costs little: every size in use has one.
        if (s.nextSlabBytes < (std::size_t{256} << 10)) s.nextSlabBytes *= 2;
    }
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

// Large blocks come from malloc, so that growing one can use realloc.
inline void* allocateBlock(std::size_t bytes) {
    if (bytes == 0) bytes = 1;
    if (bytes > smallBlockLimit) {
        void* p = std::malloc(bytes);
        if (!p) throw std::bad_alloc();
        return p;
    }
    return SmallBlocks::allocate[(bytes - 1) / smallBlockStep]();
}

// Moves a large block to a size that is large too; the content is kept.
inline void* reallocateLargeBlock(void* p, std::size_t bytes) {
    void* grown = std::realloc(p, bytes);
    if (!grown) throw std::bad_alloc();
    return grown;
}

inline void releaseBlock(void* p, std::size_t bytes) noexcept {
    if (!p) return;
    if (bytes == 0) bytes = 1;
    if (bytes > smallBlockLimit) {
        std::free(p);
        return;
    }
    SmallBlocks::release[(bytes - 1) / smallBlockStep](p);
}

}  // namespace corvantis::detail
