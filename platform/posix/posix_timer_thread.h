// The periodic timer on Linux: one thread per timer that calls back on a
// steady schedule, as the multimedia timer paces the driver's playback on
// Windows. Kill from another thread stops the timer and waits for a callback
// in progress; Kill from inside the timer's own callback only stops it (the
// thread ends when the callback returns and is joined later). Destroying the
// object stops and joins every timer it started.
#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/timer.h"

namespace torvex {

class PosixTimerThread final : public TimerPort {
public:
    using Clock = std::chrono::steady_clock;

    // A late timer catches up on missed periods with callbacks in a row, as
    // the multimedia timer does, but never more than this many in one burst:
    // after a long stall (a suspended machine, a debugger) a flood of
    // back-to-back playback steps would only shake the wheel.
    static constexpr int kMaxCatchUpBurst = 3;

    PosixTimerThread();
    ~PosixTimerThread() override;
    PosixTimerThread(const PosixTimerThread&) = delete;
    PosixTimerThread& operator=(const PosixTimerThread&) = delete;

    // The resolution is not used: the thread sleeps to the schedule's exact
    // time points, finer than any resolution the driver asks for.
    UINT StartPeriodic(UINT delayMs, UINT resolutionMs, TimerCallback callback, DWORD_PTR user) override;
    UINT Kill(UINT timerId) override;

    // When the callback after the one due at `due` is due, given that it is
    // `now` after that callback returned.
    static Clock::time_point NextDeadline(Clock::time_point due, Clock::duration period,
                                          Clock::time_point now);

private:
    struct Timer;

    static void Run(Timer& timer);
    UINT NextId();
    // Joins the threads of timers that were killed from their own callback
    // and have since returned from it.
    void JoinFinished();

    std::mutex mutex_;
    std::map<UINT, std::unique_ptr<Timer>> running_;
    std::vector<std::unique_ptr<Timer>> killedFromInside_;
    UINT nextId_ = 1;
};

} // namespace torvex
