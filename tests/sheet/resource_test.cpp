// The sheet's resources on every build: the simulated resource port, the
// page templates as C++ tables, and the tab icon as resources/wheel.ico
// holds it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "controls/axes_control.h"
#include "controls/lamp_control.h"
#include "controls/pov_control.h"
#include "controls/rumble_control.h"
#include "platform/sim/sim_resources.h"
#include "resources/sheet_resources.h"
#include "sheet/page_templates.h"
#include "tests/sheet/resource_test_contract.h"

namespace torvex::testing {
namespace {

constexpr WORD kUnnumbered = 65535;

class SimResourceWorld final : public ResourceWorld {
public:
    ResourcePort& resources() override { return resources_; }
    HINSTANCE module() override { return reinterpret_cast<HINSTANCE>(0x10000000); }

private:
    SimResources resources_{{{IDS_SHEET_CAPTION, SHEET_CAPTION_TEXT}}};
};

INSTANTIATE_TEST_SUITE_P(Simulated, ResourcePortContract,
                         ::testing::Values(+[]() -> std::unique_ptr<ResourceWorld> {
                             return std::make_unique<SimResourceWorld>();
                         }));

// ---- The simulation's own behaviour ----

TEST(SimResources, CutsALongCaptionTo63CharactersAndRemembersTheModule)
{
    const std::string longCaption(100, 'W');
    SimResources resources({{IDS_SHEET_CAPTION, longCaption}});
    const auto module = reinterpret_cast<HINSTANCE>(0x400000);
    char buffer[65];
    std::fill(std::begin(buffer), std::end(buffer), 'x');

    EXPECT_EQ(resources.LoadText(module, IDS_SHEET_CAPTION, buffer, 64), 63);
    EXPECT_EQ(std::string(buffer), std::string(63, 'W'));
    EXPECT_EQ(buffer[64], 'x');
    EXPECT_EQ(resources.LastModule(), module);

    resources.SetString(IDS_SHEET_CAPTION, "Lenkrad");
    EXPECT_EQ(resources.LoadText(module, IDS_SHEET_CAPTION, buffer, 64), 7);
    EXPECT_STREQ(buffer, "Lenkrad");
}

TEST(SimResources, ConvertsWithTheWindows1252CodePage)
{
    SimResources resources;
    // Euro sign, an unassigned byte, Y with diaeresis, no-break space,
    // e acute, y with diaeresis.
    const char text[] = "\x80\x81\x9F\xA0\xE9\xFF";
    WCHAR wide[6] = {};
    ASSERT_EQ(resources.ToWide(text, 6, wide, 6), 6);
    EXPECT_EQ(wide[0], 0x20AC);
    EXPECT_EQ(wide[1], 0x0081);
    EXPECT_EQ(wide[2], 0x0178);
    EXPECT_EQ(wide[3], 0x00A0);
    EXPECT_EQ(wide[4], 0x00E9);
    EXPECT_EQ(wide[5], 0x00FF);
}

TEST(SimResources, RefusesConversionsWindowsRefuses)
{
    SimResources resources;
    WCHAR wide[8];
    EXPECT_EQ(resources.ToWide(nullptr, 3, wide, 8), 0);
    EXPECT_EQ(resources.ToWide("abc", -2, wide, 8), 0);
    EXPECT_EQ(resources.ToWide("abc", 3, wide, -1), 0);
    EXPECT_EQ(resources.ToWide("abc", 3, nullptr, 8), 0);
}

TEST(SimResources, RunsOutOfMemoryWhenToldAndCountsLiveBlocks)
{
    SimResources resources;
    resources.FailAllocationsAfter(1);
    void* narrow = resources.LocalAllocZeroed(64);
    EXPECT_NE(narrow, nullptr);
    EXPECT_EQ(resources.LocalAllocZeroed(128), nullptr);
    EXPECT_EQ(resources.LocalAllocZeroed(128), nullptr);
    EXPECT_EQ(resources.LiveBlockCount(), 1);

    resources.AllocateNormally();
    void* wide = resources.LocalAllocZeroed(128);
    EXPECT_NE(wide, nullptr);
    EXPECT_EQ(resources.LiveBlockCount(), 2);

    resources.LocalFreeBlock(narrow);
    resources.LocalFreeBlock(wide);
    EXPECT_EQ(resources.LiveBlockCount(), 0);
    EXPECT_EQ(resources.InvalidFreeCount(), 0);

    resources.FailAllocationsAfter(0);
    EXPECT_EQ(resources.LocalAllocZeroed(1), nullptr);
    EXPECT_EQ(resources.LiveBlockCount(), 0);
}

TEST(SimResources, CountsDoubleAndForeignFrees)
{
    SimResources resources;
    void* block = resources.LocalAllocZeroed(16);
    resources.LocalFreeBlock(block);
    resources.LocalFreeBlock(block);
    int onTheStack = 0;
    resources.LocalFreeBlock(&onTheStack);
    EXPECT_EQ(resources.InvalidFreeCount(), 2);
    EXPECT_EQ(resources.LiveBlockCount(), 0);
}

TEST(SimResources, HandsOutDistinctBlocksForZeroBytesAndNoneBeyondTheHeap)
{
    SimResources resources;
    void* first = resources.LocalAllocZeroed(0);
    void* second = resources.LocalAllocZeroed(0);
    EXPECT_NE(first, nullptr);
    EXPECT_NE(first, second);

    EXPECT_EQ(resources.LocalAllocZeroed(SimResources::kLocalHeapBytes), nullptr);
    EXPECT_EQ(resources.LocalAllocZeroed(~SIZE_T{0}), nullptr);
    EXPECT_EQ(resources.LiveBlockCount(), 2);
    resources.LocalFreeBlock(first);
    resources.LocalFreeBlock(second);
}

// ---- The page templates as tables ----

std::vector<const DialogTemplate*> SheetPages()
{
    return {&kTestPageTemplate, &kCalibrationPageTemplate, &kEffectPageTemplate};
}

TEST(PageTemplates, AreFoundByTheirTemplateIdsOnly)
{
    EXPECT_EQ(FindPageTemplate(107), &kTestPageTemplate);
    EXPECT_EQ(FindPageTemplate(108), &kEffectPageTemplate);
    EXPECT_EQ(FindPageTemplate(109), &kCalibrationPageTemplate);
    for (WORD other : {0, 1, 102, 106, 110, 65535}) {
        EXPECT_EQ(FindPageTemplate(other), nullptr) << other;
    }
}

TEST(PageTemplates, ShareOneSizeStyleAndFontUnderTheirOwnTitles)
{
    EXPECT_STREQ(kTestPageTemplate.title, "Test Page");
    EXPECT_STREQ(kCalibrationPageTemplate.title, "Calibration");
    EXPECT_STREQ(kEffectPageTemplate.title, "Effect Page");
    for (const DialogTemplate* page : SheetPages()) {
        SCOPED_TRACE(page->title);
        EXPECT_EQ(page->style, 0x48C00040u);
        EXPECT_EQ(page->cx, 258);
        EXPECT_EQ(page->cy, 227);
        EXPECT_STREQ(page->fontName, "MS Sans Serif");
        EXPECT_EQ(page->pointSize, 8);
    }
    EXPECT_EQ(kTestPageTemplate.controls.size(), 19u);
    EXPECT_EQ(kCalibrationPageTemplate.controls.size(), 10u);
    EXPECT_EQ(kEffectPageTemplate.controls.size(), 4u);
}

TEST(PageTemplates, TestPageHasTwelveNumberedLampsInButtonOrder)
{
    for (int i = 0; i < 12; ++i) {
        const DialogControlTemplate& lamp = kTestPageTemplate.controls[i];
        EXPECT_EQ(lamp.id, 1000 + i);
        EXPECT_EQ(lamp.text, std::to_string(i + 1));
        EXPECT_STREQ(lamp.className, kLampControlClass);
        EXPECT_EQ(lamp.style, 0x50010000u);
        EXPECT_EQ(lamp.cx, 15);
        EXPECT_EQ(lamp.cy, 16);
        EXPECT_EQ(lamp.y, i < 6 ? 113 : 147);
    }
    EXPECT_EQ(kTestPageTemplate.controls[0].x, 23);
    EXPECT_EQ(kTestPageTemplate.controls[6].x, 24);
    EXPECT_EQ(kTestPageTemplate.controls[11].x, 214);
}

TEST(PageTemplates, CustomControlsUseTheClassesTheSheetRegisters)
{
    const std::set<std::string> registered = {kAxesControlClass, kLampControlClass, kPovControlClass,
                                              kRumbleControlClass};
    const std::set<std::string> system = {"BUTTON", "STATIC"};
    for (const DialogTemplate* page : SheetPages()) {
        for (const DialogControlTemplate& control : page->controls) {
            EXPECT_TRUE(registered.contains(control.className) || system.contains(control.className))
                << page->title << ": " << control.className;
        }
    }
    const DialogControlTemplate& axes = kTestPageTemplate.controls[14];
    EXPECT_EQ(axes.id, IDC_TEST_AXES);
    EXPECT_STREQ(axes.className, kAxesControlClass);
    EXPECT_STREQ(kTestPageTemplate.controls[16].className, kPovControlClass);
    EXPECT_STREQ(kCalibrationPageTemplate.controls[0].className, kAxesControlClass);
    EXPECT_STREQ(kEffectPageTemplate.controls[1].className, kRumbleControlClass);
}

TEST(PageTemplates, EveryPageEndsWithItsStatusLineInTheDeviceStateBox)
{
    const std::pair<const DialogTemplate*, WORD> pages[] = {
        {&kTestPageTemplate, 1024}, {&kCalibrationPageTemplate, 1025}, {&kEffectPageTemplate, 1026}};
    for (const auto& [page, statusId] : pages) {
        SCOPED_TRACE(page->title);
        const auto& controls = page->controls;
        const DialogControlTemplate& status = controls[controls.size() - 2];
        EXPECT_EQ(status.id, statusId);
        EXPECT_STREQ(status.className, "STATIC");
        EXPECT_STREQ(status.text, "");
        EXPECT_EQ(status.style, 0x50020000u);
        EXPECT_EQ((std::vector<int>{status.x, status.y, status.cx, status.cy}),
                  (std::vector<int>{24, 195, 205, 8}));

        const DialogControlTemplate& box = controls.back();
        EXPECT_EQ(box.id, kUnnumbered);
        EXPECT_STREQ(box.className, "BUTTON");
        EXPECT_STREQ(box.text, "Device State");
        EXPECT_EQ(box.style, 0x50000007u);
        EXPECT_EQ((std::vector<int>{box.x, box.y, box.cx, box.cy}), (std::vector<int>{10, 178, 236, 37}));
    }
}

TEST(PageTemplates, CalibrationLabelsKeepTheirTwoBlanks)
{
    const DialogControlTemplate& x = kCalibrationPageTemplate.controls[1];
    EXPECT_STREQ(x.text, "X  =");
    EXPECT_EQ(x.id, kUnnumbered);
    EXPECT_STREQ(x.className, "STATIC");
    EXPECT_EQ((std::vector<int>{x.x, x.y, x.cx, x.cy}), (std::vector<int>{138, 71, 17, 8}));
    EXPECT_STREQ(kCalibrationPageTemplate.controls[2].text, "Y  =");

    const DialogControlTemplate& set = kCalibrationPageTemplate.controls[7];
    EXPECT_EQ(set.id, IDC_CALIBRATION_SET);
    EXPECT_STREQ(set.text, "Set");
    EXPECT_EQ((std::vector<int>{set.x, set.y, set.cx, set.cy}), (std::vector<int>{132, 139, 51, 21}));
    EXPECT_STREQ(kCalibrationPageTemplate.controls[5].text,
                 "Please turn the wheel to the left and right with max radius, then release it. "
                 "Press both foot pedals once.");
}

TEST(PageTemplates, NumberedControlsAreUniqueAndEveryControlLiesInsideItsPage)
{
    for (const DialogTemplate* page : SheetPages()) {
        std::set<WORD> ids;
        for (const DialogControlTemplate& control : page->controls) {
            if (control.id != kUnnumbered) {
                EXPECT_TRUE(ids.insert(control.id).second) << page->title << ": id " << control.id;
            }
            EXPECT_GE(control.x, 0);
            EXPECT_GE(control.y, 0);
            EXPECT_LE(control.x + control.cx, page->cx) << page->title << ": " << control.text;
            EXPECT_LE(control.y + control.cy, page->cy) << page->title << ": " << control.text;
        }
    }
}

// ---- The tab icon ----

std::vector<std::uint8_t> ReadIconFile()
{
    std::ifstream file(std::string(TORVEX_RESOURCES_DIR) + "/wheel.ico", std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::uint32_t Little(const std::vector<std::uint8_t>& bytes, std::size_t offset, std::size_t size)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < size; ++i) {
        value |= std::uint32_t{bytes.at(offset + i)} << (8 * i);
    }
    return value;
}

TEST(WheelIcon, IsOne32By32SixteenColourImageWithTheVgaPalette)
{
    const std::vector<std::uint8_t> ico = ReadIconFile();
    ASSERT_EQ(ico.size(), 22u + 40u + 64u + 512u + 128u);
    EXPECT_EQ(Little(ico, 2, 2), 1u); // an icon, not a cursor
    EXPECT_EQ(Little(ico, 4, 2), 1u); // one image
    EXPECT_EQ(ico[6], 32);
    EXPECT_EQ(ico[7], 32);
    EXPECT_EQ(ico[8], 16);
    EXPECT_EQ(Little(ico, 12, 2), 4u);
    EXPECT_EQ(Little(ico, 14, 4), ico.size() - 22);
    EXPECT_EQ(Little(ico, 18, 4), 22u);

    EXPECT_EQ(Little(ico, 22, 4), 40u);
    EXPECT_EQ(Little(ico, 26, 4), 32u);
    EXPECT_EQ(Little(ico, 30, 4), 64u); // the colour bits and the mask
    EXPECT_EQ(Little(ico, 36, 2), 4u);

    const std::uint32_t vga[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                   0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                                   0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    for (int i = 0; i < 16; ++i) {
        // RGBQUAD: blue, green, red, reserved.
        EXPECT_EQ(Little(ico, 62 + 4 * i, 4), vga[i]) << "palette entry " << i;
    }
}

TEST(WheelIcon, ShowsTheWheelOnATransparentGround)
{
    const std::vector<std::uint8_t> ico = ReadIconFile();
    ASSERT_EQ(ico.size(), 766u);
    constexpr std::size_t kColourBits = 22 + 40 + 64;
    constexpr std::size_t kMaskBits = kColourBits + 512;
    // Rows are stored bottom-up.
    const auto transparent = [&](int x, int y) {
        return ((ico[kMaskBits + (31 - y) * 4 + x / 8] >> (7 - x % 8)) & 1) != 0;
    };
    const auto colour = [&](int x, int y) {
        const std::uint8_t pair = ico[kColourBits + (31 - y) * 16 + x / 2];
        return x % 2 == 0 ? pair >> 4 : pair & 0x0F;
    };
    constexpr int kBlack = 0;
    constexpr int kDarkGrey = 8;

    for (auto [x, y] : {std::pair{0, 0}, {31, 0}, {0, 31}, {31, 31}, {16, 8}}) {
        EXPECT_TRUE(transparent(x, y)) << x << "," << y << ": outside the rim, or between the spokes";
    }
    for (auto [x, y] : {std::pair{16, 2}, {1, 16}, {30, 16}, {16, 29}, {16, 16}, {8, 16}, {16, 24}}) {
        EXPECT_FALSE(transparent(x, y)) << x << "," << y << ": rim, hub or spoke";
    }
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const int c = colour(x, y);
            EXPECT_TRUE(transparent(x, y) ? c == kBlack : c == kBlack || c == kDarkGrey) << x << "," << y;
        }
    }
}

} // namespace
} // namespace torvex::testing
