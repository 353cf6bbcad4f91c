#include "driver/effect_slot.h"

#include <gtest/gtest.h>

#include <vector>

namespace torvex {
namespace {

TEST(EffectSlot, HoldsCopiesOfItsParametersWithTheirOwnLengths)
{
    EffectSlot slot;
    std::vector<DWORD> axes = {0x102, 0x202, 0x302};
    std::vector<LONG> directions = {5, -6};
    ASSERT_EQ(slot.SetAxes(axes.data(), 3), S_OK);
    ASSERT_EQ(slot.SetDirections(directions.data(), 2), S_OK);
    axes.assign(3, 0);
    directions.assign(2, 0);

    EXPECT_EQ(slot.effect.cAxes, 2u); // the last merge decides
    EXPECT_EQ(std::vector<DWORD>(slot.Axes().begin(), slot.Axes().end()),
              (std::vector<DWORD>{0x102, 0x202, 0x302}));
    EXPECT_EQ(std::vector<LONG>(slot.Directions().begin(), slot.Directions().end()),
              (std::vector<LONG>{5, -6}));
    EXPECT_EQ(slot.effect.rgdwAxes, slot.Axes().data());

    ASSERT_EQ(slot.SetAxes(nullptr, 7), S_OK);
    EXPECT_EQ(slot.effect.cAxes, 7u);
    EXPECT_TRUE(slot.Axes().empty());
    EXPECT_EQ(slot.effect.rgdwAxes, nullptr);
}

TEST(EffectSlot, ACustomForceKeepsItsOwnSamplesAndPointsItsBlockAtThem)
{
    EffectSlot slot;
    std::vector<LONG> samples = {1, -2, 3};
    const DICUSTOMFORCE custom{1, 3000, 3, samples.data()};
    ASSERT_EQ(slot.SetTypeSpecific(&custom, sizeof custom, kEffectCustomForce), S_OK);
    samples.clear();
    samples.shrink_to_fit();

    ASSERT_EQ(slot.CustomSamples().size(), 3u);
    EXPECT_EQ(slot.CustomSamples()[1], -2);
    EXPECT_EQ(slot.TypeSpecific<DICUSTOMFORCE>()->rglForceData, slot.CustomSamples().data());

    // Another type's block is never taken for samples.
    ASSERT_EQ(slot.SetTypeSpecific(&custom, sizeof custom, kEffectSquare), S_OK);
    EXPECT_TRUE(slot.CustomSamples().empty());
}

} // namespace
} // namespace torvex
