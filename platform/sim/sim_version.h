// A Windows version chosen by the test or the lab.
#pragma once

#include <cstring>

#include "platform/version.h"

namespace torvex {

class SimVersion final : public VersionPort {
public:
    SimVersion() = default;
    SimVersion(DWORD platformId, DWORD major, DWORD minor) { Set(platformId, major, minor); }

    void Set(DWORD platformId, DWORD major, DWORD minor)
    {
        platformId_ = platformId;
        major_ = major;
        minor_ = minor;
        answers_ = true;
    }
    // The query fails, as it does on a system that refuses the record.
    void Fail() { answers_ = false; }

    bool GetVersion(OSVERSIONINFOA* info) override
    {
        if (!answers_)
            return false;
        std::memset(info, 0, sizeof *info);
        info->dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
        info->dwPlatformId = platformId_;
        info->dwMajorVersion = major_;
        info->dwMinorVersion = minor_;
        return true;
    }

private:
    DWORD platformId_ = VER_PLATFORM_WIN32_NT;
    DWORD major_ = 5;
    DWORD minor_ = 1;
    bool answers_ = true;
};

} // namespace torvex
