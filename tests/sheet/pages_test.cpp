// The three pages through their dialog procedures, on the simulated wheel
// behind the simulated DirectInput: what each shows, what it records and
// stores, and how it behaves when the wheel or the device is not there.
#include <cstring>

#include "controls/axes_control.h"
#include "controls/pov_control.h"
#include "sheet/calibration_page.h"
#include "sheet/device_access.h"
#include "sheet/effect_page.h"
#include "sheet/test_page.h"
#include "tests/sheet/sheet_test_support.h"

namespace torvex::testing {
namespace {

constexpr char kConnected[] = "The device is connected.";
constexpr char kNotResponding[] = "The device is not responding.";

// ---------------------------------------------------------------- test page

using TestPageTest = SheetTest;

TEST_F(TestPageTest, LampsStartDarkRedAndButtonsLightThem)
{
    HWND page = OpenPage(107);
    for (int lamp = 1000; lamp < 1012; ++lamp)
        EXPECT_EQ(UserData(page, lamp), 64) << lamp;
    Activate(page);
    EXPECT_EQ(windows.TimerPeriod(page, 1), 50u);
    wheel.PressButton(0);
    Tick();
    EXPECT_EQ(UserData(page, 1000), 255);
    EXPECT_EQ(UserData(page, 1001), 64);
    EXPECT_EQ(Text(page, 1024), kConnected);
    wheel.ReleaseButton(0);
    Tick();
    EXPECT_EQ(UserData(page, 1000), 64);
}

TEST_F(TestPageTest, StatusLineIsWrittenOnlyWhenTheWheelStartsOrStopsAnswering)
{
    HWND page = OpenPage(107);
    Activate(page);
    wheel.Unplug();
    Tick(3);
    EXPECT_EQ(Text(page, 1024), kNotResponding);
    EXPECT_EQ(windows.TextWriteCount(page, 1024), 1);
    wheel.Plug();
    Tick(3);
    EXPECT_EQ(Text(page, 1024), kConnected);
    EXPECT_EQ(windows.TextWriteCount(page, 1024), 2);
}

TEST_F(TestPageTest, CrossHairAndHatFollowTheWheel)
{
    HWND page = OpenPage(107);
    Activate(page);
    SetWheel(0, 255);
    Tick();
    EXPECT_EQ(UserData(page, 1012), static_cast<LONG>(0x0000FFFFu));         // X 0, Y 65535
    EXPECT_EQ(UserData(page, 1014), PovControlValue(0xFFFFFFFFu, 100, 100)); // centred hat passed on

    WheelInputState state = wheel.InputState();
    state.hat = 2; // east
    wheel.SetInputState(state);
    Tick();
    EXPECT_EQ(UserData(page, 1014), PovControlValue(9000, 100, 100));
}

TEST_F(TestPageTest, BrakeAloneRedrawsNothing)
{
    HWND page = OpenPage(107);
    Activate(page);
    Tick();
    for (HWND control : {windows.GetDlgItem(page, 1012), windows.GetDlgItem(page, 1014)})
        windows.PaintIfInvalid(control);
    SetWheel(128, 0, 200);
    Tick();
    EXPECT_FALSE(windows.IsInvalid(windows.GetDlgItem(page, 1012)));
    EXPECT_FALSE(windows.IsInvalid(windows.GetDlgItem(page, 1014)));
}

TEST_F(TestPageTest, LeavingStopsTheTicksAndComingBackKeepsTheLamps)
{
    HWND page = OpenPage(107);
    Activate(page);
    wheel.PressButton(3);
    Tick();
    Deactivate(page);
    EXPECT_FALSE(windows.TimerRunning(page, 1));
    const int reads = directInput.Devices()[0]->stateReads;
    Tick(5);
    EXPECT_EQ(directInput.Devices()[0]->stateReads, reads);
    Activate(page);
    Tick();
    EXPECT_EQ(UserData(page, 1003), 255);
}

TEST_F(TestPageTest, WithoutADeviceThePageSaysSoAndCallsNoDevice)
{
    directInput.FailCreateDevice(DIERR_DEVICENOTREG);
    HWND page = OpenPage(107);
    EXPECT_EQ(UserData(page, 1000), 0); // the lamp's own colour: initialisation stopped
    Activate(page);
    Tick(2);
    EXPECT_EQ(Text(page, 1024), kNotResponding);
    EXPECT_TRUE(directInput.Devices().empty());
}

// -------------------------------------------------------------- effect page

TEST(EffectPageScaling, AxisDisplacementTruncatesTowardZero)
{
    EXPECT_EQ(AxisDisplacement(32768), 0);
    EXPECT_EQ(AxisDisplacement(0), -10000);
    EXPECT_EQ(AxisDisplacement(65535), 9999);
    EXPECT_EQ(AxisDisplacement(32769), 0);   // 0.305 truncated
    EXPECT_EQ(AxisDisplacement(32764), -1);  // -1.22 truncated toward zero
    EXPECT_EQ(AxisDisplacement(-5), -10000); // out-of-range values stay in range
    EXPECT_EQ(AxisDisplacement(1 << 30), 9999);
}

using EffectPageTest = SheetTest;

TEST_F(EffectPageTest, ActivationCreatesAForceThatLeavingReleases)
{
    HWND page = OpenPage(108);
    EXPECT_EQ(sheet->effectPage.testForce, nullptr);
    Activate(page);
    EXPECT_TRUE(windows.TimerRunning(page, 3));
    ASSERT_NE(sheet->effectPage.testForce, nullptr);
    Tick();
    EXPECT_TRUE(directInput.Devices()[0]->acquired);
    Deactivate(page);
    EXPECT_FALSE(windows.TimerRunning(page, 3));
    EXPECT_EQ(sheet->effectPage.testForce, nullptr);
    EXPECT_FALSE(directInput.Devices()[0]->acquired);
    Activate(page);
    EXPECT_NE(sheet->effectPage.testForce, nullptr);
    EXPECT_EQ(directInput.Devices()[0]->effectsCreated, 2);
}

TEST_F(EffectPageTest, ClosingTheSheetOnTheEffectPageReleasesTheForce)
{
    HWND page = OpenPage(108);
    Activate(page);
    ASSERT_NE(sheet->effectPage.testForce, nullptr);
    windows.DestroyWindow(page); // the property sheet closes without leaving the tab
    pages.clear();
    sheet->Release();
    sheet = nullptr;
    EXPECT_EQ(directInput.LiveObjectCount(), 0);
}

TEST_F(EffectPageTest, DotMovesOnlyWhenThePositionChanges)
{
    HWND page = OpenPage(108);
    Activate(page);
    SetWheel(128, 128);
    Tick();
    EXPECT_EQ(UserData(page, 1023), 0); // centred: never sent
    SetWheel(0, 128);
    Tick();
    EXPECT_EQ(UserData(page, 1023), static_cast<LONG>(-10000 * 65536));
    HWND rumble = windows.GetDlgItem(page, 1023);
    windows.PaintIfInvalid(rumble);
    Tick();
    EXPECT_FALSE(windows.IsInvalid(rumble));
}

TEST_F(EffectPageTest, FailedForceStopsTheTicks)
{
    directInput.FailCreateEffect(DIERR_DEVICEFULL);
    HWND page = OpenPage(108);
    Activate(page);
    EXPECT_FALSE(windows.TimerRunning(page, 3));
    EXPECT_EQ(sheet->effectPage.testForce, nullptr);
}

TEST_F(EffectPageTest, UnpluggedWheelIsNotRespondingAndNoDeviceMeansNoForce)
{
    HWND page = OpenPage(108);
    Activate(page);
    wheel.Unplug();
    Tick();
    EXPECT_EQ(Text(page, 1026), kNotResponding);

    directInput.FailCreateDevice(DIERR_DEVICENOTREG);
    ReopenSheetDevice(module, frame, sheet);
    Deactivate(page);
    Activate(page);
    EXPECT_EQ(sheet->effectPage.testForce, nullptr);
    Tick(2);
    Deactivate(page);
    EXPECT_EQ(Text(page, 1026), kNotResponding);
}

// --------------------------------------------------------- calibration page

class CalibrationPageTest : public SheetTest {
protected:
    const JOYRANGE& Recorded() const { return sheet->calibrationPage.CalibrationConfig.hwc.hwv.jrvHardware; }
};

TEST_F(CalibrationPageTest, InitialisationReadsTheConfigurationAndCentresTheRanges)
{
    HWND page = OpenPage(109);
    const DIJOYCONFIG_DX5& config = sheet->calibrationPage.CalibrationConfig;
    EXPECT_EQ(config.dwSize, 1160u);
    EXPECT_EQ(config.hwc.hws.dwNumButtons, 12u); // what DirectInput reported stays
    for (DWORD JOYPOS::*axis : {&JOYPOS::dwX, &JOYPOS::dwY, &JOYPOS::dwZ, &JOYPOS::dwR}) {
        EXPECT_EQ(Recorded().jpMin.*axis, 128u);
        EXPECT_EQ(Recorded().jpMax.*axis, 128u);
        EXPECT_EQ(Recorded().jpCenter.*axis, 128u);
    }
    EXPECT_EQ(directInput.JoyConfigs()[0]->acquires, 1);
    EXPECT_EQ(directInput.JoyConfigs()[0]->unacquires, 1);
    (void)page;
}

TEST_F(CalibrationPageTest, RangesWidenAndCentresFollowTheLastRead)
{
    HWND page = OpenPage(109);
    Activate(page);
    Tick();
    EXPECT_EQ(Text(page, 1016), "128");
    EXPECT_EQ(Text(page, 1017), "0");
    SetWheel(0, 255, 255);
    Tick();
    SetWheel(255, 0, 255);
    Tick();
    SetWheel(128, 0, 255); // released, brake pedal resting at 255
    Tick();
    EXPECT_EQ(Recorded().jpMin.dwX, 0u);
    EXPECT_EQ(Recorded().jpMax.dwX, 255u);
    EXPECT_EQ(Recorded().jpCenter.dwX, 128u);
    EXPECT_EQ(Recorded().jpMin.dwR, 0u); // the first tick saw the brake up
    EXPECT_EQ(Recorded().jpMax.dwR, 255u);
    EXPECT_EQ(Recorded().jpCenter.dwR, 255u);
    EXPECT_EQ(Recorded().jpMin.dwY, 0u);
    EXPECT_EQ(Recorded().jpMax.dwY, 255u);
    EXPECT_EQ(Recorded().jpCenter.dwY, 0u);

    // Another tab and back: the ranges stay.
    Deactivate(page);
    Activate(page);
    Tick();
    EXPECT_EQ(Recorded().jpMin.dwX, 0u);
    EXPECT_EQ(Recorded().jpMax.dwX, 255u);
}

TEST_F(CalibrationPageTest, DefaultStoresTheFullRangeAndReopensTheDevice)
{
    HWND page = OpenPage(109);
    Activate(page);
    Tick();
    Click(page, 1021);
    EXPECT_EQ(Recorded().jpMin.dwX, 0u);
    EXPECT_EQ(Recorded().jpCenter.dwX, 128u);
    EXPECT_EQ(Recorded().jpMax.dwX, 255u);
    EXPECT_EQ(directInput.DirectInputCreateCount(), 2); // the reopen
    EXPECT_EQ(directInput.Devices().size(), 2u);
    Tick(3);
    EXPECT_EQ(Recorded().jpMin.dwX, 0u);
    EXPECT_EQ(Recorded().jpMax.dwX, 255u);
}

TEST_F(CalibrationPageTest, UnpluggedWheelKeepsTheRanges)
{
    HWND page = OpenPage(109);
    Activate(page);
    SetWheel(10);
    Tick();
    const JOYRANGE before = Recorded();
    wheel.Unplug();
    Tick(3);
    EXPECT_EQ(Text(page, 1025), kNotResponding);
    EXPECT_EQ(windows.TextWriteCount(page, 1025), 2); // connected, then not responding
    EXPECT_EQ(std::memcmp(&Recorded(), &before, sizeof before), 0);
}

TEST_F(CalibrationPageTest, WithoutTheConfigurationSetAndDefaultStoreNothingButStillReopen)
{
    const std::string deviceKey = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\MediaProperties\\"
                                  "PrivateProperties\\DirectInput\\VID_6D2A&PID_0005\\Calibration\\0";
    std::vector<BYTE> guid(sizeof(GUID));
    std::memcpy(guid.data(), &kWheelInstance, sizeof(GUID));
    registry.SetValueAt(deviceKey, "GUID", REG_BINARY, guid);
    MakeSheet(7); // joystick 7 has no configuration: the open fails
    HWND page = OpenPage(109);
    Click(page, 1022);
    EXPECT_EQ(directInput.DirectInputCreateCount(), 2); // the reopen after the press
    Click(page, 1021);
    EXPECT_EQ(directInput.DirectInputCreateCount(), 3);
    EXPECT_FALSE(registry.KeyExists(deviceKey + "\\Type"));
}

} // namespace
} // namespace torvex::testing
