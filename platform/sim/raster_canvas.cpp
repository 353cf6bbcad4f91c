#include "platform/sim/raster_canvas.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace torvex {
namespace {

// A control is at most a few hundred pixels; the cap keeps a bad size from
// turning into a huge allocation.
constexpr int kMaxSide = 8192;

int ClampSide(int side)
{
    return std::clamp(side, 0, kMaxSide);
}

// ---------------------------------------------------------------- lines

// GDI steps the minor axis on an exact tie only for some directions, so
// that a line drawn backwards covers the same pixels as forwards; the
// directions are those Wine's rasteriser biases (screen y grows down).
bool TieSteps(int dx, int dy)
{
    if (dy > 0) {
        return dx <= 0 && -dx <= dy; // steep, down and left
    }
    if (dx < 0) {
        return true; // up and left, shallow or steep
    }
    return dx > -dy; // shallow, up and right
}

// ------------------------------------------------------------------ font

// A 5 x 7 font, one byte per column, bit 0 the top row; characters 0x20
// to 0x7E. The cell is 6 x 13 pixels (about the default GUI font's line
// height), the glyph starting 3 rows down.
constexpr int kGlyphColumns = 5;
constexpr int kGlyphRows = 7;
constexpr int kCellWidth = 6;
constexpr int kCellHeight = 13;
constexpr int kGlyphTop = 3;
constexpr char kFirstGlyph = 0x20;
constexpr char kLastGlyph = 0x7E;

constexpr std::array<std::array<std::uint8_t, kGlyphColumns>, kLastGlyph - kFirstGlyph + 1> kFont = {{
    {0x00, 0x00, 0x00, 0x00, 0x00}, {0x00, 0x00, 0x5F, 0x00, 0x00}, {0x00, 0x07, 0x00, 0x07, 0x00},
    {0x14, 0x7F, 0x14, 0x7F, 0x14}, {0x24, 0x2A, 0x7F, 0x2A, 0x12}, {0x23, 0x13, 0x08, 0x64, 0x62},
    {0x36, 0x49, 0x55, 0x22, 0x50}, {0x00, 0x05, 0x03, 0x00, 0x00}, {0x00, 0x1C, 0x22, 0x41, 0x00},
    {0x00, 0x41, 0x22, 0x1C, 0x00}, {0x08, 0x2A, 0x1C, 0x2A, 0x08}, {0x08, 0x08, 0x3E, 0x08, 0x08},
    {0x00, 0x50, 0x30, 0x00, 0x00}, {0x08, 0x08, 0x08, 0x08, 0x08}, {0x00, 0x60, 0x60, 0x00, 0x00},
    {0x20, 0x10, 0x08, 0x04, 0x02}, {0x3E, 0x51, 0x49, 0x45, 0x3E}, {0x00, 0x42, 0x7F, 0x40, 0x00},
    {0x42, 0x61, 0x51, 0x49, 0x46}, {0x21, 0x41, 0x45, 0x4B, 0x31}, {0x18, 0x14, 0x12, 0x7F, 0x10},
    {0x27, 0x45, 0x45, 0x45, 0x39}, {0x3C, 0x4A, 0x49, 0x49, 0x30}, {0x01, 0x71, 0x09, 0x05, 0x03},
    {0x36, 0x49, 0x49, 0x49, 0x36}, {0x06, 0x49, 0x49, 0x29, 0x1E}, {0x00, 0x36, 0x36, 0x00, 0x00},
    {0x00, 0x56, 0x36, 0x00, 0x00}, {0x08, 0x14, 0x22, 0x41, 0x00}, {0x14, 0x14, 0x14, 0x14, 0x14},
    {0x00, 0x41, 0x22, 0x14, 0x08}, {0x02, 0x01, 0x51, 0x09, 0x06}, {0x32, 0x49, 0x79, 0x41, 0x3E},
    {0x7E, 0x11, 0x11, 0x11, 0x7E}, {0x7F, 0x49, 0x49, 0x49, 0x36}, {0x3E, 0x41, 0x41, 0x41, 0x22},
    {0x7F, 0x41, 0x41, 0x22, 0x1C}, {0x7F, 0x49, 0x49, 0x49, 0x41}, {0x7F, 0x09, 0x09, 0x01, 0x01},
    {0x3E, 0x41, 0x41, 0x51, 0x32}, {0x7F, 0x08, 0x08, 0x08, 0x7F}, {0x00, 0x41, 0x7F, 0x41, 0x00},
    {0x20, 0x40, 0x41, 0x3F, 0x01}, {0x7F, 0x08, 0x14, 0x22, 0x41}, {0x7F, 0x40, 0x40, 0x40, 0x40},
    {0x7F, 0x02, 0x04, 0x02, 0x7F}, {0x7F, 0x04, 0x08, 0x10, 0x7F}, {0x3E, 0x41, 0x41, 0x41, 0x3E},
    {0x7F, 0x09, 0x09, 0x09, 0x06}, {0x3E, 0x41, 0x51, 0x21, 0x5E}, {0x7F, 0x09, 0x19, 0x29, 0x46},
    {0x46, 0x49, 0x49, 0x49, 0x31}, {0x01, 0x01, 0x7F, 0x01, 0x01}, {0x3F, 0x40, 0x40, 0x40, 0x3F},
    {0x1F, 0x20, 0x40, 0x20, 0x1F}, {0x7F, 0x20, 0x18, 0x20, 0x7F}, {0x63, 0x14, 0x08, 0x14, 0x63},
    {0x03, 0x04, 0x78, 0x04, 0x03}, {0x61, 0x51, 0x49, 0x45, 0x43}, {0x00, 0x7F, 0x41, 0x41, 0x00},
    {0x02, 0x04, 0x08, 0x10, 0x20}, {0x00, 0x41, 0x41, 0x7F, 0x00}, {0x04, 0x02, 0x01, 0x02, 0x04},
    {0x40, 0x40, 0x40, 0x40, 0x40}, {0x00, 0x01, 0x02, 0x04, 0x00}, {0x20, 0x54, 0x54, 0x54, 0x78},
    {0x7F, 0x48, 0x44, 0x44, 0x38}, {0x38, 0x44, 0x44, 0x44, 0x20}, {0x38, 0x44, 0x44, 0x48, 0x7F},
    {0x38, 0x54, 0x54, 0x54, 0x18}, {0x08, 0x7E, 0x09, 0x01, 0x02}, {0x08, 0x54, 0x54, 0x54, 0x3C},
    {0x7F, 0x08, 0x04, 0x04, 0x78}, {0x00, 0x44, 0x7D, 0x40, 0x00}, {0x20, 0x40, 0x44, 0x3D, 0x00},
    {0x7F, 0x10, 0x28, 0x44, 0x00}, {0x00, 0x41, 0x7F, 0x40, 0x00}, {0x7C, 0x04, 0x18, 0x04, 0x78},
    {0x7C, 0x08, 0x04, 0x04, 0x78}, {0x38, 0x44, 0x44, 0x44, 0x38}, {0x7C, 0x14, 0x14, 0x14, 0x08},
    {0x08, 0x14, 0x14, 0x18, 0x7C}, {0x7C, 0x08, 0x04, 0x04, 0x08}, {0x48, 0x54, 0x54, 0x54, 0x20},
    {0x04, 0x3F, 0x44, 0x40, 0x20}, {0x3C, 0x40, 0x40, 0x20, 0x7C}, {0x1C, 0x20, 0x40, 0x20, 0x1C},
    {0x3C, 0x40, 0x30, 0x40, 0x3C}, {0x44, 0x28, 0x10, 0x28, 0x44}, {0x0C, 0x50, 0x50, 0x50, 0x3C},
    {0x44, 0x64, 0x54, 0x4C, 0x44}, {0x00, 0x08, 0x36, 0x41, 0x00}, {0x00, 0x00, 0x7F, 0x00, 0x00},
    {0x00, 0x41, 0x36, 0x08, 0x00}, {0x10, 0x08, 0x08, 0x10, 0x08},
}};

const std::array<std::uint8_t, kGlyphColumns>& Glyph(char c)
{
    if (c < kFirstGlyph || c > kLastGlyph) {
        c = '?';
    }
    return kFont[static_cast<std::size_t>(c - kFirstGlyph)];
}

// ------------------------------------------------------------------- PNG

class Crc32 {
public:
    Crc32()
    {
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            table_[n] = c;
        }
    }
    std::uint32_t Of(const std::uint8_t* data, std::size_t size) const
    {
        std::uint32_t c = 0xFFFFFFFFu;
        for (std::size_t i = 0; i < size; ++i) {
            c = table_[(c ^ data[i]) & 0xFF] ^ (c >> 8);
        }
        return c ^ 0xFFFFFFFFu;
    }

private:
    std::array<std::uint32_t, 256> table_{};
};

