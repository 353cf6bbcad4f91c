// The sheet's resources as Windows (here Wine) reads them: TorvexPS.rc is
// compiled by windres into this test program, and the program reads its own
// string table, icon group and dialog templates back through user32 and
// kernel32, field by field against the C++ tables and against literal
// values. The same tests read TorvexPS.dll, loaded as a data file, when the
// build names it in TORVEX_PS_DLL.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/sim/sim_resources.h"
#include "platform/win32/win32_resources.h"
#include "resources/sheet_resources.h"
#include "sheet/page_templates.h"
#include "tests/sheet/resource_test_contract.h"
#include "tests/support/dialog_template_reader.h"

namespace torvex::testing {
namespace {

class Win32ResourceWorld final : public ResourceWorld {
public:
    ResourcePort& resources() override { return resources_; }
    HINSTANCE module() override { return ::GetModuleHandleA(nullptr); }

private:
    Win32Resources resources_;
};

INSTANTIATE_TEST_SUITE_P(Windows, ResourcePortContract,
                         ::testing::Values(+[]() -> std::unique_ptr<ResourceWorld> {
                             return std::make_unique<Win32ResourceWorld>();
                         }));

// ---- Windows-1252 as the simulation has it ----

TEST(Windows1252, TheSimulationConvertsEveryByteAsWindowsDoes)
{
    SimResources simulated;
    for (int byte = 1; byte < 256; ++byte) {
        const char text = static_cast<char>(byte);
        WCHAR fromWindows = 0;
        WCHAR fromSimulation = 0;
        ASSERT_EQ(::MultiByteToWideChar(1252, MB_PRECOMPOSED, &text, 1, &fromWindows, 1), 1) << byte;
        ASSERT_EQ(simulated.ToWide(&text, 1, &fromSimulation, 1), 1) << byte;
        EXPECT_EQ(fromSimulation, fromWindows) << "byte 0x" << std::hex << byte;
    }
}

TEST(Windows1252, TheWin32PortConvertsWithTheSystemsAnsiCodePage)
{
    if (::GetACP() != 1252) {
        GTEST_SKIP() << "this Wine's ANSI code page is " << ::GetACP();
    }
    Win32Resources windows;
    SimResources simulated;
    std::string text;
    for (int byte = 1; byte < 256; ++byte) {
        text.push_back(static_cast<char>(byte));
    }
    std::vector<WCHAR> fromWindows(text.size());
    std::vector<WCHAR> fromSimulation(text.size());
    const int length = static_cast<int>(text.size());
    ASSERT_EQ(windows.ToWide(text.data(), length, fromWindows.data(), length), length);
    ASSERT_EQ(simulated.ToWide(text.data(), length, fromSimulation.data(), length), length);
    EXPECT_EQ(fromWindows, fromSimulation);
}

// ---- A module's resources ----

struct ModuleUnderTest {
    const char* name;
    // Null: this test program itself.
    const char* dllPath;
};

std::string PrintModule(const ::testing::TestParamInfo<ModuleUnderTest>& info)
{
    return info.param.name;
}

class SheetResources : public ::testing::TestWithParam<ModuleUnderTest> {
protected:
    void SetUp() override
    {
        if (GetParam().dllPath == nullptr) {
            module_ = ::GetModuleHandleA(nullptr);
        } else {
            loaded_ = ::LoadLibraryExA(GetParam().dllPath, nullptr, LOAD_LIBRARY_AS_DATAFILE);
            module_ = loaded_;
        }
        ASSERT_NE(module_, nullptr) << "error " << ::GetLastError();
    }
    void TearDown() override
    {
        if (loaded_ != nullptr) {
            ::FreeLibrary(loaded_);
        }
    }

    HMODULE module() const { return module_; }

