// The 25 ms heartbeat of the driver: on every expiry of the playback timer
// the tick keeps the wheel's device file open while effects exist (and
// closed while none do), reads the wheel's buttons, lets every effect render
// its force and sends one output report.
#pragma once

#include "driver/driver_state.h"

namespace torvex {

// How long a tick waits for the wheel's next input report. A wheel that
// sends none must not hold the tick, and with it DriverLock, for ever; a
// real wheel reports far more often than this. The trigger test then uses
// the report before.
constexpr DWORD kInputReportWaitMs = 10;

// The timer's callback; `user` is the DriverModule. A timer that is no
// longer the module's playback timer, or that was asked to stop, is killed
// instead of ticking.
void CALLBACK PlaybackTimerCallback(UINT timerId, UINT message, DWORD_PTR user, DWORD_PTR reserved1,
                                    DWORD_PTR reserved2);

void PlaybackTick(EffectDriver& driver);

// Reads one input report from `device` into the module's LatestInputReport;
// a failed or short read leaves the previous report. Nothing for a null
// handle.
void ReadInputReport(DriverModule& module, HANDLE device);

} // namespace torvex