std::uint32_t Adler32(const std::vector<std::uint8_t>& data)
{
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    for (std::uint8_t byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

void PutBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

void PutChunk(std::vector<std::uint8_t>& out, const char (&type)[5], const std::vector<std::uint8_t>& data)
{
    static const Crc32 crc;
    PutBigEndian(out, static_cast<std::uint32_t>(data.size()));
    std::vector<std::uint8_t> typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    out.insert(out.end(), typed.begin(), typed.end());
    PutBigEndian(out, crc.Of(typed.data(), typed.size()));
}

// zlib stream of "stored" deflate blocks: no compression, the pictures are
// small and this keeps the writer free of a compression library.
std::vector<std::uint8_t> ZlibStored(const std::vector<std::uint8_t>& raw)
{
    constexpr std::size_t kMaxBlock = 65535;
    std::vector<std::uint8_t> out = {0x78, 0x01};
    std::size_t offset = 0;
    do {
        const std::size_t size = std::min(kMaxBlock, raw.size() - offset);
        const bool last = offset + size == raw.size();
        out.push_back(last ? 1 : 0);
        const auto len = static_cast<std::uint16_t>(size);
        const auto nlen = static_cast<std::uint16_t>(~len);
        out.insert(out.end(), {static_cast<std::uint8_t>(len), static_cast<std::uint8_t>(len >> 8),
                               static_cast<std::uint8_t>(nlen), static_cast<std::uint8_t>(nlen >> 8)});
        out.insert(out.end(), raw.begin() + static_cast<std::ptrdiff_t>(offset),
                   raw.begin() + static_cast<std::ptrdiff_t>(offset + size));
        offset += size;
    } while (offset < raw.size());
    PutBigEndian(out, Adler32(raw));
    return out;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

} // namespace

RasterCanvas::RasterCanvas(int width, int height, COLORREF background)
    : width_(ClampSide(width)), height_(ClampSide(height)),
      pixels_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), background)
{
}

