// The effect store and the intake of effect parameters: handles, the
// flag-by-flag copy and merge, stepping and triggers, and what is left when
// memory runs out or an application hands in absurd counts.
#include <gtest/gtest.h>

#include <ostream>
#include <vector>

#include "driver/effect_params.h"
#include "tests/driver/driver_test_support.h"

namespace torvex::testing {
namespace {

// The parameters an effect holds, field by field, as a merge may change them.
struct HeldFields {
    DWORD duration = 0;
    DWORD samplePeriod = 0;
    DWORD gain = 0;
    DWORD triggerButton = 0;
    DWORD triggerRepeatInterval = 0;
    DWORD axisCount = 0;
    std::vector<DWORD> axes;
    std::vector<LONG> directions;
    std::vector<BYTE> envelope;
    DWORD blockSize = 0;
    std::vector<BYTE> block;

    bool operator==(const HeldFields&) const = default;
};

void PrintTo(const HeldFields& held, std::ostream* os)
{
    *os << "duration " << held.duration << ", sample period " << held.samplePeriod << ", gain " << held.gain
        << ", trigger " << held.triggerButton << ", repeat " << held.triggerRepeatInterval << ", "
        << held.axisCount << " axes (" << held.axes.size() << " held), " << held.directions.size()
        << " directions, envelope of " << held.envelope.size() << " bytes, block of " << held.blockSize
        << " bytes (" << held.block.size() << " held)";
}

std::vector<BYTE> BytesAt(const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const BYTE*>(data);
    return data != nullptr ? std::vector<BYTE>(bytes, bytes + size) : std::vector<BYTE>{};
}

HeldFields Held(const DIEFFECT& effect, std::size_t axes, std::size_t directions)
{
    HeldFields held;
    held.duration = effect.dwDuration;
    held.samplePeriod = effect.dwSamplePeriod;
    held.gain = effect.dwGain;
    held.triggerButton = effect.dwTriggerButton;
    held.triggerRepeatInterval = effect.dwTriggerRepeatInterval;
    held.axisCount = effect.cAxes;
    if (effect.rgdwAxes != nullptr)
        held.axes.assign(effect.rgdwAxes, effect.rgdwAxes + axes);
    if (effect.rglDirection != nullptr)
        held.directions.assign(effect.rglDirection, effect.rglDirection + directions);
    held.envelope = BytesAt(effect.lpEnvelope, sizeof(DIENVELOPE));
    held.blockSize = effect.cbTypeSpecificParams;
    held.block = BytesAt(effect.lpvTypeSpecificParams, effect.cbTypeSpecificParams);
    return held;
}

HeldFields Held(const EffectSlot& slot)
{
    return Held(slot.effect, slot.Axes().size(), slot.Directions().size());
}

// Each DIEP flag and what it carries from the caller's record.
struct FlagField {
    DWORD flag;
    const char* name;
    void (*take)(HeldFields& held, const HeldFields& source);
};
const FlagField kFlagFields[] = {
    {DIEP_DURATION, "DIEP_DURATION", [](HeldFields& h, const HeldFields& s) { h.duration = s.duration; }},
    {DIEP_SAMPLEPERIOD, "DIEP_SAMPLEPERIOD",
     [](HeldFields& h, const HeldFields& s) { h.samplePeriod = s.samplePeriod; }},
    {DIEP_GAIN, "DIEP_GAIN", [](HeldFields& h, const HeldFields& s) { h.gain = s.gain; }},
    {DIEP_TRIGGERBUTTON, "DIEP_TRIGGERBUTTON",
     [](HeldFields& h, const HeldFields& s) { h.triggerButton = s.triggerButton; }},
    {DIEP_TRIGGERREPEATINTERVAL, "DIEP_TRIGGERREPEATINTERVAL",
     [](HeldFields& h, const HeldFields& s) { h.triggerRepeatInterval = s.triggerRepeatInterval; }},
    {DIEP_AXES, "DIEP_AXES",
     [](HeldFields& h, const HeldFields& s) {
         h.axes = s.axes;
         h.axisCount = s.axisCount;
     }},
    {DIEP_DIRECTION, "DIEP_DIRECTION",
     [](HeldFields& h, const HeldFields& s) {
         h.directions = s.directions;
         h.axisCount = s.axisCount;
     }},
    {DIEP_ENVELOPE, "DIEP_ENVELOPE", [](HeldFields& h, const HeldFields& s) { h.envelope = s.envelope; }},
    {DIEP_TYPESPECIFICPARAMS, "DIEP_TYPESPECIFICPARAMS",
     [](HeldFields& h, const HeldFields& s) {
         h.block = s.block;
         h.blockSize = s.blockSize;
     }},
};

// A record in which every field differs from ConstantForce's.
struct OtherEffect {
    DWORD axes[3] = {AxisObject(2), AxisObject(0), AxisObject(1)};
    LONG directions[3] = {-3, 4, 12};
    DIENVELOPE envelope{sizeof(DIENVELOPE), 2500, 40000, 7500, 60000};
    DIPERIODIC wave{6000, -1500, 9000, 80000};
    DIEFFECT effect{sizeof(DIEFFECT), DIEFF_POLAR, 750000,      2000, 6400, TriggerButton(9), 300000, 3, axes,
                    directions,       &envelope,   sizeof wave, &wave};
};

class EffectStoreTest : public DriverTest {
protected:
    DWORD Create(DIEFFECT& source, DWORD flags = DIEP_ALLPARAMS, DWORD type = kEffectConstantForce)
    {
        DWORD handle = 0;
        EXPECT_EQ(store.CreateSlot(type, source, {}, flags, &handle), S_OK);
        return handle;
    }

