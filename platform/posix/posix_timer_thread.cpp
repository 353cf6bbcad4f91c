#include "platform/posix/posix_timer_thread.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <iterator>
#include <thread>

namespace torvex {

struct PosixTimerThread::Timer {
    UINT id = 0;
    Clock::duration period{};
    TimerCallback callback = nullptr;
    DWORD_PTR user = 0;

    std::mutex mutex;
    std::condition_variable stopRequested;
    bool stopped = false;
    std::atomic<bool> finished{false};
    std::thread thread;

    void Stop()
    {
        {
            std::lock_guard lock(mutex);
            stopped = true;
        }
        stopRequested.notify_all();
    }

    // Sleeps until `deadline`; false when the timer was stopped meanwhile.
    bool SleepUntil(Clock::time_point deadline)
    {
        std::unique_lock lock(mutex);
        return !stopRequested.wait_until(lock, deadline, [this] { return stopped; });
    }

    bool IsStopped()
    {
        std::lock_guard lock(mutex);
        return stopped;
    }
};

PosixTimerThread::PosixTimerThread() = default;

PosixTimerThread::~PosixTimerThread()
{
    std::map<UINT, std::unique_ptr<Timer>> running;
    std::vector<std::unique_ptr<Timer>> killed;
    {
        std::lock_guard lock(mutex_);
        running.swap(running_);
        killed.swap(killedFromInside_);
    }
    for (auto& [id, timer] : running) {
        timer->Stop();
    }
    for (auto& [id, timer] : running) {
        timer->thread.join();
    }
    for (auto& timer : killed) {
        timer->thread.join();
    }
}

UINT PosixTimerThread::StartPeriodic(UINT delayMs, UINT /*resolutionMs*/, TimerCallback callback,
                                     DWORD_PTR user)
{
    if (delayMs == 0 || callback == nullptr) {
        return 0;
    }
    JoinFinished();
    auto timer = std::make_unique<Timer>();
    timer->period = std::chrono::milliseconds(delayMs);
    timer->callback = callback;
    timer->user = user;

    std::lock_guard lock(mutex_);
    timer->id = NextId();
    try {
        // The thread starts under the lock, so a callback that kills its own
        // timer at once already finds it listed.
        timer->thread = std::thread(Run, std::ref(*timer));
    } catch (const std::exception&) {
        return 0;
    }
    const UINT id = timer->id;
    running_.emplace(id, std::move(timer));
    return id;
}

UINT PosixTimerThread::NextId()
{
    // Ids are never 0 and never one still in use, even after wrapping.
    while (nextId_ == 0 || running_.count(nextId_) != 0) {
        ++nextId_;
    }
    return nextId_++;
}

UINT PosixTimerThread::Kill(UINT timerId)
{
    std::unique_ptr<Timer> timer;
    {
        std::lock_guard lock(mutex_);
        const auto found = running_.find(timerId);
        if (found == running_.end()) {
            return MMSYSERR_INVALPARAM;
        }
        timer = std::move(found->second);
        running_.erase(found);
    }
    timer->Stop();
    if (timer->thread.get_id() == std::this_thread::get_id()) {
        std::lock_guard lock(mutex_);
        killedFromInside_.push_back(std::move(timer));
        return MMSYSERR_NOERROR;
    }
    // Joined outside the lock: the callback being waited for may itself call
    // into this timer object.
    timer->thread.join();
    JoinFinished();
    return MMSYSERR_NOERROR;
}

void PosixTimerThread::JoinFinished()
{
    std::vector<std::unique_ptr<Timer>> finished;
    {
        std::lock_guard lock(mutex_);
        const auto done = std::stable_partition(killedFromInside_.begin(), killedFromInside_.end(),
                                                [](const auto& timer) { return !timer->finished.load(); });
        std::move(done, killedFromInside_.end(), std::back_inserter(finished));
        killedFromInside_.erase(done, killedFromInside_.end());
    }
    for (auto& timer : finished) {
        timer->thread.join();
    }
}

void PosixTimerThread::Run(Timer& timer)
{
    Clock::time_point due = Clock::now() + timer.period;
    while (timer.SleepUntil(due)) {
        timer.callback(timer.id, 0, timer.user, 0, 0);
        if (timer.IsStopped()) {
            break;
        }
        due = NextDeadline(due, timer.period, Clock::now());
    }
    timer.finished.store(true);
}

PosixTimerThread::Clock::time_point
PosixTimerThread::NextDeadline(Clock::time_point due, Clock::duration period, Clock::time_point now)
{
    if (period <= Clock::duration::zero()) {
        return now;
    }
    const Clock::time_point next = due + period;
    const Clock::duration lag = now - next;
    if (lag < period * kMaxCatchUpBurst) {
        return next;
    }
    // Skip whole periods, keeping the timer's phase, so that exactly
    // kMaxCatchUpBurst late callbacks follow.
    const auto skipped = lag / period - (kMaxCatchUpBurst - 1);
    return next + period * skipped;
}

} // namespace torvex
