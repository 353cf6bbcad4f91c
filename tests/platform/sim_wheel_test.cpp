#include "platform/sim/sim_wheel.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>

#include "platform/sim/manual_clock.h"

namespace torvex {
namespace {

class SimulatedWheel : public ::testing::Test {
protected:
    BOOL Write(HANDLE handle, std::array<BYTE, 5> report = {})
    {
        return wheel.Write(handle, report.data(), 5, &written);
    }

    // One read into a buffer that starts out as 0xEE everywhere, so bytes a
    // failing read must not touch stay recognisable.
    BOOL Read(HANDLE handle, DWORD timeoutMs = 100)
    {
        input.fill(0xEE);
        read = 99;
        return wheel.Read(handle, input.data(), static_cast<DWORD>(input.size()), &read, timeoutMs);
    }

    ManualClock clock{5000};
    SimWheel wheel{clock};
    DWORD written = 99;
    InputReport input{};
    DWORD read = 99;
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
    EXPECT_TRUE(Read(handle));
    EXPECT_EQ(input, (InputReport{0, 1, 2, 3, 4, 0x50, 0x01}));

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

TEST_F(SimulatedWheel, ReportsItsStateAndButtonsWhereTheReportLayoutPutsThem)
{
    const HANDLE handle = wheel.Open(SimWheel::kDefaultPath);
    ASSERT_TRUE(Read(handle));
    EXPECT_EQ(read, 7u);
    EXPECT_EQ(input, (InputReport{0, 128, 0, 0, 0, 0x0F, 0})) << "a wheel at rest";

    wheel.SetInputState({.wheel = 200, .accelerator = 10, .brake = 255, .hat = 2});
    for (DWORD button : {0u, 3u, 4u, 11u})
        EXPECT_TRUE(wheel.PressButton(button));
    ASSERT_TRUE(Read(handle));
    EXPECT_EQ(input, (InputReport{0, 200, 10, 255, 0, 0x92, 0x81}));

    EXPECT_TRUE(wheel.ReleaseButton(3));
    EXPECT_TRUE(wheel.ReleaseButton(11));
    EXPECT_FALSE(wheel.PressButton(12)); // the wheel has no 13th button
    EXPECT_FALSE(wheel.SetButton(0xFFFFFFFF, true));
    ASSERT_TRUE(Read(handle));
    EXPECT_EQ(input[5], 0x12);
    EXPECT_EQ(input[6], 0x01);

    const WheelInputState state = wheel.InputState();
    EXPECT_EQ(state.wheel, 200);
    EXPECT_EQ(state.hat, 2);
    EXPECT_EQ(state.buttons, 0x0011); // buttons 0 and 4

    // A buffer too small for a whole report gets nothing.
    std::array<BYTE, 6> shortBuffer{};
    EXPECT_FALSE(wheel.Read(handle, shortBuffer.data(), 6, &read, 100));
    EXPECT_EQ(wheel.LastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(read, 0u);
    EXPECT_EQ(wheel.ReadCount(), 3);
    wheel.Close(handle);
}

TEST_F(SimulatedWheel, SilentWheelTimesReadsOutAtOnceAndCountsThem)
{
    const HANDLE handle = wheel.Open(SimWheel::kDefaultPath);
    wheel.FallSilent();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(Read(handle, INFINITE));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << "it really waited";
    EXPECT_EQ(wheel.LastError(), static_cast<DWORD>(ERROR_TIMEOUT));
    EXPECT_EQ(read, 0u);
    EXPECT_EQ(input[0], 0xEE) << "a timed-out read delivers nothing";
    EXPECT_EQ(wheel.LastReadTimeoutMs(), static_cast<DWORD>(INFINITE));

    EXPECT_FALSE(Read(handle, 250));
    EXPECT_EQ(wheel.LastReadTimeoutMs(), 250u);
    EXPECT_EQ(wheel.TimedOutReadCount(), 2);
    EXPECT_EQ(wheel.ReadCount(), 0);
    EXPECT_TRUE(Write(handle)) << "silence is about input only";

    wheel.Speak();
    EXPECT_TRUE(Read(handle, 40));
    EXPECT_EQ(wheel.LastReadTimeoutMs(), 40u);
    EXPECT_EQ(wheel.ReadCount(), 1);
    EXPECT_EQ(wheel.TimedOutReadCount(), 2);
    wheel.Close(handle);
}

TEST_F(SimulatedWheel, ReadsOfAnUnpluggedWheelFailUntilItIsOpenedAgain)
{
    const HANDLE handle = wheel.Open(SimWheel::kDefaultPath);
    wheel.FallSilent();
    wheel.Unplug();
    EXPECT_FALSE(Read(handle));
    EXPECT_EQ(wheel.LastError(), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED)) << "gone, not silent";
    EXPECT_EQ(wheel.TimedOutReadCount(), 0);

    wheel.Plug();
    wheel.Speak();
    EXPECT_FALSE(Read(handle));
    EXPECT_EQ(wheel.LastError(), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
    const HANDLE reopened = wheel.Open(SimWheel::kDefaultPath);
    wheel.PressButton(7);
    EXPECT_TRUE(Read(reopened));
    EXPECT_EQ(input[6], 0x08);
    wheel.Close(handle);
    wheel.Close(reopened);
}

} // namespace
} // namespace torvex