    DialogResource Template(WORD id)
    {
        DialogResource dialog;
        std::string error;
        EXPECT_TRUE(ReadDialogTemplate(module_, id, &dialog, &error)) << "template " << id << ": " << error;
        return dialog;
    }

private:
    HMODULE module_ = nullptr;
    HMODULE loaded_ = nullptr;
};

std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// windres stores a named class in capitals ("LAMPCONTROL"); the window
// manager looks class names up without regard to case, so the dialog still
// creates the sheet's own controls.
::testing::AssertionResult SameControl(const DialogResourceControl& read, const DialogControlTemplate& table)
{
    const std::string tableClass = table.className;
    const bool systemClass = tableClass == "BUTTON" || tableClass == "STATIC";
    const std::uint16_t ordinal = tableClass == "BUTTON"   ? kButtonClassOrdinal
                                  : tableClass == "STATIC" ? kStaticClassOrdinal
                                                           : 0;
    if (read.className != tableClass && !(Upper(read.className) == Upper(tableClass) && !systemClass)) {
        return ::testing::AssertionFailure() << "class " << read.className << ", table " << tableClass;
    }
    if (read.classOrdinal != ordinal) {
        return ::testing::AssertionFailure()
               << "class ordinal " << read.classOrdinal << ", expected " << ordinal;
    }
    if (read.text != table.text || read.id != table.id || read.style != table.style || read.exStyle != 0 ||
        read.x != table.x || read.y != table.y || read.cx != table.cx || read.cy != table.cy ||
        read.creationDataBytes != 0) {
        return ::testing::AssertionFailure()
               << "read \"" << read.text << "\" id " << read.id << " style 0x" << std::hex << read.style
               << std::dec << " at " << read.x << "," << read.y << "," << read.cx << "," << read.cy
               << "; table \"" << table.text << "\" id " << table.id << " style 0x" << std::hex << table.style
               << std::dec << " at " << table.x << "," << table.y << "," << table.cx << "," << table.cy;
    }
    return ::testing::AssertionSuccess();
}

TEST_P(SheetResources, EachPageTemplateHoldsWhatItsTableHolds)
{
    for (const DialogTemplate* table :
         {&kTestPageTemplate, &kCalibrationPageTemplate, &kEffectPageTemplate}) {
        SCOPED_TRACE(table->title);
        const DialogResource read = Template(table->id);
        EXPECT_EQ(read.title, table->title);
        EXPECT_EQ(read.style, table->style);
        EXPECT_EQ(read.exStyle, 0u);
        EXPECT_EQ(read.x, 0);
        EXPECT_EQ(read.y, 0);
        EXPECT_EQ(read.cx, table->cx);
        EXPECT_EQ(read.cy, table->cy);
        EXPECT_EQ(read.menu, "");
        EXPECT_EQ(read.windowClass, "");
        EXPECT_EQ(read.fontName, table->fontName);
        EXPECT_EQ(read.pointSize, table->pointSize);
        ASSERT_EQ(read.controls.size(), table->controls.size());
        for (std::size_t i = 0; i < read.controls.size(); ++i) {
            EXPECT_TRUE(SameControl(read.controls[i], table->controls[i])) << "control " << i;
        }
    }
}

TEST_P(SheetResources, PagesHaveTheirControlsTitlesAndFrame)
{
    const DialogResource test = Template(107);
    const DialogResource calibration = Template(109);
    const DialogResource effect = Template(108);
    EXPECT_EQ(test.controls.size(), 19u);
    EXPECT_EQ(calibration.controls.size(), 10u);
    EXPECT_EQ(effect.controls.size(), 4u);
    EXPECT_EQ(test.title, "Test Page");
    EXPECT_EQ(calibration.title, "Calibration");
    EXPECT_EQ(effect.title, "Effect Page");
    for (const DialogResource* page : {&test, &calibration, &effect}) {
        EXPECT_EQ(page->style, 0x48C00040u);
        EXPECT_EQ(page->cx, 258);
        EXPECT_EQ(page->cy, 227);
        EXPECT_EQ(page->fontName, "MS Sans Serif");
        EXPECT_EQ(page->pointSize, 8);
        ASSERT_FALSE(page->controls.empty());
        const DialogResourceControl& box = page->controls.back();
        EXPECT_EQ(box.text, "Device State");
        EXPECT_EQ(box.classOrdinal, kButtonClassOrdinal);
        EXPECT_EQ(box.id, 65535);
        EXPECT_EQ(box.style, 0x50000007u);
        EXPECT_EQ((std::vector<int>{box.x, box.y, box.cx, box.cy}), (std::vector<int>{10, 178, 236, 37}));
    }

    ASSERT_GE(calibration.controls.size(), 2u);
    const DialogResourceControl& x = calibration.controls[1];
    EXPECT_EQ(x.text, "X  =");
    EXPECT_EQ(x.classOrdinal, kStaticClassOrdinal);
    EXPECT_EQ(x.id, 65535);
    EXPECT_EQ(x.style, 0x50020000u);
    EXPECT_EQ((std::vector<int>{x.x, x.y, x.cx, x.cy}), (std::vector<int>{138, 71, 17, 8}));

    ASSERT_GE(test.controls.size(), 1u);
    EXPECT_EQ(test.controls[0].text, "1");
    EXPECT_EQ(test.controls[0].id, 1000);
    EXPECT_EQ(Upper(test.controls[0].className), "LAMPCONTROL");
}

TEST_P(SheetResources, StringOneIsTheCaptionAndACutBufferEndsIt)
{
    char buffer[64];
    ASSERT_EQ(::LoadStringA(module(), 1, buffer, 64), 28);
    EXPECT_STREQ(buffer, "ZK-5120 Force Feedback Wheel");

    char shortBuffer[8];
    EXPECT_EQ(::LoadStringA(module(), 1, shortBuffer, 8), 7);
    EXPECT_STREQ(shortBuffer, "ZK-5120");

    // The caption as the sheet makes it: the loaded characters converted
    // into a zero-filled wide buffer of 64 characters.
    WCHAR wide[64] = {};
    ASSERT_EQ(::MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, buffer, 28, wide, 64), 28);
    EXPECT_EQ(std::wstring(wide), L"ZK-5120 Force Feedback Wheel");
}

std::vector<std::uint8_t> IconFileImage()
{
    std::ifstream file(std::string(TORVEX_RESOURCES_DIR) + "/wheel.ico", std::ios::binary);
    std::vector<std::uint8_t> ico{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    // One directory entry: the image follows the 6-byte header and it.
    constexpr std::size_t kImageOffset = 22;
    return ico.size() > kImageOffset ? std::vector<std::uint8_t>(ico.begin() + kImageOffset, ico.end())
                                     : std::vector<std::uint8_t>{};
}

TEST_P(SheetResources, IconGroup102HoldsOne32By32SixteenColourImage)
{
    std::span<const std::uint8_t> group;
    std::string error;
    ASSERT_TRUE(FindModuleResource(module(), RT_GROUP_ICON, 102, &group, &error)) << error;
    // GRPICONDIR (6 bytes) and one GRPICONDIRENTRY (14 bytes).
    ASSERT_EQ(group.size(), 20u);
    const auto word = [&](std::size_t offset) { return group[offset] | group[offset + 1] << 8; };
    EXPECT_EQ(word(2), 1); // icons
    EXPECT_EQ(word(4), 1); // one image
    EXPECT_EQ(group[6], 32);
    EXPECT_EQ(group[7], 32);
    EXPECT_EQ(group[8], 16);
    EXPECT_EQ(word(10), 1);
    EXPECT_EQ(word(12), 4);
    const WORD imageId = static_cast<WORD>(word(18));

    std::span<const std::uint8_t> image;
    ASSERT_TRUE(FindModuleResource(module(), RT_ICON, imageId, &image, &error)) << error;
    EXPECT_EQ(image.size(), static_cast<std::size_t>(word(14) | word(16) << 16));
    const std::vector<std::uint8_t> fromFile = IconFileImage();
    EXPECT_TRUE(std::equal(image.begin(), image.end(), fromFile.begin(), fromFile.end()))
        << "the image is not resources/wheel.ico's";

    HICON icon = ::LoadIconA(module(), MAKEINTRESOURCEA(102));
    EXPECT_NE(icon, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Modules, SheetResources,
                         ::testing::Values(ModuleUnderTest{"ThisProgram", nullptr}
#ifdef TORVEX_PS_DLL
                                           ,
                                           ModuleUnderTest{"TorvexPS", TORVEX_PS_DLL}
#endif
                                           ),
                         PrintModule);

} // namespace
} // namespace torvex::testing
