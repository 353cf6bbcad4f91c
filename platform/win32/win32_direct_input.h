// DirectInput itself: DirectInputCreateA from dinput.dll.
#pragma once

#include "platform/direct_input.h"

namespace torvex {

class Win32DirectInput final : public DirectInputPort {
public:
    HRESULT CreateDirectInput(HINSTANCE instance, DWORD version, LPDIRECTINPUTA* out,
                              LPUNKNOWN outer) override
    {
        return DirectInputCreateA(instance, version, out, outer);
    }
};

} // namespace torvex
