// user32 and gdi32 under Wine through the Win32 ports, and the host's
// raster canvas held against GDI's own pixels: the same drawing goes into
// a memory DC with a DIB section (no display needed) and into a simulated
// window, and the pictures must agree where the controls need them exact.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "platform/sim/sim_window_system.h"
#include "platform/win32/win32_gdi.h"
#include "platform/win32/win32_window_system.h"
#include "tests/support/dib_surface.h"

namespace torvex::testing {
namespace {

constexpr int kSize = 64;
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

using Drawing = std::function<void(GdiPort&, HDC)>;

// Every drawing starts from a white field, filled through the port.
void OnWhite(GdiPort& gdi, HDC dc, const Drawing& draw)
{
    const HBRUSH white = gdi.CreateSolidBrush(kWhite);
    gdi.FillRect(dc, RECT{0, 0, kSize, kSize}, white);
    gdi.DeleteObject(white);
    draw(gdi, dc);
}

// The same drawing by GDI and by the simulation, side by side.
class Comparison {
public:
    explicit Comparison(const Drawing& draw) : dib_(kSize, kSize)
    {
        if (!dib_.ready()) {
            return;
        }
        Win32Gdi gdi;
        OnWhite(gdi, dib_.dc(), draw);

        WNDCLASSA surface = {};
        surface.lpszClassName = "Surface";
        sim_.RegisterWindowClass(surface);
        window_ = sim_.CreateControl(sim_.CreateDialogWindow(kSize, kSize), "Surface", "", 1, kSize, kSize);
        PAINTSTRUCT paint;
        const HDC dc = sim_.BeginPaint(window_, &paint);
        OnWhite(sim_, dc, draw);
        sim_.EndPaint(window_, &paint);
    }

    bool IsReady() const { return dib_.ready() && window_ != nullptr; }
    COLORREF Gdi(int x, int y) const { return dib_.Pixel(x, y); }
    COLORREF Sim(int x, int y) const { return sim_.Canvas(window_)->Pixel(x, y); }
    int LiveSimObjects() const { return sim_.LiveObjectCount(); }

    // Each difference as "(x,y) gdi sim", so a failure shows where.
    std::vector<std::string> Differences() const
    {
        std::vector<std::string> found;
        for (int y = 0; y < kSize; ++y) {
            for (int x = 0; x < kSize; ++x) {
                if (Gdi(x, y) != Sim(x, y)) {
                    char line[64];
                    std::snprintf(line, sizeof line, "(%d,%d) gdi %06lx sim %06lx", x, y,
                                  static_cast<unsigned long>(Gdi(x, y)),
                                  static_cast<unsigned long>(Sim(x, y)));
                    found.emplace_back(line);
                }
            }
        }
        return found;
    }

    struct Box {
        int left = kSize, top = kSize, right = -1, bottom = -1;
        bool operator==(const Box&) const = default;
    };
    template <typename Read> static Box NonWhiteBox(Read read)
    {
        Box box;
        for (int y = 0; y < kSize; ++y) {
            for (int x = 0; x < kSize; ++x) {
                if (read(x, y) != kWhite) {
                    box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x),
                           std::max(box.bottom, y)};
                }
            }
        }
        return box;
    }
    Box GdiBox() const
    {
        return NonWhiteBox([this](int x, int y) { return Gdi(x, y); });
    }
    Box SimBox() const
    {
        return NonWhiteBox([this](int x, int y) { return Sim(x, y); });
    }

private:
    DibSurface dib_;
    SimWindowSystem sim_;
    HWND window_ = nullptr;
};

// Draws with a 1-pixel pen of `color`, keeping the port's object balance.
void WithPen(GdiPort& gdi, HDC dc, COLORREF color, const std::function<void()>& draw)
{
    const HPEN pen = gdi.CreatePen(PS_SOLID, 1, color);
    const HGDIOBJ old = gdi.SelectObject(dc, pen);
    draw();
    gdi.SelectObject(dc, old);
    gdi.DeleteObject(pen);
}

