// Opening the wheel for the sheet through DirectInput: the device the
// pages read and drive, and the joystick configuration the calibration
// page reads and stores through. Both live in the sheet, which owns one
// reference to each.
#pragma once

#include "sheet/wheel_prop_sheet.h"

namespace torvex {

// DirectInput's units of the axis range: 500 is 5 %.
inline constexpr DWORD kAxisDeadZone = 500;

// Each page at dialog creation, with the sheet's frame window: S_FALSE when
// the sheet already held what it needs, else the new device's result or
// the first failure.
HRESULT OpenSheetDevice(SheetModule& module, HWND sheetWindow, IDIGameCntrlPropSheet* sheet);
// After new calibration was stored: a new joystick configuration and a new
// device, so that DirectInput uses the new values.
HRESULT ReopenSheetDevice(SheetModule& module, HWND sheetWindow, IDIGameCntrlPropSheet* sheet);
// The device of joystick `joystickId` in the joystick format, exclusive
// and in the background on `sheetWindow`; not acquired. `*device` is null
// after any failure.
HRESULT CreateJoystickDevice(USHORT joystickId, HWND sheetWindow, LPDIRECTINPUTA directInput,
                             LPDIRECTINPUTJOYCONFIG joyConfig, LPDIRECTINPUTDEVICE2A* device);

} // namespace torvex
