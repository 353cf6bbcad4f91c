#include "controls/pov_control.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numbers>

#include "controls/control_class.h"
#include "controls/control_drawing.h"

namespace torvex {

namespace {

constexpr COLORREF kPovRed = RGB(255, 0, 0);
// The circle keeps this margin to the control's edge, room for the arrow.
constexpr int kCircleMargin = 10;
constexpr int kDotRadius = 5;
// The arrow at length 100: head 10 long and 20 wide, shaft 10 wide and 10
// long.
constexpr double kHeadLength = 10.0;
constexpr double kHeadHalfWidth = 10.0;
constexpr double kShaftHalfWidth = 5.0;
// Directions per 45-degree sector, in hundredths of a degree.
constexpr unsigned kSectorSize = 4500;

struct Point2 {
    double x;
    double y;
};

POINT Truncated(double x, double y)
{
    return POINT{TruncateToInt(x), TruncateToInt(y)};
}

std::int64_t Magnitude(LONG length)
{
    return std::llabs(static_cast<std::int64_t>(length));
}

} // namespace

BOOL RegisterPovControl(HINSTANCE instance)
{
    return RegisterControlClass(instance, kPovControlClass, PovControlProc);
}

LRESULT CALLBACK PovControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        if (WindowSystemPort* windows = ControlPlatform().windows)
            windows->SetUserData(window, kPovControlInitialValue);
        return 0;
    case WM_PAINT:
        PaintPovControl(window);
        return 0;
    default:
        return DefaultControlProc(window, message, wParam, lParam);
    }
}

LONG PovControlValue(DWORD pov, LONG horizontal, LONG vertical)
{
    const LONG direction = static_cast<LONG>(pov & 0xFFFFu);
    std::int64_t length = 0;
    switch (static_cast<unsigned>(direction) / kSectorSize) {
    case 0:
    case 4:
        length = Magnitude(vertical);
        break;
    case 2:
    case 6:
        length = Magnitude(horizontal);
        break;
    case 1:
    case 3:
    case 5:
    case 7:
        length = (Magnitude(horizontal) + Magnitude(vertical)) / 2;
        break;
    default:
        // Centred: nothing is drawn, the horizontal length is kept as passed.
        length = horizontal;
        break;
    }
    return CombineHalves(static_cast<LONG>(static_cast<std::uint32_t>(length)), direction);
}

void SetPovValue(HWND dialog, int controlId, DWORD pov, LONG horizontal, LONG vertical)
{
    StoreControlValue(dialog, controlId, PovControlValue(pov, horizontal, vertical),
                      RDW_INVALIDATE | RDW_ERASE);
}

RECT PovCircleRect(int width, int height)
{
    RECT circle{0, 0, width - 1, height - 1};
    InflateRect(circle, -kCircleMargin, -kCircleMargin);
    return circle;
}

std::array<POINT, 7> PovArrowPolygon(const RECT& circle, unsigned direction, unsigned lengthPercent)
{
    const double k = lengthPercent * 0.01;
    const int cx = (circle.left + circle.right) / 2;
    const int cy = (circle.top + circle.bottom) / 2;
    const int rx = (circle.right - circle.left) / 2;
    const int ry = (circle.bottom - circle.top) / 2;

    const double theta = direction * 0.01 * std::numbers::pi / 180.0;
    const double s = std::sin(theta);
    const double c = std::cos(theta);
    const double ss = s * k;
    const double cs = c * k;

    // The head's base sits on the circle; the tail is measured from the
    // untruncated point so that short arrows keep their shaft length.
    const Point2 onCircle{cx + rx * s * k, cy - ry * c * k};
    const POINT base = Truncated(onCircle.x, onCircle.y);
    const POINT tail = Truncated(onCircle.x - kHeadLength * ss, onCircle.y + kHeadLength * cs);
    const double bx = base.x;
    const double by = base.y;

    return {
        Truncated(bx + kHeadLength * ss, by - kHeadLength * cs),
        Truncated(bx + kHeadHalfWidth * cs, by + kHeadHalfWidth * ss),
        Truncated(bx + kShaftHalfWidth * cs, by + kShaftHalfWidth * ss),
        Truncated(tail.x + kShaftHalfWidth * cs, tail.y + kShaftHalfWidth * ss),
        Truncated(tail.x - kShaftHalfWidth * cs, tail.y - kShaftHalfWidth * ss),
        Truncated(bx - kShaftHalfWidth * cs, by - kShaftHalfWidth * ss),
        Truncated(bx - kHeadHalfWidth * cs, by - kHeadHalfWidth * ss),
    };
}

void PaintPovControl(HWND window)
{
    PaintSession paint(window);
    if (!paint.ready())
        return;
    const auto value = static_cast<std::uint32_t>(paint.UserData());
    const unsigned direction = value & 0xFFFFu;
    const unsigned lengthPercent = value >> 16;

    GdiPort& gdi = paint.gdi();
    const Pen redPen = SolidPen(gdi, kPovRed);
    const Brush redBrush = SolidBrush(gdi, kPovRed);
    DcSelection selection(gdi, paint.dc());

    const RECT client = paint.ClientRect();
    const RECT circle = PovCircleRect(client.right - client.left, client.bottom - client.top);
    // The circle is filled with the context's own (white) brush.
    selection.SelectPen(redPen.get());
    gdi.Ellipse(paint.dc(), circle.left, circle.top, circle.right, circle.bottom);

    selection.SelectBrush(redBrush.get());
    const int cx = (circle.left + circle.right) / 2;
    const int cy = (circle.top + circle.bottom) / 2;
    gdi.Ellipse(paint.dc(), cx - kDotRadius, cy - kDotRadius, cx + kDotRadius + 1, cy + kDotRadius + 1);

    if (direction >= kPovCentred)
        return;
    const std::array<POINT, 7> arrow = PovArrowPolygon(circle, direction, lengthPercent);
    gdi.Polygon(paint.dc(), arrow.data(), static_cast<int>(arrow.size()));
}

} // namespace torvex