void WithPenAndBrush(GdiPort& gdi, HDC dc, COLORREF pen, COLORREF brush, const std::function<void()>& draw)
{
    const HBRUSH fill = gdi.CreateSolidBrush(brush);
    const HGDIOBJ old = gdi.SelectObject(dc, fill);
    WithPen(gdi, dc, pen, draw);
    gdi.SelectObject(dc, old);
    gdi.DeleteObject(fill);
}

TEST(Win32GdiAgainstCanvas, LinesInEveryDirectionMatchPixelForPixel)
{
    // The frame of a control, then spokes through all octants with exact
    // ties, shallow, steep and diagonal slopes.
    const std::vector<POINT> ends = {{63, 32}, {63, 40}, {60, 63}, {36, 63}, {32, 63}, {28, 63}, {4, 63},
                                     {0, 44},  {0, 32},  {0, 20},  {4, 0},   {28, 0},  {32, 0},  {36, 0},
                                     {60, 0},  {63, 24}, {40, 34}, {34, 40}, {24, 34}, {30, 40}, {24, 30},
                                     {30, 24}, {40, 30}, {34, 24}, {44, 44}, {20, 20}};
    Comparison lines([&ends](GdiPort& gdi, HDC dc) {
        WithPen(gdi, dc, RGB(161, 157, 157), [&] {
            gdi.MoveTo(dc, 0, 63);
            gdi.LineTo(dc, 0, 0);
            gdi.LineTo(dc, 63, 0);
        });
        WithPen(gdi, dc, kRed, [&] {
            for (const POINT& end : ends) {
                gdi.MoveTo(dc, 32, 32);
                gdi.LineTo(dc, end.x, end.y);
            }
        });
    });
    ASSERT_TRUE(lines.IsReady());
    const std::vector<std::string> differences = lines.Differences();
    EXPECT_TRUE(differences.empty()) << differences.size() << " pixels differ, first "
                                     << (differences.empty() ? "" : differences.front());
    EXPECT_EQ(lines.Gdi(63, 0), kWhite) << "LineTo leaves out its end point";
    EXPECT_EQ(lines.LiveSimObjects(), 0);
}

TEST(Win32GdiAgainstCanvas, FillRectMatchesPixelForPixel)
{
    Comparison fills([](GdiPort& gdi, HDC dc) {
        const HBRUSH blue = gdi.CreateSolidBrush(kBlue);
        gdi.FillRect(dc, RECT{2, 2, 8, 8}, blue);
        gdi.FillRect(dc, RECT{20, 30, 61, 31}, blue);
        gdi.FillRect(dc, RECT{-4, 50, 3, 70}, blue);
        gdi.DeleteObject(blue);
    });
    ASSERT_TRUE(fills.IsReady());
    EXPECT_TRUE(fills.Differences().empty()) << fills.Differences().front();
    EXPECT_EQ(fills.Gdi(7, 7), kBlue);
    EXPECT_EQ(fills.Gdi(8, 8), kWhite);
}

TEST(Win32GdiAgainstCanvas, EllipsesShareBoundingBoxAndCentre)
{
    for (const RECT& box : {RECT{10, 10, 21, 21}, RECT{3, 5, 18, 21}, RECT{20, 8, 60, 58}}) {
        SCOPED_TRACE(::testing::Message()
                     << box.left << "," << box.top << "," << box.right << "," << box.bottom);
        Comparison ellipse([&box](GdiPort& gdi, HDC dc) {
            WithPenAndBrush(gdi, dc, kRed, kBlue,
                            [&] { gdi.Ellipse(dc, box.left, box.top, box.right, box.bottom); });
        });
        ASSERT_TRUE(ellipse.IsReady());
        const Comparison::Box expected = {box.left, box.top, box.right - 1, box.bottom - 1};
        EXPECT_TRUE(ellipse.GdiBox() == expected);
        EXPECT_TRUE(ellipse.SimBox() == expected);
        const int cx = (box.left + box.right) / 2;
        const int cy = (box.top + box.bottom) / 2;
        EXPECT_EQ(ellipse.Gdi(cx, cy), kBlue);
        EXPECT_EQ(ellipse.Sim(cx, cy), kBlue);
    }
}