    std::vector<DWORD> Handles() const
    {
        std::vector<DWORD> handles;
        for (const EffectSlot* slot = store.pHead; slot != nullptr; slot = slot->pNext)
            handles.push_back(slot->dwHandle);
        return handles;
    }

    EffectStore store{module};
    ConstantForce force;
};

TEST_F(EffectStoreTest, HandlesCountUpFromOneNewestFirstAndAreNeverReused)
{
    EXPECT_EQ(Create(force.effect), 1u);
    EXPECT_EQ(Create(force.effect), 2u);
    EXPECT_EQ(Create(force.effect), 3u);
    EXPECT_EQ(Handles(), (std::vector<DWORD>{3, 2, 1}));
    EXPECT_EQ(store.FindSlot(1)->pPrev, store.FindSlot(2));

    store.RemoveSlot(2);
    EXPECT_EQ(Handles(), (std::vector<DWORD>{3, 1}));
    EXPECT_EQ(store.FindSlot(1)->pPrev, store.FindSlot(3));
    store.RemoveSlot(3);
    EXPECT_EQ(store.pHead->pPrev, nullptr);
    store.RemoveSlot(99);
    store.RemoveSlot(1);
    EXPECT_TRUE(store.IsEmpty());
    EXPECT_EQ(Create(force.effect), 4u);
}

TEST_F(EffectStoreTest, ASlotTakesOnlyTheFlaggedFieldsAndNeverTheCallersFlags)
{
    force.effect.dwSize = 999;
    force.effect.dwTriggerButton = TriggerButton(3);
    const DWORD handle = Create(force.effect, DIEP_GAIN | DIEP_DIRECTION);
    const EffectSlot& slot = *store.FindSlot(handle);
    EXPECT_EQ(slot.effect.dwSize, kEffectRecordSize);
    EXPECT_EQ(slot.effect.dwFlags, 0u);
    EXPECT_EQ(slot.effect.dwGain, 10000u);
    EXPECT_EQ(slot.effect.dwDuration, 0u);
    // Without DIEP_TRIGGERBUTTON the trigger is button 0.
    EXPECT_EQ(slot.effect.dwTriggerButton, 0u);
    EXPECT_EQ(slot.effect.cAxes, 2u);
    EXPECT_EQ(slot.effect.rgdwAxes, nullptr);
    ASSERT_NE(slot.effect.rglDirection, nullptr);
    EXPECT_NE(slot.effect.rglDirection, force.directions);
    EXPECT_EQ(slot.effect.lpvTypeSpecificParams, nullptr);
    EXPECT_FALSE(slot.fPlaying);
}

TEST_F(EffectStoreTest, MergingAnArrayOrBlockSetsItsCountFromTheSourceEvenWithoutTheArray)
{
    EffectSlot& slot = *store.FindSlot(Create(force.effect));
    DIEFFECT update{};
    LONG threeDirections[3] = {1, 2, 3};
    update.cAxes = 3;
    update.rglDirection = threeDirections;
    ASSERT_EQ(slot.MergeParams(update, DIEP_DIRECTION), S_OK);
    EXPECT_EQ(slot.effect.cAxes, 3u);
    EXPECT_EQ(slot.Axes().size(), 2u); // the axes were sized for another count

    update.cAxes = 5;
    ASSERT_EQ(slot.MergeParams(update, DIEP_AXES), S_OK);
    EXPECT_EQ(slot.effect.rgdwAxes, nullptr);
    EXPECT_EQ(slot.effect.cAxes, 5u);

    update.cbTypeSpecificParams = 12;
    ASSERT_EQ(slot.MergeParams(update, DIEP_TYPESPECIFICPARAMS), S_OK);
    EXPECT_EQ(slot.effect.lpvTypeSpecificParams, nullptr);
    EXPECT_EQ(slot.effect.cbTypeSpecificParams, 12u);
    EXPECT_EQ(slot.Directions().size(), 3u);
}

TEST_F(EffectStoreTest, StepAllStopsAtTheFirstEffectThatCannotRender)
{
    EXPECT_EQ(store.StepAll(), 1);
    EffectSlot& older = *store.FindSlot(Create(force.effect));
    force.effect.cAxes = 1;
    EffectSlot& newer = *store.FindSlot(Create(force.effect));
    older.Start(1);
    newer.Start(1);

    EXPECT_EQ(store.StepAll(), E_INVALIDARG);
    EXPECT_NE(newer.dwLastTick, 0u);
    EXPECT_EQ(older.dwLastTick, 0u) << "the older effect was stepped";
}

TEST_F(EffectStoreTest, AHeldTriggerButtonRestartsTheEffectAtEveryStep)
{
    force.effect.dwTriggerButton = TriggerButton(5);
    EffectSlot& slot = *store.FindSlot(Create(force.effect));
    slot.Start(3);
    slot.Step(module);
    clock.Advance(100);
    slot.Step(module);
    EXPECT_EQ(slot.dwElapsed, 100000u);

    SetWheelButton(module.LatestInputReport, 5, true);
    for (int step = 0; step < 3; ++step) {
        clock.Advance(100);
        slot.Step(module);
        EXPECT_EQ(slot.dwElapsed, 0u);
        EXPECT_EQ(slot.dwIterationsLeft, 1u);
    }
}

TEST_F(EffectStoreTest, OnlyButtonsZeroToElevenTrigger)
{
    EffectSlot slot;
    for (DWORD button = 0; button < kWheelButtonCount; ++button)
        SetWheelButton(module.LatestInputReport, button, true);
    module.LatestInputReport[kHatByte] = 0xFF;
    module.LatestInputReport[ButtonByte(11)] = 0xFF;

    slot.effect.dwTriggerButton = 0;
    EXPECT_TRUE(slot.IsTriggerPressed(module));
    slot.effect.dwTriggerButton = TriggerButton(11);
    EXPECT_TRUE(slot.IsTriggerPressed(module));
    slot.effect.dwTriggerButton = TriggerButton(12);
    EXPECT_FALSE(slot.IsTriggerPressed(module));
    slot.effect.dwTriggerButton = DIEB_NOTRIGGER;
    EXPECT_FALSE(slot.IsTriggerPressed(module));

    module.LatestInputReport = {};
    slot.effect.dwTriggerButton = 0;
    EXPECT_FALSE(slot.IsTriggerPressed(module));
}

TEST_F(EffectStoreTest, EachTriggerButtonIsReadFromItsOwnBitOfTheWheelsReport)
{
    // The wheel's report: buttons 0 to 3 in the high nibble of byte 5 (its
    // low nibble is the hat), buttons 4 to 11 in byte 6.
    EffectSlot slot;
    for (DWORD pressed = 0; pressed < kWheelButtonCount; ++pressed) {
        module.LatestInputReport = {};
        if (pressed < 4)
            module.LatestInputReport[5] = static_cast<BYTE>(0x10 << pressed);
        else
            module.LatestInputReport[6] = static_cast<BYTE>(1 << (pressed - 4));
        for (DWORD button = 0; button < kWheelButtonCount; ++button) {
            slot.effect.dwTriggerButton = TriggerButton(button);
            EXPECT_EQ(slot.IsTriggerPressed(module), button == pressed) << "button " << pressed << " down";
        }
    }
    module.LatestInputReport = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x0F, 0x00};
    for (DWORD button = 0; button < kWheelButtonCount; ++button) {
        slot.effect.dwTriggerButton = TriggerButton(button);
        EXPECT_FALSE(slot.IsTriggerPressed(module)) << "the axes and the hat press button " << button;
    }
}

TEST_F(EffectStoreTest, StoppingWaitsForEachEffectButRemovingAllDoesNot)
{
    for (int i = 0; i < 3; ++i)
        Create(force.effect);
    store.StopAll();
    EXPECT_EQ(clock.SleptMs(), 75u);
    store.RemoveAll();
    EXPECT_EQ(clock.SleptMs(), 75u);
    EXPECT_TRUE(store.IsEmpty());
}

// Every allocation of a new effect (the slot, the envelope, the axes, the
// directions, the block, a custom force's samples) fails in turn.
TEST_F(EffectStoreTest, RunningOutOfMemoryAnywhereInACreationLeavesNoTrace)
{
    DIENVELOPE envelope{sizeof(DIENVELOPE), 1000, 0, 5000, 0};
    LONG samples[4] = {1, 2, 3, 4};
    DICUSTOMFORCE custom{2, 1000, 4, samples};
    force.effect.lpEnvelope = &envelope;
    force.effect.cbTypeSpecificParams = sizeof custom;
    force.effect.lpvTypeSpecificParams = &custom;

    int failures = 0;
    for (int successes = 0;; ++successes) {
        FailEffectAllocationAfter(successes);
        DWORD handle = 77;
        const HRESULT result =
            store.CreateSlot(kEffectCustomForce, force.effect, {}, DIEP_ALLPARAMS, &handle);
        FailEffectAllocationAfter(-1);
        if (result == S_OK)
            break;
        ++failures;
        EXPECT_EQ(result, E_OUTOFMEMORY);
        EXPECT_EQ(handle, 77u);
        EXPECT_TRUE(store.IsEmpty());
        EXPECT_EQ(module.NextEffectHandle, 1u);
    }
    EXPECT_EQ(failures, 6);
    EXPECT_EQ(store.FindSlot(1)->CustomSamples().size(), 4u);
}

TEST_F(EffectStoreTest, AbsurdCountsAreRefusedBeforeAnythingIsMade)
{
    const auto refused = [&](DIEFFECT& source, DWORD type = kEffectConstantForce) {
        DWORD handle = 0;
        EXPECT_EQ(store.CreateSlot(type, source, {}, DIEP_ALLPARAMS, &handle), E_INVALIDARG);
        EXPECT_EQ(handle, 0u);
        EXPECT_TRUE(store.IsEmpty());
        EXPECT_EQ(module.NextEffectHandle, 1u);
    };
    ConstantForce tooManyAxes;
    tooManyAxes.effect.cAxes = 0x40000001; // 4 bytes each: wraps to 4 bytes on 32-bit Windows
    refused(tooManyAxes.effect);

    ConstantForce hugeBlock;
    hugeBlock.effect.cbTypeSpecificParams = 0xFFFFFFFF;
    refused(hugeBlock.effect);

    ConstantForce hugeCustom;
    DICUSTOMFORCE custom{1, 1000, 0x80000000, nullptr};
    LONG sample = 0;
    custom.rglForceData = &sample;
    hugeCustom.effect.cbTypeSpecificParams = sizeof custom;
    hugeCustom.effect.lpvTypeSpecificParams = &custom;
    refused(hugeCustom.effect, kEffectCustomForce);
}

TEST_F(EffectStoreTest, ThirtyTwoAxesAreTakenAndThirtyThreeRefusedInACreationAndInAnUpdate)
{
    std::vector<DWORD> axes;
    std::vector<LONG> directions;
    for (DWORD axis = 0; axis <= kMaxEffectAxes; ++axis) {
        axes.push_back(AxisObject(axis));
        directions.push_back(static_cast<LONG>(axis) + 1);
    }
    for (const DWORD flags : {DIEP_AXES, DIEP_DIRECTION, DIEP_AXES | DIEP_DIRECTION}) {
        SCOPED_TRACE(flags);
        DIEFFECT wide = force.effect;
        wide.rgdwAxes = axes.data();
        wide.rglDirection = directions.data();
        wide.cAxes = kMaxEffectAxes;
        const DWORD handle = Create(wide, flags);
        ASSERT_NE(handle, 0u);
        EffectSlot& created = *store.FindSlot(handle);
        EXPECT_EQ(created.effect.cAxes, kMaxEffectAxes);
        const std::size_t expectedAxes = (flags & DIEP_AXES) != 0 ? kMaxEffectAxes : 0;
        const std::size_t expectedDirections = (flags & DIEP_DIRECTION) != 0 ? kMaxEffectAxes : 0;
        EXPECT_EQ(created.Axes().size(), expectedAxes);
        EXPECT_EQ(created.Directions().size(), expectedDirections);

        // An update of an effect on two axes to 32 goes through the copy
        // and the merge alike.
        ConstantForce narrow;
        EffectSlot& updated = *store.FindSlot(Create(narrow.effect));
        ASSERT_EQ(CopyEffectParams(store, updated.dwHandle, &wide, flags), S_OK);
        EXPECT_EQ(updated.effect.cAxes, kMaxEffectAxes);
        if ((flags & DIEP_AXES) != 0) {
            EXPECT_EQ(updated.Axes().back(), AxisObject(kMaxEffectAxes - 1));
        }
        if ((flags & DIEP_DIRECTION) != 0) {
            EXPECT_EQ(updated.Directions().back(), static_cast<LONG>(kMaxEffectAxes));
        }

        // One more is refused, and the refused update changes nothing.
        wide.cAxes = kMaxEffectAxes + 1;
        DWORD refused = 0;
        EXPECT_EQ(store.CreateSlot(kEffectConstantForce, wide, {}, flags, &refused), E_INVALIDARG);
        EXPECT_EQ(refused, 0u);
        const HeldFields before = Held(updated);
        EXPECT_EQ(CopyEffectParams(store, updated.dwHandle, &wide, flags), E_INVALIDARG);
        EXPECT_EQ(Held(updated), before);
    }
}

TEST_F(EffectStoreTest, ParameterBlocksAreTakenUpToTheirLimitsAndRefusedPastThem)
{
    std::vector<BYTE> block(kMaxTypeSpecificBytes + 1, 0x5A);
    DIEFFECT large = force.effect;
    large.lpvTypeSpecificParams = block.data();
    large.cbTypeSpecificParams = kMaxTypeSpecificBytes;
    const DWORD handle = Create(large, DIEP_TYPESPECIFICPARAMS);
    ASSERT_NE(handle, 0u);
    EXPECT_EQ(store.FindSlot(handle)->effect.cbTypeSpecificParams, kMaxTypeSpecificBytes);
    EffectSlot& updated = *store.FindSlot(Create(force.effect));
    ASSERT_EQ(CopyEffectParams(store, updated.dwHandle, &large, DIEP_TYPESPECIFICPARAMS), S_OK);
    EXPECT_EQ(Held(updated).block, std::vector<BYTE>(kMaxTypeSpecificBytes, 0x5A));

    large.cbTypeSpecificParams = kMaxTypeSpecificBytes + 1;
    DWORD refused = 0;
    EXPECT_EQ(store.CreateSlot(kEffectConstantForce, large, {}, DIEP_TYPESPECIFICPARAMS, &refused),
              E_INVALIDARG);
    const HeldFields before = Held(updated);
    EXPECT_EQ(CopyEffectParams(store, updated.dwHandle, &large, DIEP_TYPESPECIFICPARAMS), E_INVALIDARG);
    EXPECT_EQ(Held(updated), before);

    // A custom force's samples, counted over all its channels.
    std::vector<LONG> samples(kMaxCustomSamples + 1, -7);
    DICUSTOMFORCE custom{1, 1000000, kMaxCustomSamples, samples.data()};
    DIEFFECT recorded = force.effect;
    recorded.cbTypeSpecificParams = sizeof custom;
    recorded.lpvTypeSpecificParams = &custom;
    const DWORD longest = Create(recorded, DIEP_TYPESPECIFICPARAMS, kEffectCustomForce);
    ASSERT_NE(longest, 0u);
    EXPECT_EQ(store.FindSlot(longest)->CustomSamples().size(), kMaxCustomSamples);
    EXPECT_EQ(store.FindSlot(longest)->CustomSamples().back(), -7);
    custom.cSamples = kMaxCustomSamples + 1;
    EXPECT_EQ(store.CreateSlot(kEffectCustomForce, recorded, {}, DIEP_TYPESPECIFICPARAMS, &refused),
              E_INVALIDARG);
    EXPECT_EQ(refused, 0u);
}

TEST_F(EffectStoreTest, AnUpdateCopiesOnlyWhatItsFlagsName)
{
    const DWORD handle = Create(force.effect);
    EffectSlot& slot = *store.FindSlot(handle);
    const DWORD* axesBefore = slot.effect.rgdwAxes;

    EXPECT_EQ(CopyEffectParams(store, handle, nullptr, DIEP_GAIN), E_INVALIDARG);
    EXPECT_EQ(CopyEffectParams(store, 42, nullptr, DIEP_GAIN), E_INVALIDARG);
    EXPECT_EQ(CopyEffectParams(store, 42, &force.effect, DIEP_ALLPARAMS), S_OK);

    DIEFFECT update{};
    update.dwGain = 2500;
    update.dwDuration = 7;
    ASSERT_EQ(CopyEffectParams(store, handle, &update, DIEP_GAIN), S_OK);
    EXPECT_EQ(slot.effect.dwGain, 2500u);
    EXPECT_EQ(slot.effect.dwDuration, INFINITE);
    EXPECT_EQ(slot.effect.rgdwAxes, axesBefore);

    update.cAxes = 2;
    ASSERT_EQ(CopyEffectParams(store, handle, &update, DIEP_AXES), S_OK);
    EXPECT_EQ(slot.effect.rgdwAxes, nullptr);
    EXPECT_EQ(slot.effect.cAxes, 0u) << "a missing axes array brings no count";
    ASSERT_EQ(CopyEffectParams(store, handle, &update, DIEP_AXES | DIEP_DIRECTION), S_OK);
    EXPECT_EQ(slot.effect.cAxes, 2u);
    EXPECT_EQ(slot.effect.rglDirection, nullptr);

    // With an array, DIEP_AXES alone brings the caller's count along.
    DWORD threeAxes[3] = {AxisObject(1), AxisObject(0), AxisObject(2)};
    update.cAxes = 3;
    update.rgdwAxes = threeAxes;
    ASSERT_EQ(CopyEffectParams(store, handle, &update, DIEP_AXES), S_OK);
    EXPECT_EQ(slot.effect.cAxes, 3u);
    EXPECT_EQ(std::vector<DWORD>(slot.Axes().begin(), slot.Axes().end()),
              (std::vector<DWORD>{AxisObject(1), AxisObject(0), AxisObject(2)}));
}

TEST_F(EffectStoreTest, EachFlagAloneCarriesItsOwnFieldsAndNothingElse)
{
    OtherEffect other;
    const HeldFields source = Held(other.effect, 3, 3);
    DIENVELOPE envelope{sizeof(DIENVELOPE), 1000, 20000, 9000, 30000};
    force.effect.lpEnvelope = &envelope;
    for (const FlagField& field : kFlagFields) {
        SCOPED_TRACE(field.name);
        // In an update, on an effect that holds every field.
        EffectSlot& slot = *store.FindSlot(Create(force.effect));
        HeldFields expected = Held(slot);
        field.take(expected, source);
        ASSERT_EQ(CopyEffectParams(store, slot.dwHandle, &other.effect, field.flag), S_OK);
        EXPECT_EQ(Held(slot), expected);

        // In a creation, which takes nothing unflagged.
        HeldFields created;
        field.take(created, source);
        EXPECT_EQ(Held(*store.FindSlot(Create(other.effect, field.flag, kEffectSine))), created);
    }
}

TEST_F(EffectStoreTest, AFailedUpdateLeavesTheEffectAsItWas)
{
    const DWORD handle = Create(force.effect);
    EffectSlot& slot = *store.FindSlot(handle);
    DWORD newAxes[3] = {1, 2, 3};
    LONG newDirections[3] = {4, 5, 6};
    DICONSTANTFORCE weaker{100};
    DIEFFECT update{sizeof(DIEFFECT), 0,      5, 0, 1, 0, 0, 3, newAxes, newDirections, nullptr,
                    sizeof weaker,    &weaker};

    for (int successes = 0; successes < 3; ++successes) {
        FailEffectAllocationAfter(successes);
        EXPECT_EQ(CopyEffectParams(store, handle, &update, DIEP_ALLPARAMS), E_OUTOFMEMORY);
        FailEffectAllocationAfter(-1);
        EXPECT_EQ(slot.effect.cAxes, 2u);
        EXPECT_EQ(slot.effect.dwGain, 10000u);
        EXPECT_EQ(slot.Axes()[0], AxisObject(0));
        EXPECT_EQ(slot.TypeSpecific<DICONSTANTFORCE>()->lMagnitude, 10000);
    }
    update.cAxes = kMaxEffectAxes + 1;
    EXPECT_EQ(CopyEffectParams(store, handle, &update, DIEP_ALLPARAMS), E_INVALIDARG);
    EXPECT_EQ(slot.effect.cAxes, 2u);

    update.cAxes = 3;
    ASSERT_EQ(CopyEffectParams(store, handle, &update, DIEP_ALLPARAMS), S_OK);
    EXPECT_EQ(slot.effect.cAxes, 3u);
    EXPECT_EQ(slot.TypeSpecific<DICONSTANTFORCE>()->lMagnitude, 100);
}

} // namespace
} // namespace torvex::testing
