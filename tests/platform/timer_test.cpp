// The periodic timer: the real one of the platform (a timer thread on Linux,
// the multimedia timer under Wine) at the driver's 25 ms playback period,
// and the test-fired timer where it has logic of its own.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "platform/sim/manual_timer.h"
#if defined(_WIN32)
#include "platform/win32/win32_timer.h"
#else
#include "platform/posix/posix_timer_thread.h"
#endif

#include "tests/support/wait_until.h"

namespace torvex::testing {
namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

#if defined(_WIN32)
using PlatformTimer = Win32Timer;
#else
using PlatformTimer = PosixTimerThread;
#endif

constexpr UINT kPeriodMs = 25;

// What a callback saw; handed to the timer as its user value.
struct Probe {
    TimerPort* timer = nullptr;
    std::atomic<int> calls{0};
    std::atomic<UINT> lastId{0};
    std::atomic<DWORD_PTR> lastUser{0};
    std::atomic<bool> inside{false};
    std::atomic<bool> done{false};
    std::atomic<UINT> killResult{~0u};

    DWORD_PTR user() { return reinterpret_cast<DWORD_PTR>(this); }
    static Probe& From(DWORD_PTR user) { return *reinterpret_cast<Probe*>(user); }
};

void CALLBACK Count(UINT timerId, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR)
{
    Probe& probe = Probe::From(user);
    probe.lastId = timerId;
    probe.lastUser = user;
    ++probe.calls;
}

// A playback step that takes a while: what Kill must wait for.
void CALLBACK SlowStep(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR)
{
    Probe& probe = Probe::From(user);
    probe.done = false;
    probe.inside = true;
    std::this_thread::sleep_for(100ms);
    ++probe.calls;
    probe.done = true;
}

void CALLBACK KillOwnTimer(UINT timerId, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR)
{
    Probe& probe = Probe::From(user);
    probe.killResult = probe.timer->Kill(timerId);
    ++probe.calls;
}

class PlatformTimerContract : public ::testing::Test {
protected:
    UINT Start(Probe& probe, TimerCallback callback)
    {
        probe.timer = &timer_;
        return timer_.StartPeriodic(kPeriodMs, kPeriodMs, callback, probe.user());
    }

    PlatformTimer timer_;
};

TEST_F(PlatformTimerContract, CallsBackEveryPeriodWithItsIdAndUserValue)
{
    Probe probe;
    const UINT id = Start(probe, Count);
    ASSERT_NE(id, 0u);
    std::this_thread::sleep_for(1s);
    EXPECT_EQ(timer_.Kill(id), MMSYSERR_NOERROR);

    // About 40 at 25 ms; generous, the machine may be busy.
    EXPECT_GE(probe.calls.load(), 20);
    EXPECT_LE(probe.calls.load(), 60);
    EXPECT_EQ(probe.lastId.load(), id);
    EXPECT_EQ(probe.lastUser.load(), probe.user());
}

TEST_F(PlatformTimerContract, KillFromAnotherThreadWaitsForTheRunningCallback)
{
    Probe probe;
    const UINT id = Start(probe, SlowStep);
    ASSERT_NE(id, 0u);
    ASSERT_TRUE(WaitUntil([&] { return probe.inside.load(); }));

    EXPECT_EQ(timer_.Kill(id), MMSYSERR_NOERROR);
    EXPECT_TRUE(probe.done.load());
    const int calls = probe.calls.load();
    std::this_thread::sleep_for(150ms);
    EXPECT_EQ(probe.calls.load(), calls);
}

TEST_F(PlatformTimerContract, ACallbackMayKillItsOwnTimer)
{
    Probe probe;
    const UINT id = Start(probe, KillOwnTimer);
    ASSERT_NE(id, 0u);
    ASSERT_TRUE(WaitUntil([&] { return probe.calls.load() >= 1; }));
    std::this_thread::sleep_for(6 * std::chrono::milliseconds(kPeriodMs));

    EXPECT_EQ(probe.calls.load(), 1);
    EXPECT_EQ(probe.killResult.load(), MMSYSERR_NOERROR);
    EXPECT_EQ(timer_.Kill(id), MMSYSERR_INVALPARAM);

    // The timer object goes on working afterwards.
    Probe next;
    const UINT nextId = Start(next, Count);
    ASSERT_NE(nextId, 0u);
    EXPECT_TRUE(WaitUntil([&] { return next.calls.load() >= 2; }));
    EXPECT_EQ(timer_.Kill(nextId), MMSYSERR_NOERROR);
}

TEST_F(PlatformTimerContract, KillsOnlyRunningTimersOfItsOwn)
{
    EXPECT_EQ(timer_.Kill(0), MMSYSERR_INVALPARAM);
    Probe probe;
    const UINT id = Start(probe, Count);
    ASSERT_NE(id, 0u);
    PlatformTimer other;
    EXPECT_EQ(other.Kill(id), MMSYSERR_INVALPARAM);
    EXPECT_EQ(timer_.Kill(id), MMSYSERR_NOERROR);
    EXPECT_EQ(timer_.Kill(id), MMSYSERR_INVALPARAM);
    EXPECT_EQ(timer_.StartPeriodic(kPeriodMs, kPeriodMs, nullptr, 0), 0u);
}

TEST_F(PlatformTimerContract, TimersRunIndependently)
{
    Probe first;
    Probe second;
    const UINT firstId = Start(first, Count);
    const UINT secondId = Start(second, Count);
    ASSERT_NE(firstId, 0u);
    ASSERT_NE(secondId, 0u);
    EXPECT_NE(firstId, secondId);

    EXPECT_EQ(timer_.Kill(firstId), MMSYSERR_NOERROR);
    const int secondCalls = second.calls.load();
    EXPECT_TRUE(WaitUntil([&] { return second.calls.load() >= secondCalls + 3; }));
    EXPECT_EQ(second.lastId.load(), secondId);
    EXPECT_EQ(timer_.Kill(secondId), MMSYSERR_NOERROR);
}

TEST(PlatformTimer, DestroyingItStopsItsTimers)
{
    Probe probe;
    auto timer = std::make_unique<PlatformTimer>();
    probe.timer = timer.get();
    ASSERT_NE(timer->StartPeriodic(kPeriodMs, kPeriodMs, SlowStep, probe.user()), 0u);
    ASSERT_TRUE(WaitUntil([&] { return probe.inside.load(); }));

    timer.reset();
    EXPECT_TRUE(probe.done.load());
    const int calls = probe.calls.load();
    std::this_thread::sleep_for(150ms);
    EXPECT_EQ(probe.calls.load(), calls);
}

// The test-fired timer.
class ManualTimerTest : public ::testing::Test {
protected:
    UINT Start(Probe& probe, TimerCallback callback)
    {
        probe.timer = &timer_;
        return timer_.StartPeriodic(kPeriodMs, 10, callback, probe.user());
    }

