// The effect page, the sheet's third tab: while active it plays one
// constant force on the wheel and twenty times a second points it, and a
// dot in the rumble control, by how far the wheel and the accelerator
// stand from their centres.
#pragma once

#include "resources/sheet_resources.h"
#include "sheet/wheel_prop_sheet.h"

namespace torvex {

inline constexpr WORD kEffectPageTemplateId = IDD_EFFECT_PAGE;
inline constexpr int kEffectRumbleControl = IDC_EFFECT_RUMBLE;
inline constexpr int kEffectStatusControl = IDC_EFFECT_STATUS;
inline constexpr UINT_PTR kEffectPageTimer = 3;
// Axis units to force units: 10000 / 32768, around the centre 32768.
inline constexpr double kAxisToForce = 0.30517578125;

INT_PTR CALLBACK EffectPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
// Creates and starts the page's constant force on activation.
void StartTestForce(SheetModule& module, HWND page, EffectPageState& state);
// Points the force along (a, b), both non-negative, with strength
// sqrt(a² + b²), and (re)starts it.
void SetTestForce(LPDIRECTINPUTEFFECT force, LONG a, LONG b);
void ReleaseTestForce(EffectPageState& state);
// One tick: E_POINTER without a sheet, else S_OK.
HRESULT PollEffectDevice(SheetModule& module, HWND page);
// (axis - 32768) scaled to force units, truncated toward zero.
LONG AxisDisplacement(LONG axis);

} // namespace torvex
