// The system tick count and sleeping, as the driver uses them: effect time
// advances by the tick count between playback steps, and stopping an effect
// waits for the next report to go out.
#pragma once

#include "platform/windows_api.h"

namespace torvex {

class ClockPort {
public:
    virtual ~ClockPort() = default;
    // Milliseconds since the system started, wrapping after about 49.7
    // days, counted in single milliseconds (on Windows timeGetTime, whose
    // steps are finer than GetTickCount's on 95, 98 and Me).
    virtual DWORD GetTickCount() = 0;
    // Sleep: blocks the calling thread for at least `ms` milliseconds.
    virtual void Sleep(DWORD ms) = 0;
};

} // namespace torvex
