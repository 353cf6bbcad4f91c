// PovControl: the direction of the wheel's point-of-view hat, a red circle
// with a red dot in its middle and, while the hat is pressed, a red arrow on
// the circle pointing that way. The window's user data holds the direction
// in hundredths of a degree clockwise from up in the low 16 bits (36000 and
// above: centred, no arrow) and the arrow's length in percent in the high
// 16 bits.
#pragma once

#include <array>

#include "platform/windows_api.h"

namespace torvex {

inline constexpr char kPovControlClass[] = "PovControl";
// Length 100, hat centred.
inline constexpr LONG kPovControlInitialValue = 0x0064FFFF;
inline constexpr unsigned kPovCentred = 36000;

BOOL RegisterPovControl(HINSTANCE instance);
LRESULT CALLBACK PovControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PaintPovControl(HWND window);

// Stores the hat value `pov` (as DirectInput reports it; only its low 16
// bits count) with the arrow length that fits its direction: `vertical`
// near up and down, `horizontal` near left and right, their mean on the
// diagonals. Repaints the control with its background erased, so no part
// of the previous arrow outside the circle stays.
void SetPovValue(HWND dialog, int controlId, DWORD pov, LONG horizontal, LONG vertical);
// The word SetPovValue stores.
LONG PovControlValue(DWORD pov, LONG horizontal, LONG vertical);

// The circle's bounding box on a control of width × height pixels.
RECT PovCircleRect(int width, int height);
// The arrow's seven corners (tip, head corner, shaft corners, head corner)
// for direction `direction` (below 36000) and length `lengthPercent`
// around the circle in `circle`.
std::array<POINT, 7> PovArrowPolygon(const RECT& circle, unsigned direction, unsigned lengthPercent);

} // namespace torvex