COLORREF RasterCanvas::Pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return 0xFFFFFFFFu;
    }
    return pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                   static_cast<std::size_t>(x)];
}

void RasterCanvas::SetPixel(int x, int y, COLORREF color)
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return;
    }
    pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)] =
        color;
}

void RasterCanvas::Line(int x1, int y1, int x2, int y2, COLORREF pen)
{
    if (pen == kNoColor) {
        return;
    }
    // Bresenham along the major axis; the end point itself is not drawn,
    // so that a polyline sets each joint once.
    const int dx = x2 - x1;
    const int dy = y2 - y1;
    const bool xMajor = std::abs(dx) > std::abs(dy);
    const int major = xMajor ? std::abs(dx) : std::abs(dy);
    const int minor = xMajor ? std::abs(dy) : std::abs(dx);
    const int xStep = dx < 0 ? -1 : 1;
    const int yStep = dy < 0 ? -1 : 1;
    const int bias = TieSteps(dx, dy) ? 1 : 0;
    int error = 2 * minor - major;
    int x = x1;
    int y = y1;
    for (int i = 0; i < major; ++i) {
        SetPixel(x, y, pen);
        const bool stepMinor = error + bias > 0;
        error += stepMinor ? 2 * (minor - major) : 2 * minor;
        if (xMajor) {
            x += xStep;
            y += stepMinor ? yStep : 0;
        } else {
            y += yStep;
            x += stepMinor ? xStep : 0;
        }
    }
}

void RasterCanvas::FillRect(const RECT& rect, COLORREF brush)
{
    if (brush == kNoColor) {
        return;
    }
    const int left = std::max<int>(rect.left, 0);
    const int top = std::max<int>(rect.top, 0);
    const int right = std::min<int>(rect.right, width_);
    const int bottom = std::min<int>(rect.bottom, height_);
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            SetPixel(x, y, brush);
        }
    }
}

void RasterCanvas::Ellipse(int left, int top, int right, int bottom, COLORREF pen, COLORREF brush)
{
    if (left > right) {
        std::swap(left, right);
    }
    if (top > bottom) {
        std::swap(top, bottom);
    }
    if (right - left < 1 || bottom - top < 1 || right - left > kMaxSide || bottom - top > kMaxSide) {
        return;
    }
    // A pixel belongs to the disc when its centre lies inside the ellipse
    // through the outermost pixel centres grown by half a pixel: the disc
    // then touches all four sides of the box and is symmetric in both axes.
    const double cx = (left + right - 1) / 2.0;
    const double cy = (top + bottom - 1) / 2.0;
    const double rx = (right - left) / 2.0;
    const double ry = (bottom - top) / 2.0;
    auto inside = [&](int x, int y) {
        if (x < left || x >= right || y < top || y >= bottom) {
            return false;
        }
        const double u = (x - cx) / rx;
        const double v = (y - cy) / ry;
        return u * u + v * v <= 1.0 + 1e-9;
    };
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            if (!inside(x, y)) {
                continue;
            }
            const bool edge =
                !inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1);
            const COLORREF color = edge && pen != kNoColor ? pen : brush;
            if (color != kNoColor) {
                SetPixel(x, y, color);
            }
        }
    }
}

