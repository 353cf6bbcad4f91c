// The four custom controls under Wine: their classes registered with user32
// for real, their windows made for real when a display is there (otherwise
// kept by the simulated window system), and their paint done by real GDI. The window
// system port hands each paint a memory DC with a DIB section instead of the
// screen's, so GDI's own pixels can be read without a display and held
// against the raster canvas's for the same value: frames, lines and fills
// pixel by pixel, ellipses and polygons by their outline's bounding box and
// centre.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "controls/axes_control.h"
#include "controls/control_platform.h"
#include "controls/lamp_control.h"
#include "controls/pov_control.h"
#include "controls/rumble_control.h"
#include "platform/sim/sim_window_system.h"
#include "platform/win32/win32_gdi.h"
#include "platform/win32/win32_window_system.h"
#include "tests/support/dib_surface.h"

namespace torvex::testing {
namespace {

constexpr COLORREF kButtonFace = SimWindowSystem::kButtonFace;
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kLabelGrey = RGB(202, 202, 202);

// The window system the controls see: the real or the simulated one, but a
// paint draws into the DIB the test chose.
class DibPainting final : public WindowSystemPort {
public:
    explicit DibPainting(WindowSystemPort& windows) : windows_(&windows) {}
    void Use(WindowSystemPort& windows) { windows_ = &windows; }
    void Target(DibSurface* surface) { surface_ = surface; }

    ATOM RegisterWindowClass(const WNDCLASSA& windowClass) override
    {
        return windows_->RegisterWindowClass(windowClass);
    }
    HCURSOR LoadSystemCursor(LPCSTR cursorName) override { return windows_->LoadSystemCursor(cursorName); }
    HBRUSH SystemColorBrush(int colorIndex) override { return windows_->SystemColorBrush(colorIndex); }
    LONG GetUserData(HWND window) override { return windows_->GetUserData(window); }
    LONG SetUserData(HWND window, LONG value) override { return windows_->SetUserData(window, value); }
    HWND GetDlgItem(HWND dialog, int controlId) override { return windows_->GetDlgItem(dialog, controlId); }
    BOOL RedrawWindow(HWND window, UINT flags) override { return windows_->RedrawWindow(window, flags); }
    int WindowText(HWND window, char* buffer, int capacity) override
    {
        return windows_->WindowText(window, buffer, capacity);
    }
    BOOL GetClientRect(HWND window, RECT* rect) override { return windows_->GetClientRect(window, rect); }
    HDC BeginPaint(HWND window, PAINTSTRUCT* paint) override
    {
        if (surface_ == nullptr || paint == nullptr)
            return nullptr;
        *paint = PAINTSTRUCT{};
        paint->hdc = surface_->dc();
        windows_->GetClientRect(window, &paint->rcPaint);
        return paint->hdc;
    }
    BOOL EndPaint(HWND, const PAINTSTRUCT*) override { return TRUE; }
    LRESULT DefaultWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override
    {
        return windows_->DefaultWindowProc(window, message, wParam, lParam);
    }

private:
    WindowSystemPort* windows_;
    DibSurface* surface_ = nullptr;
};

struct Registration {
    BOOL first[4];
    BOOL second[4];
};

// The same control painted on the simulated window system.
RasterCanvas SimPicture(const char* className, const char* text, int width, int height, LONG value)
{
    const ControlPorts gdiPorts = ControlPlatform();
    SimWindowSystem sim;
    UseControlPorts({&sim, &sim});
    RegisterAxesControl(nullptr);
    RegisterLampControl(nullptr);
    RegisterPovControl(nullptr);
    RegisterRumbleControl(nullptr);
    HWND control = sim.CreateControl(sim.CreateDialogWindow(400, 300), className, text, 1, width, height);
    sim.SetUserData(control, value);
    sim.PaintIfInvalid(control);
    RasterCanvas picture = control != nullptr ? *sim.Canvas(control) : RasterCanvas(0, 0);
    UseControlPorts(gdiPorts);
    return picture;
}

struct Box {
    int left;
    int top;
    int right;
    int bottom;
    bool operator==(const Box&) const = default;
};

template <typename Read, typename Match>
std::optional<Box> BoxOf(Read read, Match match, int x0, int y0, int x1, int y1)
{
    std::optional<Box> box;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            if (match(read(x, y)))
                box = box ? Box{std::min(box->left, x), std::min(box->top, y), std::max(box->right, x),
                                std::max(box->bottom, y)}
                          : Box{x, y, x, y};
    return box;
}

std::string Describe(const std::optional<Box>& box)
{
    if (!box)
        return "none";
    char text[64];
    std::snprintf(text, sizeof text, "(%d,%d)-(%d,%d)", box->left, box->top, box->right, box->bottom);
    return text;
}

class ControlsUnderGdi : public ::testing::Test {
protected:
    // The classes live as long as the process: registered once, by the
    // first test that runs.
    static const Registration& Registered()
    {
        static const Registration registration = [] {
            Win32WindowSystem win32;
            Win32Gdi gdi;
            UseControlPorts({&win32, &gdi});
            Registration result{};
            const HINSTANCE instance = ::GetModuleHandleA(nullptr);
            using Register = BOOL (*)(HINSTANCE);
            const Register registers[] = {RegisterAxesControl, RegisterLampControl, RegisterPovControl,
                                          RegisterRumbleControl};
            for (int i = 0; i < 4; ++i)
                result.first[i] = registers[i](instance);
            for (int i = 0; i < 4; ++i)
                result.second[i] = registers[i](instance);
            WNDCLASSA dialog = {};
            dialog.lpfnWndProc = ::DefWindowProcA;
            dialog.hInstance = instance;
            dialog.lpszClassName = "TorvexControlsTestDialog";
            ::RegisterClassA(&dialog);
            UseControlPorts({});
            return result;
        }();
        return registration;
    }

