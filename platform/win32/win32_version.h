// The version port on Windows: GetVersionExA with the 148-byte record.
#pragma once

#include "platform/version.h"

namespace torvex {

class Win32Version final : public VersionPort {
public:
    bool GetVersion(OSVERSIONINFOA* info) override;
};

} // namespace torvex
