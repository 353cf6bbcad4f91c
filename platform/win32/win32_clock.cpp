#include "platform/win32/win32_clock.h"

namespace torvex {

DWORD Win32Clock::GetTickCount()
{
    return ::GetTickCount();
}

void Win32Clock::Sleep(DWORD ms)
{
    ::Sleep(ms);
}

} // namespace torvex
