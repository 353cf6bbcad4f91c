// A raster canvas of 32-bit pixels that draws with GDI's rules, the host's
// stand-in for a window's device context: lines exclude their end point,
// fills and shapes exclude their right and bottom edges, ellipses and
// polygons are outlined with the pen and filled with the brush, text is
// drawn in a small built-in bitmap font. It can be saved as a PNG file.
#pragma once

#include <string>
#include <vector>

#include "platform/windows_api.h"

namespace torvex {

class RasterCanvas {
public:
    // Every pixel starts as `background` (a colour value 0x00BBGGRR).
    RasterCanvas(int width, int height, COLORREF background = RGB(255, 255, 255));

    int width() const { return width_; }
    int height() const { return height_; }
    // The colour value at (x, y); 0xFFFFFFFF outside the canvas.
    COLORREF Pixel(int x, int y) const;
    void SetPixel(int x, int y, COLORREF color); // ignored outside

    // The drawing primitives, with the pen and brush colours given (the
    // device-context bookkeeping lives in SimGdi). A pen or brush of
    // `kNoColor` draws nothing (NULL_PEN, NULL_BRUSH).
    static constexpr COLORREF kNoColor = 0xFFFFFFFF;
    void Line(int x1, int y1, int x2, int y2, COLORREF pen);
    void FillRect(const RECT& rect, COLORREF brush);
    void Ellipse(int left, int top, int right, int bottom, COLORREF pen, COLORREF brush);
    void Polygon(const std::vector<POINT>& points, COLORREF pen, COLORREF brush);
    // DT_CENTER (or left-aligned) text, top at rect.top, transparent
    // background; returns the text's height.
    int Text(const std::string& text, const RECT& rect, UINT format, COLORREF color);

    // PNG, 8-bit RGB; false when the file cannot be written.
    bool SavePng(const std::string& path) const;

private:
    int width_;
    int height_;
    std::vector<COLORREF> pixels_;
};

} // namespace torvex
