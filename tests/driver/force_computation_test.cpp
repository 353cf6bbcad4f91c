#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <vector>

#include "driver/device/force_calculator.h"
#include "tests/driver/force_test_support.h"

namespace torvex {
namespace {

using testing::Axis;
using testing::Channels;
using testing::EffectSetup;

class ForceComputation : public testing::ForceTest {
protected:
    // The report one effect alone produces on its first tick, from a wheel
    // that has not been driven yet.
    ForceReport FirstReport(EffectSlot& slot)
    {
        module.ForceMix = {};
        Start(slot);
        Tick({&slot});
        const auto sent = Sent();
        EXPECT_EQ(sent.size(), 1u);
        return sent.empty() ? ForceReport{0xEE} : sent.back();
    }

    // The channel peaks the effect alone mixes at `elapsed`, before the
    // report clamps them.
    std::array<LONG, 2> ForcesAt(EffectSlot& slot, DWORD elapsed)
    {
        module.ForceMix = {};
        slot.dwElapsed = elapsed;
        std::array<double, 2> forces{};
        const std::size_t computed = ForceCalculator().ComputeAxisForces(module, slot, forces);
        EXPECT_EQ(MixEffectForces(module, slot.effect.cAxes, std::span<const double>(forces).first(computed)),
                  S_OK);
        return {module.ForceMix.channelPeak[0], module.ForceMix.channelPeak[1]};
    }

