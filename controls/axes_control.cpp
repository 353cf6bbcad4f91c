#include "controls/axes_control.h"

#include <cstdint>

#include "controls/control_class.h"
#include "controls/control_drawing.h"

namespace torvex {

namespace {

// Where the cross-hair goes on a control of width × height pixels: its
// centre and the two strokes' ends (the end points themselves not drawn).
struct AxesMarker {
    int px;
    int py;
    int x1;
    int x2;
    int y1;
    int y2;
};

constexpr COLORREF kCrossHairRed = RGB(255, 0, 0);
// The cross stays off the two-pixel frame and the field's first pixel.
constexpr int kMarkerMargin = 3;
constexpr int kStrokeArm = 5;

int MarkerCentre(std::uint32_t axis, int extent)
{
    const std::uint32_t scaled = (axis * static_cast<std::uint32_t>(extent)) >> 16;
    int centre = static_cast<int>(scaled);
    if (centre < kMarkerMargin)
        centre = kMarkerMargin;
    if (centre > extent - 1 - kMarkerMargin)
        centre = extent - 1 - kMarkerMargin;
    return centre;
}

int StrokeStart(int centre)
{
    return centre < kMarkerMargin + kStrokeArm ? kMarkerMargin : centre - kStrokeArm;
}

int StrokeEnd(int centre, int extent)
{
    const int last = extent - 1 - kMarkerMargin;
    return centre + kStrokeArm > last ? last : centre + kStrokeArm + 1;
}

AxesMarker AxesMarkerFor(LONG value, int width, int height)
{
    const auto word = static_cast<std::uint32_t>(value);
    AxesMarker marker{};
    marker.px = MarkerCentre(word >> 16, width);
    marker.py = MarkerCentre(word & 0xFFFFu, height);
    marker.x1 = StrokeStart(marker.px);
    marker.x2 = StrokeEnd(marker.px, width);
    marker.y1 = StrokeStart(marker.py);
    marker.y2 = StrokeEnd(marker.py, height);
    return marker;
}

} // namespace

BOOL RegisterAxesControl(HINSTANCE instance)
{
    return RegisterControlClass(instance, kAxesControlClass, AxesControlProc);
}

LRESULT CALLBACK AxesControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        if (WindowSystemPort* windows = ControlPlatform().windows)
            windows->SetUserData(window, kAxesControlInitialValue);
        return 0;
    case WM_PAINT:
        PaintAxesControl(window);
        return 0;
    default:
        return DefaultControlProc(window, message, wParam, lParam);
    }
}

void PaintAxesControl(HWND window)
{
    PaintSession paint(window);
    if (!paint.ready())
        return;
    GdiPort& gdi = paint.gdi();
    const SunkenFrame frame(gdi);
    const Pen red = SolidPen(gdi, kCrossHairRed);
    DcSelection selection(gdi, paint.dc());

    const RECT client = paint.ClientRect();
    frame.Draw(selection, paint.dc(), client);

    const AxesMarker marker =
        AxesMarkerFor(paint.UserData(), client.right - client.left, client.bottom - client.top);
    selection.SelectPen(red.get());
    gdi.MoveTo(paint.dc(), marker.x1, marker.py);
    gdi.LineTo(paint.dc(), marker.x2, marker.py);
    gdi.MoveTo(paint.dc(), marker.px, marker.y1);
    gdi.LineTo(paint.dc(), marker.px, marker.y2);
}

void SetAxesValue(HWND dialog, int controlId, LONG x, LONG y)
{
    StoreControlValue(dialog, controlId, CombineHalves(x, y), RDW_INVALIDATE);
}

} // namespace torvex
