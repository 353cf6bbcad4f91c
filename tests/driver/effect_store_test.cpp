// The effect store and the intake of effect parameters: handles, the
// flag-by-flag copy and merge, stepping and triggers, and what is left when
// memory runs out or an application hands in absurd counts.
#include <gtest/gtest.h>

#include <vector>

#include "driver/effect_params.h"
#include "tests/driver/driver_test_support.h"

namespace torvex::testing {
namespace {

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
        const HRESULT result = store.CreateSlot(kEffectCustomForce, force.effect, {}, DIEP_ALLPARAMS, &handle);
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
}

TEST_F(EffectStoreTest, AFailedUpdateLeavesTheEffectAsItWas)
{
    const DWORD handle = Create(force.effect);
    EffectSlot& slot = *store.FindSlot(handle);
    DWORD newAxes[3] = {1, 2, 3};
    LONG newDirections[3] = {4, 5, 6};
    DICONSTANTFORCE weaker{100};
    DIEFFECT update{sizeof(DIEFFECT), 0, 5, 0, 1, 0, 0, 3, newAxes, newDirections, nullptr, sizeof weaker,
                    &weaker};

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