    // Real windows when user32 can make them (a display is there);
    // otherwise the simulated window system keeps the windows and only the
    // painting is real.
    void SetUp() override
    {
        Registered();
        dialog_ = ::CreateWindowExA(0, "TorvexControlsTestDialog", "controls", WS_OVERLAPPEDWINDOW, 0, 0, 600,
                                    400, nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
        realWindows_ = dialog_ != nullptr;
        if (realWindows_) {
            painting_.Use(win32_);
        } else {
            UseControlPorts({&sim_, &sim_});
            RegisterAxesControl(nullptr);
            RegisterLampControl(nullptr);
            RegisterPovControl(nullptr);
            RegisterRumbleControl(nullptr);
            dialog_ = sim_.CreateDialogWindow(600, 400);
        }
        UseControlPorts({&painting_, &gdi_});
        static const bool told = std::printf("controls under GDI: %s\n",
                                             realWindows_ ? "real windows" : "no display, simulated windows");
        (void)told;
    }

    void TearDown() override
    {
        if (realWindows_)
            ::DestroyWindow(dialog_); // and its controls
        UseControlPorts({});
    }

    HWND Create(const char* className, int controlId, int width, int height, const char* text = "")
    {
        HWND window = realWindows_
                          ? ::CreateWindowExA(0, className, text, WS_CHILD, 0, 0, width, height, dialog_,
                                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)),
                                              ::GetModuleHandleA(nullptr), nullptr)
                          : sim_.CreateControl(dialog_, className, text, controlId, width, height);
        EXPECT_NE(window, nullptr) << className;
        return window;
    }

    // Paints the control with real GDI into `dib`, first erased with the
    // button face as a new window is, and checks that the paint left the
    // DC with its own pen and brush.
    void PaintInto(HWND control, DibSurface& dib)
    {
        ASSERT_TRUE(dib.ready());
        dib.Erase(kButtonFace);
        painting_.Target(&dib);
        if (realWindows_)
            ::SendMessageA(control, WM_PAINT, 0, 0);
        else
            sim_.Send(control, WM_PAINT);
        painting_.Target(nullptr);
        EXPECT_EQ(::GetCurrentObject(dib.dc(), OBJ_PEN), ::GetStockObject(BLACK_PEN));
        EXPECT_EQ(::GetCurrentObject(dib.dc(), OBJ_BRUSH), ::GetStockObject(WHITE_BRUSH));
    }

