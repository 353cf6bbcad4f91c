// RumbleControl: on the effect page, where the X and Y axes stand while the
// test force plays: a red dot offset from a black cross-hair in a white
// field with a sunken frame. The window's user data holds x in the high and
// y in the low 16 bits, each signed; 10000 is the plot area's full
// half-width or half-height. The page sets it with SetAxesValue.
#pragma once

#include "platform/windows_api.h"

namespace torvex {

inline constexpr char kRumbleControlClass[] = "RumbleControl";

BOOL RegisterRumbleControl(HINSTANCE instance);
LRESULT CALLBACK RumbleControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PaintRumbleControl(HWND window);

// The dot's centre for `value` in the plot area `plot` (the field less the
// dot's radius on every side).
POINT RumbleDotCentre(LONG value, const RECT& plot);

} // namespace torvex
