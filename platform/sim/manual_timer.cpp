#include "platform/sim/manual_timer.h"

#include <algorithm>
#include <iterator>

namespace torvex {

UINT ManualTimer::StartPeriodic(UINT delayMs, UINT resolutionMs, TimerCallback callback, DWORD_PTR user)
{
    std::lock_guard lock(mutex_);
    if (failStarts_ || callback == nullptr) {
        return 0;
    }
    const UINT id = nextId_++;
    timers_[id] = ManualTimerRecord{delayMs, resolutionMs, callback, user, true, 0};
    ++starts_;
    lastDelayMs_ = delayMs;
    lastResolutionMs_ = resolutionMs;
    return id;
}

UINT ManualTimer::Kill(UINT timerId)
{
    std::unique_lock lock(mutex_);
    const auto timer = timers_.find(timerId);
    if (timer == timers_.end() || !timer->second.running) {
        return MMSYSERR_INVALPARAM;
    }
    timer->second.running = false;
    ++kills_;
    // A callback killing its own timer must not wait for itself.
    fireEnded_.wait(lock, [&] { return !FiredElsewhere(timerId); });
    return MMSYSERR_NOERROR;
}

bool ManualTimer::Fire(UINT timerId)
{
    const std::optional<ManualTimerRecord> timer = BeginFire(timerId);
    if (!timer) {
        return false;
    }
    timer->callback(timerId, 0, timer->user, 0, 0);
    EndFire(timerId);
    return true;
}

int ManualTimer::FireAll()
{
    std::vector<UINT> running;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [id, timer] : timers_) {
            if (timer.running) {
                running.push_back(id);
            }
        }
    }
    int fired = 0;
    for (const UINT id : running) {
        fired += Fire(id) ? 1 : 0;
    }
    return fired;
}

std::optional<ManualTimerRecord> ManualTimer::BeginFire(UINT timerId)
{
    std::lock_guard lock(mutex_);
    const auto timer = timers_.find(timerId);
    if (timer == timers_.end() || !timer->second.running) {
        return std::nullopt;
    }
    ++timer->second.fireCount;
    firing_.push_back({timerId, std::this_thread::get_id()});
    return timer->second;
}

void ManualTimer::EndFire(UINT timerId)
{
    {
        std::lock_guard lock(mutex_);
        const FireInProgress mine{timerId, std::this_thread::get_id()};
        const auto fire = std::find_if(firing_.rbegin(), firing_.rend(), [&](const FireInProgress& f) {
            return f.timerId == mine.timerId && f.thread == mine.thread;
        });
        if (fire != firing_.rend()) {
            firing_.erase(std::next(fire).base());
        }
    }
    fireEnded_.notify_all();
}

bool ManualTimer::FiredElsewhere(UINT timerId) const
{
    const std::thread::id self = std::this_thread::get_id();
    return std::any_of(firing_.begin(), firing_.end(),
                       [&](const FireInProgress& f) { return f.timerId == timerId && f.thread != self; });
}

void ManualTimer::FailStarts()
{
    std::lock_guard lock(mutex_);
    failStarts_ = true;
}

void ManualTimer::StartNormally()
{
    std::lock_guard lock(mutex_);
    failStarts_ = false;
}

bool ManualTimer::IsRunning(UINT timerId) const
{
    std::lock_guard lock(mutex_);
    const auto timer = timers_.find(timerId);
    return timer != timers_.end() && timer->second.running;
}

int ManualTimer::RunningCount() const
{
    std::lock_guard lock(mutex_);
    int running = 0;
    for (const auto& [id, timer] : timers_) {
        running += timer.running ? 1 : 0;
    }
    return running;
}

int ManualTimer::StartCount() const
{
    std::lock_guard lock(mutex_);
    return starts_;
}

int ManualTimer::KillCount() const
{
    std::lock_guard lock(mutex_);
    return kills_;
}

UINT ManualTimer::LastDelayMs() const
{
    std::lock_guard lock(mutex_);
    return lastDelayMs_;
}

UINT ManualTimer::LastResolutionMs() const
{
    std::lock_guard lock(mutex_);
    return lastResolutionMs_;
}

std::optional<ManualTimerRecord> ManualTimer::Record(UINT timerId) const
{
    std::lock_guard lock(mutex_);
    const auto timer = timers_.find(timerId);
    if (timer == timers_.end()) {
        return std::nullopt;
    }
    return timer->second;
}

} // namespace torvex
