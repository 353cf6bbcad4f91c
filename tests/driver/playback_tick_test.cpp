// The playback tick against the simulated wheel: when the device file is
// open or closed, what each tick reads and writes, unplugging and
// replugging, and the end of the timer.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <future>
#include <thread>
#include <vector>

#include "driver/device/playback_tick.h"
#include "tests/driver/driver_test_support.h"

namespace torvex::testing {
namespace {

using PlaybackTick = BoundDriverTest;

TEST_F(PlaybackTick, WithoutEffectsOnlyKeepsTheWheelClosed)
{
    EXPECT_EQ(wheel.OpenHandleCount(), 1) << "DeviceID opens the wheel";
    for (int tick = 0; tick < 3; ++tick)
        Tick();
    EXPECT_EQ(wheel.OpenHandleCount(), 0);
    EXPECT_EQ(wheel.ReadCount(), 0);
    EXPECT_TRUE(wheel.Writes().empty());
}

TEST_F(PlaybackTick, TheFirstDownloadOpensTheWheelWhichHearsNothingUntilAnEffectPlays)
{
    Tick();
    const DWORD handle = Download(driver, force.effect);
    Tick();
    EXPECT_EQ(wheel.OpenHandleCount(), 1);
    EXPECT_EQ(wheel.ReadCount(), 1);
    EXPECT_TRUE(wheel.Writes().empty());

    ASSERT_EQ(driver->StartEffect(0, handle, 0, 1), S_OK);
    Tick();
    EXPECT_EQ(SentReports(), std::vector<ForceReport>{Channels(127, 0)});
}

TEST_F(PlaybackTick, AnUnpluggedWheelIsClosedAndReopenedWhenItComesBack)
{
    Download(driver, force.effect, DIEP_ALLPARAMS | DIEP_START);
    Tick();
    EXPECT_EQ(SentReports().size(), 1u);

    wheel.Unplug();
    Tick();
    EXPECT_EQ(wheel.OpenHandleCount(), 0);
    for (int tick = 0; tick < 4; ++tick)
        Tick();
    EXPECT_TRUE(wheel.Reports().empty());

    wheel.Plug();
    Tick();
    EXPECT_EQ(wheel.OpenHandleCount(), 1);
    EXPECT_EQ(SentReports(), std::vector<ForceReport>{Channels(127, 0)});
}

TEST_F(PlaybackTick, AWheelDiscoveryCouldNotFindIsRetriedForEverWithoutWriting)
{
    ASSERT_EQ(driver->DeviceID(0x0500, 9, 1, 0, nullptr), S_OK);
    Download(driver, force.effect, DIEP_ALLPARAMS | DIEP_START);
    for (int tick = 0; tick < 5; ++tick)
        Tick();
    EXPECT_EQ(wheel.OpenHandleCount(), 0);
    EXPECT_TRUE(wheel.Writes().empty());
}

TEST_F(PlaybackTick, DestroyingTheLastEffectStopsADrivenWheelBeforeClosingIt)
{
    const DWORD handle = Download(driver, force.effect, DIEP_ALLPARAMS | DIEP_START);
    Tick();
    EXPECT_EQ(SentReports(), std::vector<ForceReport>{Channels(127, 0)});
    ASSERT_EQ(driver->DestroyEffect(0, handle), S_OK);
    Tick();
    EXPECT_EQ(wheel.OpenHandleCount(), 0);
    const std::vector<ForceReport> last = SentReports();
    ASSERT_FALSE(last.empty()) << "the wheel was left pushing";
    for (const ForceReport& report : last)
        EXPECT_EQ(report, Channels(0, 0));

    // A quiet wheel is closed without a word.
    Download(driver, force.effect);
    Tick();
    ASSERT_EQ(driver->SendForceFeedbackCommand(0, DISFFC_RESET), S_OK);
    Tick();
    EXPECT_TRUE(wheel.Writes().empty());
}

TEST_F(PlaybackTick, TheWheelsButtonsTriggerEffects)
{
    force.effect.dwTriggerButton = TriggerButton(6);
    const DWORD handle = Download(driver, force.effect);
    Tick();
    EXPECT_TRUE(wheel.Writes().empty());

    wheel.PressButton(6);
    Tick();
    EXPECT_EQ(SentReports(), std::vector<ForceReport>{Channels(127, 0)});
    EXPECT_TRUE(IsWheelButtonPressed(module.LatestInputReport, 6));
    DWORD status = 0;
    driver->GetEffectStatus(0, handle, &status);
    EXPECT_EQ(status, DWORD{DIEGES_PLAYING});
}

TEST_F(PlaybackTick, ASilentWheelHoldsATickOnlyBrieflyAndKeepsTheLastButtons)
{
    Download(driver, force.effect, DIEP_ALLPARAMS | DIEP_START);
    wheel.PressButton(2);
    Tick();
    wheel.FallSilent();
    wheel.ReleaseButton(2);
    Tick();
    EXPECT_EQ(wheel.LastReadTimeoutMs(), kInputReportWaitMs);
    EXPECT_TRUE(IsWheelButtonPressed(module.LatestInputReport, 2));
    EXPECT_EQ(SentReports().size(), 2u) << "the force still goes out";
}

// A wheel whose reads deliver as many bytes of an all-ones report as the
// test says.
class PartlyReadWheel final : public DevicePort {
public:
    HANDLE Open(const char*) override { return kHandle; }
    BOOL Read(HANDLE, void* buffer, DWORD size, DWORD* read, DWORD) override
    {
        const DWORD count = std::min(size, delivered);
        std::memset(buffer, 0xFF, count);
        *read = count;
        return TRUE;
    }
    BOOL Write(HANDLE, const void*, DWORD size, DWORD* written) override
    {
        *written = size;
        return TRUE;
    }
    DWORD LastError() override { return ERROR_SUCCESS; }
    BOOL Close(HANDLE) override { return TRUE; }

