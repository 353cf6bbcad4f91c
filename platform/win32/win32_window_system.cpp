#include "platform/win32/win32_window_system.h"

namespace torvex {

ATOM Win32WindowSystem::RegisterWindowClass(const WNDCLASSA& windowClass)
{
    return ::RegisterClassA(&windowClass);
}

HCURSOR Win32WindowSystem::LoadSystemCursor(LPCSTR cursorName)
{
    return ::LoadCursorA(nullptr, cursorName);
}

HBRUSH Win32WindowSystem::SystemColorBrush(int colorIndex)
{
    // A class background may name a system colour instead of a brush: the
    // index plus one, so that COLOR_SCROLLBAR (0) is not a null brush.
    return reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(colorIndex + 1));
}

LONG Win32WindowSystem::GetUserData(HWND window)
{
    // The controls keep a 32-bit value; on 64-bit Windows the slot is wider
    // and the upper half is only the sign extension of what was stored.
    return static_cast<LONG>(::GetWindowLongPtrA(window, GWLP_USERDATA));
}

LONG Win32WindowSystem::SetUserData(HWND window, LONG value)
{
    return static_cast<LONG>(::SetWindowLongPtrA(window, GWLP_USERDATA, static_cast<LONG_PTR>(value)));
}

HWND Win32WindowSystem::GetDlgItem(HWND dialog, int controlId)
{
    return ::GetDlgItem(dialog, controlId);
}

BOOL Win32WindowSystem::RedrawWindow(HWND window, UINT flags)
{
    return ::RedrawWindow(window, nullptr, nullptr, flags);
}

int Win32WindowSystem::WindowText(HWND window, char* buffer, int capacity)
{
    if (buffer == nullptr || capacity <= 0) {
        return 0;
    }
    return ::GetWindowTextA(window, buffer, capacity);
}

BOOL Win32WindowSystem::GetClientRect(HWND window, RECT* rect)
{
    return rect != nullptr ? ::GetClientRect(window, rect) : FALSE;
}

HDC Win32WindowSystem::BeginPaint(HWND window, PAINTSTRUCT* paint)
{
    return paint != nullptr ? ::BeginPaint(window, paint) : nullptr;
}

BOOL Win32WindowSystem::EndPaint(HWND window, const PAINTSTRUCT* paint)
{
    return paint != nullptr ? ::EndPaint(window, paint) : FALSE;
}

LRESULT Win32WindowSystem::DefaultWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::DefWindowProcA(window, message, wParam, lParam);
}

} // namespace torvex
