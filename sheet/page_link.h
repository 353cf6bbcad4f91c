// What the three pages share: taking the sheet at dialog creation, finding
// it again at each tick, the property-sheet notifications, and the first
// half of every tick — acquire the sheet's device and keep the status line
// true to whether the wheel answers.
#pragma once

#include <optional>

#include "sheet/wheel_prop_sheet.h"

namespace torvex {

inline constexpr char kConnectedText[] = "The device is connected.";
inline constexpr char kNotRespondingText[] = "The device is not responding.";
// Every page reads the wheel twenty times a second while it is the active tab.
inline constexpr UINT kPagePollPeriodMs = 50;

// The module the page procedures work through. The window system calls a
// page with nothing of ours but its window, so this is process-wide: the
// module file (or a test) sets it before the first page is made.
void UsePageModule(SheetModule* module);
SheetModule& PageModule();

// WM_INITDIALOG: the sheet from the PROPSHEETPAGE's lParam, kept in the
// dialog's DWLP_USER word. Null when the message carries no page record.
WheelPropSheet* AttachSheet(SheetModule& module, HWND page, LPARAM initParam);
// The sheet kept at creation, or null when it is not there to be read.
WheelPropSheet* PageSheet(SheetModule& module, HWND page);
// The code of a WM_NOTIFY; 0 when the message carries no header.
UINT NotifyCode(LPARAM lParam);

// Acquires the sheet's device and writes `statusControl` when the status
// changes. The device when it answers; null when it does not, or when the
// sheet holds none (then no device is called).
LPDIRECTINPUTDEVICE2A AcquireForTick(SheetModule& module, HWND page, int statusControl, WheelPropSheet& sheet,
                                     LinkStatus& shown);
// GetDeviceState into `state`: true only for exactly DI_OK.
bool ReadJoystickState(LPDIRECTINPUTDEVICE2A device, DIJOYSTATE* state);

// How one page answers the property sheet: each page runs a timer while it
// is the active tab and reads the wheel on its ticks. Null members do
// nothing.
struct PageBehaviour {
    UINT_PTR timerId;
    // WM_INITDIALOG: what the procedure answers at once, or nothing to go
    // on to the default window procedure.
    std::optional<INT_PTR> (*initialise)(SheetModule& module, HWND page, LPARAM initParam);
    // PSN_SETACTIVE, once the timer runs; PSN_KILLACTIVE, before it stops.
    void (*activate)(SheetModule& module, HWND page);
    void (*deactivate)(SheetModule& module, HWND page);
    HRESULT (*poll)(SheetModule& module, HWND page);
    void (*command)(SheetModule& module, HWND page, WPARAM wParam);
};

// The dialog procedure of every page, given what is its own.
INT_PTR RunPage(const PageBehaviour& behaviour, HWND page, UINT message, WPARAM wParam, LPARAM lParam);

} // namespace torvex
