// The property sheet end to end on the host: the pages' dialog procedures,
// the simulated DirectInput, TorvexFF.so loaded by path and driven only
// through its exports, and the simulated wheel, with the Windows XP
// registry of an installed wheel. What reaches the wheel and the registry
// is what a user's wheel and Windows would get.
#include <cstring>
#include <tuple>
#include <vector>

#include "sheet/effect_page.h"
#include "tests/sheet/sheet_test_support.h"
#include "tools/lab/driver_library.h"
#include "tools/lab/lab_registry.h"

namespace torvex::testing {
namespace {

constexpr char kCalibrationKey[] = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\MediaProperties\\"
                                   "PrivateProperties\\DirectInput\\VID_6D2A&PID_0005\\Calibration\\0";

class SheetEndToEndTest : public SheetTest {
protected:
    SheetEndToEndTest()
    {
        std::string error;
        if (!library.Load(TORVEX_FF_MODULE, &error)) {
            ADD_FAILURE() << error;
            return;
        }
        const DriverPorts ports{.registry = &registry,
                                .version = &version,
                                .clock = &clock,
                                .device = &wheel,
                                .timer = &playbackTimer,
                                .lock = &driverLock};
        EXPECT_EQ(library.UsePlatform(&ports), S_OK);
        directInput.UseEffectDriver(library.GetClassObject());
        lab::AddWheelDeviceEntry(registry, wheel.path(), 0);
        std::vector<BYTE> guid(sizeof(GUID));
        std::memcpy(guid.data(), &kWheelInstance, sizeof(GUID));
        registry.SetValueAt(kCalibrationKey, "GUID", REG_BINARY, guid);
    }
    ~SheetEndToEndTest() override
    {
        for (HWND page : pages)
            windows.DestroyWindow(page);
        pages.clear();
        if (sheet != nullptr)
            sheet->Release();
        sheet = nullptr;
    }

    // One page tick and the two playback ticks that fall into it.
    void TickBoth()
    {
        Tick();
        playbackTimer.FireAll();
        playbackTimer.FireAll();
    }

    std::vector<BYTE> AxisCalibration(const char* axis)
    {
        const auto value =
            registry.GetValueAt(std::string(kCalibrationKey) + "\\Type\\Axes\\" + axis, "Calibration");
        return value ? value->data : std::vector<BYTE>{};
    }

    lab::DriverLibrary library;
};

std::vector<BYTE> Calibration(DWORD minimum, DWORD centre, DWORD maximum)
{
    std::vector<BYTE> bytes(12);
    std::memcpy(&bytes[0], &minimum, 4);
    std::memcpy(&bytes[4], &centre, 4);
    std::memcpy(&bytes[8], &maximum, 4);
    return bytes;
}

TEST_F(SheetEndToEndTest, EffectPagePullsTheWheelAndLeavesItQuiet)
{
    HWND page = OpenPage(108);
    Activate(page);
    SetWheel(0, 128); // wheel fully left, accelerator half down: Y centred
    TickBoth();
    TickBoth();
    std::vector<SimWheelWrite> reports = wheel.Reports();
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back().bytes, (std::vector<BYTE>{0x00, 0x00, 0x00, 0x7F, 0x00}));

    SetWheel(128, 128); // centred: no displacement, no force
    TickBoth();
    TickBoth();
    reports = wheel.Reports();
    EXPECT_EQ(reports.back().bytes, (std::vector<BYTE>{0x00, 0x00, 0x00, 0x00, 0x00}));

    // Leaving destroys the force: the next tick lets the wheel go (the
    // driver's burst of quiet reports for a wheel it was driving) and closes
    // the device; nothing follows.
    Deactivate(page);
    wheel.ClearWrites();
    playbackTimer.FireAll();
    for (const SimWheelWrite& write : wheel.Writes())
        EXPECT_EQ(write.bytes, (std::vector<BYTE>{0x00, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(wheel.OpenHandleCount(), 0);
    wheel.ClearWrites();
    playbackTimer.FireAll();
    EXPECT_TRUE(wheel.Writes().empty());
}

TEST_F(SheetEndToEndTest, CalibrationPageStoresWhatTheWheelAndPedalsDid)
{
    HWND page = OpenPage(109);
    Activate(page);
    Tick();
    for (const auto& [wheelByte, accelerator, brake] : std::vector<std::tuple<BYTE, BYTE, BYTE>>{
             {0, 0, 0}, {255, 0, 0}, {128, 255, 0}, {128, 0, 255}, {128, 0, 0}}) {
        SetWheel(wheelByte, accelerator, brake);
        Tick();
    }
    EXPECT_EQ(Text(page, 1016), "128");
    Click(page, 1022);
    EXPECT_EQ(AxisCalibration("0"), Calibration(0, 128, 255));
    EXPECT_EQ(AxisCalibration("1"), Calibration(0, 0, 255));
    EXPECT_EQ(AxisCalibration("2"), Calibration(0, 0, 128)); // no Z axis: it reads 0
    EXPECT_EQ(AxisCalibration("5"), Calibration(0, 0, 255));
    EXPECT_EQ(directInput.Devices().size(), 2u); // reopened to use the new values
    EXPECT_EQ(registry.OpenKeyCount(), 0);
}

} // namespace
} // namespace torvex::testing
