// The window system and GDI on the host, in memory: registered classes,
// windows with ids, texts, user data, client sizes and a raster canvas
// each, invalidation, and WM_PAINT delivered to the class's window
// procedure when a test (or the sheet's host) asks. Drawing objects are
// counted while alive, so a test proves that every paint deleted what it
// created. Property-sheet pages are made from their dialog templates and
// driven by window timers on a simulated clock that only a test moves.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "platform/dialog.h"
#include "platform/gdi.h"
#include "platform/sim/raster_canvas.h"
#include "platform/window_system.h"

namespace torvex {

class SimWindowSystem final : public WindowSystemPort, public GdiPort, public DialogPort {
public:
    // The button-face colour that class backgrounds of COLOR_BTNFACE erase
    // with: GetSysColor(COLOR_BTNFACE) of the Wine the Windows tests run
    // under, so that both pictures of a control agree.
    static constexpr COLORREF kButtonFace = RGB(245, 245, 245);
    // Dialog base units in pixels: the average character width and the
    // height of 8-point MS Sans Serif at 96 DPI on Windows, the pages' font.
    // A dialog unit is a quarter of the width and an eighth of the height;
    // the template's own font is not measured. (Wine's stand-in for the
    // font averages 7 pixels a character, so its pages are wider.)
    static constexpr int kDialogBaseX = 6;
    static constexpr int kDialogBaseY = 13;

    SimWindowSystem();
    ~SimWindowSystem() override;
    SimWindowSystem(const SimWindowSystem&) = delete;
    SimWindowSystem& operator=(const SimWindowSystem&) = delete;

    // Test side: a top-level dialog to hold controls, and a control of a
    // registered class or of the system's "STATIC" and "BUTTON", which only
    // hold their text (WM_CREATE is sent; the new window is invalid and
    // erased at its first paint, as on Windows). Null when the class is
    // unknown or WM_CREATE returns -1.
    HWND CreateDialogWindow(int width, int height);
    HWND CreateControl(HWND dialog, const char* className, const char* text, int controlId, int width,
                       int height);
    // Destroys the window and its children, with their timers.
    void DestroyWindow(HWND window);
    // Sends WM_PAINT when the window is invalid; true when it painted.
    bool PaintIfInvalid(HWND window);
    bool IsInvalid(HWND window) const;
    void Resize(HWND window, int width, int height);
    // Calls the window's procedure; for a page, as the dialog class does,
    // the page's dialog procedure first and the default handling when that
    // answers FALSE.
    LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    const RasterCanvas* Canvas(HWND window) const;
    // Pens and brushes created and not yet deleted.
    int LiveObjectCount() const;
    // The class name as it was registered; empty for an unknown window or
    // one made by CreateDialogWindow.
    std::string WindowClassName(HWND window) const;

    // Test side of the pages, as CreateDialogIndirectParamA makes them: a
    // child dialog of `frame` sized from the template, one control per
    // template entry in template order, then WM_INITDIALOG to `procedure`
    // with `initParam` (wParam 0: the simulation has no keyboard focus).
    // The page is returned whatever the procedure answers; null when the
    // frame is unknown or a control cannot be made, as on Windows.
    HWND CreatePage(HWND frame, const DialogTemplate& page, DLGPROC procedure, LPARAM initParam);
    // Calls the page's dialog procedure; 0 when there is none.
    INT_PTR SendToPage(HWND page, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    // Moves the simulated time on by `ms` and sends WM_TIMER for every
    // period that ends on the way, in time order (timers due at the same
    // moment in the order they were set). A procedure may set and kill
    // timers, or destroy windows, while it handles one.
    void AdvanceTimers(DWORD ms);
    bool TimerRunning(HWND window, UINT_PTR timerId) const;
    // The period the timer runs at (after user32's clamping); 0 when it
    // does not run.
    UINT TimerPeriod(HWND window, UINT_PTR timerId) const;
    // How often SetControlText wrote the control's text.
    int TextWriteCount(HWND dialog, int controlId) const;

    // WindowSystemPort
    ATOM RegisterWindowClass(const WNDCLASSA& windowClass) override;
    HCURSOR LoadSystemCursor(LPCSTR cursorName) override;
    HBRUSH SystemColorBrush(int colorIndex) override;
    LONG GetUserData(HWND window) override;
    LONG SetUserData(HWND window, LONG value) override;
    HWND GetDlgItem(HWND dialog, int controlId) override;
    BOOL RedrawWindow(HWND window, UINT flags) override;
    int WindowText(HWND window, char* buffer, int capacity) override;
    BOOL GetClientRect(HWND window, RECT* rect) override;
    HDC BeginPaint(HWND window, PAINTSTRUCT* paint) override;
    BOOL EndPaint(HWND window, const PAINTSTRUCT* paint) override;
    LRESULT DefaultWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

    // GdiPort
    HPEN CreatePen(int style, int width, COLORREF color) override;
    HBRUSH CreateSolidBrush(COLORREF color) override;
    HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) override;
    BOOL DeleteObject(HGDIOBJ object) override;
    BOOL MoveTo(HDC dc, int x, int y) override;
    BOOL LineTo(HDC dc, int x, int y) override;
    int FillRect(HDC dc, const RECT& rect, HBRUSH brush) override;
    BOOL Ellipse(HDC dc, int left, int top, int right, int bottom) override;
    BOOL Polygon(HDC dc, const POINT* points, int count) override;
    COLORREF SetTextColor(HDC dc, COLORREF color) override;
    int SetBkMode(HDC dc, int mode) override;
    int DrawTextInRect(HDC dc, const char* text, int count, RECT* rect, UINT format) override;

    // DialogPort. SetTimer refuses id 0, whose success could not be told
    // from a failure. Only dialogs hold the DWLP_USER word; on other
    // windows, as on windows without the dialog's extra bytes, setting and
    // getting it give 0.
    UINT_PTR SetTimer(HWND window, UINT_PTR timerId, UINT periodMs) override;
    BOOL KillTimer(HWND window, UINT_PTR timerId) override;
    BOOL SetControlText(HWND dialog, int controlId, const char* text) override;
    HWND ParentWindow(HWND window) override;
    LONG_PTR SetDialogUserData(HWND dialog, LONG_PTR value) override;
    LONG_PTR GetDialogUserData(HWND dialog) override;

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace torvex
