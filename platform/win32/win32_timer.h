// The periodic timer on Windows: the multimedia timer (timeSetEvent with
// TIME_PERIODIC), which calls back on the system's timer thread.
//
// timeKillEvent only removes the timer; it does not wait for a callback that
// is running (Wine's returns at once; TIME_KILL_SYNCHRONOUS, which would
// wait, does not exist before Windows XP). So every timer calls back through
// a trampoline that counts its running callbacks, and Kill from any thread
// but the callback's own waits until they have returned. The trampoline
// finds its timer in one process-wide table through a serial number, never
// through a pointer, because the system may still deliver a tick it took
// before the kill, after the Win32Timer that started the timer is gone.
#pragma once

#include "platform/timer.h"

namespace torvex {

class Win32Timer final : public TimerPort {
public:
    Win32Timer() = default;
    // Kills every timer this object started and still runs.
    ~Win32Timer() override;
    Win32Timer(const Win32Timer&) = delete;
    Win32Timer& operator=(const Win32Timer&) = delete;

    UINT StartPeriodic(UINT delayMs, UINT resolutionMs, TimerCallback callback, DWORD_PTR user) override;
    // MMSYSERR_INVALPARAM for an id this object did not start or killed
    // already.
    UINT Kill(UINT timerId) override;
};

} // namespace torvex