void RasterCanvas::Polygon(const std::vector<POINT>& points, COLORREF pen, COLORREF brush)
{
    if (points.size() < 2) {
        return;
    }
    if (brush != kNoColor) {
        LONG minY = points.front().y;
        LONG maxY = points.front().y;
        for (const POINT& p : points) {
            minY = std::min(minY, p.y);
            maxY = std::max(maxY, p.y);
        }
        minY = std::max<LONG>(minY, 0);
        maxY = std::min<LONG>(maxY, height_ - 1);
        std::vector<double> crossings;
        for (LONG y = minY; y <= maxY; ++y) {
            // ALTERNATE: pixel centres between the 1st and 2nd, 3rd and 4th
            // crossing of the row are inside; each edge counts half-open in
            // y so a vertex on the row is not counted twice.
            crossings.clear();
            for (std::size_t i = 0; i < points.size(); ++i) {
                const POINT& a = points[i];
                const POINT& b = points[(i + 1) % points.size()];
                if (a.y == b.y || y < std::min(a.y, b.y) || y >= std::max(a.y, b.y)) {
                    continue;
                }
                crossings.push_back(a.x + static_cast<double>(y - a.y) * (b.x - a.x) / (b.y - a.y));
            }
            std::sort(crossings.begin(), crossings.end());
            for (std::size_t i = 0; i + 1 < crossings.size(); i += 2) {
                const int from = static_cast<int>(std::ceil(crossings[i]));
                const int to = static_cast<int>(std::ceil(crossings[i + 1]));
                for (int x = std::max(from, 0); x < std::min(to, width_); ++x) {
                    SetPixel(x, static_cast<int>(y), brush);
                }
            }
        }
    }
    // The outline closes back to the first point; as every edge leaves out
    // its end, each vertex is set once by the edge that starts there.
    for (std::size_t i = 0; i < points.size(); ++i) {
        const POINT& a = points[i];
        const POINT& b = points[(i + 1) % points.size()];
        Line(a.x, a.y, b.x, b.y, pen);
    }
}

int RasterCanvas::Text(const std::string& text, const RECT& rect, UINT format, COLORREF color)
{
    const int textWidth = static_cast<int>(std::min<std::size_t>(text.size(), kMaxSide)) * kCellWidth;
    int x = rect.left;
    if ((format & DT_CENTER) != 0) {
        x = rect.left + (rect.right - rect.left - textWidth) / 2;
    }
    // Clipped to the rectangle, as DrawTextA does without DT_NOCLIP.
    const RECT clip = {std::max<LONG>(rect.left, 0), std::max<LONG>(rect.top, 0),
                       std::min<LONG>(rect.right, width_), std::min<LONG>(rect.bottom, height_)};
    for (char c : text) {
        const auto& glyph = Glyph(c);
        for (int column = 0; column < kGlyphColumns; ++column) {
            for (int row = 0; row < kGlyphRows; ++row) {
                const int px = x + column;
                const int py = rect.top + kGlyphTop + row;
                if ((glyph[column] >> row & 1) != 0 && px >= clip.left && px < clip.right && py >= clip.top &&
                    py < clip.bottom) {
                    SetPixel(px, py, color);
                }
            }
        }
        x += kCellWidth;
        if (x >= clip.right) {
            break;
        }
    }
    return kCellHeight;
}

bool RasterCanvas::SavePng(const std::string& path) const
{
    if (width_ == 0 || height_ == 0) {
        return false;
    }
    std::vector<std::uint8_t> header;
    PutBigEndian(header, static_cast<std::uint32_t>(width_));
    PutBigEndian(header, static_cast<std::uint32_t>(height_));
    header.insert(header.end(), {8 /*bits*/, 2 /*RGB*/, 0, 0, 0 /*not interlaced*/});

    std::vector<std::uint8_t> raw;
    raw.reserve(static_cast<std::size_t>(height_) * (1 + 3 * static_cast<std::size_t>(width_)));
    for (int y = 0; y < height_; ++y) {
        raw.push_back(0); // filter: none
        for (int x = 0; x < width_; ++x) {
            const COLORREF c = Pixel(x, y);
            raw.insert(raw.end(), {GetRValue(c), GetGValue(c), GetBValue(c)});
        }
    }

    std::vector<std::uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    PutChunk(file, "IHDR", header);
    PutChunk(file, "IDAT", ZlibStored(raw));
    PutChunk(file, "IEND", {});

    std::unique_ptr<std::FILE, FileCloser> out(std::fopen(path.c_str(), "wb"));
    if (!out) {
        return false;
    }
    const bool written = std::fwrite(file.data(), 1, file.size(), out.get()) == file.size();
    return std::fclose(out.release()) == 0 && written;
}

} // namespace torvex
