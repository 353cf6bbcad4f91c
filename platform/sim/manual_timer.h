// A periodic timer that only the test fires. Starting records what the
// driver asked for (period, resolution, callback, user value); Fire calls a
// running timer's callback on the calling thread, so a test steps the
// driver's playback one tick at a time. As with the real timers, a callback
// may kill its own timer while it is being fired, and Kill from another
// thread waits until a fire in progress has returned.
#pragma once

#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/timer.h"

namespace torvex {

// One timer as it was started.
struct ManualTimerRecord {
    UINT delayMs = 0;
    UINT resolutionMs = 0;
    TimerCallback callback = nullptr;
    DWORD_PTR user = 0;
    bool running = false;
    int fireCount = 0;
};

class ManualTimer final : public TimerPort {
public:
    ManualTimer() = default;
    ManualTimer(const ManualTimer&) = delete;
    ManualTimer& operator=(const ManualTimer&) = delete;

    UINT StartPeriodic(UINT delayMs, UINT resolutionMs, TimerCallback callback, DWORD_PTR user) override;
    UINT Kill(UINT timerId) override;

    // Calls the callback of a running timer once; false when `timerId` names
    // no running timer.
    bool Fire(UINT timerId);
    // Fires every timer running when called, in the order they were started;
    // a timer killed by an earlier callback of the round is skipped. Returns
    // how many callbacks ran.
    int FireAll();

    // Every following start fails (returns 0), as when the system has no
    // timer left; StartNormally ends that.
    void FailStarts();
    void StartNormally();

    bool IsRunning(UINT timerId) const;
    int RunningCount() const;
    int StartCount() const;
    int KillCount() const;
    UINT LastDelayMs() const;
    UINT LastResolutionMs() const;
    std::optional<ManualTimerRecord> Record(UINT timerId) const;

private:
    struct FireInProgress {
        UINT timerId;
        std::thread::id thread;
    };

    // Marks a fire as begun; nullopt when the timer is not running.
    std::optional<ManualTimerRecord> BeginFire(UINT timerId);
    void EndFire(UINT timerId);
    // A fire of the timer on another thread than the caller's has not returned.
    bool FiredElsewhere(UINT timerId) const;

    mutable std::mutex mutex_;
    std::condition_variable fireEnded_;
    std::map<UINT, ManualTimerRecord> timers_;
    UINT nextId_ = 1;
    bool failStarts_ = false;
    int starts_ = 0;
    int kills_ = 0;
    UINT lastDelayMs_ = 0;
    UINT lastResolutionMs_ = 0;
    // Callbacks may fire other timers, or several threads may fire at once.
    std::vector<FireInProgress> firing_;
};

} // namespace torvex
