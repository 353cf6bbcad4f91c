// The test page, the sheet's first tab: while active it reads the wheel
// twenty times a second and shows the first twelve buttons as lamps, the
// wheel and accelerator as a cross-hair, the hat as an arrow, and whether
// the wheel answers.
#pragma once

#include "resources/sheet_resources.h"
#include "sheet/wheel_prop_sheet.h"

namespace torvex {

inline constexpr WORD kTestPageTemplateId = IDD_TEST_PAGE;
inline constexpr int kFirstLampControl = IDC_LAMP_1; // lamps 1000 to 1011, buttons 1 to 12
inline constexpr int kTestPageLamps = 12;
inline constexpr int kTestAxesControl = IDC_TEST_AXES;
inline constexpr int kTestPovControl = IDC_TEST_POV;
inline constexpr int kTestStatusControl = IDC_TEST_STATUS;
inline constexpr UINT_PTR kTestPageTimer = 1;
inline constexpr COLORREF kLampPressed = 255; // pure red
inline constexpr COLORREF kLampReleased = 64; // dark red
inline constexpr LONG kPovArrowLength = 100;

INT_PTR CALLBACK TestPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
// One tick: E_POINTER without a sheet, else S_OK.
HRESULT PollTestDevice(SheetModule& module, HWND page);

} // namespace torvex
