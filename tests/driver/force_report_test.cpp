#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "driver/device/amplify.h"
#include "tests/driver/force_test_support.h"

namespace torvex {
namespace {

using testing::Axis;
using testing::Channels;

const std::vector<ForceReport> kStopBurst(3, ForceReport{});

class ForceReporting : public testing::ForceTest {
protected:
    // A step of effects that mixes these channel forces.
    DWORD Send(double channel0, double channel1, bool anyPlaying = true)
    {
        const std::array<double, 2> forces{channel0, channel1};
        EXPECT_EQ(MixEffectForces(module, 2, forces), S_OK);
        return SendForceReport(module, device, anyPlaying);
    }
};

TEST_F(ForceReporting, ChannelsBelowTheDeadZoneAreSentAsZeroAndStrongOnesClamped)
{
    Send(15.9, 16.0);
    Send(300.0, 127.0);
    Send(-50.0, 126.9);
    Send(128.0, 15.0); // one past the strongest
    EXPECT_EQ(Sent(), (std::vector<ForceReport>{Channels(0, 16), Channels(127, 127), Channels(0, 126),
                                                Channels(127, 0)}));
}

TEST_F(ForceReporting, EffectsCombineByTheStrongestPerChannelNeverBySum)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::array<std::array<double, 2>, 5> effects = {
        {{60, 0}, {50, 70}, {nan, inf}, {-1e300, -inf}, {0, 0}}};
    for (const auto& forces : effects)
        EXPECT_EQ(MixEffectForces(module, 2, forces), S_OK);
    EXPECT_EQ(MixEffectForces(module, 1, std::array<double, 2>{100, 100}), E_INVALIDARG);
    SendForceReport(module, device, true);
    EXPECT_EQ(Sent(), std::vector<ForceReport>{Channels(60, 70)});

