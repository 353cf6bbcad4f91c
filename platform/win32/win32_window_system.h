// The window system on Windows: user32 itself. Each call is the user32
// function of the same meaning, with the arguments the controls always pass.
#pragma once

#include "platform/window_system.h"

namespace torvex {

class Win32WindowSystem final : public WindowSystemPort {
public:
    ATOM RegisterWindowClass(const WNDCLASSA& windowClass) override;
    HCURSOR LoadSystemCursor(LPCSTR cursorName) override;
    HBRUSH SystemColorBrush(int colorIndex) override;
    LONG GetUserData(HWND window) override;
    LONG SetUserData(HWND window, LONG value) override;
    HWND GetDlgItem(HWND dialog, int controlId) override;
    BOOL RedrawWindow(HWND window, UINT flags) override;
    int WindowText(HWND window, char* buffer, int capacity) override;
    BOOL GetClientRect(HWND window, RECT* rect) override;
    HDC BeginPaint(HWND window, PAINTSTRUCT* paint) override;
    BOOL EndPaint(HWND window, const PAINTSTRUCT* paint) override;
    LRESULT DefaultWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
};

} // namespace torvex
