// Every allocation of effect data (a slot, its arrays and blocks, the
// copies of an update, the device path) goes through one function, so that
// running out of memory is an ordinary, testable result: a test makes a
// chosen allocation fail and checks that nothing was half-made.
#pragma once

#include <cstddef>
#include <memory>
#include <new>

namespace torvex {

// Null when the memory is not there (or a test said so).
void* AllocateEffectMemory(std::size_t bytes) noexcept;
void FreeEffectMemory(void* block) noexcept;

struct EffectMemoryDeleter {
    void operator()(void* block) const noexcept { FreeEffectMemory(block); }
};

// A copy owned through the hook. T is a plain record (DWORD, LONG,
// DIENVELOPE, raw bytes): the memory is used as it comes, never constructed.
template <class T> using EffectMemory = std::unique_ptr<T, EffectMemoryDeleter>;

// `count` elements of T (an empty array is still a block, so "present"
// stays distinct from "absent"), or null when the byte count overflows or
// the allocation fails.
template <class T> EffectMemory<T> AllocateEffectArray(std::size_t count)
{
    if (count > static_cast<std::size_t>(-1) / sizeof(T))
        return nullptr;
    const std::size_t bytes = count == 0 ? 1 : count * sizeof(T);
    return EffectMemory<T>(static_cast<T*>(AllocateEffectMemory(bytes)));
}

// A base for the driver's heap objects (slots, the driver, its class
// factory): `new (std::nothrow)` goes through the hook too, so a failing
// allocation of the object itself is an ordinary, testable result.
struct HookAllocated {
    static void* operator new(std::size_t size, const std::nothrow_t&) noexcept
    {
        return AllocateEffectMemory(size);
    }
    static void operator delete(void* object) noexcept { FreeEffectMemory(object); }
};

// For tests: the next `successes` allocations succeed and the one after
// fails; every later one succeeds again. Negative: no failure planned.
void FailEffectAllocationAfter(int successes) noexcept;
// How many allocations were made since the process started.
long EffectAllocationCount() noexcept;

} // namespace torvex
