// The clock port on Linux: the monotonic clock, which like Windows' tick
// count never jumps when the wall-clock time is set, and sleeping that
// survives signals.
#pragma once

#include "platform/clock.h"

namespace torvex {

class PosixClock final : public ClockPort {
public:
    // CLOCK_MONOTONIC in milliseconds, cut to 32 bits so that it wraps as
    // Windows' tick count does after about 49.7 days.
    DWORD GetTickCount() override;
    // At least `ms` milliseconds, even when signals interrupt the sleep.
    void Sleep(DWORD ms) override;
};

} // namespace torvex
