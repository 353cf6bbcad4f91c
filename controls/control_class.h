// What the four custom control classes have in common outside painting:
// the same class fields, and the owner's way of storing a new value in a
// control of its dialog and asking for a repaint.
#pragma once

#include "platform/windows_api.h"

namespace torvex {

// Registers a class with the controls' fields: CS_HREDRAW | CS_VREDRAW, no
// extra bytes, no icon or menu, the arrow cursor and the button-face
// background. TRUE when the window system gave a class atom; FALSE also
// when no window system is in use yet.
BOOL RegisterControlClass(HINSTANCE instance, const char* className, WNDPROC windowProc);

// Stores `value` in the user data of the dialog's control `controlId` and
// invalidates the whole control with `redrawFlags`. An id the dialog does
// not hold changes nothing.
void StoreControlValue(HWND dialog, int controlId, LONG value, UINT redrawFlags);

// The 32-bit word hi × 65536 + lo, with the platform's wrap-around instead
// of signed overflow: the halves are stored as the caller passed them.
LONG CombineHalves(LONG hi, LONG lo);

// The window procedure's answer to anything a control does not handle
// itself; 0 when no window system is in use.
LRESULT DefaultControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

} // namespace torvex
