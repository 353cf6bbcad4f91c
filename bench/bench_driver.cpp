#include "bench/bench_driver.h"

#include <cstdlib>

#include "driver/device/playback_tick.h"
#include "tools/lab/lab_registry.h"

namespace torvex::bench {

BenchDriver::BenchDriver()
{
    driver_ = EffectDriver::Create(world_.module);
    if (driver_ == nullptr || driver_->DeviceID(0x0500, lab::kLabJoystickId, TRUE, 0, nullptr) != S_OK)
        std::abort();
}

BenchDriver::~BenchDriver()
{
    driver_->Release();
}

void BenchDriver::PlayMixedEffects(unsigned count)
{
    for (unsigned index = 0; index < count; ++index) {
        MixedEffect mixed(index);
        DWORD handle = 0;
        if (driver_->DownloadEffect(lab::kLabJoystickId, mixed.effectId, &handle, &mixed.effect,
                                    DIEP_ALLPARAMS | DIEP_START) != S_OK)
            std::abort();
    }
}

void BenchDriver::Tick()
{
    world_.clock.Advance(kPlaybackPeriodMs);
    PlaybackTick(*driver_);
}

} // namespace torvex::bench
