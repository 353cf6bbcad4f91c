// The raster canvas draws what GDI draws where the controls depend on it:
// line ends, fill edges, ellipse and polygon bounds, transparent centred
// text. Its PNG files must open in any viewer.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/sim/raster_canvas.h"

namespace torvex::testing {
namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

using Pixels = std::set<std::pair<int, int>>;

Pixels PixelsOf(const RasterCanvas& canvas, COLORREF color)
{
    Pixels found;
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            if (canvas.Pixel(x, y) == color) {
                found.insert({x, y});
            }
        }
    }
    return found;
}

struct Bounds {
    int left = 1 << 30;
    int top = 1 << 30;
    int right = -1; // inclusive
    int bottom = -1;
};

Bounds BoundsOf(const Pixels& pixels)
{
    Bounds b;
    for (const auto& [x, y] : pixels) {
        b.left = std::min(b.left, x);
        b.top = std::min(b.top, y);
        b.right = std::max(b.right, x);
        b.bottom = std::max(b.bottom, y);
    }
    return b;
}

TEST(RasterCanvasLine, PolylineLeavesOutOnlyItsLastPoint)
{
    RasterCanvas canvas(12, 12);
    canvas.Line(0, 9, 0, 0, kBlack);
    canvas.Line(0, 0, 9, 0, kBlack);
    Pixels expected;
    for (int i = 0; i <= 9; ++i) {
        expected.insert({0, i});
    }
    for (int i = 0; i <= 8; ++i) {
        expected.insert({i, 0});
    }
    EXPECT_EQ(PixelsOf(canvas, kBlack), expected);
    EXPECT_EQ(canvas.Pixel(9, 0), kWhite);
}

TEST(RasterCanvasLine, EveryOctantIsOnePixelWideAndStopsBeforeItsEnd)
{
    const int cx = 20;
    const int cy = 20;
    const std::vector<std::pair<int, int>> ends = {{9, 3},  {3, 9},  {-3, 9}, {-9, 3}, {-9, -3}, {-3, -9},
                                                   {3, -9}, {9, -3}, {8, 8},  {-8, 8}, {8, 0},   {0, -8}};
    for (const auto& [dx, dy] : ends) {
        SCOPED_TRACE(::testing::Message() << "to (" << dx << ", " << dy << ")");
        RasterCanvas canvas(41, 41);
        canvas.Line(cx, cy, cx + dx, cy + dy, kBlack);
        const Pixels drawn = PixelsOf(canvas, kBlack);
        const int major = std::max(std::abs(dx), std::abs(dy));
        EXPECT_EQ(static_cast<int>(drawn.size()), major);
        EXPECT_TRUE(drawn.count({cx, cy}));
        EXPECT_FALSE(drawn.count({cx + dx, cy + dy}));
        // One pixel per step along the major axis, never farther than half
        // a pixel from the ideal line.
        std::set<int> majorSteps;
        for (const auto& [x, y] : drawn) {
            const bool xMajor = std::abs(dx) > std::abs(dy);
            majorSteps.insert(xMajor ? x : y);
            const double t = xMajor ? double(x - cx) / dx : double(y - cy) / dy;
            const double ideal = xMajor ? cy + t * dy : cx + t * dx;
            EXPECT_LE(std::abs((xMajor ? y : x) - ideal), 0.5);
        }
        EXPECT_EQ(static_cast<int>(majorSteps.size()), major);
    }
}

TEST(RasterCanvasLine, BackwardsCoversTheSamePixels)
{
    // GDI breaks exact ties so that the direction does not matter; (0,0) to
    // (4,1) has such a tie halfway.
    const std::vector<std::pair<int, int>> ends = {{4, 1}, {1, 4}, {-4, 1}, {-1, 4}, {10, 4}, {4, -10}};
    for (const auto& [dx, dy] : ends) {
        SCOPED_TRACE(::testing::Message() << "to (" << dx << ", " << dy << ")");
        RasterCanvas forward(30, 30);
        forward.Line(12, 12, 12 + dx, 12 + dy, kBlack);
        forward.SetPixel(12 + dx, 12 + dy, kBlack);
        RasterCanvas backward(30, 30);
        backward.Line(12 + dx, 12 + dy, 12, 12, kBlack);
        backward.SetPixel(12, 12, kBlack);
        EXPECT_EQ(PixelsOf(forward, kBlack), PixelsOf(backward, kBlack));
    }
}

