// Running out of memory on purpose, for tests and fuzz targets. While an
// AllocationLimit is in force, the document model's allocations on the
// thread that set it are counted, and those the limit refuses throw
// std::bad_alloc, as when the system has no memory left. Every node, string
// and list of the model takes its memory through this seam; the standard
// containers the model uses for work in progress (the stack of a walk, the
// element index's chunks) do not.
//
// Limits nest: every limit in force on a thread counts, and an allocation
// that any of them refuses fails. While no limit is in force anywhere, the
// seam costs an allocation one load and one branch.
#pragma once

#include <cstddef>

namespace corvantis {

class AllocationLimit {
public:
    // Refuses nothing: counts only.
    AllocationLimit() noexcept : AllocationLimit(noBudget, 0) {}
    // Refuses every allocation that would take the bytes allocated since the
    // limit was set past `bytes`. Bytes given back do not count back.
    static AllocationLimit ofBytes(std::size_t bytes) noexcept { return AllocationLimit(bytes, 0); }
    // Refuses the `n`-th allocation from now on (1: the next one), and only it.
    static AllocationLimit failingAt(std::size_t n) noexcept { return AllocationLimit(noBudget, n); }
    ~AllocationLimit();
    AllocationLimit(const AllocationLimit&) = delete;
    AllocationLimit& operator=(const AllocationLimit&) = delete;

    // Allocations asked for, refused ones and moves of a block to a new size included.
    std::size_t allocations() const noexcept { return allocations_; }
    std::size_t refusals() const noexcept { return refusals_; }
    // What the allocations made took.
    std::size_t bytes() const noexcept { return bytes_; }
    // Blocks made and not given back yet: 0 once everything made under the
    // limit is gone again. Blocks older than the limit that are given back
    // meanwhile count below 0.
    long blocksHeld() const noexcept { return blocksHeld_; }

private:
    static constexpr std::size_t noBudget = ~std::size_t{0};
    AllocationLimit(std::size_t budget, std::size_t failing) noexcept;

    friend struct AllocationLimitAccess;

    std::size_t budget_;
    std::size_t failing_;
    std::size_t allocations_ = 0;
    std::size_t refusals_ = 0;
    std::size_t bytes_ = 0;
    long blocksHeld_ = 0;
    AllocationLimit* outer_;
};

}  // namespace corvantis
