// The three pages through their dialog procedures, on the simulated wheel
// behind the simulated DirectInput: what each shows, what it records and
// stores, and how it behaves when the wheel or the device is not there.
#include <climits>
#include <cstring>

#include "controls/axes_control.h"
#include "controls/control_class.h"
#include "controls/pov_control.h"
#include "driver/effect_driver.h"
#include "sheet/calibration_page.h"
#include "sheet/device_access.h"
#include "sheet/effect_page.h"
#include "sheet/test_page.h"
#include "tests/sheet/sheet_test_support.h"

namespace torvex::testing {
namespace {

constexpr char kConnected[] = "The device is connected.";
constexpr char kNotResponding[] = "The device is not responding.";

// The wheel at 64 and the accelerator at 192, as DirectInput reads them
// through the sheet's 5 % dead zone.
constexpr LONG kWheelAt64 = 17314;
constexpr LONG kAcceleratorAt192 = 48492;

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

    // The wheel in the high half, the accelerator in the low one.
    SetWheel(64, 192);
    Tick();
    EXPECT_EQ(UserData(page, 1012), CombineHalves(kWheelAt64, kAcceleratorAt192));
}

TEST_F(TestPageTest, TheAcceleratorAloneMovesTheCrossHair)
{
    HWND page = OpenPage(107);
    Activate(page);
    SetWheel(128, 0);
    Tick();
    SetWheel(128, 192);
    Tick();
    EXPECT_EQ(UserData(page, 1012), CombineHalves(32768, kAcceleratorAt192));
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
    EXPECT_EQ(AxisDisplacement(65536), 9999); // one past the range would be 10000
    EXPECT_EQ(AxisDisplacement(INT_MIN), -10000);
    EXPECT_EQ(AxisDisplacement(INT_MAX), 9999);
}

// Hands everything on to the device it wraps, but reports the wheel and the
// accelerator at values of its own, however far outside DirectInput's
// default range 0 to 65535 they lie.
class AxesOverridingDevice final : public IDirectInputDevice2A {
public:
    AxesOverridingDevice(LPDIRECTINPUTDEVICE2A inner, LONG x, LONG y) : inner_(inner), x_(x), y_(y) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        return inner_->QueryInterface(riid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return inner_->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return inner_->Release(); }
    HRESULT STDMETHODCALLTYPE GetCapabilities(LPDIDEVCAPS caps) override
    {
        return inner_->GetCapabilities(caps);
    }
    HRESULT STDMETHODCALLTYPE EnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKA callback, LPVOID ref,
                                          DWORD flags) override
    {
        return inner_->EnumObjects(callback, ref, flags);
    }
    HRESULT STDMETHODCALLTYPE GetProperty(REFGUID property, LPDIPROPHEADER header) override
    {
        return inner_->GetProperty(property, header);
    }
    HRESULT STDMETHODCALLTYPE SetProperty(REFGUID property, LPCDIPROPHEADER header) override
    {
        return inner_->SetProperty(property, header);
    }
    HRESULT STDMETHODCALLTYPE Acquire() override { return inner_->Acquire(); }
    HRESULT STDMETHODCALLTYPE Unacquire() override { return inner_->Unacquire(); }
    HRESULT STDMETHODCALLTYPE GetDeviceState(DWORD size, LPVOID data) override
    {
        const HRESULT result = inner_->GetDeviceState(size, data);
        if (result == DI_OK && size == sizeof(DIJOYSTATE)) {
            static_cast<DIJOYSTATE*>(data)->lX = x_;
            static_cast<DIJOYSTATE*>(data)->lY = y_;
        }
        return result;
    }
    HRESULT STDMETHODCALLTYPE GetDeviceData(DWORD size, LPDIDEVICEOBJECTDATA data, LPDWORD inOut,
                                            DWORD flags) override
    {
        return inner_->GetDeviceData(size, data, inOut, flags);
    }
    HRESULT STDMETHODCALLTYPE SetDataFormat(LPCDIDATAFORMAT format) override
    {
        return inner_->SetDataFormat(format);
    }
    HRESULT STDMETHODCALLTYPE SetEventNotification(HANDLE event) override
    {
        return inner_->SetEventNotification(event);
    }
    HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD flags) override
    {
        return inner_->SetCooperativeLevel(window, flags);
    }
    HRESULT STDMETHODCALLTYPE GetObjectInfo(LPDIDEVICEOBJECTINSTANCEA info, DWORD object, DWORD how) override
    {
        return inner_->GetObjectInfo(info, object, how);
    }
    HRESULT STDMETHODCALLTYPE GetDeviceInfo(LPDIDEVICEINSTANCEA info) override
    {
        return inner_->GetDeviceInfo(info);
    }
    HRESULT STDMETHODCALLTYPE RunControlPanel(HWND owner, DWORD flags) override
    {
        return inner_->RunControlPanel(owner, flags);
    }
    HRESULT STDMETHODCALLTYPE Initialize(HINSTANCE instance, DWORD version, REFGUID guid) override
    {
        return inner_->Initialize(instance, version, guid);
    }
    HRESULT STDMETHODCALLTYPE CreateEffect(REFGUID guid, LPCDIEFFECT effect, LPDIRECTINPUTEFFECT* out,
                                           LPUNKNOWN outer) override
    {
        return inner_->CreateEffect(guid, effect, out, outer);
    }
    HRESULT STDMETHODCALLTYPE EnumEffects(LPDIENUMEFFECTSCALLBACKA callback, LPVOID ref, DWORD type) override
    {
        return inner_->EnumEffects(callback, ref, type);
    }
    HRESULT STDMETHODCALLTYPE GetEffectInfo(LPDIEFFECTINFOA info, REFGUID guid) override
    {
        return inner_->GetEffectInfo(info, guid);
    }
    HRESULT STDMETHODCALLTYPE GetForceFeedbackState(LPDWORD state) override
    {
        return inner_->GetForceFeedbackState(state);
    }
    HRESULT STDMETHODCALLTYPE SendForceFeedbackCommand(DWORD flags) override
    {
        return inner_->SendForceFeedbackCommand(flags);
    }
    HRESULT STDMETHODCALLTYPE EnumCreatedEffectObjects(LPDIENUMCREATEDEFFECTOBJECTSCALLBACK callback,
                                                       LPVOID ref, DWORD flags) override
    {
        return inner_->EnumCreatedEffectObjects(callback, ref, flags);
    }
    HRESULT STDMETHODCALLTYPE Escape(LPDIEFFESCAPE escape) override { return inner_->Escape(escape); }
    HRESULT STDMETHODCALLTYPE Poll() override { return inner_->Poll(); }
    HRESULT STDMETHODCALLTYPE SendDeviceData(DWORD size, LPCDIDEVICEOBJECTDATA data, LPDWORD inOut,
                                             DWORD flags) override
    {
        return inner_->SendDeviceData(size, data, inOut, flags);
    }

