// A periodic timer that calls back on a thread of its own, as the
// multimedia timer paces the driver's playback.
#pragma once

#include "platform/windows_api.h"

namespace torvex {

// The multimedia timer's callback (LPTIMECALLBACK).
using TimerCallback = void(CALLBACK*)(UINT timerId, UINT message, DWORD_PTR user, DWORD_PTR reserved1,
                                      DWORD_PTR reserved2);

class TimerPort {
public:
    virtual ~TimerPort() = default;
    // timeSetEvent(delayMs, resolutionMs, callback, user, TIME_PERIODIC):
    // the timer's id, never 0; 0 when no timer could be started.
    virtual UINT StartPeriodic(UINT delayMs, UINT resolutionMs, TimerCallback callback, DWORD_PTR user) = 0;
    // timeKillEvent: MMSYSERR_NOERROR, or MMSYSERR_INVALPARAM for an id that
    // names no running timer. Callable from the timer's own callback. From
    // any other thread it returns only once a callback already running has
    // finished, so what the callback uses may be freed afterwards.
    virtual UINT Kill(UINT timerId) = 0;
};

} // namespace torvex