    LONG UserData(HWND control) { return painting_.GetUserData(control); }

    static void ExpectSamePixelsOutside(const DibSurface& gdi, const RasterCanvas& sim,
                                        const std::optional<Box>& skip, const char* what)
    {
        ASSERT_EQ(gdi.width(), sim.width());
        ASSERT_EQ(gdi.height(), sim.height());
        int differing = 0;
        for (int y = 0; y < sim.height(); ++y) {
            for (int x = 0; x < sim.width(); ++x) {
                if (skip && x >= skip->left && x <= skip->right && y >= skip->top && y <= skip->bottom)
                    continue;
                if (gdi.Pixel(x, y) != sim.Pixel(x, y) && differing++ < 5)
                    ADD_FAILURE() << what << ": (" << x << ", " << y << ") gdi " << std::hex
                                  << gdi.Pixel(x, y) << " canvas " << sim.Pixel(x, y);
            }
        }
        EXPECT_EQ(differing, 0) << what;
    }

    Win32WindowSystem win32_;
    SimWindowSystem sim_;
    DibPainting painting_{sim_};
    Win32Gdi gdi_;
    HWND dialog_ = nullptr;
    bool realWindows_ = false;
};

TEST_F(ControlsUnderGdi, ClassesRegisterOnceForReal)
{
    const Registration& registered = Registered();
    const char* names[] = {"AxesControl", "LampControl", "PovControl", "RumbleControl"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(registered.first[i], TRUE) << names[i];
        EXPECT_EQ(registered.second[i], FALSE) << names[i];
        WNDCLASSA fields = {};
        ASSERT_TRUE(::GetClassInfoA(::GetModuleHandleA(nullptr), names[i], &fields)) << names[i];
        EXPECT_EQ(fields.style, static_cast<UINT>(CS_HREDRAW | CS_VREDRAW));
        EXPECT_EQ(fields.hCursor, ::LoadCursorA(nullptr, IDC_ARROW));
        EXPECT_EQ(reinterpret_cast<INT_PTR>(fields.hbrBackground), COLOR_BTNFACE + 1);
        EXPECT_EQ(fields.cbClsExtra, 0);
        EXPECT_EQ(fields.cbWndExtra, 0);
    }
}

TEST_F(ControlsUnderGdi, AxesControlMatchesPixelForPixel)
{
    struct Case {
        LONG x;
        LONG y;
        int width;
        int height;
    };
    const Case cases[] = {{32768, 32768, 64, 64}, {0, 0, 64, 64},         {65535, 65535, 64, 64},
                          {65535, 0, 64, 64},     {32768, 32768, 97, 41}, {12000, 50000, 30, 70}};
    int id = 1012;
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.x << ", " << c.y << " on " << c.width << " x " << c.height);
        HWND axes = Create("AxesControl", id, c.width, c.height);
        ASSERT_NE(axes, nullptr);
        EXPECT_EQ(static_cast<DWORD>(UserData(axes)), 0x80008000u)
            << "WM_CREATE puts the cross in the middle";
        SetAxesValue(dialog_, id++, c.x, c.y);
        DibSurface dib(c.width, c.height);
        PaintInto(axes, dib);
        ExpectSamePixelsOutside(dib, SimPicture("AxesControl", "", c.width, c.height, UserData(axes)),
                                std::nullopt, "axes");
    }
}

