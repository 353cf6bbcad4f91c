// Opening the wheel for the sheet: the three states a sheet passes
// through, the device's set-up, the reopen after a calibration store, and
// what failures leave behind.
#include "sheet/device_access.h"
#include "tests/sheet/sheet_test_support.h"

namespace torvex::testing {
namespace {

class DeviceAccessTest : public SheetTest {
protected:
    DeviceAccessTest() { MakeSheet(); }
    HRESULT Open() { return OpenSheetDevice(module, frame, sheet); }
    HRESULT Reopen() { return ReopenSheetDevice(module, frame, sheet); }
};

TEST_F(DeviceAccessTest, OpenSetsTheDeviceUpForThePages)
{
    EXPECT_EQ(Open(), S_OK);
    ASSERT_NE(HeldDevice(), nullptr);
    ASSERT_NE(HeldJoyConfig(), nullptr);
    ASSERT_EQ(directInput.Devices().size(), 1u);
    const SimDeviceLog& device = *directInput.Devices()[0];
    EXPECT_TRUE(IsEqualGUID(device.guidInstance, kWheelInstance));
    EXPECT_TRUE(device.joystickFormat);
    EXPECT_EQ(device.cooperativeWindow, frame);
    EXPECT_EQ(device.cooperativeFlags, 9u); // exclusive, background
    const std::vector<std::pair<DWORD, DWORD>> deadZones = {{0, 500}, {4, 500}, {8, 500}, {20, 500}};
    EXPECT_EQ(device.deadZones, deadZones);
    EXPECT_FALSE(device.acquired);               // the pages acquire on their ticks
    EXPECT_EQ(directInput.LiveObjectCount(), 2); // the DirectInput object is gone again
}

TEST_F(DeviceAccessTest, SecondOpenFindsEverythingThereAndTouchesNothing)
{
    ASSERT_EQ(Open(), S_OK);
    EXPECT_EQ(Open(), S_FALSE);
    EXPECT_EQ(directInput.DirectInputCreateCount(), 1);
    EXPECT_EQ(directInput.Devices().size(), 1u);
}

TEST_F(DeviceAccessTest, OpenCompletesWhatTheSheetLacks)
{
    // A configuration without a device: a device is made.
    directInput.FailCreateDevice(DIERR_DEVICENOTREG);
    EXPECT_EQ(Open(), DIERR_DEVICENOTREG);
    EXPECT_NE(HeldJoyConfig(), nullptr);
    EXPECT_EQ(HeldDevice(), nullptr);
    directInput.FailCreateDevice(S_OK);
    LPDIRECTINPUTJOYCONFIG configuration = HeldJoyConfig();
    EXPECT_EQ(Open(), S_OK);
    EXPECT_NE(HeldDevice(), nullptr);
    EXPECT_EQ(HeldJoyConfig(), configuration);

    // A device without a configuration: only the configuration is made.
    configuration->Release();
    sheet->SetJoyConfig(nullptr);
    LPDIRECTINPUTDEVICE2A device = HeldDevice();
    EXPECT_EQ(Open(), S_FALSE);
    EXPECT_EQ(HeldDevice(), device);
    EXPECT_NE(HeldJoyConfig(), nullptr);
    EXPECT_EQ(directInput.Devices().size(), 1u);
}

TEST_F(DeviceAccessTest, UnsetJoystickIdAsksForJoystickMinusOneAndFails)
{
    sheet->SetID(kNoJoystickId);
    SimJoystick other;
    other.id = 0xFFFFFFFFu; // where an id that was never set would find a device
    other.guidInstance = GUID{0x1, 0x2, 0x3, {4, 5, 6, 7, 8, 9, 10, 11}};
    const HRESULT result = Open();
    EXPECT_TRUE(FAILED(result));
    EXPECT_NE(HeldJoyConfig(), nullptr);
    EXPECT_EQ(HeldDevice(), nullptr);

    directInput.AddJoystick(other);
    EXPECT_EQ(Open(), S_OK);
    EXPECT_TRUE(IsEqualGUID(directInput.Devices()[0]->guidInstance, other.guidInstance));
}

TEST_F(DeviceAccessTest, FailuresAreReturnedUnchanged)
{
    directInput.FailDirectInputCreate(DIERR_OUTOFMEMORY);
    EXPECT_EQ(Open(), DIERR_OUTOFMEMORY);
    EXPECT_EQ(HeldJoyConfig(), nullptr);
    directInput.FailDirectInputCreate(S_OK);
    EXPECT_EQ(OpenSheetDevice(module, frame, nullptr), E_POINTER);
    LPDIRECTINPUTDEVICE2A device = reinterpret_cast<LPDIRECTINPUTDEVICE2A>(1);
    EXPECT_EQ(CreateJoystickDevice(0, frame, nullptr, nullptr, &device), E_POINTER);
    EXPECT_EQ(directInput.LiveObjectCount(), 0);
}

TEST_F(DeviceAccessTest, ReopenReplacesBothAndUnacquiresTheOldDeviceFirst)
{
    ASSERT_EQ(Open(), S_OK);
    ASSERT_EQ(HeldDevice()->Acquire(), DI_OK);
    EXPECT_EQ(Reopen(), S_OK);
    EXPECT_NE(HeldDevice(), nullptr);
    EXPECT_NE(HeldJoyConfig(), nullptr);
    ASSERT_EQ(directInput.Devices().size(), 2u);
    EXPECT_TRUE(directInput.Devices()[0]->released);
    EXPECT_FALSE(directInput.Devices()[0]->acquiredWhenReleased);
    EXPECT_TRUE(directInput.JoyConfigs()[0]->released);
    EXPECT_EQ(directInput.Devices()[1]->deadZones.size(), 4u);
    EXPECT_EQ(directInput.LiveObjectCount(), 2);
}

TEST_F(DeviceAccessTest, FailedReopenLeavesTheNewConfigurationAndNoDevice)
{
    ASSERT_EQ(Open(), S_OK);
    directInput.FailCreateDevice(DIERR_NOTFOUND);
    EXPECT_EQ(Reopen(), DIERR_NOTFOUND);
    EXPECT_EQ(HeldDevice(), nullptr);
    ASSERT_NE(HeldJoyConfig(), nullptr);
    EXPECT_TRUE(directInput.JoyConfigs()[0]->released);
    EXPECT_FALSE(directInput.JoyConfigs()[1]->released);
    EXPECT_EQ(directInput.LiveObjectCount(), 1);
}

} // namespace
} // namespace torvex::testing
