#include "AllocationLimit.h"

#include <new>

#include "Pools.h"

namespace corvantis {

namespace {
thread_local AllocationLimit* current = nullptr;
}  // namespace

AllocationLimit::AllocationLimit(std::size_t budget, std::size_t failing) noexcept
    : budget_(budget), failing_(failing), outer_(current) {
    current = this;
    detail::allocationLimits.fetch_add(1, std::memory_order_relaxed);
}

AllocationLimit::~AllocationLimit() {
    current = outer_;
    detail::allocationLimits.fetch_sub(1, std::memory_order_relaxed);
}

struct AllocationLimitAccess {
    static void admit(std::size_t bytes, long blocks) {
        bool refused = false;
        for (AllocationLimit* limit = current; limit; limit = limit->outer_) {
            ++limit->allocations_;
            if (limit->allocations_ == limit->failing_ || bytes > limit->budget_ - limit->bytes_) {
                ++limit->refusals_;
                refused = true;
            }
        }
        if (refused) throw std::bad_alloc();
        for (AllocationLimit* limit = current; limit; limit = limit->outer_) {
            limit->bytes_ += bytes;
            limit->blocksHeld_ += blocks;
        }
    }
    static void released() noexcept {
        for (AllocationLimit* limit = current; limit; limit = limit->outer_) --limit->blocksHeld_;
    }
};

namespace detail {

void admitLimited(std::size_t bytes) { AllocationLimitAccess::admit(bytes, 1); }

void admitLimitedMove(std::size_t bytes) { AllocationLimitAccess::admit(bytes, 0); }

void releasedLimited() noexcept { AllocationLimitAccess::released(); }

}  // namespace detail

}  // namespace corvantis
