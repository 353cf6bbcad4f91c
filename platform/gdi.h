// Drawing with GDI's semantics, as the custom controls paint: solid pens
// and brushes selected into a device context, lines that exclude their end
// point, fills and shapes whose right and bottom edges are excluded, and
// transparent text. Results follow the gdi32 functions they stand for.
#pragma once

#include "platform/windows_api.h"

namespace torvex {

class GdiPort {
public:
    virtual ~GdiPort() = default;
    // CreatePen(PS_SOLID, width, color) and CreateSolidBrush.
    virtual HPEN CreatePen(int style, int width, COLORREF color) = 0;
    virtual HBRUSH CreateSolidBrush(COLORREF color) = 0;
    // SelectObject: the object it replaces in the device context.
    virtual HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) = 0;
    virtual BOOL DeleteObject(HGDIOBJ object) = 0;

    // MoveToEx (previous position not wanted) and LineTo, which draws up to
    // but not including the end point and leaves the position there.
    virtual BOOL MoveTo(HDC dc, int x, int y) = 0;
    virtual BOOL LineTo(HDC dc, int x, int y) = 0;
    // FillRect: right and bottom excluded.
    virtual int FillRect(HDC dc, const RECT& rect, HBRUSH brush) = 0;
    // Ellipse and Polygon: outlined with the selected pen, filled with the
    // selected brush; the ellipse inside its bounding box, right and bottom
    // excluded; the polygon with the ALTERNATE fill rule.
    virtual BOOL Ellipse(HDC dc, int left, int top, int right, int bottom) = 0;
    virtual BOOL Polygon(HDC dc, const POINT* points, int count) = 0;

    virtual COLORREF SetTextColor(HDC dc, COLORREF color) = 0;
    virtual int SetBkMode(HDC dc, int mode) = 0;
    // DrawTextA in the device context's default font; `count` -1 for a
    // zero-terminated text. The text's height.
    virtual int DrawTextInRect(HDC dc, const char* text, int count, RECT* rect, UINT format) = 0;
};

// InflateRect: grows (or, negative, shrinks) the rectangle on every side.
inline void InflateRect(RECT& rect, int dx, int dy)
{
    rect.left -= dx;
    rect.top -= dy;
    rect.right += dx;
    rect.bottom += dy;
}

} // namespace torvex