    ManualTimer timer_;
};

TEST_F(ManualTimerTest, FiresOnlyRunningTimersAndRecordsTheirStart)
{
    Probe probe;
    const UINT id = Start(probe, Count);
    ASSERT_EQ(id, 1u);
    EXPECT_EQ(timer_.LastDelayMs(), kPeriodMs);
    EXPECT_EQ(timer_.LastResolutionMs(), 10u);
    EXPECT_TRUE(timer_.Fire(id));
    EXPECT_EQ(probe.lastUser.load(), probe.user());

    EXPECT_EQ(timer_.Kill(id), MMSYSERR_NOERROR);
    EXPECT_FALSE(timer_.Fire(id));
    EXPECT_EQ(timer_.FireAll(), 0);
    EXPECT_EQ(timer_.Kill(id), MMSYSERR_INVALPARAM);
    EXPECT_EQ(probe.calls.load(), 1);
    EXPECT_EQ(timer_.StartCount(), 1);
    EXPECT_EQ(timer_.KillCount(), 1);
    EXPECT_EQ(timer_.Record(id)->fireCount, 1);
}

TEST_F(ManualTimerTest, ACallbackMayKillItsOwnTimerWhileFired)
{
    Probe probe;
    const UINT id = Start(probe, KillOwnTimer);
    EXPECT_TRUE(timer_.Fire(id));
    EXPECT_EQ(probe.killResult.load(), MMSYSERR_NOERROR);
    EXPECT_FALSE(timer_.IsRunning(id));
    EXPECT_EQ(timer_.RunningCount(), 0);
}

void CALLBACK KillTheOtherTimer(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR)
{
    Probe& probe = Probe::From(user);
    probe.killResult = probe.timer->Kill(2);
    ++probe.calls;
}

TEST_F(ManualTimerTest, FireAllSkipsATimerKilledEarlierInTheRound)
{
    Probe killer;
    Probe victim;
    ASSERT_EQ(Start(killer, KillTheOtherTimer), 1u);
    ASSERT_EQ(Start(victim, Count), 2u);
    EXPECT_EQ(timer_.FireAll(), 1);
    EXPECT_EQ(victim.calls.load(), 0);
    EXPECT_EQ(timer_.RunningCount(), 1);
}

TEST_F(ManualTimerTest, KillFromAnotherThreadWaitsForAFireInProgress)
{
    Probe probe;
    const UINT id = Start(probe, SlowStep);
    std::thread firing([&] { timer_.Fire(id); });
    ASSERT_TRUE(WaitUntil([&] { return probe.inside.load(); }));
    EXPECT_EQ(timer_.Kill(id), MMSYSERR_NOERROR);
    EXPECT_TRUE(probe.done.load());
    firing.join();
}

} // namespace
} // namespace torvex::testing
