// The pages' dialog services on Windows: user32 itself. Timers have no
// timer procedure, so WM_TIMER reaches the page's dialog procedure.
#pragma once

#include "platform/dialog.h"

namespace torvex {

class Win32Dialogs final : public DialogPort {
public:
    UINT_PTR SetTimer(HWND window, UINT_PTR timerId, UINT periodMs) override;
    BOOL KillTimer(HWND window, UINT_PTR timerId) override;
    BOOL SetControlText(HWND dialog, int controlId, const char* text) override;
    HWND ParentWindow(HWND window) override;
    LONG_PTR SetDialogUserData(HWND dialog, LONG_PTR value) override;
    LONG_PTR GetDialogUserData(HWND dialog) override;
};

} // namespace torvex
