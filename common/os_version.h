// The classes of Windows the wheel's software knows apart: the registry
// layouts of discovery and calibration differ between them.
#pragma once

#include "platform/version.h"

namespace torvex {

enum OsVersionCode : int {
    kOsUnknown = 0, // the query failed, or a version not listed here
    kOsWin32s = 1,
    kOsWindows95 = 2,
    kOsWindows98 = 3,
    kOsWindowsMe = 4,
    kOsWindowsNt4 = 5, // NT 3.x and 4.0
    kOsWindows2000 = 6,
    kOsWindowsXp = 7,
};

int OsVersionClass(VersionPort& version);

} // namespace torvex