TEST(Win32GdiAgainstCanvas, PolygonsShareBoundingBoxCentreAndFillRule)
{
    // The PovControl's arrow straight up on a 100-pixel control (shifted
    // onto this surface) and a self-intersecting star.
    const std::vector<POINT> arrow = {{29, 2}, {39, 12}, {34, 12}, {34, 22}, {24, 22}, {24, 12}, {19, 12}};
    const std::vector<POINT> star = {{32, 4}, {47, 52}, {8, 22}, {56, 22}, {17, 52}};
    for (const auto& shape : {arrow, star}) {
        Comparison polygon([&shape](GdiPort& gdi, HDC dc) {
            WithPenAndBrush(gdi, dc, kRed, kBlue,
                            [&] { gdi.Polygon(dc, shape.data(), static_cast<int>(shape.size())); });
        });
        ASSERT_TRUE(polygon.IsReady());
        EXPECT_TRUE(polygon.GdiBox() == polygon.SimBox());
        for (const POINT& p : shape) {
            EXPECT_EQ(polygon.Gdi(p.x, p.y), kRed) << p.x << "," << p.y;
            EXPECT_EQ(polygon.Sim(p.x, p.y), kRed) << p.x << "," << p.y;
        }
    }
    Comparison starred([&star](GdiPort& gdi, HDC dc) {
        WithPenAndBrush(gdi, dc, kRed, kBlue,
                        [&] { gdi.Polygon(dc, star.data(), static_cast<int>(star.size())); });
    });
    EXPECT_EQ(starred.Gdi(32, 32), kWhite) << "ALTERNATE leaves the star's middle open";
    EXPECT_EQ(starred.Sim(32, 32), kWhite);
    EXPECT_EQ(starred.Gdi(32, 14), kBlue);
    EXPECT_EQ(starred.Sim(32, 14), kBlue);
}

TEST(Win32GdiAgainstCanvas, TransparentCentredTextLandsInItsBox)
{
    constexpr COLORREF kGrey = RGB(202, 202, 202);
    const RECT label = {10, 24, 54, 40};
    Comparison text([&label](GdiPort& gdi, HDC dc) {
        const HBRUSH red = gdi.CreateSolidBrush(kRed);
        gdi.FillRect(dc, RECT{0, 0, kSize, kSize}, red);
        gdi.DeleteObject(red);
        gdi.SetTextColor(dc, kGrey);
        gdi.SetBkMode(dc, TRANSPARENT);
        RECT box = label;
        gdi.DrawTextInRect(dc, "10", -1, &box, DT_CENTER);
    });
    ASSERT_TRUE(text.IsReady());
    for (bool gdi : {true, false}) {
        SCOPED_TRACE(gdi ? "gdi" : "canvas");
        // Wine smooths its default font, so the glyphs' edges blend grey
        // into red: every pixel that is not red is ink, and ink mostly
        // grey (green well above red's none) is the text colour itself.
        int ink = 0;
        int grey = 0;
        int left = kSize;
        int right = -1;
        for (int y = 0; y < kSize; ++y) {
            for (int x = 0; x < kSize; ++x) {
                const COLORREF c = gdi ? text.Gdi(x, y) : text.Sim(x, y);
                if (c == kRed) {
                    continue;
                }
                ++ink;
                grey += GetGValue(c) >= 150 ? 1 : 0;
                left = std::min(left, x);
                right = std::max(right, x);
                EXPECT_TRUE(x >= label.left && x < label.right && y >= label.top && y < label.bottom)
                    << "ink outside the label box at " << x << "," << y;
            }
        }
        EXPECT_GT(ink, 0);
        EXPECT_GT(grey, 0);
        EXPECT_LE(std::abs((left - label.left) - (label.right - 1 - right)), 2) << "centred";
    }
}

