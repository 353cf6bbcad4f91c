// What the property sheet's pages need of the window system beyond the
// controls': a dialog's own user word, its frame window, the texts of its
// static controls and the window timers that drive the pages. Results
// follow the user32 functions they stand for.
#pragma once

#include <span>

#include "platform/windows_api.h"

namespace torvex {

class DialogPort {
public:
    virtual ~DialogPort() = default;
    // SetTimer(window, timerId, periodMs, no procedure): WM_TIMER with
    // `timerId` reaches the window's procedure every `periodMs`. Setting an
    // id that runs already restarts it. 0 on failure, else `timerId`.
    virtual UINT_PTR SetTimer(HWND window, UINT_PTR timerId, UINT periodMs) = 0;
    virtual BOOL KillTimer(HWND window, UINT_PTR timerId) = 0;
    // SetDlgItemTextA.
    virtual BOOL SetControlText(HWND dialog, int controlId, const char* text) = 0;
    // GetParent: a page's parent is the property sheet's frame.
    virtual HWND ParentWindow(HWND window) = 0;
    // SetWindowLongPtrA / GetWindowLongPtrA with DWLP_USER (DWL_USER).
    virtual LONG_PTR SetDialogUserData(HWND dialog, LONG_PTR value) = 0;
    virtual LONG_PTR GetDialogUserData(HWND dialog) = 0;
};

// One control of a dialog template, as the resource compiler lays it out:
// rectangles in dialog units, id 65535 for unnumbered controls.
struct DialogControlTemplate {
    const char* text;
    WORD id;
    const char* className;
    DWORD style;
    short x, y, cx, cy;
};

// A dialog template: the page's id, title, size in dialog units, style,
// font and controls in template order.
struct DialogTemplate {
    WORD id;
    const char* title;
    DWORD style;
    short cx, cy;
    const char* fontName;
    WORD pointSize;
    std::span<const DialogControlTemplate> controls;
};

} // namespace torvex
