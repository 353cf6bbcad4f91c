#include "sheet/page_templates.h"

#include "resources/sheet_resources.h"

namespace torvex {

namespace {

#define SHEET_TABLE_CONTROL(text, id, windowClass, style, x, y, cx, cy)                                      \
    DialogControlTemplate{text, id, windowClass, style, x, y, cx, cy},

constexpr DialogControlTemplate kTestPageControls[] = {TEST_PAGE_CONTROLS(SHEET_TABLE_CONTROL)};
constexpr DialogControlTemplate kCalibrationPageControls[] = {CALIBRATION_PAGE_CONTROLS(SHEET_TABLE_CONTROL)};
constexpr DialogControlTemplate kEffectPageControls[] = {EFFECT_PAGE_CONTROLS(SHEET_TABLE_CONTROL)};

#undef SHEET_TABLE_CONTROL

constexpr DialogTemplate SheetPage(WORD id, const char* title,
                                   std::span<const DialogControlTemplate> controls)
{
    return DialogTemplate{id,
                          title,
                          SHEET_PAGE_STYLE,
                          SHEET_PAGE_WIDTH,
                          SHEET_PAGE_HEIGHT,
                          SHEET_PAGE_FONT_NAME,
                          SHEET_PAGE_FONT_SIZE,
                          controls};
}

} // namespace

constexpr DialogTemplate kTestPageTemplate = SheetPage(IDD_TEST_PAGE, TEST_PAGE_TITLE, kTestPageControls);
constexpr DialogTemplate kCalibrationPageTemplate =
    SheetPage(IDD_CALIBRATION_PAGE, CALIBRATION_PAGE_TITLE, kCalibrationPageControls);
constexpr DialogTemplate kEffectPageTemplate =
    SheetPage(IDD_EFFECT_PAGE, EFFECT_PAGE_TITLE, kEffectPageControls);

const DialogTemplate* FindPageTemplate(WORD templateId)
{
    for (const DialogTemplate* page : {&kTestPageTemplate, &kCalibrationPageTemplate, &kEffectPageTemplate}) {
        if (page->id == templateId) {
            return page;
        }
    }
    return nullptr;
}

} // namespace torvex