    static DIPERIODIC Wave(DWORD period, LONG offset = 0, DWORD phase = 0, DWORD magnitude = 10000)
    {
        return {magnitude, offset, phase, period};
    }
};

TEST_F(ForceComputation, ConstantForceIsSpreadOverTheAxesByItsDirection)
{
    struct Case {
        LONG magnitude;
        std::vector<LONG> direction;
        std::vector<DWORD> axes;
        ForceReport expected;
    };
    const std::vector<Case> cases = {
        {10000, {1, 0}, {Axis(0), Axis(1)}, Channels(0x7F, 0x00)},
        {5000, {3, 4}, {Axis(0), Axis(1)}, Channels(0x26, 0x32)},  // 38.1 and 50.8, truncated
        {-5000, {3, 4}, {Axis(0), Axis(1)}, Channels(0x26, 0x32)}, // a direction takes the sign
        {10000, {0, 0}, {Axis(0), Axis(1)}, Channels(0x7F, 0x7F)}, // no direction: full on both
        {-10000, {0, 0}, {Axis(0), Axis(1)}, Channels(0x00, 0x00)},
        // A position takes the component its axis instance names.
        {10000, {3, 4}, {Axis(1), Axis(0)}, Channels(0x65, 0x4C)},
        {10000, {0, 0}, {Axis(0), Axis(2)}, Channels(0x7F, 0x00)},
        // Components beyond +-46340 square past 32 bits and still spread alike.
        {10000, {100000, 0}, {Axis(0), Axis(1)}, Channels(0x7F, 0x00)},
        {10000, {46340, 46340}, {Axis(0), Axis(1)}, Channels(0x59, 0x59)},
        {10000, {INT_MIN, INT_MIN}, {Axis(0), Axis(1)}, Channels(0x59, 0x59)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.magnitude << " along " << c.direction[0] << "," << c.direction[1]);
        auto slot = Effect(kEffectConstantForce, DICONSTANTFORCE{c.magnitude},
                           {.direction = c.direction, .axes = c.axes});
        EXPECT_EQ(FirstReport(*slot), c.expected);
    }
}

TEST_F(ForceComputation, AxesAndDirectionsAreReadOnlyAsFarAsTheirOwnArraysGo)
{
    // A merge of directions and then axes leaves two axes but one component:
    // the missing one counts as zero.
    auto slot = Effect(kEffectConstantForce, DICONSTANTFORCE{10000});
    const LONG oneComponent[] = {1};
    const DWORD twoAxes[] = {Axis(0), Axis(1)};
    ASSERT_EQ(slot->SetDirections(oneComponent, 1), S_OK);
    ASSERT_EQ(slot->SetAxes(twoAxes, 2), S_OK);
    EXPECT_EQ(FirstReport(*slot), Channels(0x7F, 0x00));

    slot->effect.cAxes = 0xFFFFFFFF;
    EXPECT_EQ(FirstReport(*slot), Channels(0x7F, 0x00));

    ASSERT_EQ(slot->SetAxes(nullptr, 2), S_OK); // positions without an axis exert nothing
    EXPECT_EQ(FirstReport(*slot), Channels(0x00, 0x00));
}

TEST_F(ForceComputation, AMissingOrTooShortParameterBlockExertsNoForceButPlays)
{
    const BYTE shortBlock[2] = {0x10, 0x27};
    std::vector<std::unique_ptr<EffectSlot>> slots;
    slots.push_back(EffectWithBlock(kEffectConstantForce, shortBlock, sizeof shortBlock));
    slots.push_back(EffectWithBlock(kEffectRampForce, nullptr, sizeof(DIRAMPFORCE)));
    slots.push_back(Effect(kEffectSquare, DICONSTANTFORCE{10000}));
    slots.push_back(Effect(kEffectCustomForce, DIRAMPFORCE{10000, 10000}));
    for (auto& slot : slots) {
        EXPECT_EQ(FirstReport(*slot), Channels(0, 0));
        EXPECT_TRUE(module.AnyEffectPlaying);
    }
}

TEST_F(ForceComputation, SquareWaveIsFullUpToHalfItsPeriodInclusive)
{
    auto square = Effect(kEffectSquare, Wave(100000));
    EXPECT_EQ(ForcesAt(*square, 0)[0], 127);
    EXPECT_EQ(ForcesAt(*square, 50000)[0], 127);
    EXPECT_EQ(ForcesAt(*square, 50001)[0], 0);
    EXPECT_EQ(ForcesAt(*square, 99999)[0], 0);
    EXPECT_EQ(ForcesAt(*square, 100000)[0], 127);
    auto shifted = Effect(kEffectSquare, Wave(100000, 0, 18000)); // half a period ahead
    EXPECT_EQ(ForcesAt(*shifted, 0)[0], 127);
    EXPECT_EQ(ForcesAt(*shifted, 1)[0], 0);
}

TEST_F(ForceComputation, SquareWaveWithFullOffsetHoldsItsChannelThroughTheWholePeriod)
{
    auto square = Effect(kEffectSquare, Wave(100000, 10000));
    Start(*square);
    for (int tick = 0; tick < 5; ++tick)
        Tick({square.get()});
    EXPECT_EQ(Sent(), std::vector<ForceReport>(5, Channels(0x7F, 0x00)));
}

TEST_F(ForceComputation, PeriodicShapesFollowThePositionInTheirPeriod)
{
    struct Case {
        DWORD type;
        DIPERIODIC wave;
        DWORD elapsed;
        LONG expected;
    };
    const Case cases[] = {
        {kEffectTriangle, Wave(100000), 25000, 63},
        {kEffectTriangle, Wave(100000), 50000, 127},
        {kEffectTriangle, Wave(100000), 75000, 63},
        {kEffectSawtoothUp, Wave(100000), 25000, 31},
        {kEffectSawtoothDown, Wave(100000), 25000, 95},
        // The sine's circle of 6.28318 falls just short of the crest.
        {kEffectSine, Wave(100000), 25000, 126},
        {kEffectSine, Wave(100000, 0, 9000), 0, 126},
        {kEffectSine, Wave(100000, 0, 0, 5000), 25000, 63},
        {kEffectSine, Wave(100000, -5000), 0, 63}, // the offset's sign is lost too
        // The phase moves the wave on: 45 degrees of phase and an eighth of
        // the period are together the crest.
        {kEffectSine, Wave(100000, 0, 4500), 12500, 126},
        // The wave's lower half counts as its upper half before the offset.
        {kEffectSine, Wave(100000, -5000), 75000, 63},
        // Every shape adds its offset, and takes the sum as a strength.
        {kEffectSine, Wave(100000, 2000), 25000, 152},
        {kEffectSquare, Wave(100000, 2000), 75000, 25},
        {kEffectTriangle, Wave(100000, 2000), 25000, 88},
        {kEffectSawtoothUp, Wave(100000, 2000), 25000, 57},
        {kEffectSawtoothUp, Wave(100000, -10000), 25000, 95},
        {kEffectSawtoothDown, Wave(100000, 2000), 25000, 120},
        {kEffectSawtoothDown, Wave(100000, -10000), 25000, 31},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "type " << c.type << " at " << c.elapsed);
        auto slot = Effect(c.type, c.wave);
        EXPECT_EQ(ForcesAt(*slot, c.elapsed)[0], c.expected);
    }
}

TEST_F(ForceComputation, EnvelopeRisesHoldsAndFadesEveryEffectButTheFallingSawtooth)
{
    const DIENVELOPE slopes{sizeof(DIENVELOPE), 0, 200000, 0, 200000};
    const DIENVELOPE instant{sizeof(DIENVELOPE), 10000, 0, 10000, 0};
    struct Case {
        DWORD type;
        const DIENVELOPE* envelope;
        DWORD duration;
        DWORD elapsed;
        LONG expected;
    };
    const Case cases[] = {
        {kEffectConstantForce, &slopes, 1000000, 0, 0},
        {kEffectConstantForce, &slopes, 1000000, 100000, 63},
        {kEffectConstantForce, &slopes, 1000000, 500000, 127},
        {kEffectConstantForce, &slopes, 1000000, 900000, 63},
        {kEffectConstantForce, &slopes, 1000000, 1000000, 0},
        // An endless effect never reaches its fade: it holds after the attack.
        {kEffectConstantForce, &slopes, INFINITE, 100000, 63},
        {kEffectConstantForce, &slopes, INFINITE, 0xFFFFFFFF, 127},
        // A zero attack or fade time met exactly has no level: no force then.
        {kEffectConstantForce, &instant, 100000, 0, 0},
        {kEffectConstantForce, &instant, 100000, 50000, 127},
        {kEffectConstantForce, &instant, 100000, 100000, 0},
        {kEffectSawtoothUp, &slopes, INFINITE, 50000, 7}, // a quarter of a quarter
        {kEffectSquare, &slopes, INFINITE, 50000, 31},
        {kEffectSawtoothDown, &slopes, INFINITE, 50000, 95}, // untouched
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "type " << c.type << " at " << c.elapsed);
        auto slot =
            c.type == kEffectConstantForce
                ? Effect(c.type, DICONSTANTFORCE{10000}, {.duration = c.duration, .envelope = c.envelope})
                : Effect(c.type, Wave(200000), {.duration = c.duration, .envelope = c.envelope});
        EXPECT_EQ(ForcesAt(*slot, c.elapsed)[0], c.expected);
    }
}

