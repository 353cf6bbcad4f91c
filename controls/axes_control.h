// AxesControl: the wheel's X and Y axes as a red cross-hair in a white field
// with a sunken frame, on the test and calibration pages. Its whole state is
// the window's user data: X in the high 16 bits, Y in the low 16 bits, 0 at
// the left or top edge and 65535 at the right or bottom edge.
#pragma once

#include "platform/windows_api.h"

namespace torvex {

inline constexpr char kAxesControlClass[] = "AxesControl";
// X and Y 32768: the cross starts in the middle.
inline constexpr LONG kAxesControlInitialValue = static_cast<LONG>(0x80008000u);

BOOL RegisterAxesControl(HINSTANCE instance);
LRESULT CALLBACK AxesControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PaintAxesControl(HWND window);

// Stores x × 65536 + y in the dialog's control `controlId` and repaints it
// without erasing. y is added, not masked: the effect page passes signed
// values to its rumble control through the same operation.
void SetAxesValue(HWND dialog, int controlId, LONG x, LONG y);

} // namespace torvex