    static inline const HANDLE kHandle = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0x10));
    DWORD delivered = kInputReportSize;
};

TEST(PlaybackTickInput, OnlyAWholeInputReportReplacesTheLastOne)
{
    PartlyReadWheel wheel;
    DriverModule module{{.device = &wheel}};
    SetWheelButton(module.LatestInputReport, 5, true);
    const InputReport last = module.LatestInputReport;
    wheel.delivered = kInputReportSize - 1;
    ReadInputReport(module, PartlyReadWheel::kHandle);
    EXPECT_EQ(module.LatestInputReport, last);

    wheel.delivered = kInputReportSize;
    ReadInputReport(module, PartlyReadWheel::kHandle);
    InputReport whole;
    whole.fill(0xFF);
    EXPECT_EQ(module.LatestInputReport, whole);
}

TEST_F(PlaybackTick, ATickThatCannotGetTheLockTouchesNothing)
{
    Download(driver, force.effect, DIEP_ALLPARAMS | DIEP_START);
    Tick();
    SentReports();
    const int reads = wheel.ReadCount();
    lock.FailWaits(WAIT_TIMEOUT);
    module.ForceMix.channelPeak[0] = 55;
    Tick();
    lock.WaitNormally();
    EXPECT_EQ(wheel.ReadCount(), reads);
    EXPECT_TRUE(wheel.Writes().empty());
    EXPECT_EQ(module.ForceMix.channelPeak[0], 55);
}

TEST_F(PlaybackTick, ATimerThatIsNoLongerThePlaybackTimerKillsItselfInsteadOfTicking)
{
    const UINT first = module.PlaybackTimerId;
    ASSERT_EQ(driver->DeviceID(0x0500, kWheelJoystickId, 1, 0, nullptr), S_OK);
    Download(driver, force.effect, DIEP_ALLPARAMS | DIEP_START);
    // Fired late, as a multimedia timer may be after it was killed.
    PlaybackTimerCallback(first, 0, reinterpret_cast<DWORD_PTR>(&module), 0, 0);
    EXPECT_TRUE(wheel.Writes().empty());

    module.StopPlaybackRequested.store(true);
    Tick();
    EXPECT_TRUE(wheel.Writes().empty());
    EXPECT_EQ(timer.RunningCount(), 0);
}

// The wheel's device file, with reads that wait at a gate the test opens.
class GatedWheel final : public DevicePort {
public:
    explicit GatedWheel(SimWheel& wheel) : wheel_(wheel) {}

    HANDLE Open(const char* path) override { return wheel_.Open(path); }
    BOOL Read(HANDLE device, void* buffer, DWORD size, DWORD* read, DWORD timeoutMs) override
    {
        entered_.set_value();
        gate_.wait();
        return wheel_.Read(device, buffer, size, read, timeoutMs);
    }
    BOOL Write(HANDLE device, const void* buffer, DWORD size, DWORD* written) override
    {
        return wheel_.Write(device, buffer, size, written);
    }
    DWORD LastError() override { return wheel_.LastError(); }
    BOOL Close(HANDLE device) override { return wheel_.Close(device); }

    void WaitUntilReading() { entered_.get_future().wait(); }
    void OpenGate() { opened_.set_value(); }

private:
    SimWheel& wheel_;
    std::promise<void> entered_;
    std::promise<void> opened_;
    std::shared_future<void> gate_ = opened_.get_future().share();
};

TEST_F(DriverTest, TheLastReleaseWaitsForATickStillRunningBeforeTheDriverGoes)
{
    GatedWheel gated(wheel);
    module.ports.device = &gated;
    IDirectInputEffectDriver* driver = BoundDriver();
    ConstantForce force;
    Download(driver, force.effect, DIEP_ALLPARAMS | DIEP_START);

    std::thread timerThread([&] { Tick(); });
    gated.WaitUntilReading();
    // The tick holds the lock; the release cannot have it and goes on
    // without stopping the effects.
    lock.FailWaits(WAIT_TIMEOUT);
    std::atomic<bool> released{false};
    std::thread releasing([&] {
        driver->Release();
        released = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(released) << "the driver went while its tick was running";

    gated.OpenGate();
    timerThread.join();
    releasing.join();
    EXPECT_TRUE(released);
    EXPECT_EQ(module.DriverInstance, nullptr);
    EXPECT_EQ(wheel.OpenHandleCount(), 0);
    lock.WaitNormally();
}

} // namespace
} // namespace torvex::testing
