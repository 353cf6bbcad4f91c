#include "platform/sim/sim_wheel.h"

#include <gtest/gtest.h>

#include <array>

#include "platform/sim/manual_clock.h"

namespace torvex {
namespace {

class SimulatedWheel : public ::testing::Test {
protected:
    BOOL Write(HANDLE handle, std::array<BYTE, 5> report = {})
    {
        return wheel.Write(handle, report.data(), 5, &written);
    }

    ManualClock clock{5000};
    SimWheel wheel{clock};
    DWORD written = 99;
};

TEST_F(SimulatedWheel, RecordsEveryReportWithItsTimeAndServesItsInputReport)
{
    EXPECT_EQ(wheel.Open("\\\\?\\hid#vid_046d&pid_c294#1#{4d1e55b2-f16f-11cf-88cb-001111000030}"),
              INVALID_HANDLE_VALUE);
    const HANDLE handle =
        wheel.Open("\\\\?\\HID#VID_6D2A&PID_0005#SIM#{4D1E55B2-F16F-11CF-88CB-001111000030}");
    ASSERT_TRUE(IsOpenDevice(handle));
    EXPECT_TRUE(Write(handle, {0, 0, 0, 0x7F, 0}));
    clock.Advance(25);
    EXPECT_TRUE(Write(handle));
    EXPECT_FALSE(wheel.Write(handle, "\0\0\0", 3, &written)); // only whole reports go out

    const auto reports = wheel.Reports();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].bytes, (std::vector<BYTE>{0, 0, 0, 0x7F, 0}));
    EXPECT_EQ(reports[0].timeMs, 5000u);
    EXPECT_EQ(reports[1].timeMs, 5025u);

    wheel.SetInputReport({0, 1, 2, 3, 4, 0x50, 0x01});
    std::array<BYTE, 7> input{};
    DWORD read = 0;
    EXPECT_TRUE(wheel.Read(handle, input.data(), 7, &read));
    EXPECT_EQ(input, (std::array<BYTE, 7>{0, 1, 2, 3, 4, 0x50, 0x01}));

    EXPECT_TRUE(wheel.Close(handle));
    EXPECT_FALSE(wheel.Close(handle));
    EXPECT_FALSE(Write(handle));
    EXPECT_EQ(wheel.LastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(SimulatedWheel, WritesFailAsToldAndForGoodOnceUnplugged)
{
    const HANDLE handle = wheel.Open(SimWheel::kDefaultPath);
    wheel.FailNextWrite(2, ERROR_GEN_FAILURE);
    EXPECT_FALSE(Write(handle));
    EXPECT_EQ(written, 2u);
    EXPECT_EQ(wheel.LastError(), static_cast<DWORD>(ERROR_GEN_FAILURE));
    EXPECT_TRUE(Write(handle));

    wheel.Unplug();
    EXPECT_FALSE(Write(handle));
    EXPECT_EQ(wheel.LastError(), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
    EXPECT_EQ(wheel.Open(SimWheel::kDefaultPath), INVALID_HANDLE_VALUE);
    wheel.Plug();
    EXPECT_FALSE(Write(handle)); // a handle of the old plug-in stays dead
    const HANDLE reopened = wheel.Open(SimWheel::kDefaultPath);
    EXPECT_TRUE(Write(reopened));
    wheel.Close(handle);
    wheel.Close(reopened);
    EXPECT_EQ(wheel.OpenHandleCount(), 0);
}

} // namespace
} // namespace torvex
