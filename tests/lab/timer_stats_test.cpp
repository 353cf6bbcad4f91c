#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "tools/lab/recording_ports.h"
#include "tools/lab/timer_stats.h"

namespace torvex::lab {
namespace {

// Callback times exactly 25 ms apart.
std::vector<double> Ticks(std::size_t count)
{
    std::vector<double> times;
    for (std::size_t i = 0; i < count; ++i)
        times.push_back(static_cast<double>(i) * 25);
    return times;
}

TEST(MeasureTimer, ExactTimerHasNoError)
{
    const TimerStats stats = MeasureTimer(Ticks(41), 25);
    EXPECT_EQ(stats.periods, 40u);
    EXPECT_EQ(stats.maxErrorMs, 0.0);
    EXPECT_DOUBLE_EQ(stats.meanPeriodMs, 25.0);
}

TEST(MeasureTimer, ErrorsAreDistancesFromThePeriodEitherWay)
{
    // Intervals 25, 25.5, 30, 19.5: errors 0, 0.5, 5, 5.5; an even count's
    // median lies between the middle two.
    const TimerStats stats = MeasureTimer({0, 25, 50.5, 80.5, 100}, 25);
    EXPECT_EQ(stats.periods, 4u);
    EXPECT_DOUBLE_EQ(stats.medianErrorMs, 2.75);
    EXPECT_DOUBLE_EQ(stats.p99ErrorMs, 5.5);
    EXPECT_DOUBLE_EQ(stats.maxErrorMs, 5.5);
    EXPECT_DOUBLE_EQ(stats.meanPeriodMs, 25.0);
}

TEST(MeasureTimer, P99IsTheNearestRankNotTheMaximum)
{
    // 100 intervals: a late tick gives two errors of 10, the last one 30.
    // The 99th smallest error is 10.
    std::vector<double> times = Ticks(101);
    times[50] += 10;
    times[100] += 30;
    const TimerStats stats = MeasureTimer(times, 25);
    EXPECT_DOUBLE_EQ(stats.p99ErrorMs, 10.0);
    EXPECT_DOUBLE_EQ(stats.maxErrorMs, 30.0);
    EXPECT_EQ(stats.medianErrorMs, 0.0);

    // Of 200 intervals, the two errors of 10 lie beyond the best 99%.
    times = Ticks(201);
    times[50] += 10;
    EXPECT_EQ(MeasureTimer(times, 25).p99ErrorMs, 0.0);
}

TEST(MeasureTimer, TooFewOrBrokenTimesGiveZeros)
{
    for (const std::vector<double>& times :
         {std::vector<double>{}, std::vector<double>{12.5}, std::vector<double>{0, NAN, 50},
          std::vector<double>{0, INFINITY}}) {
        const TimerStats stats = MeasureTimer(times, 25);
        EXPECT_EQ(stats.periods, 0u);
        EXPECT_EQ(stats.maxErrorMs, 0.0);
        EXPECT_EQ(stats.meanPeriodMs, 0.0);
    }
    EXPECT_EQ(MeasureTimer(Ticks(5), NAN).periods, 0u);
}

// Only a run that asks for the timer's statistics keeps its callback
// times: the bridge runs for days.
TEST(RecordingTimer, KeepsCallbackTimesOnlyWhenAsked)
{
    for (const bool keep : {true, false}) {
        SCOPED_TRACE(keep);
        std::atomic<int> calls{0};
        RecordingTimer timer(keep);
        const auto count = [](UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
            ++*reinterpret_cast<std::atomic<int>*>(user);
        };
        const UINT id = timer.StartPeriodic(1, 1, count, reinterpret_cast<DWORD_PTR>(&calls));
        ASSERT_NE(id, 0u);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (calls < 3 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        timer.Kill(id);
        ASSERT_GE(calls, 3);
        EXPECT_EQ(timer.CallbackTimesMs().empty(), !keep);
    }
}

} // namespace
} // namespace torvex::lab
