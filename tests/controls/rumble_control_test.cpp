// RumbleControl: the frame, the black cross-hair and the red dot that
// follows a signed two-component value.
#include "tests/controls/control_test_support.h"

namespace torvex::testing {
namespace {

constexpr int kRumbleId = 1023;
// 101 pixels: field 2..98, plot area 7..94 (right excluded), centre 50,
// half-width 43.
constexpr int kSize = 101;

class RumbleControlTest : public ControlTest {};

bool NotWhite(COLORREF pixel)
{
    return pixel != kWhite;
}

TEST_F(RumbleControlTest, NewControlShowsTheDotOnTheCrossHair)
{
    HWND rumble = Create("RumbleControl", kRumbleId, kSize, kSize);
    EXPECT_EQ(sim_.GetUserData(rumble), 0);
    const RasterCanvas& canvas = Painted(rumble);

    // Arms of 31 pixels, from 35 to 65, through the centre (50, 50).
    for (int i = 35; i <= 65; ++i) {
        if (i >= 45 && i <= 55)
            continue; // under the dot
        EXPECT_EQ(canvas.Pixel(i, 50), kBlack) << i;
        EXPECT_EQ(canvas.Pixel(50, i), kBlack) << i;
    }
    EXPECT_EQ(canvas.Pixel(34, 50), kWhite);
    EXPECT_EQ(canvas.Pixel(66, 50), kWhite);
    EXPECT_EQ(canvas.Pixel(50, 34), kWhite);
    EXPECT_EQ(canvas.Pixel(50, 66), kWhite);
    // The dot: 11 pixels, red inside a black outline.
    EXPECT_EQ(canvas.Pixel(50, 50), kRed);
    EXPECT_EQ(BoxOf(canvas, Is(kRed)), (PixelBox{46, 46, 54, 54}));
    ExpectFrameAndWhiteField(canvas, [](int x, int y) {
        return (y == 50 && x >= 35 && x <= 65) || (x == 50 && y >= 35 && y <= 65) ||
               (x >= 45 && x <= 55 && y >= 45 && y <= 55);
    });
}

TEST_F(RumbleControlTest, DotReachesTheEdgesOfThePlotArea)
{
    HWND rumble = Create("RumbleControl", kRumbleId, kSize, kSize);
    struct Case {
        const char* name;
        LONG value;
        PixelBox disc;
    };
    const Case cases[] = {
        // x 10000, y 0: centre on the right edge (93), on the arm's row.
        {"right", 10000 << 16, {88, 45, 98, 55}},
        // x and y -10000 (0xD8F0 in each half): the top-left corner (7, 7).
        {"top left", static_cast<LONG>(0xD8F0D8F0u), {2, 2, 12, 12}},
        {"bottom", 10000, {45, 88, 55, 98}},
    };
    for (const Case& c : cases) {
        sim_.SetUserData(rumble, c.value);
        sim_.RedrawWindow(rumble, RDW_INVALIDATE);
        const RasterCanvas& canvas = Painted(rumble);
        const PixelBox& d = c.disc;
        const auto isDisc = [&](int x, int y) {
            return x >= d.left && x <= d.right && y >= d.top && y <= d.bottom;
        };
        // Away from the cross-hair, everything that is not white is the dot.
        const int cx = (d.left + d.right) / 2;
        const int cy = (d.top + d.bottom) / 2;
        const auto nearby = BoxOf(canvas, NotWhite, std::max(2, d.left - 3), std::max(2, d.top - 3),
                                  std::min(98, d.right + 3), std::min(98, d.bottom + 3));
        EXPECT_EQ(nearby.value_or(PixelBox{}), d) << c.name;
        EXPECT_EQ(canvas.Pixel(cx, cy), kRed) << c.name;
        ExpectFrameAndWhiteField(canvas, [&](int x, int y) {
            return isDisc(x, y) || (y == 50 && x >= 35 && x <= 65) || (x == 50 && y >= 35 && y <= 65);
        });
    }
}

TEST_F(RumbleControlTest, HalvesAreReadAsSignedNumbers)
{
    const RECT plot{7, 7, 94, 94};
    EXPECT_EQ(RumbleDotCentre(0, plot).x, 50);
    EXPECT_EQ(RumbleDotCentre(static_cast<LONG>(0xD8F0D8F0u), plot).x, 7);
    EXPECT_EQ(RumbleDotCentre(static_cast<LONG>(0xD8F0D8F0u), plot).y, 7);
    // 5000 right and 5000 up: half way, truncated toward zero.
    const POINT quarter = RumbleDotCentre(static_cast<LONG>(0x1388EC78u), plot);
    EXPECT_EQ(quarter.x, 71);
    EXPECT_EQ(quarter.y, 28);
    // What the effect page stores through SetAxesValue for (-10000, -10000):
    // the negative y borrows one from x.
    EXPECT_EQ(RumbleDotCentre(static_cast<LONG>(0xD8EFD8F0u), plot).x, 6);
}

// A full push reaches the plot area's edge exactly, whatever the control's
// size and whatever precision the processor computes with (the 32-bit build
// once stopped one pixel short on a 101-pixel control).
TEST_F(RumbleControlTest, FullPushesLandOnTheEdgesForEverySize)
{
    for (LONG half = 1; half <= 300; ++half) {
        const RECT plot{7, 7, 7 + 2 * half, 7 + 2 * half};
        const LONG centre = 7 + half;
        const POINT leftTop = RumbleDotCentre(static_cast<LONG>(0xD8F0D8F0u), plot);
        const POINT rightBottom = RumbleDotCentre((10000 << 16) | 10000, plot);
        ASSERT_EQ(leftTop.x, centre - half) << "half-width " << half;
        ASSERT_EQ(leftTop.y, centre - half) << "half-height " << half;
        ASSERT_EQ(rightBottom.x, centre + half) << "half-width " << half;
        ASSERT_EQ(rightBottom.y, centre + half) << "half-height " << half;
        // Half a push left: half the way, truncated toward zero (so half a
        // pixel further for an odd half-width).
        const POINT halfLeft = RumbleDotCentre(static_cast<LONG>(0xEC780000u), plot);
        EXPECT_EQ(halfLeft.x, centre - (half + 1) / 2) << "half-width " << half;
    }
}

TEST_F(RumbleControlTest, ResizingRedrawsTheWholeControl)
{
    HWND rumble = Create("RumbleControl", kRumbleId, kSize, kSize);
    Painted(rumble);
    sim_.Resize(rumble, 60, 80);
    EXPECT_TRUE(sim_.IsInvalid(rumble));
    const RasterCanvas& canvas = Painted(rumble);
    // Plot area 7..53 by 7..73: centre (30, 40).
    EXPECT_EQ(canvas.Pixel(30, 40), kRed);
    ExpectFrameAndWhiteField(canvas, [](int x, int y) {
        return (y == 40 && x >= 15 && x <= 45) || (x == 30 && y >= 25 && y <= 55) ||
               (x >= 25 && x <= 35 && y >= 35 && y <= 45);
    });
}

TEST_F(RumbleControlTest, SetThroughTheAxesOperation)
{
    HWND rumble = Create("RumbleControl", kRumbleId, kSize, kSize);
    Painted(rumble);
    SetAxesValue(dialog_, kRumbleId, 10000, 0);
    EXPECT_EQ(sim_.GetUserData(rumble), 10000 << 16);
    ASSERT_EQ(windows_.redraws.size(), 1u);
    EXPECT_EQ(windows_.redraws[0].flags, static_cast<UINT>(RDW_INVALIDATE));
    EXPECT_EQ(Painted(rumble).Pixel(93, 50), kRed);
}

} // namespace
} // namespace torvex::testing
