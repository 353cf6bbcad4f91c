#include "platform/win32/win32_gdi.h"

namespace torvex {

HPEN Win32Gdi::CreatePen(int style, int width, COLORREF color)
{
    return ::CreatePen(style, width, color);
}

HBRUSH Win32Gdi::CreateSolidBrush(COLORREF color)
{
    return ::CreateSolidBrush(color);
}

HGDIOBJ Win32Gdi::SelectObject(HDC dc, HGDIOBJ object)
{
    return ::SelectObject(dc, object);
}

BOOL Win32Gdi::DeleteObject(HGDIOBJ object)
{
    return ::DeleteObject(object);
}

BOOL Win32Gdi::MoveTo(HDC dc, int x, int y)
{
    return ::MoveToEx(dc, x, y, nullptr);
}

BOOL Win32Gdi::LineTo(HDC dc, int x, int y)
{
    return ::LineTo(dc, x, y);
}

int Win32Gdi::FillRect(HDC dc, const RECT& rect, HBRUSH brush)
{
    return ::FillRect(dc, &rect, brush);
}

BOOL Win32Gdi::Ellipse(HDC dc, int left, int top, int right, int bottom)
{
    return ::Ellipse(dc, left, top, right, bottom);
}

BOOL Win32Gdi::Polygon(HDC dc, const POINT* points, int count)
{
    return points != nullptr && count >= 2 ? ::Polygon(dc, points, count) : FALSE;
}

COLORREF Win32Gdi::SetTextColor(HDC dc, COLORREF color)
{
    return ::SetTextColor(dc, color);
}

int Win32Gdi::SetBkMode(HDC dc, int mode)
{
    return ::SetBkMode(dc, mode);
}

int Win32Gdi::DrawTextInRect(HDC dc, const char* text, int count, RECT* rect, UINT format)
{
    if (text == nullptr || rect == nullptr) {
        return 0;
    }
    return ::DrawTextA(dc, text, count, rect, format);
}

} // namespace torvex
