// Pictures of each control in a few states, written as PNG files into the
// build tree (TORVEX_CONTROL_PICTURES_DIR) for a person to look at.
#include <filesystem>
#include <string>

#include "tests/controls/control_test_support.h"

namespace torvex::testing {
namespace {

class ControlPicturesTest : public ControlTest {
protected:
    void Save(HWND control, const std::string& name)
    {
        const std::filesystem::path folder = TORVEX_CONTROL_PICTURES_DIR;
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        ASSERT_FALSE(error) << error.message();
        const std::filesystem::path file = folder / (name + ".png");
        EXPECT_TRUE(Painted(control).SavePng(file.string())) << file;
        EXPECT_GT(std::filesystem::file_size(file, error), 0u) << file;
    }
};

TEST_F(ControlPicturesTest, AxesControl)
{
    HWND axes = Create("AxesControl", 1012, 64, 64);
    Save(axes, "axes-middle");
    SetAxesValue(dialog_, 1012, 0, 0);
    Save(axes, "axes-top-left");
    SetAxesValue(dialog_, 1012, 65535, 0);
    Save(axes, "axes-top-right");
    SetAxesValue(dialog_, 1012, 49152, 45000);
    Save(axes, "axes-right-of-middle");
}

TEST_F(ControlPicturesTest, LampControl)
{
    HWND off = Create("LampControl", 1000, 15, 16, "1");
    Save(off, "lamp-new");
    HWND pressed = Create("LampControl", 1009, 24, 24, "10");
    SetLampColor(dialog_, 1009, RGB(255, 0, 0));
    Save(pressed, "lamp-pressed");
    SetLampColor(dialog_, 1009, RGB(64, 0, 0));
    Save(pressed, "lamp-released");
}

TEST_F(ControlPicturesTest, PovControl)
{
    HWND pov = Create("PovControl", 1014, 100, 100);
    Save(pov, "pov-centred");
    SetPovValue(dialog_, 1014, 0, 100, 100);
    Save(pov, "pov-up");
    SetPovValue(dialog_, 1014, 0, 100, 50);
    Save(pov, "pov-up-half");
    SetPovValue(dialog_, 1014, 13500, 100, 100);
    Save(pov, "pov-down-right");
    SetPovValue(dialog_, 1014, 27000, 100, 100);
    Save(pov, "pov-left");
}

TEST_F(ControlPicturesTest, RumbleControl)
{
    HWND rumble = Create("RumbleControl", 1023, 101, 101);
    Save(rumble, "rumble-centre");
    SetAxesValue(dialog_, 1023, 10000, 0);
    Save(rumble, "rumble-right");
    sim_.SetUserData(rumble, static_cast<LONG>(0xD8F0D8F0u));
    sim_.RedrawWindow(rumble, RDW_INVALIDATE);
    Save(rumble, "rumble-top-left");
    SetAxesValue(dialog_, 1023, 5000, 2500);
    Save(rumble, "rumble-right-below");
}

} // namespace
} // namespace torvex::testing