TEST_F(ForceComputation, AnEnvelopeRunsFromItsOwnLevelsTowardTheEffectsLevel)
{
    // An attack from half strength and a fade to a quarter: the force starts
    // at the attack level, reaches the effect's own level at the end of the
    // attack, and leaves it for the fade level over the fade time.
    const DIENVELOPE raised{sizeof(DIENVELOPE), 5000, 200000, 2500, 200000};
    auto full =
        Effect(kEffectConstantForce, DICONSTANTFORCE{10000}, {.duration = 1000000, .envelope = &raised});
    EXPECT_EQ(ForcesAt(*full, 0)[0], 63);
    EXPECT_EQ(ForcesAt(*full, 100000)[0], 95); // half way from 0.5 to 1.0
    EXPECT_EQ(ForcesAt(*full, 200000)[0], 127);
    EXPECT_EQ(ForcesAt(*full, 900000)[0], 79); // half way from 1.0 to 0.25
    EXPECT_EQ(ForcesAt(*full, 1000000)[0], 31);

    // Levels above the effect's own: the force falls from the attack level
    // and rises to the fade level.
    const DIENVELOPE above{sizeof(DIENVELOPE), 10000, 200000, 10000, 200000};
    auto half =
        Effect(kEffectConstantForce, DICONSTANTFORCE{5000}, {.duration = 1000000, .envelope = &above});
    EXPECT_EQ(ForcesAt(*half, 50000)[0], 111); // 1.0 - 0.25 x 0.5
    EXPECT_EQ(ForcesAt(*half, 500000)[0], 63);
    EXPECT_EQ(ForcesAt(*half, 950000)[0], 111);

    // Every shaped effect but the falling sawtooth starts from the attack
    // level (infinite, so none of them fades).
    struct Case {
        DWORD type;
        DWORD elapsed;
        LONG expected;
    };
    const Case waves[] = {
        {kEffectSquare, 150000, 15},     // 0.5 - 0.75 x (0.5 - 0)
        {kEffectSine, 50000, 79},        // 0.5 - 0.25 x (0.5 - 1)
        {kEffectTriangle, 100000, 95},   // 0.5 - 0.5 x (0.5 - 1)
        {kEffectSawtoothUp, 150000, 87}, // 0.5 - 0.75 x (0.5 - 0.75)
        {kEffectSawtoothDown, 50000, 95},
    };
    for (const Case& c : waves) {
        SCOPED_TRACE(::testing::Message() << "type " << c.type << " at " << c.elapsed);
        auto slot = Effect(c.type, Wave(200000), {.envelope = &raised});
        EXPECT_EQ(ForcesAt(*slot, c.elapsed)[0], c.expected);
    }
    // A ramp is shaped at the value it has reached: 0.1 at 100 ms.
    auto ramp = Effect(kEffectRampForce, DIRAMPFORCE{0, 10000}, {.duration = 1000000, .envelope = &raised});
    EXPECT_EQ(ForcesAt(*ramp, 100000)[0], 38); // 0.5 - 0.5 x (0.5 - 0.1)
}

