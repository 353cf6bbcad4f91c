// What the four controls share: their window classes, what an unknown
// control id or a missing window system does, and that no paint leaves a
// pen or brush behind.
#include <cstring>

#include "tests/controls/control_test_support.h"

namespace torvex::testing {
namespace {

class ControlClassTest : public ControlTest {};

TEST_F(ControlClassTest, FourClassesWithTheSameFields)
{
    ASSERT_EQ(windows_.classes.size(), 4u);
    const char* names[] = {"AxesControl", "LampControl", "PovControl", "RumbleControl"};
    const WNDPROC procs[] = {AxesControlProc, LampControlProc, PovControlProc, RumbleControlProc};
    for (size_t i = 0; i < 4; ++i) {
        const WNDCLASSA& fields = windows_.classes[i].fields;
        EXPECT_EQ(windows_.classes[i].name, names[i]);
        EXPECT_EQ(fields.style, static_cast<UINT>(CS_HREDRAW | CS_VREDRAW));
        EXPECT_EQ(fields.lpfnWndProc, procs[i]);
        EXPECT_EQ(fields.cbClsExtra, 0);
        EXPECT_EQ(fields.cbWndExtra, 0);
        EXPECT_EQ(fields.hInstance, kTestInstance);
        EXPECT_EQ(fields.hIcon, nullptr);
        EXPECT_EQ(fields.hCursor, sim_.LoadSystemCursor(IDC_ARROW));
        EXPECT_EQ(fields.hbrBackground, sim_.SystemColorBrush(COLOR_BTNFACE));
        EXPECT_EQ(fields.lpszMenuName, nullptr);
    }
}

TEST_F(ControlClassTest, SecondRegistrationFailsAndTheFirstStays)
{
    EXPECT_EQ(RegisterAxesControl(kTestInstance), FALSE);
    EXPECT_EQ(RegisterLampControl(kTestInstance), FALSE);
    EXPECT_EQ(RegisterPovControl(kTestInstance), FALSE);
    EXPECT_EQ(RegisterRumbleControl(kTestInstance), FALSE);
    HWND axes = Create("AxesControl", 1012, 64, 64);
    EXPECT_EQ(static_cast<DWORD>(sim_.GetUserData(axes)), 0x80008000u);

    SimWindowSystem fresh;
    UseControlPorts({&fresh, &fresh});
    EXPECT_EQ(RegisterAxesControl(kTestInstance), TRUE);
    EXPECT_EQ(RegisterLampControl(kTestInstance), TRUE);
    EXPECT_EQ(RegisterPovControl(kTestInstance), TRUE);
    EXPECT_EQ(RegisterRumbleControl(kTestInstance), TRUE);
    UseControlPorts({&windows_, &sim_});
}

TEST_F(ControlClassTest, UnknownControlIdChangesNothing)
{
    HWND axes = Create("AxesControl", 1012, 64, 64);
    HWND lamp = Create("LampControl", 1000, 15, 16, "1");
    HWND pov = Create("PovControl", 1014, 100, 100);
    for (HWND control : {axes, lamp, pov})
        Painted(control);

    for (HWND dialog : {dialog_, static_cast<HWND>(nullptr), axes}) {
        SetAxesValue(dialog, 4242, 1, 2);
        SetLampColor(dialog, 4243, RGB(255, 0, 0));
        SetPovValue(dialog, 4244, 9000, 100, 100);
    }
    EXPECT_TRUE(windows_.redraws.empty());
    EXPECT_EQ(static_cast<DWORD>(sim_.GetUserData(axes)), 0x80008000u);
    EXPECT_EQ(sim_.GetUserData(lamp), 0);
    EXPECT_EQ(static_cast<DWORD>(sim_.GetUserData(pov)), 0x0064FFFFu);
    for (HWND control : {axes, lamp, pov})
        EXPECT_FALSE(sim_.IsInvalid(control));
}

TEST_F(ControlClassTest, WithoutPortsNothingIsRegisteredOrDrawn)
{
    UseControlPorts({});
    EXPECT_EQ(RegisterAxesControl(kTestInstance), FALSE);
    EXPECT_EQ(RegisterRumbleControl(kTestInstance), FALSE);
    SetAxesValue(dialog_, 1012, 1, 2);
    SetLampColor(dialog_, 1000, 1);
    SetPovValue(dialog_, 1014, 0, 1, 1);
    for (WNDPROC proc : {AxesControlProc, LampControlProc, PovControlProc, RumbleControlProc}) {
        EXPECT_EQ(proc(dialog_, WM_CREATE, 0, 0), 0);
        EXPECT_EQ(proc(dialog_, WM_PAINT, 0, 0), 0);
        EXPECT_EQ(proc(dialog_, WM_SIZE, 0, 0), 0);
    }
    EXPECT_EQ(sim_.LiveObjectCount(), 0);
    UseControlPorts({&windows_, &sim_});
}

TEST_F(ControlClassTest, RepeatedPaintsLeaveNoDrawingObjects)
{
    HWND controls[] = {Create("AxesControl", 1012, 64, 64), Create("LampControl", 1000, 15, 16, "12"),
                       Create("PovControl", 1014, 100, 100), Create("RumbleControl", 1023, 80, 80)};
    for (int round = 0; round < 20; ++round) {
        SetAxesValue(dialog_, 1012, round * 3000, 65535 - round * 3000);
        SetLampColor(dialog_, 1000, round % 2 ? RGB(255, 0, 0) : RGB(64, 0, 0));
        SetPovValue(dialog_, 1014, round * 4500 % 40000, 100, 100);
        SetAxesValue(dialog_, 1023, round * 1000 - 10000, 10000 - round * 1000);
        for (HWND control : controls)
            sim_.PaintIfInvalid(control);
        ASSERT_EQ(sim_.LiveObjectCount(), 0) << "round " << round;
    }
}

TEST_F(ControlClassTest, OtherMessagesGoToTheDefaultProcedure)
{
    HWND lamp = Create("LampControl", 1000, 15, 16, "1");
    // A lamp leaves WM_CREATE to the default procedure, which accepts it.
    EXPECT_EQ(LampControlProc(lamp, WM_CREATE, 0, 0), 0);
    for (WNDPROC proc : {AxesControlProc, LampControlProc, PovControlProc, RumbleControlProc})
        EXPECT_EQ(proc(lamp, WM_SIZE, 0, 0), sim_.DefaultWindowProc(lamp, WM_SIZE, 0, 0));
}

} // namespace
} // namespace torvex::testing
