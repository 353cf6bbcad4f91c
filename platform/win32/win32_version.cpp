#include "platform/win32/win32_version.h"

#include <cstring>

namespace torvex {

bool Win32Version::GetVersion(OSVERSIONINFOA* info)
{
    std::memset(info, 0, sizeof *info);
    info->dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    return GetVersionExA(info) != FALSE;
#pragma GCC diagnostic pop
}

} // namespace torvex
