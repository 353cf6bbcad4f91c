// A lock for the threads of one process that a module holds by value:
// a critical section on Windows (the Windows DLLs' C++ runtime has no
// std::mutex, and critical sections are there on every Windows), a
// recursive mutex on Linux. Taken with CriticalSectionGuard.
#pragma once

#if defined(_WIN32)
#include "platform/win32/win32_critical_section.h"
#else
#include "platform/posix/posix_critical_section.h"
#endif

namespace torvex {

#if defined(_WIN32)
using LocalLock = Win32CriticalSection;
#else
using LocalLock = PosixCriticalSection;
#endif

} // namespace torvex
