// A DIB to draw into and read back pixel by pixel, for the Windows tests
// that hold GDI's pixels against the raster canvas's, or save a picture.
#pragma once

#include "platform/sim/raster_canvas.h"
#include "platform/windows_api.h"

namespace torvex::testing {

// A top-down 32-bit DIB selected into a memory DC, released in reverse.
class DibSurface {
public:
    DibSurface(int width, int height) : width_(width), height_(height), dc_(::CreateCompatibleDC(nullptr))
    {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap_ = ::CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        bits_ = static_cast<const DWORD*>(bits);
        if (bitmap_ != nullptr)
            previous_ = ::SelectObject(dc_, bitmap_);
    }
    ~DibSurface()
    {
        if (previous_ != nullptr)
            ::SelectObject(dc_, previous_);
        if (bitmap_ != nullptr)
            ::DeleteObject(bitmap_);
        if (dc_ != nullptr)
            ::DeleteDC(dc_);
    }
    DibSurface(const DibSurface&) = delete;
    DibSurface& operator=(const DibSurface&) = delete;

    bool ready() const { return bits_ != nullptr && previous_ != nullptr; }
    HDC dc() const { return dc_; }
    int width() const { return width_; }
    int height() const { return height_; }
    // DIB pixels are 0x00RRGGBB, colour values 0x00BBGGRR.
    COLORREF Pixel(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= width_ || y >= height_)
            return 0xFFFFFFFF;
        ::GdiFlush();
        const DWORD v = bits_[y * width_ + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    // The pixels as a raster canvas, to save or compare.
    RasterCanvas Canvas() const
    {
        RasterCanvas canvas(width_, height_);
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                canvas.SetPixel(x, y, Pixel(x, y));
        return canvas;
    }
    // What a new window's first erase leaves.
    void Erase(COLORREF color)
    {
        HBRUSH brush = ::CreateSolidBrush(color);
        const RECT all = {0, 0, width_, height_};
        ::FillRect(dc_, &all, brush);
        ::DeleteObject(brush);
    }

private:
    int width_;
    int height_;
    HDC dc_;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    const DWORD* bits_ = nullptr;
};

} // namespace torvex::testing
