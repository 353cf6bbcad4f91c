// The custom controls on the simulated window system: a dialog to put them
// in, the four classes registered, and a window system that also records
// what the controls asked of it (the class fields, the redraw flags).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "controls/axes_control.h"
#include "controls/control_platform.h"
#include "controls/lamp_control.h"
#include "controls/pov_control.h"
#include "controls/rumble_control.h"
#include "platform/sim/sim_window_system.h"

namespace torvex::testing {

struct RegisteredClass {
    WNDCLASSA fields;
    std::string name;
};

struct RedrawRequest {
    HWND window;
    UINT flags;
};

// Forwards everything to the simulated window system and keeps a record.
class RecordingWindowSystem final : public WindowSystemPort {
public:
    explicit RecordingWindowSystem(SimWindowSystem& sim) : sim_(sim) {}

    std::vector<RegisteredClass> classes;
    std::vector<RedrawRequest> redraws;

    ATOM RegisterWindowClass(const WNDCLASSA& windowClass) override
    {
        classes.push_back({windowClass, windowClass.lpszClassName ? windowClass.lpszClassName : ""});
        return sim_.RegisterWindowClass(windowClass);
    }
    HCURSOR LoadSystemCursor(LPCSTR cursorName) override { return sim_.LoadSystemCursor(cursorName); }
    HBRUSH SystemColorBrush(int colorIndex) override { return sim_.SystemColorBrush(colorIndex); }
    LONG GetUserData(HWND window) override { return sim_.GetUserData(window); }
    LONG SetUserData(HWND window, LONG value) override { return sim_.SetUserData(window, value); }
    HWND GetDlgItem(HWND dialog, int controlId) override { return sim_.GetDlgItem(dialog, controlId); }
    BOOL RedrawWindow(HWND window, UINT flags) override
    {
        redraws.push_back({window, flags});
        return sim_.RedrawWindow(window, flags);
    }
    int WindowText(HWND window, char* buffer, int capacity) override
    {
        return sim_.WindowText(window, buffer, capacity);
    }
    BOOL GetClientRect(HWND window, RECT* rect) override { return sim_.GetClientRect(window, rect); }
    HDC BeginPaint(HWND window, PAINTSTRUCT* paint) override { return sim_.BeginPaint(window, paint); }
    BOOL EndPaint(HWND window, const PAINTSTRUCT* paint) override { return sim_.EndPaint(window, paint); }
    LRESULT DefaultWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override
    {
        return sim_.DefaultWindowProc(window, message, wParam, lParam);
    }

private:
    SimWindowSystem& sim_;
};

inline const HINSTANCE kTestInstance = reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(0x400000));

class ControlTest : public ::testing::Test {
protected:
    ControlTest()
    {
        UseControlPorts({&windows_, &sim_});
        RegisterAxesControl(kTestInstance);
        RegisterLampControl(kTestInstance);
        RegisterPovControl(kTestInstance);
        RegisterRumbleControl(kTestInstance);
        dialog_ = sim_.CreateDialogWindow(800, 600);
    }
    ~ControlTest() override { UseControlPorts({}); }

    HWND Create(const char* className, int controlId, int width, int height, const char* text = "")
    {
        HWND control = sim_.CreateControl(dialog_, className, text, controlId, width, height);
        EXPECT_NE(control, nullptr) << className;
        return control;
    }

    // Paints the control (it must need it) and gives its pixels.
    const RasterCanvas& Painted(HWND control)
    {
        EXPECT_TRUE(sim_.PaintIfInvalid(control));
        EXPECT_EQ(sim_.LiveObjectCount(), 0) << "a paint left pens or brushes alive";
        return *sim_.Canvas(control);
    }

    SimWindowSystem sim_;
    RecordingWindowSystem windows_{sim_};
    HWND dialog_ = nullptr;
};

// Inclusive bounds of the pixels that match, inside [x0, x1] × [y0, y1].
struct PixelBox {
    int left;
    int top;
    int right;
    int bottom;
    bool operator==(const PixelBox&) const = default;
};

inline void PrintTo(const PixelBox& box, std::ostream* out)
{
    *out << "(" << box.left << ", " << box.top << ") to (" << box.right << ", " << box.bottom << ")";
}

template <typename Match>
std::optional<PixelBox> BoxOf(const RasterCanvas& canvas, Match match, int x0, int y0, int x1, int y1)
{
    std::optional<PixelBox> box;
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            if (!match(canvas.Pixel(x, y)))
                continue;
            if (!box) {
                box = PixelBox{x, y, x, y};
                continue;
            }
            box->left = std::min(box->left, x);
            box->top = std::min(box->top, y);
            box->right = std::max(box->right, x);
            box->bottom = std::max(box->bottom, y);
        }
    }
    return box;
}

template <typename Match> std::optional<PixelBox> BoxOf(const RasterCanvas& canvas, Match match)
{
    return BoxOf(canvas, match, 0, 0, canvas.width() - 1, canvas.height() - 1);
}

inline auto Is(COLORREF color)
{
    return [color](COLORREF pixel) { return pixel == color; };
}

inline bool SamePixels(const RasterCanvas& a, const RasterCanvas& b)
{
    if (a.width() != b.width() || a.height() != b.height())
        return false;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.Pixel(x, y) != b.Pixel(x, y))
                return false;
    return true;
}

inline constexpr COLORREF kRed = RGB(255, 0, 0);
inline constexpr COLORREF kWhite = RGB(255, 255, 255);
inline constexpr COLORREF kBlack = RGB(0, 0, 0);
inline constexpr COLORREF kFrameShadow = RGB(161, 157, 157);
inline constexpr COLORREF kFrameLight = RGB(241, 239, 226);

// The sunken frame's colour at a border pixel of a width × height control
// (the two outer rings), as a person would describe it: grey over white
// outside, black over cream inside, the dark edges at the top and left.
inline std::optional<COLORREF> ExpectedFramePixel(int x, int y, int width, int height)
{
    const int right = width - 1;
    const int bottom = height - 1;
    if ((y == 0 && x <= right - 1) || (x == 0 && y >= 1))
        return kFrameShadow;
    if (x == right || y == bottom)
        return kWhite;
    if ((y == 1 && x >= 1 && x <= right - 2) || (x == 1 && y >= 2 && y <= bottom - 1))
        return kBlack;
    if (x == right - 1 || y == bottom - 1)
        return kFrameLight;
    return std::nullopt;
}

// Checks both frame rings and that the field inside them, but for
// `exceptions`, is white.
template <typename Exception> void ExpectFrameAndWhiteField(const RasterCanvas& canvas, Exception isException)
{
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            const auto frame = ExpectedFramePixel(x, y, canvas.width(), canvas.height());
            if (frame) {
                ASSERT_EQ(canvas.Pixel(x, y), *frame) << "frame pixel (" << x << ", " << y << ")";
            } else if (!isException(x, y)) {
                ASSERT_EQ(canvas.Pixel(x, y), kWhite) << "field pixel (" << x << ", " << y << ")";
            }
        }
    }
}

} // namespace torvex::testing