TEST(RasterCanvasLine, OffTheCanvasIsClippedAndANullPenDrawsNothing)
{
    RasterCanvas canvas(10, 10);
    canvas.Line(-50, 5, 500, 5, kBlack);
    EXPECT_EQ(PixelsOf(canvas, kBlack).size(), 10u);
    canvas.Line(0, 0, 9, 9, RasterCanvas::kNoColor);
    EXPECT_EQ(PixelsOf(canvas, kBlack).size(), 10u);
}

TEST(RasterCanvasFill, RightAndBottomAreExcluded)
{
    RasterCanvas canvas(10, 10);
    canvas.FillRect(RECT{2, 2, 8, 8}, kRed);
    const Bounds b = BoundsOf(PixelsOf(canvas, kRed));
    EXPECT_EQ(b.left, 2);
    EXPECT_EQ(b.top, 2);
    EXPECT_EQ(b.right, 7);
    EXPECT_EQ(b.bottom, 7);
    EXPECT_EQ(PixelsOf(canvas, kRed).size(), 36u);

    canvas.FillRect(RECT{6, 6, 2, 2}, kBlue); // inverted: empty
    canvas.FillRect(RECT{-5, -5, 1, 1}, kBlue);
    canvas.FillRect(RECT{9, 9, 100, 100}, kBlue);
    EXPECT_EQ(PixelsOf(canvas, kBlue), (Pixels{{0, 0}, {9, 9}}));
}

TEST(RasterCanvasEllipse, FillsItsBoxLessRightAndBottomSymmetrically)
{
    RasterCanvas canvas(32, 32);
    canvas.Ellipse(10, 10, 21, 21, kBlack, kRed);
    Pixels all = PixelsOf(canvas, kBlack);
    const Pixels inside = PixelsOf(canvas, kRed);
    all.insert(inside.begin(), inside.end());
    const Bounds b = BoundsOf(all);
    EXPECT_EQ(b.left, 10);
    EXPECT_EQ(b.top, 10);
    EXPECT_EQ(b.right, 20);
    EXPECT_EQ(b.bottom, 20);
    for (const auto& [x, y] : all) {
        EXPECT_TRUE(all.count({30 - x, y})) << x << "," << y;
        EXPECT_TRUE(all.count({x, 30 - y})) << x << "," << y;
        EXPECT_TRUE(all.count({y, x})) << x << "," << y;
    }
    EXPECT_EQ(canvas.Pixel(15, 15), kRed);
    for (const auto& [x, y] : std::vector<std::pair<int, int>>{{10, 15}, {20, 15}, {15, 10}, {15, 20}}) {
        EXPECT_EQ(canvas.Pixel(x, y), kBlack) << x << "," << y;
    }
    EXPECT_EQ(canvas.Pixel(10, 10), kWhite); // the box's corners stay outside
    EXPECT_EQ(canvas.Pixel(20, 20), kWhite);
}

TEST(RasterCanvasEllipse, EvenSizesAndSwappedCornersKeepTheBox)
{
    RasterCanvas a(32, 32);
    a.Ellipse(4, 6, 19, 22, kBlack, kRed); // 15 x 16, like a small lamp
    RasterCanvas b(32, 32);
    b.Ellipse(19, 22, 4, 6, kBlack, kRed);
    EXPECT_EQ(PixelsOf(a, kBlack), PixelsOf(b, kBlack));
    const Bounds box = BoundsOf(PixelsOf(a, kBlack));
    EXPECT_EQ(box.left, 4);
    EXPECT_EQ(box.top, 6);
    EXPECT_EQ(box.right, 18);
    EXPECT_EQ(box.bottom, 21);

    RasterCanvas empty(8, 8);
    empty.Ellipse(3, 3, 3, 7, kBlack, kRed);
    EXPECT_TRUE(PixelsOf(empty, kWhite).size() == 64u);
}

