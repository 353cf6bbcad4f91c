#include "controls/lamp_control.h"

#include <cstring>

#include "controls/control_class.h"
#include "controls/control_drawing.h"

namespace torvex {

namespace {

constexpr COLORREF kLabelGrey = RGB(202, 202, 202);
constexpr LONG kLabelHalfHeight = 8;

// The label's box: the client's width, 16 pixels high, centred on the
// client's vertical middle.
RECT LampLabelRect(const RECT& client)
{
    const LONG mid = (client.top + client.bottom) / 2;
    return RECT{client.left, mid - kLabelHalfHeight, client.right, mid + kLabelHalfHeight};
}

// The disc in the lamp's colour, outlined with the context's own pen; the
// lamp brush is deselected and deleted before the label is drawn.
void DrawDisc(PaintSession& paint, const RECT& client)
{
    GdiPort& gdi = paint.gdi();
    const Brush lamp = SolidBrush(gdi, static_cast<COLORREF>(paint.UserData()));
    DcSelection selection(gdi, paint.dc());
    selection.SelectBrush(lamp.get());
    gdi.Ellipse(paint.dc(), client.left, client.top, client.right, client.bottom);
}

void DrawLabel(PaintSession& paint, const RECT& client)
{
    GdiPort& gdi = paint.gdi();
    gdi.SetTextColor(paint.dc(), kLabelGrey);
    gdi.SetBkMode(paint.dc(), TRANSPARENT);

    char label[kLampLabelCapacity] = {};
    paint.WindowText(label, kLampLabelCapacity);
    RECT box = LampLabelRect(client);
    gdi.DrawTextInRect(paint.dc(), label, static_cast<int>(std::strlen(label)), &box, DT_CENTER);
}

} // namespace

BOOL RegisterLampControl(HINSTANCE instance)
{
    return RegisterControlClass(instance, kLampControlClass, LampControlProc);
}

LRESULT CALLBACK LampControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
        PaintLampControl(window);
        return 0;
    }
    return DefaultControlProc(window, message, wParam, lParam);
}

void PaintLampControl(HWND window)
{
    PaintSession paint(window);
    if (!paint.ready())
        return;
    const RECT client = paint.ClientRect();
    DrawDisc(paint, client);
    DrawLabel(paint, client);
}

void SetLampColor(HWND dialog, int controlId, COLORREF color)
{
    StoreControlValue(dialog, controlId, static_cast<LONG>(color), RDW_INVALIDATE);
}

} // namespace torvex