TEST(Win32Gdi, ButtonFaceIsTheSimulationsColour)
{
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    std::printf("COLOR_BTNFACE under this Wine: RGB(%u, %u, %u)\n", GetRValue(face), GetGValue(face),
                GetBValue(face));
    EXPECT_EQ(face, SimWindowSystem::kButtonFace);
}

// ------------------------------------------------------- window system

std::vector<UINT> seen;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    seen.push_back(message);
    return ::DefWindowProcA(window, message, wParam, lParam);
}

// A window destroyed when the test ends.
struct WindowHolder {
    HWND window = nullptr;
    ~WindowHolder()
    {
        if (window != nullptr) {
            ::DestroyWindow(window);
        }
    }
};

TEST(Win32WindowSystem, ClassesWindowsIdsTextsAndUserData)
{
    Win32WindowSystem windows;
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = RecordingProc;
    windowClass.hInstance = ::GetModuleHandleA(nullptr);
    windowClass.hCursor = windows.LoadSystemCursor(IDC_ARROW);
    windowClass.hbrBackground = windows.SystemColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = "TorvexTestControl";
    EXPECT_NE(windowClass.hCursor, nullptr);
    EXPECT_EQ(reinterpret_cast<INT_PTR>(windowClass.hbrBackground), 16);
    const ATOM atom = windows.RegisterWindowClass(windowClass);
    EXPECT_NE(atom, 0);
    EXPECT_EQ(windows.RegisterWindowClass(windowClass), 0) << "a second registration of the name fails";

    // Wine creates windows only with a display (scripts/test.sh starts
    // Xvfb); without one there is nothing to test here.
    WindowHolder dialog{::CreateWindowExA(0, "TorvexTestControl", "dialog", WS_OVERLAPPEDWINDOW, 0, 0, 200,
                                          200, nullptr, nullptr, windowClass.hInstance, nullptr)};
    char display[256] = {};
    if (dialog.window == nullptr && ::GetEnvironmentVariableA("DISPLAY", display, sizeof display) == 0) {
        GTEST_SKIP() << "no display to create windows on";
    }
    ASSERT_NE(dialog.window, nullptr);
    seen.clear();
    WindowHolder control{::CreateWindowExA(0, "TorvexTestControl", "10", WS_CHILD, 4, 4, 64, 48,
                                           dialog.window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(1012)),
                                           windowClass.hInstance, nullptr)};
    ASSERT_NE(control.window, nullptr);
    EXPECT_NE(std::find(seen.begin(), seen.end(), WM_CREATE), seen.end());
    EXPECT_EQ(windows.GetDlgItem(dialog.window, 1012), control.window);
    EXPECT_EQ(windows.GetDlgItem(dialog.window, 1013), nullptr);

    EXPECT_EQ(windows.SetUserData(control.window, static_cast<LONG>(0x80008000u)), 0);
    EXPECT_EQ(static_cast<DWORD>(windows.GetUserData(control.window)), 0x80008000u);

    char text[64] = {};
    EXPECT_EQ(windows.WindowText(control.window, text, sizeof text), 2);
    EXPECT_STREQ(text, "10");
    RECT client = {};
    ASSERT_TRUE(windows.GetClientRect(control.window, &client));
    EXPECT_EQ(client.right, 64);
    EXPECT_EQ(client.bottom, 48);
    EXPECT_TRUE(windows.RedrawWindow(control.window, RDW_INVALIDATE | RDW_ERASE));
    EXPECT_EQ(windows.DefaultWindowProc(control.window, WM_CREATE + 0x400, 0, 0), 0);
}

} // namespace
} // namespace torvex::testing
