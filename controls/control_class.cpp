#include "controls/control_class.h"

#include <cstdint>

#include "controls/control_platform.h"

namespace torvex {

BOOL RegisterControlClass(HINSTANCE instance, const char* className, WNDPROC windowProc)
{
    WindowSystemPort* windows = ControlPlatform().windows;
    if (windows == nullptr || className == nullptr || windowProc == nullptr)
        return FALSE;
    WNDCLASSA windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = windows->LoadSystemCursor(IDC_ARROW);
    windowClass.hbrBackground = windows->SystemColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = className;
    return windows->RegisterWindowClass(windowClass) != 0 ? TRUE : FALSE;
}

void StoreControlValue(HWND dialog, int controlId, LONG value, UINT redrawFlags)
{
    WindowSystemPort* windows = ControlPlatform().windows;
    if (windows == nullptr || dialog == nullptr)
        return;
    HWND control = windows->GetDlgItem(dialog, controlId);
    if (control == nullptr)
        return;
    windows->SetUserData(control, value);
    windows->RedrawWindow(control, redrawFlags);
}

LONG CombineHalves(LONG hi, LONG lo)
{
    const std::uint32_t word = static_cast<std::uint32_t>(hi) * 65536u + static_cast<std::uint32_t>(lo);
    return static_cast<LONG>(word);
}

LRESULT DefaultControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    WindowSystemPort* windows = ControlPlatform().windows;
    return windows != nullptr ? windows->DefaultWindowProc(window, message, wParam, lParam) : 0;
}

} // namespace torvex
