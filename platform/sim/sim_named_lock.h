// The driver's cross-process lock, simulated inside one process: an
// auto-reset event with real, bounded waiting, so tests can hold it from one
// thread and watch the driver wait (and give up) on another. A test can also
// make every wait fail the way a lost or timed-out lock does, and count what
// the driver did with the lock; in particular whether it ever signalled a
// lock it did not hold, which would let two writers at the wheel at once.
// Thread-safe.
#pragma once

#include <condition_variable>
#include <mutex>

#include "platform/named_lock.h"

namespace torvex {

class SimNamedLock final : public NamedLockPort {
public:
    // Signalled (free) to begin with, as the driver creates its event.
    explicit SimNamedLock(bool signalled = true) : signalled_(signalled) {}
    SimNamedLock(const SimNamedLock&) = delete;
    SimNamedLock& operator=(const SimNamedLock&) = delete;

    DWORD Wait(DWORD timeoutMs) override;
    void Signal() override;

    // Every following Wait returns `result` at once and takes nothing, as a
    // wait that timed out or failed does; WaitNormally ends that.
    void FailWaits(DWORD result);
    void WaitNormally();

    int WaitCount() const;
    int SignalCount() const;
    // Someone took the lock and has not signalled it since.
    bool IsHeld() const;
    // Signals of a lock that was free already: a caller that signals
    // without holding the lock. Never legitimate.
    int SignalsWithoutHold() const;

private:
    bool TakeWithin(std::unique_lock<std::mutex>& lock, DWORD timeoutMs);

    mutable std::mutex mutex_;
    std::condition_variable freed_;
    bool signalled_;
    bool failing_ = false;
    DWORD failResult_ = WAIT_FAILED;
    int waits_ = 0;
    int signals_ = 0;
    int signalsWithoutHold_ = 0;
};

} // namespace torvex
