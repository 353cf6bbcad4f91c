// The playback tick in its steady state allocates nothing: with hundreds of
// effects of every kind playing, a tick every 25 ms must not depend on the
// heap (no stalls, nothing to fail). This program counts every operator new
// of the process, so it is a program of its own.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "driver/class_factory.h"
#include "driver/device/playback_tick.h"
#include "driver/effect_driver.h"
#include "driver/effect_memory.h"
#include "platform/sim/manual_clock.h"
#include "platform/sim/manual_timer.h"
#include "platform/sim/sim_named_lock.h"
#include "platform/sim/sim_registry.h"
#include "platform/sim/sim_version.h"
#include "platform/wheel_input_report.h"
#include "tests/driver/mixed_effects.h"
#include "tests/support/fixtures.h"

namespace {

std::atomic<long> heapAllocations{0};

} // namespace

void* operator new(std::size_t size)
{
    heapAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* block = std::malloc(size == 0 ? 1 : size))
        return block;
    throw std::bad_alloc();
}

void* operator new[](std::size_t size)
{
    return operator new(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    heapAllocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size == 0 ? 1 : size);
}

void operator delete(void* block) noexcept
{
    std::free(block);
}

void operator delete[](void* block) noexcept
{
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept
{
    std::free(block);
}

void operator delete[](void* block, std::size_t) noexcept
{
    std::free(block);
}

namespace torvex::testing {
namespace {

// A wheel that takes every report and always has its resting input report
// ready, and records nothing: what is counted is the tick's own.
class QuietWheel final : public DevicePort {
public:
    HANDLE Open(const char*) override { return reinterpret_cast<HANDLE>(0x5151); }
    BOOL Read(HANDLE, void* buffer, DWORD size, DWORD* read, DWORD) override
    {
        const InputReport report = EncodeInputReport({});
        const DWORD bytes = size < report.size() ? size : static_cast<DWORD>(report.size());
        for (DWORD index = 0; index < bytes; ++index)
            static_cast<BYTE*>(buffer)[index] = report[index];
        *read = bytes;
        return TRUE;
    }
    BOOL Write(HANDLE, const void*, DWORD size, DWORD* written) override
    {
        *written = size;
        return TRUE;
    }
    DWORD LastError() override { return ERROR_SUCCESS; }
    BOOL Close(HANDLE) override { return TRUE; }
};

TEST(SteadyStateTick, AllocatesNothingWithHundredsOfEffectsPlaying)
{
    SimRegistry registry;
    ASSERT_TRUE(ImportRegistryFile(registry, InstallFilePath()));
    ASSERT_TRUE(ImportFixture(registry, "registry/winxp_hid.reg"));
    SimVersion version(VER_PLATFORM_WIN32_NT, 5, 1);
    ManualClock clock;
    QuietWheel wheel;
    ManualTimer timer;
    SimNamedLock lock;
    DriverModule module({.registry = &registry,
                         .version = &version,
                         .clock = &clock,
                         .device = &wheel,
                         .timer = &timer,
                         .lock = &lock});
    EffectDriver* driver = EffectDriver::Create(module);
    ASSERT_NE(driver, nullptr);
    ASSERT_EQ(driver->DeviceID(0x0500, 1, TRUE, 0, nullptr), S_OK);
    for (unsigned index = 0; index < 256; ++index) {
        MixedEffect mixed(index);
        DWORD handle = 0;
        ASSERT_EQ(
            driver->DownloadEffect(1, mixed.effectId, &handle, &mixed.effect, DIEP_ALLPARAMS | DIEP_START),
            S_OK);
    }
    for (int warmUp = 0; warmUp < 4; ++warmUp) {
        clock.Advance(kPlaybackPeriodMs);
        PlaybackTick(*driver);
    }

    const long heapBefore = heapAllocations.load();
    const long effectBefore = EffectAllocationCount();
    for (int tick = 0; tick < 400; ++tick) { // ten seconds of playback
        clock.Advance(kPlaybackPeriodMs);
        PlaybackTick(*driver);
    }
    EXPECT_EQ(heapAllocations.load() - heapBefore, 0);
    EXPECT_EQ(EffectAllocationCount() - effectBefore, 0);
    driver->Release();
}

} // namespace
} // namespace torvex::testing
