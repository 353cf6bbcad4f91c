#include "controls/rumble_control.h"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "controls/control_class.h"
#include "controls/control_drawing.h"

namespace torvex {

namespace {

constexpr COLORREF kCrossHairBlack = RGB(0, 0, 0);
constexpr COLORREF kDotRed = RGB(255, 0, 0);
// The plot area keeps the dot's radius off the field's edge.
constexpr int kDotRadius = 5;
constexpr int kCrossHairArm = 15;
// The value that stands for a full half-width or half-height.
constexpr std::int64_t kFullScale = 10000;

// centre + value / 10000 of `half`, truncated toward zero. Worked out in
// integers: in doubles, the 32-bit build (x87, extended precision) put the
// dot of a full push left or up one pixel short of the edge.
int ScaledFromCentre(int centre, std::int16_t value, int half)
{
    const std::int64_t scaled =
        (static_cast<std::int64_t>(value) * half + static_cast<std::int64_t>(centre) * kFullScale) / kFullScale;
    return static_cast<int>(std::clamp<std::int64_t>(scaled, INT_MIN, INT_MAX));
}

} // namespace

BOOL RegisterRumbleControl(HINSTANCE instance)
{
    return RegisterControlClass(instance, kRumbleControlClass, RumbleControlProc);
}

LRESULT CALLBACK RumbleControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return 0;
    case WM_PAINT:
        PaintRumbleControl(window);
        return 0;
    default:
        return DefaultControlProc(window, message, wParam, lParam);
    }
}

POINT RumbleDotCentre(LONG value, const RECT& plot)
{
    const auto word = static_cast<std::uint32_t>(value);
    const auto x = static_cast<std::int16_t>(word >> 16);
    const auto y = static_cast<std::int16_t>(word & 0xFFFFu);
    const int cx = (plot.left + plot.right) / 2;
    const int cy = (plot.top + plot.bottom) / 2;
    const int halfWidth = (plot.right - plot.left) / 2;
    const int halfHeight = (plot.bottom - plot.top) / 2;
    return POINT{ScaledFromCentre(cx, x, halfWidth), ScaledFromCentre(cy, y, halfHeight)};
}

void PaintRumbleControl(HWND window)
{
    PaintSession paint(window);
    if (!paint.ready())
        return;
    GdiPort& gdi = paint.gdi();
    const SunkenFrame frame(gdi);
    const Pen crossHair = SolidPen(gdi, kCrossHairBlack);
    const Brush dot = SolidBrush(gdi, kDotRed);
    DcSelection selection(gdi, paint.dc());

    RECT plot = frame.Draw(selection, paint.dc(), paint.ClientRect());
    const LONG value = paint.UserData();
    InflateRect(plot, -kDotRadius, -kDotRadius);

    const int cx = (plot.left + plot.right) / 2;
    const int cy = (plot.top + plot.bottom) / 2;
    selection.SelectPen(crossHair.get());
    gdi.MoveTo(paint.dc(), cx - kCrossHairArm, cy);
    gdi.LineTo(paint.dc(), cx + kCrossHairArm + 1, cy);
    gdi.MoveTo(paint.dc(), cx, cy - kCrossHairArm);
    gdi.LineTo(paint.dc(), cx, cy + kCrossHairArm + 1);

    const POINT centre = RumbleDotCentre(value, plot);
    selection.SelectBrush(dot.get());
    gdi.Ellipse(paint.dc(), centre.x - kDotRadius, centre.y - kDotRadius, centre.x + kDotRadius + 1,
                centre.y + kDotRadius + 1);
}

} // namespace torvex