TEST_F(ForceComputation, RampRunsFromStartToEndOrHoldsItsStartWithoutEnd)
{
    auto ramp = Effect(kEffectRampForce, DIRAMPFORCE{-10000, 10000}, {.duration = 1000000});
    EXPECT_EQ(ForcesAt(*ramp, 0)[0], 127); // the direction takes the sign
    EXPECT_EQ(ForcesAt(*ramp, 500000)[0], 0);
    EXPECT_EQ(ForcesAt(*ramp, 750000)[0], 63);
    auto endless = Effect(kEffectRampForce, DIRAMPFORCE{5000, 10000});
    EXPECT_EQ(ForcesAt(*endless, 900000)[0], 63);
    // No duration: the slope is undefined on the one step it is rendered.
    auto instant = Effect(kEffectRampForce, DIRAMPFORCE{5000, 10000}, {.duration = 0});
    EXPECT_EQ(ForcesAt(*instant, 0)[0], 0);
    // Ends far apart wrap their 32-bit difference instead of overflowing.
    auto extreme = Effect(kEffectRampForce, DIRAMPFORCE{INT_MIN, INT_MAX}, {.duration = 1000000});
    EXPECT_EQ(FirstReport(*extreme), Channels(0x7F, 0x00));
}

TEST_F(ForceComputation, APeriodicSumIsAStrengthEvenWithoutADirection)
{
    // Direction (0, 0) passes a value on with its sign, so only the shape
    // itself can make the sum of a wave and a negative offset a strength.
    struct Case {
        DWORD type;
        DWORD elapsed;
        LONG expected;
    };
    const Case cases[] = {
        {kEffectSquare, 75000, 127},      // |0 - 127|
        {kEffectSine, 0, 127},            // |0 - 127|
        {kEffectTriangle, 0, 127},        // |0 - 127|
        {kEffectSawtoothUp, 0, 127},      // |0 - 127|
        {kEffectSawtoothDown, 50000, 63}, // |63.5 - 127|
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "type " << c.type << " at " << c.elapsed);
        auto slot = Effect(c.type, Wave(100000, -10000), {.direction = {0, 0}});
        EXPECT_EQ(ForcesAt(*slot, c.elapsed), (std::array<LONG, 2>{c.expected, c.expected}));
    }
}

TEST_F(ForceComputation, APeriodicOffsetTakesNoGain)
{
    // Half the effect gain and 0.8 of the device gain scale the wave to
    // 50.8; the offset of 2000 adds its 25.4 untouched.
    module.DeviceGainFactor = 0.8;
    auto square = Effect(kEffectSquare, Wave(100000, 2000), {.gain = 5000});
    EXPECT_EQ(ForcesAt(*square, 0)[0], 76);
    EXPECT_EQ(ForcesAt(*square, 75000)[0], 25);
}