TEST_F(ControlsUnderGdi, RumbleControlMatchesAndItsDotSharesBoxAndCentre)
{
    constexpr int kSize = 101;
    const RECT plot = {7, 7, 94, 94};
    const LONG values[] = {0, 10000 << 16, static_cast<LONG>(0xD8F0D8F0u), 10000, (5000 << 16) + 2500};
    int id = 1023;
    for (LONG value : values) {
        SCOPED_TRACE(::testing::Message() << std::hex << value);
        HWND rumble = Create("RumbleControl", id, kSize, kSize);
        ASSERT_NE(rumble, nullptr);
        EXPECT_EQ(UserData(rumble), 0);
        painting_.SetUserData(rumble, value);
        ++id;
        DibSurface dib(kSize, kSize);
        PaintInto(rumble, dib);
        const RasterCanvas sim = SimPicture("RumbleControl", "", kSize, kSize, value);

        const POINT centre = RumbleDotCentre(value, plot);
        const Box disc = {centre.x - 5, centre.y - 5, centre.x + 5, centre.y + 5};
        // Outside the disc's box: frame, field and cross-hair, exactly.
        ExpectSamePixelsOutside(dib, sim, disc, "rumble");
        const auto notWhite = [](COLORREF pixel) { return pixel != kWhite; };
        const auto gdiBox = BoxOf([&](int x, int y) { return dib.Pixel(x, y); }, notWhite, disc.left,
                                  disc.top, disc.right, disc.bottom);
        const auto simBox = BoxOf([&](int x, int y) { return sim.Pixel(x, y); }, notWhite, disc.left,
                                  disc.top, disc.right, disc.bottom);
        EXPECT_EQ(Describe(gdiBox), Describe(disc));
        EXPECT_EQ(Describe(simBox), Describe(disc));
        EXPECT_EQ(dib.Pixel(centre.x, centre.y), kRed);
        EXPECT_EQ(sim.Pixel(centre.x, centre.y), kRed);
    }
}

TEST_F(ControlsUnderGdi, PovControlSharesCircleDotAndArrow)
{
    constexpr int kSize = 100;
    struct Case {
        DWORD pov;
        LONG length;
    };
    const Case cases[] = {{0xFFFFFFFF, 100}, {0, 100}, {0, 50}, {4500, 100}, {13500, 100}, {27000, 100}};
    const RECT circle = PovCircleRect(kSize, kSize);
    const Box circleBox = {circle.left, circle.top, circle.right - 1, circle.bottom - 1};
    int id = 1014;
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "hat " << c.pov << " length " << c.length);
        HWND pov = Create("PovControl", id, kSize, kSize);
        ASSERT_NE(pov, nullptr);
        EXPECT_EQ(static_cast<DWORD>(UserData(pov)), 0x0064FFFFu);
        SetPovValue(dialog_, id++, c.pov, c.length, c.length);
        const LONG value = UserData(pov);
        DibSurface dib(kSize, kSize);
        PaintInto(pov, dib);
        const RasterCanvas sim = SimPicture("PovControl", "", kSize, kSize, value);
        const auto gdiPixel = [&](int x, int y) { return dib.Pixel(x, y); };
        const auto simPixel = [&](int x, int y) { return sim.Pixel(x, y); };
        const auto isRed = [](COLORREF pixel) { return pixel == kRed; };

        // Everything red on both: the circle's box, widened by the arrow.
        Box drawn = circleBox;
        const bool pressed = (value & 0xFFFF) < 36000;
        std::array<POINT, 7> arrow{};
        if (pressed) {
            arrow = PovArrowPolygon(circle, value & 0xFFFF, static_cast<DWORD>(value) >> 16);
            for (const POINT& p : arrow)
                drawn = {std::min<int>(drawn.left, p.x), std::min<int>(drawn.top, p.y),
                         std::max<int>(drawn.right, p.x), std::max<int>(drawn.bottom, p.y)};
        }
        EXPECT_EQ(Describe(BoxOf(gdiPixel, isRed, 0, 0, kSize - 1, kSize - 1)), Describe(drawn));
        EXPECT_EQ(Describe(BoxOf(simPixel, isRed, 0, 0, kSize - 1, kSize - 1)), Describe(drawn));
        ExpectSamePixelsOutside(dib, sim, drawn, "pov background");

        // The dot, away from any arrow.
        const int cx = (circle.left + circle.right) / 2;
        const int cy = (circle.top + circle.bottom) / 2;
        const Box dot = {cx - 5, cy - 5, cx + 5, cy + 5};
        EXPECT_EQ(Describe(BoxOf(gdiPixel, isRed, cx - 7, cy - 7, cx + 7, cy + 7)), Describe(dot));
        EXPECT_EQ(Describe(BoxOf(simPixel, isRed, cx - 7, cy - 7, cx + 7, cy + 7)), Describe(dot));
        EXPECT_EQ(dib.Pixel(cx - 20, cy), kWhite) << "the circle's inside";

        if (!pressed)
            continue;
        long sumX = 0;
        long sumY = 0;
        for (const POINT& p : arrow) {
            EXPECT_EQ(dib.Pixel(p.x, p.y), kRed) << "gdi at corner " << p.x << ", " << p.y;
            EXPECT_EQ(sim.Pixel(p.x, p.y), kRed) << "canvas at corner " << p.x << ", " << p.y;
            sumX += p.x;
            sumY += p.y;
        }
        EXPECT_EQ(dib.Pixel(sumX / 7, sumY / 7), kRed) << "the arrow is filled";
        EXPECT_EQ(sim.Pixel(sumX / 7, sumY / 7), kRed) << "the arrow is filled";
    }
}

