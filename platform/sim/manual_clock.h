// A clock that only the test moves. Sleeping takes no time, so a test of
// code that sleeps runs at once, but every sleep is counted so the test can
// still see that (and how long) the code meant to wait. Safe to read from a
// timer thread while the test thread sets the time.
#pragma once

#include <atomic>

#include "platform/clock.h"

namespace torvex {

class ManualClock final : public ClockPort {
public:
    explicit ManualClock(DWORD startMs = 0) : now_(startMs) {}

    DWORD GetTickCount() override { return now_.load(std::memory_order_relaxed); }
    void Sleep(DWORD ms) override
    {
        sleepCount_.fetch_add(1, std::memory_order_relaxed);
        sleptMs_.fetch_add(ms, std::memory_order_relaxed);
    }

    void Set(DWORD nowMs) { now_.store(nowMs, std::memory_order_relaxed); }
    // Wraps like the real tick count does.
    void Advance(DWORD ms) { now_.fetch_add(ms, std::memory_order_relaxed); }

    int SleepCount() const { return sleepCount_.load(std::memory_order_relaxed); }
    // Total of every requested sleep, in milliseconds (64-bit: INFINITE
    // sleeps add up without wrapping).
    unsigned long long SleptMs() const { return sleptMs_.load(std::memory_order_relaxed); }

private:
    std::atomic<DWORD> now_;
    std::atomic<int> sleepCount_{0};
    std::atomic<unsigned long long> sleptMs_{0};
};

} // namespace torvex
