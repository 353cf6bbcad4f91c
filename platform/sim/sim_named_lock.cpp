#include "platform/sim/sim_named_lock.h"

#include <chrono>

namespace torvex {

DWORD SimNamedLock::Wait(DWORD timeoutMs)
{
    std::unique_lock lock(mutex_);
    ++waits_;
    if (failing_) {
        return failResult_;
    }
    if (!TakeWithin(lock, timeoutMs)) {
        return WAIT_TIMEOUT;
    }
    signalled_ = false;
    return WAIT_OBJECT_0;
}

bool SimNamedLock::TakeWithin(std::unique_lock<std::mutex>& lock, DWORD timeoutMs)
{
    const auto free = [this] { return signalled_; };
    if (timeoutMs == INFINITE) {
        freed_.wait(lock, free);
        return true;
    }
    return freed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), free);
}

void SimNamedLock::Signal()
{
    {
        std::lock_guard lock(mutex_);
        ++signals_;
        if (signalled_) {
            ++signalsWithoutHold_;
        }
        signalled_ = true;
    }
    // Auto-reset: one waiter takes it, the others keep waiting.
    freed_.notify_one();
}

void SimNamedLock::FailWaits(DWORD result)
{
    std::lock_guard lock(mutex_);
    failing_ = true;
    failResult_ = result;
}

void SimNamedLock::WaitNormally()
{
    std::lock_guard lock(mutex_);
    failing_ = false;
}

int SimNamedLock::WaitCount() const
{
    std::lock_guard lock(mutex_);
    return waits_;
}

int SimNamedLock::SignalCount() const
{
    std::lock_guard lock(mutex_);
    return signals_;
}

bool SimNamedLock::IsHeld() const
{
    std::lock_guard lock(mutex_);
    return !signalled_;
}

int SimNamedLock::SignalsWithoutHold() const
{
    std::lock_guard lock(mutex_);
    return signalsWithoutHold_;
}

} // namespace torvex
