#include "controls/control_drawing.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "platform/gdi.h"

namespace torvex {

namespace {

constexpr COLORREF kFrameShadow = RGB(161, 157, 157);
constexpr COLORREF kFrameHighlight = RGB(255, 255, 255);
constexpr COLORREF kFrameDark = RGB(0, 0, 0);
constexpr COLORREF kFrameLight = RGB(241, 239, 226);
constexpr COLORREF kFieldWhite = RGB(255, 255, 255);

LONG ClampCoordinate(LONG value)
{
    return std::clamp<LONG>(value, -kMaxClientCoordinate, kMaxClientCoordinate);
}

} // namespace

int TruncateToInt(double value)
{
    if (!(value > static_cast<double>(INT_MIN)))
        return INT_MIN;
    if (!(value < static_cast<double>(INT_MAX)))
        return INT_MAX;
    return static_cast<int>(value);
}

PaintSession::PaintSession(HWND window) : window_(window), ports_(ControlPlatform())
{
    if (ports_.windows == nullptr || ports_.gdi == nullptr)
        return;
    dc_ = ports_.windows->BeginPaint(window_, &paint_);
}

PaintSession::~PaintSession()
{
    if (dc_ != nullptr)
        ports_.windows->EndPaint(window_, &paint_);
}

RECT PaintSession::ClientRect() const
{
    RECT rect{};
    if (!ports_.windows->GetClientRect(window_, &rect))
        return RECT{};
    return RECT{ClampCoordinate(rect.left), ClampCoordinate(rect.top), ClampCoordinate(rect.right),
                ClampCoordinate(rect.bottom)};
}

LONG PaintSession::UserData() const
{
    return ports_.windows->GetUserData(window_);
}

void PaintSession::WindowText(char* buffer, int capacity) const
{
    if (buffer == nullptr || capacity <= 0)
        return;
    ports_.windows->WindowText(window_, buffer, capacity);
    // Whatever the window system answered, the text ends inside the buffer.
    buffer[capacity - 1] = '\0';
}

Pen SolidPen(GdiPort& gdi, COLORREF color)
{
    return Pen(gdi, gdi.CreatePen(PS_SOLID, 1, color));
}

Brush SolidBrush(GdiPort& gdi, COLORREF color)
{
    return Brush(gdi, gdi.CreateSolidBrush(color));
}

DcSelection::~DcSelection()
{
    if (originalPen_ != nullptr)
        gdi_.SelectObject(dc_, originalPen_);
    if (originalBrush_ != nullptr)
        gdi_.SelectObject(dc_, originalBrush_);
}

void DcSelection::Select(HGDIOBJ object, HGDIOBJ& original)
{
    if (object == nullptr)
        return;
    HGDIOBJ previous = gdi_.SelectObject(dc_, object);
    if (original == nullptr)
        original = previous;
}

void DcSelection::SelectPen(HPEN pen)
{
    Select(pen, originalPen_);
}

void DcSelection::SelectBrush(HBRUSH brush)
{
    Select(brush, originalBrush_);
}

SunkenFrame::SunkenFrame(GdiPort& gdi)
    : gdi_(gdi), outerShadow_(SolidPen(gdi, kFrameShadow)), outerHighlight_(SolidPen(gdi, kFrameHighlight)),
      innerDark_(SolidPen(gdi, kFrameDark)), innerLight_(SolidPen(gdi, kFrameLight)),
      field_(SolidBrush(gdi, kFieldWhite))
{
}

void SunkenFrame::DrawEdges(DcSelection& selection, HDC dc, HPEN pen, POINT from, POINT corner, POINT to) const
{
    selection.SelectPen(pen);
    gdi_.MoveTo(dc, from.x, from.y);
    gdi_.LineTo(dc, corner.x, corner.y);
    gdi_.LineTo(dc, to.x, to.y);
}

RECT SunkenFrame::Draw(DcSelection& selection, HDC dc, const RECT& client) const
{
    // Each edge is drawn on the last pixel row or column: inclusive
    // coordinates, since a line leaves out its end point.
    RECT edge{client.left, client.top, client.right - 1, client.bottom - 1};

    // Top and left in the shadow colours, right and bottom in the light
    // ones, so the field looks sunk into the dialog.
    const HPEN rings[2][2] = {{outerShadow_.get(), outerHighlight_.get()}, {innerDark_.get(), innerLight_.get()}};
    for (const auto& [shadow, light] : rings) {
        DrawEdges(selection, dc, shadow, {edge.left, edge.bottom}, {edge.left, edge.top}, {edge.right, edge.top});
        DrawEdges(selection, dc, light, {edge.right, edge.top}, {edge.right, edge.bottom}, {edge.left, edge.bottom});
        InflateRect(edge, -1, -1);
    }
    RECT field{edge.left, edge.top, edge.right + 1, edge.bottom + 1};
    gdi_.FillRect(dc, field, field_.get());
    return field;
}

} // namespace torvex
