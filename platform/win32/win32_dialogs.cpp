#include "platform/win32/win32_dialogs.h"

namespace torvex {

UINT_PTR Win32Dialogs::SetTimer(HWND window, UINT_PTR timerId, UINT periodMs)
{
    return ::SetTimer(window, timerId, periodMs, nullptr);
}

BOOL Win32Dialogs::KillTimer(HWND window, UINT_PTR timerId)
{
    return ::KillTimer(window, timerId);
}

BOOL Win32Dialogs::SetControlText(HWND dialog, int controlId, const char* text)
{
    return ::SetDlgItemTextA(dialog, controlId, text);
}

HWND Win32Dialogs::ParentWindow(HWND window)
{
    return ::GetParent(window);
}

LONG_PTR Win32Dialogs::SetDialogUserData(HWND dialog, LONG_PTR value)
{
    // DWLP_USER is DWL_USER on 32-bit Windows, where SetWindowLongPtrA is
    // SetWindowLongA.
    return ::SetWindowLongPtrA(dialog, DWLP_USER, value);
}

LONG_PTR Win32Dialogs::GetDialogUserData(HWND dialog)
{
    return ::GetWindowLongPtrA(dialog, DWLP_USER);
}

} // namespace torvex