private:
    LPDIRECTINPUTDEVICE2A inner_;
    LONG x_;
    LONG y_;
};

class EffectPageTest : public SheetTest {
protected:
    // The constant force the page plays, as the effect driver holds it.
    const EffectSlot* TestForce() const
    {
        EffectDriver* driver = driverModule.DriverInstance;
        return driver != nullptr ? driver->store.pHead : nullptr;
    }
};

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
    SetWheel(0, 192); // the accelerator alone
    Tick();
    EXPECT_EQ(UserData(page, 1023), CombineHalves(-10000, 4798));
}

TEST_F(EffectPageTest, TheForcePointsAlongBothDisplacementsWithTheirLength)
{
    HWND page = OpenPage(108);
    Activate(page);
    SetWheel(64, 192);
    Tick();
    // The wheel 4716 to the left, the accelerator 4798 down; the force
    // points along both and is as long as the two together, 6727.
    const EffectSlot* force = TestForce();
    ASSERT_NE(force, nullptr);
    ASSERT_NE(force->TypeSpecific<DICONSTANTFORCE>(), nullptr);
    EXPECT_EQ(force->TypeSpecific<DICONSTANTFORCE>()->lMagnitude, 6727);
    EXPECT_EQ(std::vector<LONG>(force->Directions().begin(), force->Directions().end()),
              (std::vector<LONG>{4716, 4798}));
    EXPECT_TRUE(force->fPlaying);
    EXPECT_EQ(UserData(page, 1023), CombineHalves(-4716, 4798));
}

TEST_F(EffectPageTest, AxisValuesBeyondTheRangeMoveTheForceAndTheDotOnlyToTheEdge)
{
    HWND page = OpenPage(108);
    LPDIRECTINPUTDEVICE2A simulated = HeldDevice();
    AxesOverridingDevice beyond(simulated, 1 << 30, -(1 << 30));
    sheet->SetDevice(&beyond);
    Activate(page);
    Tick();
    EXPECT_EQ(UserData(page, 1023), CombineHalves(9999, -10000));
    const EffectSlot* force = TestForce();
    ASSERT_NE(force, nullptr);
    ASSERT_NE(force->TypeSpecific<DICONSTANTFORCE>(), nullptr);
    EXPECT_EQ(force->TypeSpecific<DICONSTANTFORCE>()->lMagnitude, 14141);
    EXPECT_EQ(std::vector<LONG>(force->Directions().begin(), force->Directions().end()),
              (std::vector<LONG>{9999, 10000}));
    Deactivate(page);
    sheet->SetDevice(simulated);
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

TEST_F(CalibrationPageTest, CrossHairAndNumbersShowTheWheelAndTheAccelerator)
{
    HWND page = OpenPage(109);
    Activate(page);
    SetWheel(64, 192);
    Tick();
    EXPECT_EQ(UserData(page, 1012), CombineHalves(kWheelAt64, kAcceleratorAt192));
    EXPECT_EQ(Text(page, 1016), "67"); // 17314 / 256
    EXPECT_EQ(Text(page, 1017), "189");
    SetWheel(64, 0);
    Tick();
    EXPECT_EQ(UserData(page, 1012), CombineHalves(kWheelAt64, 0));
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

TEST_F(CalibrationPageTest, AWheelWhoseConfigurationCannotBeReadRecordsButStoresNothing)
{
    const std::string deviceKey = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\MediaProperties\\"
                                  "PrivateProperties\\DirectInput\\VID_6D2A&PID_0005\\Calibration\\0";
    std::vector<BYTE> guid(sizeof(GUID));
    std::memcpy(guid.data(), &kWheelInstance, sizeof(GUID));
    registry.SetValueAt(deviceKey, "GUID", REG_BINARY, guid);
    directInput.FailHardwareConfig(DIERR_NOTFOUND);
    HWND page = OpenPage(109);
    Activate(page);
    SetWheel(255);
    Tick();
    EXPECT_EQ(Text(page, 1025), kConnected);
    EXPECT_EQ(Recorded().jpMax.dwX, 255u);
    EXPECT_EQ(Recorded().jpCenter.dwX, 255u);
    Click(page, 1022);
    Click(page, 1021);
    EXPECT_EQ(directInput.DirectInputCreateCount(), 3); // reopened after each press
    EXPECT_FALSE(registry.KeyExists(deviceKey + "\\Type"));
    EXPECT_EQ(Recorded().jpCenter.dwX, 255u); // "Default" did not touch what was recorded
}

} // namespace
} // namespace torvex::testing
