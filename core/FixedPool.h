// Internal: a free-list allocator for the model's small fixed-size objects.
// Documents hold millions of nodes, and a general-purpose allocator spends
// more time and memory on each of them than the node itself is worth. Blocks
// are carved from large slabs and recycled. Each thread has its own free
// list; slabs are never handed back, so a block freed late (by a static
// object, or on another thread) still points at live memory.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <mutex>
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

template <std::size_t Size>
class FixedPool {
public:
    static void* allocate() {
#ifdef CORVANTIS_POOL_DISABLED
        return ::operator new(Size);  // let the address sanitizer see every block
#endif
        State& s = state();
        Block* block = s.free;
        if (!block) block = refill(s);
        s.free = block->next;
        return block;
    }
    static void release(void* p) noexcept {
        if (!p) return;
#ifdef CORVANTIS_POOL_DISABLED
        ::operator delete(p);
        return;
#endif
        State& s = state();
        Block* block = static_cast<Block*>(p);
        block->next = s.free;
        s.free = block;
    }

private:
    // Sizes that are not a multiple of 16 belong to objects that need no more
    // than pointer alignment; giving them 16 would waste the difference.
    static constexpr std::size_t blockAlignment = Size % 16 == 0 ? alignof(std::max_align_t) : alignof(void*);
    union Block {
        Block* next;
        alignas(blockAlignment) unsigned char bytes[Size];
    };
    struct Slab {
        Slab* previous;
        Block blocks[1];
    };
    struct State {
        Block* free = nullptr;
        Slab* slabs = nullptr;
        std::size_t nextSlabBlocks = 64;
        State* nextState = nullptr;
    };
    static State& state() {
        thread_local State* s = registerState();
        return *s;
    }
    // Every thread's state stays reachable from here for the life of the process.
    [[gnu::noinline]] static State* registerState() {
        static std::mutex mutex;
        static State* all = nullptr;
        State* s = new State;
        std::lock_guard<std::mutex> lock(mutex);
        s->nextState = all;
        all = s;
        return s;
    }
    // Returns the new head of the free list; kept out of line so the common
    // path stays short.
    [[gnu::noinline]] static Block* refill(State& s) {
        const std::size_t count = s.nextSlabBlocks;
        void* memory = std::malloc(offsetof(Slab, blocks) + count * sizeof(Block));
        if (!memory) throw std::bad_alloc();
        Slab* slab = static_cast<Slab*>(memory);
        slab->previous = s.slabs;
        s.slabs = slab;
        for (std::size_t i = count; i-- > 0;) {
            slab->blocks[i].next = s.free;
            s.free = &slab->blocks[i];
        }
        if (s.nextSlabBlocks < 65536) s.nextSlabBlocks *= 2;
        return s.free;
    }
};

}  // namespace corvantis::detail

namespace corvantis::detail {

// Small blocks of any size up to smallBlockLimit, served by one FixedPool per
// 16-byte size class; larger ones by the general allocator. The caller gives
// the same size back on release.
constexpr std::size_t smallBlockLimit = 256;

template <std::size_t... Classes>
struct SmallBlockTables {
    using Allocate = void* (*)();
    using Release = void (*)(void*) noexcept;
    static constexpr Allocate allocate[] = {&FixedPool<(Classes + 1) * 16>::allocate...};
    static constexpr Release release[] = {&FixedPool<(Classes + 1) * 16>::release...};
};

template <std::size_t... I>
constexpr auto makeSmallBlockTables(std::index_sequence<I...>) {
    return SmallBlockTables<I...>{};
}
using SmallBlocks = decltype(makeSmallBlockTables(std::make_index_sequence<smallBlockLimit / 16>{}));

// Large blocks come from malloc, so that growing one can use realloc.
inline void* allocateBlock(std::size_t bytes) {
    if (bytes == 0) bytes = 1;
    if (bytes > smallBlockLimit) {
        void* p = std::malloc(bytes);
        if (!p) throw std::bad_alloc();
        return p;
    }
    return SmallBlocks::allocate[(bytes - 1) / 16]();
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
    SmallBlocks::release[(bytes - 1) / 16](p);
}

// A standard allocator over the small-block pools, for the model's lists.
template <typename T>
struct BlockAllocator {
    using value_type = T;
    BlockAllocator() noexcept = default;
    template <typename U>
    BlockAllocator(const BlockAllocator<U>&) noexcept {}
    T* allocate(std::size_t n) { return static_cast<T*>(allocateBlock(n * sizeof(T))); }
    void deallocate(T* p, std::size_t n) noexcept { releaseBlock(p, n * sizeof(T)); }
    template <typename U>
    bool operator==(const BlockAllocator<U>&) const noexcept { return true; }
    template <typename U>
    bool operator!=(const BlockAllocator<U>&) const noexcept { return false; }
};

}  // namespace corvantis::detail
