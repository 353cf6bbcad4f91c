// The lab's scenario language: what a line turns into for the driver, and
// how a malformed line is reported before anything plays.
#include <gtest/gtest.h>

#include <string>

#include "tools/lab/scenario.h"

namespace torvex::lab {
namespace {

Scenario Parsed(const std::string& text)
{
    Scenario scenario;
    ScenarioError error;
    EXPECT_TRUE(ParseScenario(text, &scenario, &error)) << "line " << error.line << ": " << error.message;
    return scenario;
}

TEST(ScenarioParse, DownloadFieldsBecomeExactlyTheirFlagsAndRecords)
{
    const Scenario scenario = Parsed("download w sine duration=inf gain=7000 trigger=3 axes=0,1 dir=-3,4 "
                                     "envelope=100,200,300,400 periodic=5000,-20,9000,100000 start\n"
                                     "download c custom axes=1 custom=2,50000,-5,6,7\n"
                                     "update w gain=0x10 trigger=none envelope=none\n");
    ASSERT_EQ(scenario.steps.size(), 3u);

    const ScenarioStep& sine = scenario.steps[0];
    EXPECT_EQ(sine.kind, StepKind::Download);
    EXPECT_EQ(sine.name, "w");
    EXPECT_EQ(sine.type, EffectType::Sine);
    const EffectFields& fields = sine.fields;
    EXPECT_EQ(fields.flags, DWORD{DIEP_DURATION | DIEP_GAIN | DIEP_TRIGGERBUTTON | DIEP_AXES |
                                  DIEP_DIRECTION | DIEP_ENVELOPE | DIEP_TYPESPECIFICPARAMS | DIEP_START});
    EXPECT_EQ(fields.duration, INFINITE);
    EXPECT_EQ(fields.gain, 7000u);
    EXPECT_EQ(fields.triggerButton, DWORD{DIDFT_PSHBUTTON | 0x300});
    EXPECT_EQ(fields.axes, (std::vector<DWORD>{DIDFT_ABSAXIS, DIDFT_ABSAXIS | 0x100}));
    EXPECT_EQ(fields.directions, (std::vector<LONG>{-3, 4}));
    ASSERT_TRUE(fields.envelope.has_value());
    EXPECT_EQ(fields.envelope->dwSize, sizeof(DIENVELOPE));
    EXPECT_EQ(fields.envelope->dwAttackLevel, 100u);
    EXPECT_EQ(fields.envelope->dwFadeTime, 400u);
    const auto* periodic = std::get_if<DIPERIODIC>(&fields.block);
    ASSERT_NE(periodic, nullptr);
    EXPECT_EQ(periodic->dwMagnitude, 5000u);
    EXPECT_EQ(periodic->lOffset, -20);
    EXPECT_EQ(periodic->dwPhase, 9000u);
    EXPECT_EQ(periodic->dwPeriod, 100000u);

    const EffectFields& custom = scenario.steps[1].fields;
    EXPECT_EQ(custom.flags, DWORD{DIEP_AXES | DIEP_TYPESPECIFICPARAMS});
    const auto* samples = std::get_if<CustomForceFields>(&custom.block);
    ASSERT_NE(samples, nullptr);
    EXPECT_EQ(samples->channels, 2u);
    EXPECT_EQ(samples->samplePeriod, 50000u);
    EXPECT_EQ(samples->samples, (std::vector<LONG>{-5, 6, 7}));

    const EffectFields& update = scenario.steps[2].fields;
    EXPECT_EQ(update.flags, DWORD{DIEP_GAIN | DIEP_TRIGGERBUTTON | DIEP_ENVELOPE});
    EXPECT_EQ(update.gain, 16u);
    EXPECT_EQ(update.triggerButton, DWORD{DIEB_NOTRIGGER});
    EXPECT_FALSE(update.envelope.has_value()) << "envelope=none hands the driver a null envelope";
}

TEST(ScenarioParse, TypesCarryTheInstallationsEffectIds)
{
    EXPECT_EQ(Parsed("download f friction\n").steps[0].type, EffectType::Friction);
    EXPECT_EQ(InstalledEffectId(EffectType::Constant), 0u);
    EXPECT_EQ(InstalledEffectId(EffectType::SawDown), 6u);
    EXPECT_EQ(InstalledEffectId(EffectType::Friction), 10u);
    EXPECT_EQ(InstalledEffectId(EffectType::Custom), 0x100u);
    EXPECT_STREQ(EffectTypeName(EffectType::SawUp), "sawup");
}

TEST(ScenarioParse, TimeCommentsAndBlankLines)
{
    const Scenario scenario = Parsed("# a comment line\r\n"
                                     "\n"
                                     "say Hello, wheel # not part of the text\r\n"
                                     "at 100   # trailing comment\n"
                                     "   \t\n"
                                     "at 100\n"
                                     "wheel x=1\r\n"
                                     "at 300\n");
    ASSERT_EQ(scenario.steps.size(), 5u);
    EXPECT_EQ(scenario.steps[0].name, "Hello, wheel");
    EXPECT_EQ(scenario.steps[0].timeMs, 0u);
    EXPECT_EQ(scenario.steps[0].line, 3);
    EXPECT_EQ(scenario.steps[2].line, 6) << "staying at the same time is no step back";
    EXPECT_EQ(scenario.steps[3].kind, StepKind::Wheel);
    EXPECT_EQ(scenario.steps[3].timeMs, 100u);
    EXPECT_EQ(scenario.steps[3].text, "wheel x=1");
    EXPECT_EQ(scenario.endMs, 300u);
    EXPECT_FALSE(scenario.releases);
}

TEST(ScenarioParse, WheelStartCommandAndAmplifyArguments)
{
    const Scenario scenario = Parsed("wheel x=255 rz=0x10 buttons=0xFFF hat=none\n"
                                     "wheel hat=7\n"
                                     "download e constant\n"
                                     "start e count=inf solo\n"
                                     "start e\n"
                                     "command stopall\n"
                                     "command 0x40\n"
                                     "amplify none\n"
                                     "amplify 2500\n"
                                     "release\n"
                                     "amplify 1000\n");
    const auto& steps = scenario.steps;
    EXPECT_EQ(steps[0].wheel.x, BYTE{255});
    EXPECT_EQ(steps[0].wheel.rz, BYTE{16});
    EXPECT_FALSE(steps[0].wheel.y.has_value());
    EXPECT_EQ(steps[0].wheel.buttons, WORD{0xFFF});
    EXPECT_EQ(steps[0].wheel.hat, BYTE{15});
    EXPECT_EQ(steps[1].wheel.hat, BYTE{7});
    EXPECT_EQ(steps[3].value, INFINITE);
    EXPECT_TRUE(steps[3].solo);
    EXPECT_EQ(steps[4].value, 1u) << "one iteration unless told";
    EXPECT_FALSE(steps[4].solo);
    EXPECT_EQ(steps[5].value, DWORD{DISFFC_STOPALL});
    EXPECT_EQ(steps[6].value, 0x40u);
    EXPECT_TRUE(steps[7].none);
    EXPECT_EQ(steps[8].value, 2500u);
    EXPECT_TRUE(scenario.releases);
}

struct Malformed {
    const char* text;
    int line;
    const char* says;
};

constexpr const char* kPush = "download p constant axes=0,1 dir=1,0 constant=100\n";

TEST(ScenarioParse, AMalformedLineIsNamedWithWhatIsWrong)
{
    const Malformed cases[] = {
        {"# comment\n\njump 3\n", 3, "unknown command 'jump'"},
        {"download p constant strength=4\n", 1, "unknown field 'strength'"},
        {"download p constant fast\n", 1, "unknown field 'fast'"},
        {"download p constant duration=12ms\n", 1, "duration: '12ms' is not a number"},
        {"download p constant gain=\n", 1, "has no value"},
        {"download p constant gain=4294967296\n", 1, "out of range"},
        {"download p constant dir=2147483648,0\n", 1, "out of range"},
        {"download p constant axes=0,,1\n", 1, "empty"},
        {"download p constant axes=0,1 dir=1,0,0\n", 1, "axes has 2 entries but dir has 3"},
        {"download p constant envelope=1,2,3\n", 1, "envelope takes 4"},
        {"download p ramp ramp=5\n", 1, "ramp takes 2"},
        {"download p custom custom=1\n", 1, "at least 2"},
        {"download p constant constant=1 ramp=1,2\n", 1, "only one of"},
        {"download p constant gain=1 gain=2\n", 1, "'gain' is given twice"},
        {"download p cosine\n", 1, "unknown effect type 'cosine'"},
        {"download 9p constant\n", 1, "no effect name"},
        {"download p\n", 1, "usage: download"},
        {"at 10\ndownload p constant\nat 20\ndownload p sine\n", 4, "downloaded twice (first on line 2)"},
        {"update q gain=1\n", 1, "unknown effect 'q'"},
        {"start q\n", 1, "unknown effect 'q'"},
        {"stop q\n", 1, "unknown effect 'q'"},
        {"destroy q\n", 1, "unknown effect 'q'"},
        {"status q\n", 1, "unknown effect 'q'"},
        {"start p\ndownload p constant\n", 1, "not downloaded before"},
        {"at 100\nat 99\n", 2, "at 99 goes back in time"},
        {"at soon\n", 1, "not a number"},
        {"gain 10001\n", 1, "gain: 10001 is out of range 0..10000"},
        {"wheel x=256\n", 1, "x: 256 is out of range 0..255"},
        {"wheel buttons=0x1000\n", 1, "out of range 0..4095"},
        {"wheel hat=8\n", 1, "out of range 0..7"},
        {"wheel w=1\n", 1, "unknown wheel field 'w'"},
        {"wheel\n", 1, "at least one"},
        {"unplug now\n", 1, "takes no arguments"},
        {"command shake\n", 1, "none of reset"},
        {"command 0xZZ\n", 1, "not a number"},
        {"amplify lots\n", 1, "not a number"},
        {"download p constant\nstart p count=1 count=2\n", 2, "each once"},
        {"release\nat 5\nstart p\n", 3, "released on line 1"},
        {"release\nrelease\n", 2, "released on line 1"},
    };
    for (const Malformed& malformed : cases) {
        SCOPED_TRACE(malformed.text);
        Scenario scenario;
        ScenarioError error;
        ASSERT_FALSE(ParseScenario(malformed.text, &scenario, &error));
        EXPECT_EQ(error.line, malformed.line);
        EXPECT_NE(error.message.find(malformed.says), std::string::npos) << error.message;
    }
}

TEST(ScenarioParse, AMalformedLineAfterGoodOnesStillFailsTheWholeScenario)
{
    Scenario scenario;
    ScenarioError error;
    const std::string text = std::string(kPush) + "start p\nat 100\nstop p extra\n";
    EXPECT_FALSE(ParseScenario(text, &scenario, &error));
    EXPECT_EQ(error.line, 4);
    EXPECT_EQ(error.message, "usage: stop <name>");
}

} // namespace
} // namespace torvex::lab