TEST_F(ControlsUnderGdi, LampControlSharesDiscAndLabelBox)
{
    struct Case {
        int width;
        int height;
        const char* text;
        COLORREF color;
    };
    const Case cases[] = {{15, 16, "1", 0}, {40, 40, "10", RGB(255, 0, 0)}, {40, 40, "12", RGB(64, 0, 0)}};
    int id = 1000;
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.text << " on " << c.width << " x " << c.height);
        HWND lamp = Create("LampControl", id, c.width, c.height, c.text);
        ASSERT_NE(lamp, nullptr);
        EXPECT_EQ(UserData(lamp), 0);
        if (c.color != 0)
            SetLampColor(dialog_, id, c.color);
        ++id;
        DibSurface dib(c.width, c.height);
        PaintInto(lamp, dib);
        const RasterCanvas sim =
            SimPicture("LampControl", c.text, c.width, c.height, static_cast<LONG>(c.color));
        const auto gdiPixel = [&](int x, int y) { return dib.Pixel(x, y); };
        const auto simPixel = [&](int x, int y) { return sim.Pixel(x, y); };
        const auto notFace = [](COLORREF pixel) { return pixel != kButtonFace; };
        const Box whole = {0, 0, c.width - 1, c.height - 1};
        EXPECT_EQ(Describe(BoxOf(gdiPixel, notFace, 0, 0, c.width - 1, c.height - 1)), Describe(whole));
        EXPECT_EQ(Describe(BoxOf(simPixel, notFace, 0, 0, c.width - 1, c.height - 1)), Describe(whole));
        EXPECT_EQ(dib.Pixel(0, 0), kButtonFace);
        EXPECT_EQ(dib.Pixel(0, c.height / 2), RGB(0, 0, 0)) << "outlined with the DC's own black pen";
        EXPECT_EQ(dib.Pixel(c.width / 2, 1), c.color) << "filled with the lamp's colour";

        // The label: light grey, inside its 16-pixel box; GDI centres the
        // text's extent in the default font across the control.
        const int mid = c.height / 2;
        const auto isGrey = [](COLORREF p) { return p == kLabelGrey; };
        const auto gdiLabel = BoxOf(gdiPixel, isGrey, 0, 0, c.width - 1, c.height - 1);
        const auto simLabel = BoxOf(simPixel, isGrey, 0, 0, c.width - 1, c.height - 1);
        ASSERT_TRUE(gdiLabel.has_value());
        ASSERT_TRUE(simLabel.has_value());
        SIZE extent = {};
        ASSERT_TRUE(
            ::GetTextExtentPoint32A(dib.dc(), c.text, static_cast<int>(std::strlen(c.text)), &extent));
        const int textLeft = (c.width - extent.cx) / 2;
        EXPECT_GE(gdiLabel->left, textLeft) << Describe(gdiLabel);
        EXPECT_LE(gdiLabel->right, textLeft + extent.cx) << Describe(gdiLabel);
        for (const auto& label : {gdiLabel, simLabel}) {
            EXPECT_GE(label->top, mid - 8) << Describe(label);
            EXPECT_LE(label->bottom, mid + 7) << Describe(label);
        }
    }
}

} // namespace
} // namespace torvex::testing
