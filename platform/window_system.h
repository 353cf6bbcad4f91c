// The window system as the custom controls (and later the property sheet's
// pages) use it: window classes, the controls' 32-bit user data, finding a
// control in its dialog, invalidation and painting. Results follow the
// user32 functions they stand for.
#pragma once

#include "platform/windows_api.h"

namespace torvex {

class WindowSystemPort {
public:
    virtual ~WindowSystemPort() = default;
    // RegisterClassA: the class atom, or 0 (also when a class of that name
    // is already registered in the process).
    virtual ATOM RegisterWindowClass(const WNDCLASSA& windowClass) = 0;
    // LoadCursorA with no instance: a system cursor such as IDC_ARROW.
    virtual HCURSOR LoadSystemCursor(LPCSTR cursorName) = 0;
    // A class background of system colour `colorIndex` (COLOR_BTNFACE):
    // the platform's (HBRUSH)(colorIndex + 1) convention.
    virtual HBRUSH SystemColorBrush(int colorIndex) = 0;

    // The window's user-data word (GWL_USERDATA / GWLP_USERDATA), 32 bits
    // as the controls use it. Setting returns the previous value.
    virtual LONG GetUserData(HWND window) = 0;
    virtual LONG SetUserData(HWND window, LONG value) = 0;
    // GetDlgItem: null when the dialog holds no control with that id.
    virtual HWND GetDlgItem(HWND dialog, int controlId) = 0;
    // RedrawWindow(window, nullptr, nullptr, flags).
    virtual BOOL RedrawWindow(HWND window, UINT flags) = 0;
    // GetWindowTextA: the number of characters copied, without the
    // terminating zero, which is always written when `capacity` > 0.
    virtual int WindowText(HWND window, char* buffer, int capacity) = 0;
    virtual BOOL GetClientRect(HWND window, RECT* rect) = 0;
    // BeginPaint erases the update region with the class background first
    // when the invalidation asked for it (RDW_ERASE, or a new window).
    virtual HDC BeginPaint(HWND window, PAINTSTRUCT* paint) = 0;
    virtual BOOL EndPaint(HWND window, const PAINTSTRUCT* paint) = 0;
    virtual LRESULT DefaultWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
};

} // namespace torvex
