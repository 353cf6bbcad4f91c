// The DIEFFECT the lab hands the driver for a scenario line: exactly the
// fields given, every pointer into the record's own storage.
#include <gtest/gtest.h>

#include "tools/lab/effect_record.h"

namespace torvex::lab {
namespace {

EffectFields Fields(const std::string& line)
{
    Scenario scenario;
    ScenarioError error;
    EXPECT_TRUE(ParseScenario(line, &scenario, &error)) << error.message;
    return scenario.steps.empty() ? EffectFields{} : scenario.steps.back().fields;
}

TEST(EffectRecord, CarriesTheGivenFieldsAndPointsAtItsOwnCopies)
{
    const EffectRecord record(Fields("download e ramp duration=5000 gain=300 trigger=1 axes=0,1 dir=3,-4 "
                                     "envelope=1,2,3,4 ramp=-100,200"));
    const DIEFFECT& effect = *record.get();
    EXPECT_EQ(effect.dwSize, sizeof(DIEFFECT));
    EXPECT_EQ(effect.dwFlags, DWORD{DIEFF_CARTESIAN | DIEFF_OBJECTIDS});
    EXPECT_EQ(effect.dwDuration, 5000u);
    EXPECT_EQ(effect.dwGain, 300u);
    EXPECT_EQ(effect.dwTriggerButton, DWORD{DIDFT_PSHBUTTON | DIDFT_MAKEINSTANCE(1)});
    ASSERT_EQ(effect.cAxes, 2u);
    EXPECT_EQ(effect.rgdwAxes[1], DWORD{DIDFT_ABSAXIS | DIDFT_MAKEINSTANCE(1)});
    EXPECT_EQ(effect.rglDirection[1], -4);
    ASSERT_NE(effect.lpEnvelope, nullptr);
    EXPECT_EQ(effect.lpEnvelope->dwFadeTime, 4u);
    ASSERT_EQ(effect.cbTypeSpecificParams, sizeof(DIRAMPFORCE));
    const auto* ramp = static_cast<const DIRAMPFORCE*>(effect.lpvTypeSpecificParams);
    EXPECT_EQ(ramp->lStart, -100);
    EXPECT_EQ(ramp->lEnd, 200);
}

TEST(EffectRecord, LeavesWhatWasNotGivenEmpty)
{
    const EffectRecord directionsOnly(Fields("download e constant dir=1,2,3 envelope=none"));
    const DIEFFECT& effect = *directionsOnly.get();
    EXPECT_EQ(effect.cAxes, 3u) << "the directions alone say how many axes";
    EXPECT_EQ(effect.rgdwAxes, nullptr);
    EXPECT_EQ(effect.lpEnvelope, nullptr);
    EXPECT_EQ(effect.cbTypeSpecificParams, 0u);
    EXPECT_EQ(effect.lpvTypeSpecificParams, nullptr);
    EXPECT_EQ(effect.dwTriggerButton, 0u);
}

TEST(EffectRecord, CustomForceCarriesItsSamples)
{
    const EffectRecord record(Fields("download e custom custom=2,1000,5,-6,7"));
    const DIEFFECT& effect = *record.get();
    ASSERT_EQ(effect.cbTypeSpecificParams, sizeof(DICUSTOMFORCE));
    const auto* custom = static_cast<const DICUSTOMFORCE*>(effect.lpvTypeSpecificParams);
    EXPECT_EQ(custom->cChannels, 2u);
    EXPECT_EQ(custom->dwSamplePeriod, 1000u);
    ASSERT_EQ(custom->cSamples, 3u);
    EXPECT_EQ(custom->rglForceData[1], -6);

    const EffectRecord none(Fields("download e custom custom=1,1000"));
    const auto* empty = static_cast<const DICUSTOMFORCE*>(none.get()->lpvTypeSpecificParams);
    EXPECT_EQ(empty->cSamples, 0u);
    EXPECT_EQ(empty->rglForceData, nullptr);
}

TEST(EffectRecord, EveryPeriodicAndConstantBlockHasItsOwnSize)
{
    EXPECT_EQ(EffectRecord(Fields("download e sine periodic=1,2,3,4")).get()->cbTypeSpecificParams,
              sizeof(DIPERIODIC));
    const EffectRecord constant(Fields("download e constant constant=-7"));
    ASSERT_EQ(constant.get()->cbTypeSpecificParams, sizeof(DICONSTANTFORCE));
    EXPECT_EQ(static_cast<const DICONSTANTFORCE*>(constant.get()->lpvTypeSpecificParams)->lMagnitude, -7);
}

} // namespace
} // namespace torvex::lab