TEST_F(ForceComputation, AWaveWithoutPeriodExertsNoForce)
{
    for (DWORD type : {kEffectSquare, kEffectSine, kEffectTriangle, kEffectSawtoothUp, kEffectSawtoothDown}) {
        SCOPED_TRACE(type);
        auto slot = Effect(type, Wave(0, 10000, 9000));
        EXPECT_EQ(ForcesAt(*slot, 0), (std::array<LONG, 2>{0, 0}));
        EXPECT_EQ(ForcesAt(*slot, 25000), (std::array<LONG, 2>{0, 0}));
        // Extreme phases and periods wrap instead of overflowing.
        auto extreme = Effect(type, Wave(0xFFFFFFFF, 0, 0xFFFFFFFF));
        ForcesAt(*extreme, 0xFFFFFFFF);
    }
}

TEST_F(ForceComputation, TypesWithoutComputationPushWithTenOnEveryAxis)
{
    for (DWORD type : {7u, 8u, 9u, 10u, 11u, 0x200u}) {
        auto slot = Effect(type, DICONSTANTFORCE{10000}, {.direction = {0, 0}, .gain = 0});
        EXPECT_EQ(ForcesAt(*slot, 0), (std::array<LONG, 2>{10, 10}));
        EXPECT_EQ(FirstReport(*slot), Channels(0, 0)); // below the dead zone
    }
}

TEST_F(ForceComputation, CustomForcePlaysItsSamplesStraightFromItsOwnCopy)
{
    std::vector<LONG> samples = {-5000, 10000, 2000, -2000};
    // Two channels of two samples over 50 ms; no gain or direction applies.
    auto slot = Effect(kEffectCustomForce, DICUSTOMFORCE{2, 50000, 4, samples.data()},
                       {.direction = {0, 1}, .gain = 0});
    samples.assign(4, 0);
    samples.shrink_to_fit();
    EXPECT_EQ(ForcesAt(*slot, 0), (std::array<LONG, 2>{63, 127}));
    EXPECT_EQ(ForcesAt(*slot, 25000), (std::array<LONG, 2>{25, 25}));
    // Past the sample set the recorded force is over.
    EXPECT_EQ(ForcesAt(*slot, 50000), (std::array<LONG, 2>{0, 0}));
    EXPECT_EQ(ForcesAt(*slot, 0xFFFFFFFF), (std::array<LONG, 2>{0, 0}));

    const DWORD swapped[] = {Axis(1), Axis(5)}; // an axis beyond the channels gets nothing
    ASSERT_EQ(slot->SetAxes(swapped, 2), S_OK);
    EXPECT_EQ(ForcesAt(*slot, 0), (std::array<LONG, 2>{127, 0}));
}

TEST_F(ForceComputation, CustomForceInterleavesItsChannelsSampleBySample)
{
    // Two channels of three samples over 60 ms, 20 ms a sample: channel 0
    // plays the samples at even places, channel 1 those at odd places.
    LONG samples[] = {1000, 2000, 3000, 4000, 5000, 6000};
    auto slot = Effect(kEffectCustomForce, DICUSTOMFORCE{2, 60000, 6, samples});
    EXPECT_EQ(ForcesAt(*slot, 19999), (std::array<LONG, 2>{12, 25}));
    EXPECT_EQ(ForcesAt(*slot, 20000), (std::array<LONG, 2>{38, 50}));
    EXPECT_EQ(ForcesAt(*slot, 59999), (std::array<LONG, 2>{63, 76}));
    EXPECT_EQ(ForcesAt(*slot, 60000), (std::array<LONG, 2>{0, 0}));
}

TEST_F(ForceComputation, ADegenerateCustomForceExertsNoForce)
{
    LONG samples[] = {10000, 10000, 10000, 10000};
    const DICUSTOMFORCE degenerate[] = {
        {0, 50000, 4, samples}, // no channels
        {2, 50000, 1, samples}, // less than a sample per channel
        {2, 1, 4, samples},     // samples shorter than a microsecond
        {2, 50000, 4, nullptr}, // no sample data
    };
    for (const DICUSTOMFORCE& custom : degenerate)
        EXPECT_EQ(ForcesAt(*Effect(kEffectCustomForce, custom), 0), (std::array<LONG, 2>{0, 0}));
}

} // namespace
} // namespace torvex