    // A force far beyond 32 bits saturates rather than wrapping.
    Send(1e300, 3e9);
    EXPECT_EQ(Sent(), std::vector<ForceReport>{Channels(127, 127)});
}

TEST_F(ForceReporting, QuietReportsStopAfterThreeInARowWhileEffectsPlay)
{
    for (int tick = 0; tick < 5; ++tick)
        Send(10, 0);
    Send(40, 0);
    for (int tick = 0; tick < 5; ++tick)
        Send(0, 15);
    EXPECT_EQ(Sent(),
              (std::vector<ForceReport>{Channels(0, 0), Channels(0, 0), Channels(0, 0), Channels(40, 0),
                                        Channels(0, 0), Channels(0, 0), Channels(0, 0)}));
}

TEST_F(ForceReporting, OneBurstOfThreeQuietReportsFollowsTheLastEffect)
{
    EXPECT_EQ(SendForceReport(module, device, false), 0u); // never driven: nothing to stop
    EXPECT_TRUE(Sent().empty());

    Send(60, 0);
    Sent();
    EXPECT_EQ(SendForceReport(module, device, false), 0u);
    EXPECT_EQ(SendForceReport(module, device, false), 0u);
    EXPECT_EQ(Sent(), kStopBurst);
}

TEST_F(ForceReporting, AFailedWriteReturnsTheWheelsErrorAndKeepsThePeaks)
{
    wheel.Unplug();
    EXPECT_EQ(Send(60, 20), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
    wheel.Plug();
    wheel.Close(device);
    device = wheel.Open(wheel.path().c_str());
    wheel.ShortWrites(3, ERROR_GEN_FAILURE);
    EXPECT_EQ(Send(0, 30), static_cast<DWORD>(ERROR_GEN_FAILURE));
    wheel.WriteNormally();
    Sent();
    EXPECT_EQ(SendForceReport(module, device, true), 0u);
    EXPECT_EQ(Sent(), std::vector<ForceReport>{Channels(60, 30)});

    // A short write that sets no error is still a failure.
    wheel.ShortWrites(4, ERROR_SUCCESS);
    EXPECT_EQ(Send(70, 0), static_cast<DWORD>(ERROR_GEN_FAILURE));
}

TEST_F(ForceReporting, TheStopBurstNeedsOnlyTheThirdReportOfAnAttemptToArrive)
{
    Send(60, 0);
    wheel.FailNextWrite(0, ERROR_GEN_FAILURE);
    wheel.FailNextWrite(2, ERROR_GEN_FAILURE);
    wheel.ClearWrites();
    EXPECT_EQ(SendForceReport(module, device, false), 0u);
    EXPECT_EQ(wheel.Writes().size(), 3u);

    // A wheel that takes none gets 100 attempts, then is left alone.
    Send(60, 0);
    wheel.FailWrites(ERROR_DEVICE_NOT_CONNECTED);
    wheel.ClearWrites();
    EXPECT_EQ(SendForceReport(module, device, false), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
    EXPECT_EQ(wheel.Writes().size(), 300u);
    wheel.ClearWrites();
    EXPECT_EQ(SendForceReport(module, device, false), 0u);
    EXPECT_TRUE(wheel.Writes().empty());
}

class EffectPlayback : public testing::ForceTest {};

TEST_F(EffectPlayback, AnEffectShorterThanATickIsFeltOnceThenStops)
{
    auto slot = Effect(kEffectConstantForce, DICONSTANTFORCE{10000}, {.duration = 10000});
    Start(*slot);
    for (int tick = 0; tick < 4; ++tick)
        Tick({slot.get()});
    EXPECT_FALSE(slot->fPlaying);
    EXPECT_EQ(Sent(), (std::vector<ForceReport>{Channels(0x7F, 0), Channels(0, 0), {}, {}, {}}));
}

TEST_F(EffectPlayback, EachLaterTickEndsOnePassUntilTheIterationsAreUsedUp)
{
    auto slot = Effect(kEffectConstantForce, DICONSTANTFORCE{10000}, {.duration = 0});
    Start(*slot, 3);
    for (int tick = 0; tick < 3; ++tick) {
        Tick({slot.get()});
        EXPECT_TRUE(slot->fPlaying);
    }
    Tick({slot.get()});
    EXPECT_FALSE(slot->fPlaying);
    Tick({slot.get()});
    EXPECT_EQ(Sent(), (std::vector<ForceReport>{Channels(0x7F, 0), {}, {}, {}, {}, {}, {}}));

    // A start with no iterations wraps to the largest count and plays on.
    Start(*slot, 0);
    Tick({slot.get()});
    Tick({slot.get()});
    EXPECT_TRUE(slot->fPlaying);
    EXPECT_EQ(slot->dwIterationsLeft, 0xFFFFFFFFu);
}

TEST_F(EffectPlayback, ASingleAxisEffectFailsItsFirstStepAndHoldsBackOlderEffects)
{
    auto single = Effect(kEffectConstantForce, DICONSTANTFORCE{10000}, {.direction = {1}, .axes = {Axis(0)}});
    auto older = Effect(kEffectConstantForce, DICONSTANTFORCE{10000});
    Start(*single);
    Start(*older);
    // The first tick stops at the single-axis effect; it still counts as
    // playing. From the second on it mixes nothing but lets the others play.
    EXPECT_EQ(RenderEffect(module, *single), E_INVALIDARG);
    SendForceReport(module, device, module.AnyEffectPlaying);
    Tick({single.get(), older.get()});
    EXPECT_EQ(Sent(), (std::vector<ForceReport>{Channels(0, 0), Channels(0x7F, 0)}));
}

TEST_F(EffectPlayback, ConditionEffectsCountAsPlayingThoughTheyMoveNothing)
{
    auto spring = Effect(7, DICONSTANTFORCE{0});
    Start(*spring);
    for (int tick = 0; tick < 5; ++tick)
        Tick({spring.get()});
    EXPECT_EQ(Sent(), std::vector<ForceReport>(3, ForceReport{}));
    spring->fPlaying = FALSE;
    Tick({spring.get()});
    EXPECT_EQ(Sent(), kStopBurst);
}

TEST_F(EffectPlayback, EffectTimeFollowsTheTickCountAcrossItsWrap)
{
    auto slot = Effect(kEffectSawtoothUp, DIPERIODIC{10000, 0, 0, 100000});
    clock.Set(0xFFFFFFF0);
    Start(*slot);
    Tick({slot.get()});
    Tick({slot.get()}); // 25 ms later, across the wrap of the tick count
    EXPECT_EQ(slot->dwElapsed, 25000u);

    // After 2^32 microseconds of one pass the elapsed time wraps too.
    slot->dwElapsed = 0xFFFFFFFFu - 12499;
    Tick({slot.get()});
    EXPECT_EQ(slot->dwElapsed, 12500u);
    EXPECT_TRUE(slot->fPlaying);
}

TEST_F(EffectPlayback, GainsScaleEveryShapedForce)
{
    const std::string oem =
        "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick"
        "\\OEM\\VID_6D2A&PID_0005";
    auto constant = Effect(kEffectConstantForce, DICONSTANTFORCE{10000}, {.direction = {0, 0}});
    std::vector<LONG> samples = {5000, 5000};
    auto custom = Effect(kEffectCustomForce, DICUSTOMFORCE{2, 25000, 2, samples.data()});
    const auto felt = [&] {
        module.ForceMix = {};
        Start(*constant);
        Start(*custom);
        ReadAmplify(module);
        Tick({constant.get()});
        Tick({custom.get()});
        const auto sent = Sent();
        return sent.size() == 2 ? std::array{sent[0][3], sent[1][3]} : std::array<BYTE, 2>{0xEE, 0xEE};
    };

    EXPECT_EQ(felt(), (std::array<BYTE, 2>{127, 63})); // no key: 1.0
    module.DeviceGainFactor = 0.5;
    EXPECT_EQ(felt(), (std::array<BYTE, 2>{63, 63}));
    module.DeviceGainFactor = 1.0;
    registry.SetValueAt(oem, "Amplify", REG_DWORD, {0xF4, 0x01, 0, 0}); // 500 thousandths
    EXPECT_EQ(felt(), (std::array<BYTE, 2>{63, 63}));
    registry.SetValueAt(oem, "Amplify", REG_DWORD, {0, 0, 0, 0}); // custom forces take no gain
    EXPECT_EQ(felt(), (std::array<BYTE, 2>{0, 63}));
    // A value that is not 4 bytes counts as missing.
    registry.SetValueAt(oem, "Amplify", REG_BINARY, {0, 0});
    EXPECT_EQ(felt(), (std::array<BYTE, 2>{127, 63}));
    registry.SetValueAt(oem, "Amplify", REG_QWORD, {0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(felt(), (std::array<BYTE, 2>{127, 63}));

    // All three at once multiply: 0.8 x 0.5 x 1.5 x 127 = 76.2.
    constant->effect.dwGain = 8000;
    module.DeviceGainFactor = 0.5;
    registry.SetValueAt(oem, "Amplify", REG_DWORD, {0xDC, 0x05, 0, 0}); // 1500 thousandths
    EXPECT_EQ(felt(), (std::array<BYTE, 2>{76, 63}));
    EXPECT_EQ(registry.OpenKeyCount(), 0);
}

} // namespace
} // namespace torvex
