// Drawing on Windows: gdi32 itself, on whatever device context the caller
// holds (a window's from BeginPaint, or a memory DC in the tests).
#pragma once

#include "platform/gdi.h"

namespace torvex {

class Win32Gdi final : public GdiPort {
public:
    HPEN CreatePen(int style, int width, COLORREF color) override;
    HBRUSH CreateSolidBrush(COLORREF color) override;
    HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) override;
    BOOL DeleteObject(HGDIOBJ object) override;
    BOOL MoveTo(HDC dc, int x, int y) override;
    BOOL LineTo(HDC dc, int x, int y) override;
    int FillRect(HDC dc, const RECT& rect, HBRUSH brush) override;
    BOOL Ellipse(HDC dc, int left, int top, int right, int bottom) override;
    BOOL Polygon(HDC dc, const POINT* points, int count) override;
    COLORREF SetTextColor(HDC dc, COLORREF color) override;
    int SetBkMode(HDC dc, int mode) override;
    int DrawTextInRect(HDC dc, const char* text, int count, RECT* rect, UINT format) override;
};

} // namespace torvex
