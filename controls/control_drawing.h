// Painting helpers the custom controls share: a paint session that ends
// itself, pens and brushes that delete themselves, the device context's own
// pen and brush put back at the end, and the sunken two-pixel frame around a
// white field that both the axes and the rumble control draw.
#pragma once

#include "controls/control_platform.h"
#include "platform/windows_api.h"

namespace torvex {

// Client coordinates beyond this are clamped: GDI on the wheel's oldest
// Windows works in 16-bit coordinates, and it keeps the controls' integer
// arithmetic far from overflow whatever size the window system reports.
inline constexpr LONG kMaxClientCoordinate = 32767;

// A double truncated toward zero, saturated to the int range.
int TruncateToInt(double value);

// BeginPaint ... EndPaint through the control ports. Not ready when no
// ports are in use or the window system gave no device context.
class PaintSession {
public:
    explicit PaintSession(HWND window);
    ~PaintSession();
    PaintSession(const PaintSession&) = delete;
    PaintSession& operator=(const PaintSession&) = delete;

    bool ready() const { return dc_ != nullptr; }
    HDC dc() const { return dc_; }
    GdiPort& gdi() const { return *ports_.gdi; }
    // The client rectangle, clamped (empty when the window system fails).
    RECT ClientRect() const;
    LONG UserData() const;
    // GetWindowTextA into `buffer`, always zero-terminated.
    void WindowText(char* buffer, int capacity) const;

private:
    HWND window_;
    ControlPorts ports_;
    PAINTSTRUCT paint_{};
    HDC dc_ = nullptr;
};

// A pen or brush that the paint created and deletes when it goes out of
// scope.
template <typename Handle> class GdiObject {
public:
    GdiObject(GdiPort& gdi, Handle handle) : gdi_(gdi), handle_(handle) {}
    ~GdiObject()
    {
        if (handle_ != nullptr)
            gdi_.DeleteObject(handle_);
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    Handle get() const { return handle_; }

private:
    GdiPort& gdi_;
    Handle handle_;
};

using Pen = GdiObject<HPEN>;
using Brush = GdiObject<HBRUSH>;

// Solid one-pixel pen and solid brush.
Pen SolidPen(GdiPort& gdi, COLORREF color);
Brush SolidBrush(GdiPort& gdi, COLORREF color);

// Selects pens and brushes into a device context and, when it goes out of
// scope, selects back the pen and the brush the first selections replaced,
// so that the paint's own objects can be deleted and the context is left
// as it was found. Declare it after the objects it selects.
class DcSelection {
public:
    DcSelection(GdiPort& gdi, HDC dc) : gdi_(gdi), dc_(dc) {}
    ~DcSelection();
    DcSelection(const DcSelection&) = delete;
    DcSelection& operator=(const DcSelection&) = delete;

    void SelectPen(HPEN pen);
    void SelectBrush(HBRUSH brush);

private:
    GdiPort& gdi_;
    HDC dc_;
    // Remembers what `object` replaced the first time its kind is selected.
    void Select(HGDIOBJ object, HGDIOBJ& original);

    HGDIOBJ originalPen_ = nullptr;
    HGDIOBJ originalBrush_ = nullptr;
};

// The sunken frame: an outer edge grey at the top and left and white at the
// bottom and right, an inner edge black at the top and left and a light
// cream at the bottom and right, filled inside with white.
class SunkenFrame {
public:
    explicit SunkenFrame(GdiPort& gdi);

    // Draws the frame on the border pixels of `client` and fills the field
    // inside it; returns the field's rectangle (right and bottom excluded).
    // Leaves the inner light pen selected.
    RECT Draw(DcSelection& selection, HDC dc, const RECT& client) const;

private:
    // One L of the frame: with `pen`, from `from` through `corner` to `to`.
    void DrawEdges(DcSelection& selection, HDC dc, HPEN pen, POINT from, POINT corner, POINT to) const;

    GdiPort& gdi_;
    Pen outerShadow_;
    Pen outerHighlight_;
    Pen innerDark_;
    Pen innerLight_;
    Brush field_;
};

} // namespace torvex
