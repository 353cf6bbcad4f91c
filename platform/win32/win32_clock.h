// The clock port on Windows: the multimedia timer's millisecond count and
// Sleep.
#pragma once

#include "platform/clock.h"

namespace torvex {

class Win32Clock final : public ClockPort {
public:
    DWORD GetTickCount() override;
    void Sleep(DWORD ms) override;
};

} // namespace torvex
