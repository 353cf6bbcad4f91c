#include "platform/win32/win32_clock.h"

namespace torvex {

// timeGetTime, not the kernel's GetTickCount: on Windows 95, 98 and Me the
// tick count advances only with the 55 ms system timer, so with a 25 ms
// playback tick an effect's time would stand still on one tick and jump on
// the next, and envelopes and waves would stair-step. timeGetTime counts
// single milliseconds there, is no coarser than the tick count on 2000 and
// XP, and wraps after 2^32 ms just the same.
DWORD Win32Clock::GetTickCount()
{
    return ::timeGetTime();
}

void Win32Clock::Sleep(DWORD ms)
{
    ::Sleep(ms);
}

} // namespace torvex
