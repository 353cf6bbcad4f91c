#include "driver/effect_memory.h"

#include <atomic>
#include <cstdlib>

namespace torvex {

namespace {

// Allocations still to succeed before the planned failure; negative when
// none is planned.
std::atomic<int> successesBeforeFailure{-1};
std::atomic<long> allocationCount{0};

bool PlannedFailure() noexcept
{
    int left = successesBeforeFailure.load(std::memory_order_relaxed);
    while (left >= 0) {
        if (successesBeforeFailure.compare_exchange_weak(left, left - 1, std::memory_order_relaxed))
            return left == 0;
    }
    return false;
}

} // namespace

void* AllocateEffectMemory(std::size_t bytes) noexcept
{
    allocationCount.fetch_add(1, std::memory_order_relaxed);
    if (PlannedFailure())
        return nullptr;
    return std::malloc(bytes);
}

void FreeEffectMemory(void* block) noexcept
{
    std::free(block);
}

void FailEffectAllocationAfter(int successes) noexcept
{
    successesBeforeFailure.store(successes, std::memory_order_relaxed);
}

long EffectAllocationCount() noexcept
{
    return allocationCount.load(std::memory_order_relaxed);
}

} // namespace torvex