TEST(RasterCanvasPolygon, SquareIsOutlinedThroughEveryVertexAndFilledInside)
{
    RasterCanvas canvas(20, 20);
    canvas.Polygon({{5, 5}, {15, 5}, {15, 15}, {5, 15}}, kBlack, kRed);
    for (const auto& [x, y] :
         std::vector<std::pair<int, int>>{{5, 5}, {15, 5}, {15, 15}, {5, 15}, {10, 5}, {15, 10}}) {
        EXPECT_EQ(canvas.Pixel(x, y), kBlack) << x << "," << y;
    }
    const Bounds fill = BoundsOf(PixelsOf(canvas, kRed));
    EXPECT_EQ(fill.left, 6);
    EXPECT_EQ(fill.top, 6);
    EXPECT_EQ(fill.right, 14);
    EXPECT_EQ(fill.bottom, 14);
    EXPECT_EQ(canvas.Pixel(16, 10), kWhite);
}

TEST(RasterCanvasPolygon, SelfIntersectingStarLeavesItsMiddleOpen)
{
    // A five-pointed star drawn point to every second point: ALTERNATE
    // fills the arms and leaves the pentagon in the middle empty.
    RasterCanvas canvas(41, 41);
    const std::vector<POINT> star = {{20, 1}, {31, 36}, {2, 14}, {38, 14}, {9, 36}};
    canvas.Polygon(star, kBlack, kRed);
    EXPECT_EQ(canvas.Pixel(20, 20), kWhite);
    EXPECT_EQ(canvas.Pixel(20, 8), kRed);  // the top arm
    EXPECT_EQ(canvas.Pixel(8, 15), kRed);  // the left arm
    EXPECT_EQ(canvas.Pixel(12, 32), kRed); // the lower left arm
    for (const POINT& p : star) {
        EXPECT_EQ(canvas.Pixel(p.x, p.y), kBlack) << p.x << "," << p.y;
    }
    EXPECT_EQ(canvas.Pixel(2, 30), kWhite);
}

TEST(RasterCanvasText, IsCentredFromTheTopTransparentAndClipped)
{
    RasterCanvas canvas(40, 30, kBlue);
    const RECT box = {5, 4, 35, 20};
    EXPECT_EQ(canvas.Text("HH", box, DT_CENTER, kRed), 13);
    const Pixels text = PixelsOf(canvas, kRed);
    ASSERT_FALSE(text.empty());
    const Bounds b = BoundsOf(text);
    const int leftMargin = b.left - box.left;
    const int rightMargin = (box.right - 1) - b.right;
    EXPECT_LE(std::abs(leftMargin - rightMargin), 1);
    EXPECT_GE(b.top, box.top);
    EXPECT_LT(b.bottom, box.top + 13);
    // Nothing but the glyphs changed.
    EXPECT_EQ(text.size() + PixelsOf(canvas, kBlue).size(), 40u * 30u);

    RasterCanvas narrow(40, 30, kBlue);
    narrow.Text("WWWWWWWWWWWWWWWW", RECT{10, 10, 20, 30}, DT_CENTER, kRed);
    const Bounds clipped = BoundsOf(PixelsOf(narrow, kRed));
    EXPECT_GE(clipped.left, 10);
    EXPECT_LE(clipped.right, 19);
}

TEST(RasterCanvas, OutsideReadsAsInvalidAndWritesAreIgnored)
{
    RasterCanvas canvas(4, 4);
    canvas.SetPixel(-1, 0, kBlack);
    canvas.SetPixel(4, 4, kBlack);
    EXPECT_EQ(canvas.Pixel(-1, 0), 0xFFFFFFFFu);
    EXPECT_EQ(canvas.Pixel(0, 4), 0xFFFFFFFFu);
    EXPECT_TRUE(PixelsOf(canvas, kBlack).empty());
    RasterCanvas negative(-3, 5);
    EXPECT_EQ(negative.width(), 0);
    EXPECT_EQ(negative.Pixel(0, 0), 0xFFFFFFFFu);
}

std::vector<std::uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t BigEndian(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
    return std::uint32_t{bytes.at(at)} << 24 | std::uint32_t{bytes.at(at + 1)} << 16 |
           std::uint32_t{bytes.at(at + 2)} << 8 | bytes.at(at + 3);
}

