#include "common/os_version.h"

namespace torvex {

int OsVersionClass(VersionPort& version)
{
    OSVERSIONINFOA info{};
    if (!version.GetVersion(&info))
        return kOsUnknown;
    switch (info.dwPlatformId) {
    case VER_PLATFORM_WIN32s:
        return kOsWin32s;
    case VER_PLATFORM_WIN32_WINDOWS:
        if (info.dwMajorVersion != 4)
            return kOsUnknown;
        if (info.dwMinorVersion == 0)
            return kOsWindows95;
        return info.dwMinorVersion == 90 ? kOsWindowsMe : kOsWindows98;
    case VER_PLATFORM_WIN32_NT:
        if (info.dwMajorVersion == 3 || info.dwMajorVersion == 4)
            return kOsWindowsNt4;
        if (info.dwMajorVersion == 5 && info.dwMinorVersion == 0)
            return kOsWindows2000;
        if (info.dwMajorVersion == 5 && info.dwMinorVersion == 1)
            return kOsWindowsXp;
        return kOsUnknown;
    default:
        return kOsUnknown;
    }
}

} // namespace torvex
