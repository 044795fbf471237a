// A large text is built in a block of fresh memory, which some machines are
// slow to touch page by page (a quarter of a second for 20 MB on a virtual
// one): huge pages are asked for where the block spans them.
#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>

inline void preferHugePages(const char* block, std::size_t size) {
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t hugePage = std::uintptr_t{2} << 20;
    const auto start = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t from = (start + hugePage - 1) & ~(hugePage - 1);
    const std::uintptr_t to = (start + size) & ~(hugePage - 1);
    if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#else
    static_cast<void>(block);
    static_cast<void>(size);
#endif
}
