// The window system and GDI on the host, in memory: registered classes,
// windows with ids, texts, user data, client sizes and a raster canvas
// each, invalidation, and WM_PAINT delivered to the class's window
// procedure when a test (or the sheet's host) asks. Drawing objects are
// counted while alive, so a test proves that every paint deleted what it
// created.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "platform/gdi.h"
#include "platform/sim/raster_canvas.h"
#include "platform/window_system.h"

namespace torvex {

class SimWindowSystem final : public WindowSystemPort, public GdiPort {
public:
    // The button-face colour that class backgrounds of COLOR_BTNFACE erase
    // with: GetSysColor(COLOR_BTNFACE) of the Wine the Windows tests run
    // under, so that both pictures of a control agree.
    static constexpr COLORREF kButtonFace = RGB(245, 245, 245);

    SimWindowSystem();
    ~SimWindowSystem() override;
    SimWindowSystem(const SimWindowSystem&) = delete;
    SimWindowSystem& operator=(const SimWindowSystem&) = delete;

    // Test side: a top-level dialog to hold controls, and a control of a
    // registered class (WM_CREATE is sent; the new window is invalid and
    // erased at its first paint, as on Windows). Null when the class is
    // unknown or WM_CREATE returns -1.
    HWND CreateDialogWindow(int width, int height);
    HWND CreateControl(HWND dialog, const char* className, const char* text, int controlId, int width,
                       int height);
    void DestroyWindow(HWND window);
    // Sends WM_PAINT when the window is invalid; true when it painted.
    bool PaintIfInvalid(HWND window);
    bool IsInvalid(HWND window) const;
    void Resize(HWND window, int width, int height);
    LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    const RasterCanvas* Canvas(HWND window) const;
    // Pens and brushes created and not yet deleted.
    int LiveObjectCount() const;

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

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace torvex
