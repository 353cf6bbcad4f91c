// LampControl: a round lamp in the colour its owner sets, labelled with the
// window's own text; the test page shows one per wheel button. The colour
// (0x00BBGGRR) is the window's user data, 0 (black) until set.
#pragma once

#include "platform/windows_api.h"

namespace torvex {

inline constexpr char kLampControlClass[] = "LampControl";
// The label is read into a buffer of this many characters, its zero included.
inline constexpr int kLampLabelCapacity = 64;

BOOL RegisterLampControl(HINSTANCE instance);
LRESULT CALLBACK LampControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PaintLampControl(HWND window);

// Stores `color` in the dialog's lamp `controlId` and repaints it without
// erasing.
void SetLampColor(HWND dialog, int controlId, COLORREF color);

} // namespace torvex
