// PovControl: the circle, the dot and the arrow for the wheel's hat, and the
// arrow length stored for each direction.
#include <array>

#include "tests/controls/control_test_support.h"

namespace torvex::testing {
namespace {

constexpr int kPovId = 1014;
constexpr COLORREF kButtonFace = SimWindowSystem::kButtonFace;

class PovControlTest : public ControlTest {};

using Polygon = std::array<POINT, 7>;

void ExpectPolygon(const Polygon& actual, const Polygon& expected)
{
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(actual[i].x, expected[i].x) << "P" << i;
        EXPECT_EQ(actual[i].y, expected[i].y) << "P" << i;
    }
}

LONG Value(unsigned length, unsigned direction)
{
    return static_cast<LONG>(length << 16 | direction);
}

TEST_F(PovControlTest, ArrowStraightUpOnAHundredPixelControl)
{
    const RECT circle = PovCircleRect(100, 100);
    EXPECT_EQ(circle.left, 10);
    EXPECT_EQ(circle.top, 10);
    EXPECT_EQ(circle.right, 89);
    EXPECT_EQ(circle.bottom, 89);

    ExpectPolygon(PovArrowPolygon(circle, 0, 100),
                  {{{49, 0}, {59, 10}, {54, 10}, {54, 20}, {44, 20}, {44, 10}, {39, 10}}});
    // Half length: moved toward the middle, the head still based on the
    // truncated point on the circle and the tail from the exact one.
    ExpectPolygon(PovArrowPolygon(circle, 0, 50),
                  {{{49, 24}, {54, 29}, {51, 29}, {51, 34}, {46, 34}, {46, 29}, {44, 29}}});
    // Three quarters: T = (49, 19.75), so the tail (27) is not the
    // truncated base (19) plus the shaft (7.5).
    ExpectPolygon(PovArrowPolygon(circle, 0, 75),
                  {{{49, 11}, {56, 19}, {52, 19}, {52, 27}, {45, 27}, {45, 19}, {41, 19}}});
}

TEST_F(PovControlTest, PaintedArrowCoversItsCornersAndNothingBeyond)
{
    HWND pov = Create("PovControl", kPovId, 100, 100);
    SetPovValue(dialog_, kPovId, 0, 100, 100);
    const RasterCanvas& canvas = Painted(pov);

    for (const POINT& corner : PovArrowPolygon(PovCircleRect(100, 100), 0, 100))
        EXPECT_EQ(canvas.Pixel(corner.x, corner.y), kRed) << corner.x << ", " << corner.y;
    EXPECT_EQ(canvas.Pixel(49, 5), kRed) << "head filled";
    EXPECT_EQ(canvas.Pixel(49, 15), kRed) << "shaft filled";
    // Above the circle only the arrow is drawn.
    EXPECT_EQ(BoxOf(canvas, Is(kRed), 0, 0, 99, 9), (PixelBox{40, 0, 58, 9}));
    EXPECT_EQ(canvas.Pixel(48, 0), kButtonFace);
    EXPECT_EQ(canvas.Pixel(38, 10), kButtonFace);
}

TEST_F(PovControlTest, CentredHatShowsOnlyTheCircleAndTheDot)
{
    HWND pov = Create("PovControl", kPovId, 100, 100);
    EXPECT_EQ(static_cast<DWORD>(sim_.GetUserData(pov)), 0x0064FFFFu);
    const RasterCanvas& fresh = Painted(pov);

    // Circle (10, 10)-(89, 89) outlined red, filled white; dot of 11 pixels.
    EXPECT_EQ(BoxOf(fresh, Is(kRed)), (PixelBox{10, 10, 88, 88}));
    EXPECT_EQ(BoxOf(fresh, Is(kRed), 30, 30, 70, 70), (PixelBox{44, 44, 54, 54}));
    EXPECT_EQ(fresh.Pixel(30, 49), kWhite);
    EXPECT_EQ(fresh.Pixel(49, 49), kRed);
    EXPECT_EQ(fresh.Pixel(5, 5), kButtonFace);

    const RasterCanvas expected = fresh;
    for (DWORD pov_value : {0xFFFFFFFFu, 36000u, 65535u}) {
        SetPovValue(dialog_, kPovId, pov_value, 100, 100);
        EXPECT_TRUE(SamePixels(Painted(pov), expected)) << pov_value;
    }
}

TEST_F(PovControlTest, ErasingRemovesTheOldArrow)
{
    HWND pov = Create("PovControl", kPovId, 100, 100);
    const RasterCanvas fresh = Painted(pov);
    SetPovValue(dialog_, kPovId, 9000, 100, 100);
    Painted(pov);
    SetPovValue(dialog_, kPovId, 0xFFFFFFFF, 100, 100);
    EXPECT_TRUE(SamePixels(Painted(pov), fresh));
    EXPECT_EQ(windows_.redraws.back().flags, static_cast<UINT>(RDW_INVALIDATE | RDW_ERASE));
}

TEST_F(PovControlTest, StoredLengthFollowsTheDirection)
{
    // Up and down take the vertical length, left and right the horizontal
    // one, the diagonals their mean; the sign never counts while pressed.
    EXPECT_EQ(PovControlValue(4500, 100, 50), Value(75, 4500));
    EXPECT_EQ(PovControlValue(9000, 30, 80), Value(30, 9000));
    EXPECT_EQ(PovControlValue(0, 30, 80), Value(80, 0));
    EXPECT_EQ(PovControlValue(18000, 30, 80), Value(80, 18000));
    EXPECT_EQ(PovControlValue(9000, -100, 50), Value(100, 9000));
    EXPECT_EQ(PovControlValue(31500, -7, -8), Value(7, 31500));
    // Sector edges.
    EXPECT_EQ(PovControlValue(4499, 30, 80), Value(80, 4499));
    EXPECT_EQ(PovControlValue(13499, 30, 80), Value(30, 13499));
    EXPECT_EQ(PovControlValue(13500, 30, 80), Value(55, 13500));
    EXPECT_EQ(PovControlValue(35999, 30, 80), Value(55, 35999));
    // Only the low 16 bits of the hat value count.
    EXPECT_EQ(PovControlValue(0x00012328, 30, 80), Value(30, 9000));
    // Centred: the horizontal length as passed, negative included.
    EXPECT_EQ(static_cast<DWORD>(PovControlValue(0xFFFFFFFF, -100, 50)), 0xFF9CFFFFu);
    EXPECT_EQ(PovControlValue(36000, 100, 50), Value(100, 36000));
    // Extreme lengths wrap into the high half instead of overflowing.
    EXPECT_EQ(static_cast<DWORD>(PovControlValue(0, 0, INT32_MIN)), 0x00000000u);

    HWND pov = Create("PovControl", kPovId, 100, 100);
    SetPovValue(dialog_, kPovId, 4500, 100, 50);
    EXPECT_EQ(sim_.GetUserData(pov), Value(75, 4500));
}

TEST_F(PovControlTest, AnyLengthAndSizePaintsSafely)
{
    HWND pov = Create("PovControl", kPovId, 60, 40);
    for (DWORD pov_value : {0u, 4500u, 13500u, 22500u, 31500u})
        for (LONG length : {0, 1, 100, 1000, 65535, -1}) {
            SetPovValue(dialog_, kPovId, pov_value, length, length);
            Painted(pov);
        }
    HWND tiny = Create("PovControl", kPovId + 1, 3, 3);
    SetPovValue(dialog_, kPovId + 1, 0, 100, 100);
    Painted(tiny);
}

} // namespace
} // namespace torvex::testing
