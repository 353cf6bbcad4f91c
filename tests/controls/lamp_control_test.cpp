// LampControl: the disc in the owner's colour and the light grey label.
#include <string>

#include "tests/controls/control_test_support.h"

namespace torvex::testing {
namespace {

constexpr int kLampId = 1000;
constexpr COLORREF kLabelGrey = RGB(202, 202, 202);
constexpr COLORREF kButtonFace = SimWindowSystem::kButtonFace;

class LampControlTest : public ControlTest {};

// Where a label's pixels land when drawn alone, centred in `box`.
std::optional<PixelBox> LabelAlone(const char* text, int width, int height, const RECT& box)
{
    RasterCanvas alone(width, height, kBlack);
    alone.Text(text, box, DT_CENTER, kLabelGrey);
    return BoxOf(alone, Is(kLabelGrey));
}

auto IsNot(COLORREF color)
{
    return [color](COLORREF pixel) { return pixel != color; };
}

TEST_F(LampControlTest, SmallLampFillsItsClientAreaWithABlackDisc)
{
    HWND lamp = Create("LampControl", kLampId, 15, 16, "1");
    EXPECT_EQ(sim_.GetUserData(lamp), 0);
    const RasterCanvas& canvas = Painted(lamp);

    // The disc reaches every edge; the corners keep the erased background.
    EXPECT_EQ(BoxOf(canvas, IsNot(kButtonFace)), (PixelBox{0, 0, 14, 15}));
    for (auto [x, y] : {std::pair{0, 0}, {14, 0}, {0, 15}, {14, 15}})
        EXPECT_EQ(canvas.Pixel(x, y), kButtonFace) << x << ", " << y;
    EXPECT_EQ(canvas.Pixel(7, 0), kBlack);
    EXPECT_EQ(canvas.Pixel(0, 8), kBlack);
    // The label box runs from row 0 to row 16, the text centred in it.
    EXPECT_EQ(BoxOf(canvas, Is(kLabelGrey)), LabelAlone("1", 15, 16, RECT{0, 0, 15, 16}));
    // On an odd height the middle row is rounded down.
    EXPECT_EQ(BoxOf(Painted(Create("LampControl", kLampId + 1, 20, 21, "1")), Is(kLabelGrey)),
              LabelAlone("1", 20, 21, RECT{0, 2, 20, 18}));
}

TEST_F(LampControlTest, ColourChangesTheDiscButNotTheLabel)
{
    HWND lamp = Create("LampControl", kLampId, 40, 40, "10");
    const RasterCanvas& black = Painted(lamp);
    const auto blackLabel = BoxOf(black, Is(kLabelGrey));
    // "10" centred horizontally, in the 16-pixel box centred on row 20.
    EXPECT_EQ(blackLabel, LabelAlone("10", 40, 40, RECT{0, 12, 40, 28}));

    for (COLORREF color : {RGB(255, 0, 0), RGB(64, 0, 0)}) {
        SetLampColor(dialog_, kLampId, color);
        const RasterCanvas& canvas = Painted(lamp);
        EXPECT_EQ(canvas.Pixel(6, 20), color);
        EXPECT_EQ(canvas.Pixel(20, 6), color);
        EXPECT_EQ(canvas.Pixel(0, 20), kBlack) << "outlined with the context's own pen";
        EXPECT_EQ(canvas.Pixel(0, 0), kButtonFace);
        EXPECT_EQ(BoxOf(canvas, Is(kLabelGrey)), blackLabel);
    }
    ASSERT_EQ(windows_.redraws.size(), 2u);
    EXPECT_EQ(windows_.redraws.back().flags, static_cast<UINT>(RDW_INVALIDATE));
}

TEST_F(LampControlTest, LabelIsCutTo63Characters)
{
    std::string text;
    for (int i = 0; i < 70; ++i)
        text += static_cast<char>('A' + i % 26);
    const auto lampWith = [&](int id, const std::string& label) {
        return Create("LampControl", id, 700, 24, label.c_str());
    };
    const RasterCanvas& cut = Painted(lampWith(kLampId, text.substr(0, 63)));
    const RasterCanvas& sixtyFour = Painted(lampWith(kLampId + 1, text.substr(0, 64)));
    const RasterCanvas& seventy = Painted(lampWith(kLampId + 2, text));
    const RasterCanvas& sixtyTwo = Painted(lampWith(kLampId + 3, text.substr(0, 62)));

    EXPECT_TRUE(SamePixels(cut, sixtyFour));
    EXPECT_TRUE(SamePixels(cut, seventy));
    EXPECT_FALSE(SamePixels(cut, sixtyTwo)) << "the comparison sees a missing character";
}

} // namespace
} // namespace torvex::testing
