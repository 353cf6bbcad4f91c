// The calibration page, the sheet's second tab: while active it reads the
// wheel twenty times a second, shows the wheel and accelerator as a
// cross-hair and as numbers, and records for X, Y, Z and Rz the smallest
// and largest value seen and the latest one as the centre. "Set" stores
// what was recorded, "Default" the full range; after either the sheet's
// device is reopened so that DirectInput uses the new calibration.
#pragma once

#include "resources/sheet_resources.h"
#include "sheet/wheel_prop_sheet.h"

namespace torvex {

inline constexpr WORD kCalibrationPageTemplateId = IDD_CALIBRATION_PAGE;
inline constexpr int kCalibrationAxesControl = IDC_CALIBRATION_AXES;
inline constexpr int kCalibrationXText = IDC_CALIBRATION_X_VALUE;
inline constexpr int kCalibrationYText = IDC_CALIBRATION_Y_VALUE;
inline constexpr int kDefaultButton = IDC_CALIBRATION_DEFAULT;
inline constexpr int kSetButton = IDC_CALIBRATION_SET;
inline constexpr int kCalibrationStatusControl = IDC_CALIBRATION_STATUS;
inline constexpr UINT_PTR kCalibrationPageTimer = 2;
// Recorded values are axis values shifted right by 8: 0 to 255.
inline constexpr DWORD kCalibrationMiddle = 128;
inline constexpr DWORD kCalibrationFullMinimum = 0;
inline constexpr DWORD kCalibrationFullMaximum = 255;

INT_PTR CALLBACK CalibrationPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
// One tick: E_POINTER without a sheet, else S_OK.
HRESULT PollCalibrationDevice(SheetModule& module, HWND page);

} // namespace torvex
