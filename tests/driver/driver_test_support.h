// A whole effect driver on simulated ports: the installation's registry
// entries with a Windows XP machine's HID entries, the simulated wheel as
// joystick 1, a clock and a playback timer that only the test moves, and a
// DriverLock that can be made to fail.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "driver/class_factory.h"
#include "driver/device/force_report.h"
#include "driver/effect_driver.h"
#include "platform/sim/manual_clock.h"
#include "platform/sim/manual_timer.h"
#include "platform/sim/sim_named_lock.h"
#include "platform/sim/sim_registry.h"
#include "platform/sim/sim_version.h"
#include "platform/sim/sim_wheel.h"
#include "tests/driver/sent_reports.h"
#include "tests/support/fixtures.h"

namespace torvex::testing {

// Where the Windows XP fixture puts the wheel that is joystick 1.
constexpr const char* kWheelPath =
    "\\\\?\\hid#vid_6d2a&pid_0005#7&3c11d2&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";
constexpr DWORD kWheelJoystickId = 1;

// Axes and triggers as DirectInput hands them to the driver: object ids,
// with the instance number in bits 8 to 23.
constexpr DWORD AxisObject(DWORD axis)
{
    return DIDFT_ABSAXIS | DIDFT_MAKEINSTANCE(axis);
}
constexpr DWORD TriggerButton(DWORD button)
{
    return DIDFT_PSHBUTTON | DIDFT_MAKEINSTANCE(button);
}

// A constant force on the wheel's two axes, full strength, to the right.
// The record points into itself: use it where it was made.
struct ConstantForce {
    DWORD axes[2] = {AxisObject(0), AxisObject(1)};
    LONG directions[2] = {10000, 0};
    DICONSTANTFORCE force{10000};
    DIEFFECT effect{sizeof(DIEFFECT),
                    DIEFF_CARTESIAN | DIEFF_OBJECTIDS,
                    INFINITE,
                    0,
                    10000,
                    DIEB_NOTRIGGER,
                    0,
                    2,
                    axes,
                    directions,
                    nullptr,
                    sizeof force,
                    &force};
};

class DriverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ImportRegistryFile(registry, InstallFilePath()));
        ASSERT_TRUE(ImportFixture(registry, "registry/winxp_hid.reg"));
    }

    void TearDown() override
    {
        FailEffectAllocationAfter(-1);
        EXPECT_EQ(lock.SignalsWithoutHold(), 0);
    }

    // The driver as DirectInput gets it: a class factory from the module's
    // export, then CreateInstance.
    IDirectInputEffectDriver* CreateDriver()
    {
        IClassFactory* factory = nullptr;
        EXPECT_EQ(GetDriverClassObject(module, CLSID_EffectDriver, IID_IClassFactory,
                                       reinterpret_cast<void**>(&factory)),
                  S_OK);
        if (factory == nullptr)
            return nullptr;
        IDirectInputEffectDriver* created = nullptr;
        EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDirectInputEffectDriver,
                                          reinterpret_cast<void**>(&created)),
                  S_OK);
        factory->Release();
        return created;
    }

    // A driver bound to the wheel, as DirectInput leaves it after acquiring.
    IDirectInputEffectDriver* BoundDriver()
    {
        IDirectInputEffectDriver* created = CreateDriver();
        if (created != nullptr) {
            EXPECT_EQ(created->DeviceID(0x0500, kWheelJoystickId, 1, 0, nullptr), S_OK);
        }
        return created;
    }

    EffectDriver& Driver() { return *module.DriverInstance; }

    DWORD Download(IDirectInputEffectDriver* target, DIEFFECT& effect, DWORD flags = DIEP_ALLPARAMS,
                   DWORD type = kEffectConstantForce)
    {
        DWORD handle = 0;
        EXPECT_EQ(target->DownloadEffect(0, type, &handle, &effect, flags), S_OK);
        return handle;
    }

    // One expiry of the playback timer.
    void Tick() { timer.FireAll(); }

    std::vector<ForceReport> SentReports() { return TakeSentReports(wheel); }

    ManualClock clock{100000};
    SimRegistry registry;
    SimVersion version{VER_PLATFORM_WIN32_NT, 5, 1};
    SimWheel wheel{clock, kWheelPath};
    ManualTimer timer;
    SimNamedLock lock;
    DriverModule module{{.registry = &registry,
                         .version = &version,
                         .clock = &clock,
                         .device = &wheel,
                         .timer = &timer,
                         .lock = &lock}};
};

// A driver created and bound to the wheel before each test, released after.
class BoundDriverTest : public DriverTest {
protected:
    void SetUp() override
    {
        DriverTest::SetUp();
        driver = BoundDriver();
        ASSERT_NE(driver, nullptr);
    }
    void TearDown() override
    {
        if (driver != nullptr)
            driver->Release();
        DriverTest::TearDown();
    }

    IDirectInputEffectDriver* driver = nullptr;
    ConstantForce force;
};

} // namespace torvex::testing
