// AxesControl: the frame, the red cross-hair for the wheel's X and Y, and
// the value its owner stores.
#include <set>
#include <utility>

#include "tests/controls/control_test_support.h"

namespace torvex::testing {
namespace {

constexpr int kAxesId = 1012;

class AxesControlTest : public ControlTest {};

using PixelSet = std::set<std::pair<int, int>>;

PixelSet RedPixels(const RasterCanvas& canvas)
{
    PixelSet red;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            if (canvas.Pixel(x, y) == kRed)
                red.insert({x, y});
    return red;
}

// A horizontal stroke [x1, x2) on row y and a vertical one [y1, y2) in
// column x.
PixelSet Cross(int x, int y, int x1, int x2, int y1, int y2)
{
    PixelSet cross;
    for (int i = x1; i < x2; ++i)
        cross.insert({i, y});
    for (int i = y1; i < y2; ++i)
        cross.insert({x, i});
    return cross;
}

TEST_F(AxesControlTest, NewControlShowsTheFrameWithTheCrossInTheMiddle)
{
    HWND axes = Create("AxesControl", kAxesId, 64, 64);
    EXPECT_EQ(static_cast<DWORD>(sim_.GetUserData(axes)), 0x80008000u);
    const RasterCanvas& canvas = Painted(axes);

    const PixelSet cross = Cross(32, 32, 27, 38, 27, 38);
    EXPECT_EQ(RedPixels(canvas), cross);
    ExpectFrameAndWhiteField(canvas, [&](int x, int y) { return cross.contains({x, y}); });
}

struct CrossCase {
    const char* name;
    LONG x;
    LONG y;
    PixelSet expected;
};

TEST_F(AxesControlTest, CrossStaysInsideTheFieldAtTheEdges)
{
    const CrossCase cases[] = {
        {"origin", 0, 0, Cross(3, 3, 3, 9, 3, 9)},
        // Both strokes end at 60, so the centre pixel itself stays white.
        {"bottom right", 65535, 65535, Cross(60, 60, 55, 60, 55, 60)},
        {"top right", 65535, 0, Cross(60, 3, 55, 60, 3, 9)},
        {"just off the middle", 32768 + 1024, 32768 - 1024, Cross(33, 31, 28, 39, 26, 37)},
    };
    HWND axes = Create("AxesControl", kAxesId, 64, 64);
    for (const CrossCase& c : cases) {
        SetAxesValue(dialog_, kAxesId, c.x, c.y);
        const RasterCanvas& canvas = Painted(axes);
        EXPECT_EQ(RedPixels(canvas), c.expected) << c.name;
        ExpectFrameAndWhiteField(canvas, [&](int x, int y) { return c.expected.contains({x, y}); });
    }
}

TEST_F(AxesControlTest, ValueIsXTimes65536PlusYUnmasked)
{
    HWND axes = Create("AxesControl", kAxesId, 64, 64);
    Painted(axes);

    SetAxesValue(dialog_, kAxesId, 1, 65536);
    EXPECT_EQ(static_cast<DWORD>(sim_.GetUserData(axes)), 0x00020000u);
    // A negative y borrows from the high half.
    SetAxesValue(dialog_, kAxesId, -10000, -10000);
    EXPECT_EQ(static_cast<DWORD>(sim_.GetUserData(axes)), 0xD8EFD8F0u);

    ASSERT_EQ(windows_.redraws.size(), 2u);
    for (const RedrawRequest& redraw : windows_.redraws) {
        EXPECT_EQ(redraw.window, axes);
        EXPECT_EQ(redraw.flags, static_cast<UINT>(RDW_INVALIDATE)) << "repainted without erasing";
    }
    EXPECT_TRUE(sim_.IsInvalid(axes));
}

TEST_F(AxesControlTest, TinyControlsPaintWithoutLeavingTheirCanvas)
{
    for (int size : {0, 1, 2, 5, 7}) {
        HWND axes = Create("AxesControl", kAxesId + size + 1, size, size);
        sim_.PaintIfInvalid(axes);
        EXPECT_EQ(sim_.LiveObjectCount(), 0) << size;
    }
}

} // namespace
} // namespace torvex::testing
