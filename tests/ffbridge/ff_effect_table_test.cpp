// What each Linux effect becomes for the driver, written as the lab's
// download line: the expected lines are worked out by hand from the table
// in the README, and each must read back as the same effect, since the
// bridge's trace is replayed by the lab.
#include <gtest/gtest.h>

#include <string>

#include "tools/ffbridge/ff_effect_table.h"
#include "tools/lab/scenario_writer.h"

namespace torvex::ffbridge {
namespace {

ff_effect Effect(std::uint16_t type, std::uint16_t direction, std::uint16_t length)
{
    ff_effect effect{};
    effect.type = type;
    effect.id = -1;
    effect.direction = direction;
    effect.replay.length = length;
    return effect;
}

ff_effect Periodic(std::uint16_t waveform, std::int16_t magnitude, std::uint16_t phase, std::uint16_t period)
{
    ff_effect effect = Effect(FF_PERIODIC, 0x8000, 200);
    effect.u.periodic = {waveform, period, magnitude, -0x1000, phase, {}, 0, nullptr};
    return effect;
}

ff_effect Condition(std::uint16_t type)
{
    ff_effect effect = Effect(type, 0, 0);
    // Every field distinct: right/left saturation, right/left coefficient,
    // dead band, centre.
    effect.u.condition[0] = {0xFFFF, 0x7FFF, 8192, -0x7FFF, 0x1999, 0x0CCD};
    effect.u.condition[1] = {0, 0, 0, 0, 0, -0x0CCD};
    return effect;
}

ff_effect Rumble(std::uint16_t strong, std::uint16_t weak)
{
    ff_effect effect = Effect(FF_RUMBLE, 0, 0);
    effect.u.rumble = {strong, weak};
    return effect;
}

ff_effect WithTrigger(ff_effect effect, std::uint16_t button)
{
    effect.trigger.button = button;
    return effect;
}

struct TableRow {
    const char* what;
    ff_effect effect;
    const char* type; // the lab's word for it; null: refused
    const char* line; // the download line's fields, or a word of the reason
};

std::string DownloadLine(const TranslatedEffect& translated)
{
    return lab::FormatEffectFields(translated.fields);
}

TEST(FfEffectTable, EachLinuxEffectBecomesItsDirectInputEffectOrACleanRefusal)
{
    ff_effect constantFull = Effect(FF_CONSTANT, 0xC000, 1500);
    constantFull.u.constant = {-0x8000, {200, 0x7FFF, 300, 0x2000}};
    ff_effect ramp = Effect(FF_RAMP, 0x2000, 700);
    ramp.u.ramp = {-0x4000, 0x7FFF, {}};
    ff_effect loudEnvelope = Effect(FF_CONSTANT, 0, 0);
    loudEnvelope.u.constant.envelope = {10, 0x8000, 0, 0};
    ff_effect constantHalf = Effect(FF_CONSTANT, 0x4000, 0);
    constantHalf.u.constant.level = 0x4000;

    // Levels: 0x4000 x 10000 / 0x7FFF = 5000.15 -> 5000; 0x2000 -> 2500;
    // -0x8000 -> -10000.3, held at -10000; 0x1000 -> 1250. Angles (sin,
    // -cos): 0x4000 (10000, 0), 0xC000 (-10000, 0), 0x2000 (7071, -7071),
    // 0x8000 (0, 10000), 0 (0, -10000).
    const TableRow rows[] = {
        {"constant along the wheel, endless, without envelope", constantHalf, "constant",
         "duration=inf gain=10000 trigger=none axes=0,1 dir=10000,0 envelope=none constant=5000"},
        {"constant at the negative limit, with envelope", constantFull, "constant",
         "duration=1500000 gain=10000 trigger=none axes=0,1 dir=-10000,0 envelope=10000,200000,2500,300000 "
         "constant=-10000"},
        {"ramp at 45 degrees", ramp, "ramp",
         "duration=700000 gain=10000 trigger=none axes=0,1 dir=7071,-7071 envelope=none ramp=-5000,10000"},
        // Phase 0x4000 is a quarter turn, 9000; offset -0x1000 -> -1250.
        {"sine", Periodic(FF_SINE, 0x7FFF, 0x4000, 100), "sine",
         "duration=200000 gain=10000 trigger=none axes=0,1 dir=0,10000 envelope=none "
         "periodic=10000,-1250,9000,100000"},
        // A negative magnitude is the wave half a period on: 18000 + 18000.
        {"square, negative magnitude", Periodic(FF_SQUARE, -0x4000, 0x8000, 40), "square",
         "duration=200000 gain=10000 trigger=none axes=0,1 dir=0,10000 envelope=none "
         "periodic=5000,-1250,0,40000"},
        {"triangle", Periodic(FF_TRIANGLE, 0x2000, 0, 1), "triangle",
         "duration=200000 gain=10000 trigger=none axes=0,1 dir=0,10000 envelope=none "
         "periodic=2500,-1250,0,1000"},
        {"saw up", Periodic(FF_SAW_UP, 0x2000, 0, 1), "sawup", nullptr},
        {"saw down", Periodic(FF_SAW_DOWN, 0x2000, 0, 1), "sawdown", nullptr},
        // Saturations 0xFFFF -> 10000, 0x7FFF -> 4999.92 -> 5000; coefficients
        // 8192 -> 2500, -0x7FFF -> -10000; dead band 0x1999 -> 999.92 -> 1000;
        // centre 0x0CCD -> 1000.09 -> 1000.
        {"spring", Condition(FF_SPRING), "spring",
         "duration=inf gain=10000 trigger=none axes=0,1 dir=0,-10000 "
         "condition=1000,2500,-10000,10000,5000,1000,-1000,0,0,0,0,0"},
        {"damper", Condition(FF_DAMPER), "damper", nullptr},
        {"inertia", Condition(FF_INERTIA), "inertia", nullptr},
        {"friction", Condition(FF_FRICTION), "friction", nullptr},
        // 0x8000 -> 5000.08 -> 5000, 0x6000 -> 3750; their length 6250.
        {"rumble, both motors", Rumble(0x8000, 0x6000), "sine",
         "duration=inf gain=10000 trigger=none axes=0,1 dir=5000,3750 periodic=6250,0,0,100000"},
        {"rumble, both motors full: the length held at 10000", Rumble(0xFFFF, 0xFFFF), "sine",
         "duration=inf gain=10000 trigger=none axes=0,1 dir=10000,10000 periodic=10000,0,0,100000"},
        {"the wheel's last button", WithTrigger(constantHalf, BTN_TRIGGER + 11), "constant",
         "duration=inf gain=10000 trigger=11 axes=0,1 dir=10000,0 envelope=none constant=5000"},
        // Any other key, such as the garbage fftest's rumbles carry: no trigger.
        {"one past the wheel's buttons", WithTrigger(constantHalf, BTN_TRIGGER + 12), "constant",
         "duration=inf gain=10000 trigger=none axes=0,1 dir=10000,0 envelope=none constant=5000"},
        {"a key below the wheel's buttons", WithTrigger(constantHalf, BTN_TRIGGER - 1), "constant",
         "duration=inf gain=10000 trigger=none axes=0,1 dir=10000,0 envelope=none constant=5000"},
        {"a custom waveform", Periodic(FF_CUSTOM, 0x2000, 0, 1), nullptr, "waveform"},
        {"no period", Periodic(FF_SINE, 0x2000, 0, 0), nullptr, "period"},
        {"an envelope level past 0x7FFF", loudEnvelope, nullptr, "envelope"},
        {"an unknown type", Effect(0x99, 0, 0), nullptr, "type"},
        {"a play code given as type", Effect(FF_GAIN, 0, 0), nullptr, "type"},
    };
    for (const TableRow& row : rows) {
        SCOPED_TRACE(row.what);
        TranslatedEffect translated;
        std::string reason;
        const bool taken = TranslateEffect(row.effect, &translated, &reason);
        if (row.type == nullptr) {
            EXPECT_FALSE(taken);
            EXPECT_NE(reason.find(row.line), std::string::npos) << reason;
            continue;
        }
        ASSERT_TRUE(taken) << reason;
        EXPECT_STREQ(lab::EffectTypeName(translated.type), row.type);
        const std::string line = DownloadLine(translated);
        if (row.line != nullptr) {
            EXPECT_EQ(line, row.line);
        }
        lab::Scenario replayed;
        lab::ScenarioError error;
        ASSERT_TRUE(lab::ParseScenario(std::string("download e ") + row.type + " " + line, &replayed, &error))
            << error.message;
        EXPECT_EQ(ChangedFields(translated.fields, replayed.steps[0].fields), 0u) << "read back differently";
        EXPECT_EQ(replayed.steps[0].fields.flags, translated.fields.flags);
    }
}

TEST(FfEffectTable, AnUpdatePassesOnOnlyTheFieldsThatChanged)
{
    ff_effect before = Effect(FF_CONSTANT, 0x4000, 100);
    before.u.constant.level = 0x1000;
    TranslatedEffect first;
    std::string reason;
    ASSERT_TRUE(TranslateEffect(before, &first, &reason));
    struct Change {
        const char* what;
        void (*apply)(ff_effect&);
        DWORD flags;
    };
    const Change changes[] = {
        {"nothing", [](ff_effect&) {}, 0},
        // 0x1000 and 0x1004 are 1250 and 1251 to the driver.
        {"the level", [](ff_effect& e) { e.u.constant.level = 0x1004; }, DIEP_TYPESPECIFICPARAMS},
        {"the length", [](ff_effect& e) { e.replay.length = 101; }, DIEP_DURATION},
        {"the direction", [](ff_effect& e) { e.direction = 0x4100; }, DIEP_DIRECTION},
        {"an envelope", [](ff_effect& e) { e.u.constant.envelope.fade_length = 1; }, DIEP_ENVELOPE},
        {"the trigger", [](ff_effect& e) { e.trigger.button = BTN_TRIGGER; }, DIEP_TRIGGERBUTTON},
        {"the delay only", [](ff_effect& e) { e.replay.delay = 5; }, 0},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.what);
        ff_effect after = before;
        change.apply(after);
        TranslatedEffect second;
        ASSERT_TRUE(TranslateEffect(after, &second, &reason));
        EXPECT_EQ(ChangedFields(first.fields, second.fields), change.flags);
    }
}

TEST(FfEffectTable, DeviceGainScalesToTenThousandAndRefusesWhatUinputLetsThrough)
{
    const struct {
        int value;
        bool taken;
        DWORD gain;
    } rows[] = {
        {0, true, 0}, {0x8000, true, 5000}, {0xFFFF, true, 10000}, {0x10000, false, 0}, {-1, false, 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.value);
        DWORD gain = 0;
        EXPECT_EQ(DeviceGainLevel(row.value, &gain), row.taken);
        EXPECT_EQ(gain, row.gain);
    }
}

} // namespace
} // namespace torvex::ffbridge
