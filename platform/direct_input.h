// DirectInput's one entry point, through which the sheet reaches the wheel:
// DirectInputCreateA on Windows, the simulated DirectInput elsewhere.
#pragma once

#include "platform/windows_api.h"

namespace torvex {

class DirectInputPort {
public:
    virtual ~DirectInputPort() = default;
    // DirectInputCreateA: an IDirectInputA with one reference in `*out`, or
    // a failure code with `*out` null.
    virtual HRESULT CreateDirectInput(HINSTANCE instance, DWORD version, LPDIRECTINPUTA* out,
                                      LPUNKNOWN outer) = 0;
};

} // namespace torvex
