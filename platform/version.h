// Which Windows the software runs on, as GetVersionExA reports it.
#pragma once

#include "platform/windows_api.h"

namespace torvex {

class VersionPort {
public:
    virtual ~VersionPort() = default;
    // Fills `info` (whose dwOSVersionInfoSize the port sets); false when
    // the system does not answer.
    virtual bool GetVersion(OSVERSIONINFOA* info) = 0;
};

} // namespace torvex