TEST(RasterCanvasPng, HasSignatureHeaderStoredPixelsAndEnd)
{
    RasterCanvas canvas(3, 2, RGB(10, 20, 30));
    canvas.SetPixel(2, 1, RGB(200, 100, 50));
    const std::string path = ::testing::TempDir() + "raster_canvas_test.png";
    ASSERT_TRUE(canvas.SavePng(path));
    const std::vector<std::uint8_t> png = ReadFile(path);
    ASSERT_GE(png.size(), 8u + 25u + 12u + 12u);

    const std::vector<std::uint8_t> signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    EXPECT_TRUE(std::equal(signature.begin(), signature.end(), png.begin()));
    EXPECT_EQ(BigEndian(png, 8), 13u);
    EXPECT_EQ(std::string(png.begin() + 12, png.begin() + 16), "IHDR");
    EXPECT_EQ(BigEndian(png, 16), 3u);
    EXPECT_EQ(BigEndian(png, 20), 2u);
    EXPECT_EQ(png[24], 8); // bits per sample
    EXPECT_EQ(png[25], 2); // RGB
    // CRC-32 over "IHDR" and the 13 header bytes, worked out independently.
    EXPECT_EQ(BigEndian(png, 29), 0x1216F14Du);

    // IDAT: a zlib stream of one stored block with two filtered rows.
    const std::size_t idat = 33;
    EXPECT_EQ(std::string(png.begin() + idat + 4, png.begin() + idat + 8), "IDAT");
    const std::size_t z = idat + 8;
    EXPECT_EQ(png[z], 0x78);
    EXPECT_EQ((png[z] * 256 + png[z + 1]) % 31, 0);
    EXPECT_EQ(png[z + 2], 1); // final stored block
    const unsigned length = png[z + 3] | png[z + 4] << 8;
    const unsigned inverse = png[z + 5] | png[z + 6] << 8;
    ASSERT_EQ(length, 2u * (1 + 3 * 3));
    EXPECT_EQ(length ^ inverse, 0xFFFFu);
    const std::vector<std::uint8_t> rows(png.begin() + z + 7, png.begin() + z + 7 + length);
    const std::vector<std::uint8_t> expected = {0, 10, 20, 30, 10, 20, 30, 10,  20,  30,
                                                0, 10, 20, 30, 10, 20, 30, 200, 100, 50};
    EXPECT_EQ(rows, expected);

    const std::size_t iend = png.size() - 12;
    EXPECT_EQ(BigEndian(png, iend), 0u);
    EXPECT_EQ(std::string(png.begin() + iend + 4, png.begin() + iend + 8), "IEND");
    EXPECT_EQ(BigEndian(png, iend + 8), 0xAE426082u);
}

TEST(RasterCanvasPng, LargePicturesSpanSeveralStoredBlocks)
{
    // 120 rows of 1 + 3 x 200 bytes: more than one stored block holds.
    const std::string path = ::testing::TempDir() + "raster_canvas_large.png";
    ASSERT_TRUE(RasterCanvas(200, 120, RGB(1, 2, 3)).SavePng(path));
    const std::vector<std::uint8_t> png = ReadFile(path);
    const std::size_t idat = 33;
    ASSERT_EQ(std::string(png.begin() + idat + 4, png.begin() + idat + 8), "IDAT");
    const std::size_t end = idat + 8 + BigEndian(png, idat) - 4; // before the Adler-32
    std::size_t at = idat + 8 + 2;
    std::size_t total = 0;
    int blocks = 0;
    bool final = false;
    while (at < end && !final) {
        final = png.at(at) == 1;
        const unsigned length = png.at(at + 1) | png.at(at + 2) << 8;
        EXPECT_EQ(length ^ (png.at(at + 3) | png.at(at + 4) << 8), 0xFFFFu);
        total += length;
        at += 5 + length;
        ++blocks;
    }
    EXPECT_TRUE(final);
    EXPECT_EQ(at, end);
    EXPECT_EQ(blocks, 2);
    EXPECT_EQ(total, 120u * (1 + 3 * 200));
}

TEST(RasterCanvasPng, ReportsWhatCannotBeWritten)
{
    EXPECT_FALSE(RasterCanvas(4, 4).SavePng(::testing::TempDir() + "no/such/folder/x.png"));
    EXPECT_FALSE(RasterCanvas(0, 4).SavePng(::testing::TempDir() + "empty.png"));
}

} // namespace
} // namespace torvex::testing
