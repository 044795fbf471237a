#include "Pools.h"

#include <sys/mman.h>

#include <cstdint>
#include <mutex>

#ifdef CORVANTIS_POOL_CHECKED
#include <sanitizer/lsan_interface.h>
#endif

#ifdef CORVANTIS_POOL_CHECKED
// The model packs its strings without alignment (a string's storage pointer
// may stand at any offset of a node or an attribute list), and the leak
// checker looks for pointers only at aligned places unless told otherwise:
// a leak check while a document is open would report its long strings as
// leaked. (LSAN_OPTIONS still overrides this.)
extern "C" const char* __lsan_default_options() { return "use_unaligned=1"; }
#endif

namespace corvantis::detail {

namespace {

// Regions are reserved in large steps and touched only as slabs are used.
// Huge pages are 2 MiB; a region aligned to them can be backed by them.
constexpr std::size_t hugePage = std::size_t{2} << 20;
constexpr std::size_t regionBytes = std::size_t{64} << 20;

// A block's mapping is whole huge pages: the system gives a huge page only
// where the mapping covers all of it.
std::size_t wholePages(std::size_t bytes) { return (bytes + hugePage - 1) / hugePage * hugePage; }

struct Region {
    char* next = nullptr;
    char* end = nullptr;
};

char* mapRegion(std::size_t bytes) {
    // Map one huge page more than needed and use the aligned part.
    void* mapped = mmap(nullptr, bytes + hugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    const auto address = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t aligned = (address + hugePage - 1) & ~(hugePage - 1);
    if (aligned > address) munmap(mapped, aligned - address);
    const std::uintptr_t tail = aligned + bytes;
    munmap(reinterpret_cast<void*>(tail), address + bytes + hugePage - tail);
#ifdef MADV_HUGEPAGE
    // Only a request: where the system has no huge pages, normal ones serve.
    madvise(reinterpret_cast<void*>(aligned), bytes, MADV_HUGEPAGE);
#endif
#ifdef CORVANTIS_POOL_CHECKED
    // Nothing here is handed out yet. The leak checker scans only what came
    // from malloc and what it is told of: pooled nodes and lists hold the
    // only pointers to large strings and lists, which come from malloc, so
    // the regions are scanned too. Freed blocks are cleared, so only live
    // ones keep anything reachable; a pooled block that leaks is not seen
    // by the leak checker (AllocationLimit counts blocks for tests that
    // must know).
    detail::poison(reinterpret_cast<void*>(aligned), bytes);
    __lsan_register_root_region(reinterpret_cast<void*>(aligned), bytes);
#endif
    return reinterpret_cast<char*>(aligned);
}

}  // namespace

// Aligned to a huge page, so that all of it can be backed by them.
void* mapBlock(std::size_t bytes) { return mapRegion(wholePages(bytes)); }

void* remapBlock(void* p, std::size_t oldBytes, std::size_t bytes) {
    const std::size_t oldSize = wholePages(oldBytes);
    const std::size_t size = wholePages(bytes);
    if (size == oldSize) return p;
    void* moved = mremap(p, oldSize, size, MREMAP_MAYMOVE);
    if (moved == MAP_FAILED) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
    if (size > oldSize) madvise(moved, size, MADV_HUGEPAGE);
#endif
    return moved;
}

void unmapBlock(void* p, std::size_t bytes) noexcept { munmap(p, wholePages(bytes)); }

void* takeSlab(std::size_t bytes) {
    static std::mutex mutex;
    static Region region;
    std::lock_guard<std::mutex> lock(mutex);
    if (static_cast<std::size_t>(region.end - region.next) < bytes) {
        // The rest of the old region is never touched, so it costs no memory.
        const std::size_t size = bytes > regionBytes ? (bytes + hugePage - 1) / hugePage * hugePage : regionBytes;
        region.next = mapRegion(size);
        region.end = region.next + size;
    }
    void* slab = region.next;
    region.next += bytes;
    return slab;
}

}  // namespace corvantis::detail
