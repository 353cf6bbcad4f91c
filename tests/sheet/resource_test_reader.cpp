// The dialog template reader the Windows tests hold the module's templates
// with, on templates built byte by byte: what it reads, and that a cut or
// foreign template is refused without reading past its end.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/dialog_template_reader.h"

namespace torvex::testing {
namespace {

// Writes a template the way the resource compiler lays one out.
class TemplateBytes {
public:
    TemplateBytes& Dword(std::uint32_t value) { return Word(value & 0xFFFF).Word(value >> 16); }
    TemplateBytes& Word(std::uint32_t value)
    {
        bytes_.push_back(static_cast<std::uint8_t>(value & 0xFF));
        bytes_.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
        return *this;
    }
    TemplateBytes& Text(const std::u16string& text)
    {
        for (char16_t unit : text) {
            Word(unit);
        }
        return Word(0);
    }
    TemplateBytes& Ordinal(std::uint16_t ordinal) { return Word(0xFFFF).Word(ordinal); }
    TemplateBytes& Rect(int x, int y, int cx, int cy) { return Word(x).Word(y).Word(cx).Word(cy); }
    TemplateBytes& AlignToDword()
    {
        while (bytes_.size() % 4 != 0) {
            bytes_.push_back(0);
        }
        return *this;
    }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

// A page with a font, a group box given by ordinal, a custom control given
// by name with creation data, and a label whose text is a resource ordinal.
std::vector<std::uint8_t> SamplePage()
{
    TemplateBytes t;
    t.Dword(0x48C00040).Dword(0).Word(3).Rect(0, 0, 258, 227);
    t.Word(0).Word(0).Text(u"Calibration").Word(8).Text(u"MS Sans Serif");
    t.AlignToDword().Dword(0x50000007).Dword(0).Rect(10, 178, 236, 37).Word(0xFFFF);
    t.Ordinal(0x0080).Text(u"Device State").Word(0);
    t.AlignToDword().Dword(0x50010000).Dword(0x200).Rect(67, 50, 64, 64).Word(1012);
    t.Text(u"AxesControl").Text(u"Custom2").Word(4).Word(0xBEEF).Word(0xCAFE);
    t.AlignToDword().Dword(0x50020000).Dword(0).Rect(138, 71, 17, 8).Word(0xFFFF);
    t.Ordinal(0x0082).Ordinal(102).Word(0);
    return t.bytes();
}

TEST(DialogTemplateReader, ReadsTheDialogAndEachControl)
{
    DialogResource dialog;
    std::string error;
    ASSERT_TRUE(ParseDialogTemplate(SamplePage(), &dialog, &error)) << error;

    EXPECT_EQ(dialog.style, 0x48C00040u);
    EXPECT_EQ(dialog.cx, 258);
    EXPECT_EQ(dialog.cy, 227);
    EXPECT_EQ(dialog.menu, "");
    EXPECT_EQ(dialog.windowClass, "");
    EXPECT_EQ(dialog.title, "Calibration");
    EXPECT_EQ(dialog.pointSize, 8);
    EXPECT_EQ(dialog.fontName, "MS Sans Serif");
    ASSERT_EQ(dialog.controls.size(), 3u);

    const DialogResourceControl& box = dialog.controls[0];
    EXPECT_EQ(box.style, 0x50000007u);
    EXPECT_EQ(box.id, 0xFFFF);
    EXPECT_EQ(box.className, "BUTTON");
    EXPECT_EQ(box.classOrdinal, kButtonClassOrdinal);
    EXPECT_EQ(box.text, "Device State");
    EXPECT_EQ((std::vector<int>{box.x, box.y, box.cx, box.cy}), (std::vector<int>{10, 178, 236, 37}));

    const DialogResourceControl& axes = dialog.controls[1];
    EXPECT_EQ(axes.exStyle, 0x200u);
    EXPECT_EQ(axes.id, 1012);
    EXPECT_EQ(axes.className, "AxesControl");
    EXPECT_EQ(axes.classOrdinal, 0);
    EXPECT_EQ(axes.text, "Custom2");
    EXPECT_EQ(axes.creationDataBytes, 4);

    const DialogResourceControl& label = dialog.controls[2];
    EXPECT_EQ(label.className, "STATIC");
    EXPECT_EQ(label.text, "#102");
    EXPECT_EQ(label.x, 138);
}

TEST(DialogTemplateReader, ReadsNoFontWithoutDsSetFontAndNamesOrdinalsAndTexts)
{
    TemplateBytes t;
    t.Dword(0x80000000).Dword(0).Word(0).Rect(-5, 7, 100, 50);
    t.Ordinal(200).Text(u"WheelDialog").Text(u"Lenkrad f\u00fcr \u20ac");
    DialogResource dialog;
    std::string error;
    ASSERT_TRUE(ParseDialogTemplate(t.bytes(), &dialog, &error)) << error;
    EXPECT_EQ(dialog.x, -5);
    EXPECT_EQ(dialog.menu, "#200");
    EXPECT_EQ(dialog.windowClass, "WheelDialog");
    EXPECT_EQ(dialog.title, "Lenkrad f\xC3\xBCr \xE2\x82\xAC");
    EXPECT_EQ(dialog.pointSize, 0);
    EXPECT_EQ(dialog.fontName, "");
    EXPECT_TRUE(dialog.controls.empty());
}

TEST(DialogTemplateReader, RefusesEveryCutTemplateWithoutReadingPastIt)
{
    const std::vector<std::uint8_t> whole = SamplePage();
    for (std::size_t size = 0; size < whole.size(); ++size) {
        // A copy of exactly `size` bytes, so that a read past the end is a
        // read outside the allocation that the sanitizer build catches.
        const std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
        DialogResource dialog;
        std::string error;
        EXPECT_FALSE(ParseDialogTemplate(cut, &dialog, &error)) << size << " bytes";
        EXPECT_FALSE(error.empty());
    }
}

TEST(DialogTemplateReader, RefusesAnExtendedTemplate)
{
    TemplateBytes t;
    t.Word(1).Word(0xFFFF).Dword(0).Dword(0).Dword(0x48C00040).Word(0).Rect(0, 0, 258, 227);
    t.Word(0).Word(0).Text(u"Test Page");
    DialogResource dialog;
    std::string error;
    EXPECT_FALSE(ParseDialogTemplate(t.bytes(), &dialog, &error));
    EXPECT_NE(error.find("extended"), std::string::npos) << error;
}

} // namespace
} // namespace torvex::testing
