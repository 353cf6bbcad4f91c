// A whole effect driver on simulated ports for the benchmarks: the
// installation's entries, the simulated wheel as joystick 0 of a Windows XP
// machine, a clock the benchmark moves and a timer that never fires by
// itself, so that each measured call is exactly one playback tick.
#pragma once

#include "driver/effect_driver.h"
#include "tests/driver/installed_wheel_world.h"
#include "tests/driver/mixed_effects.h"

namespace torvex::bench {

using testing::MixedEffect;

class BenchDriver {
public:
    BenchDriver();
    ~BenchDriver();

    // Downloads and starts `count` effects of mixed kinds.
    void PlayMixedEffects(unsigned count);
    // One 25 ms step: the clock moves on and the tick runs.
    void Tick();

    EffectDriver& driver() { return *driver_; }
    SimWheel& wheel() { return world_.wheel; }

private:
    testing::InstalledWheelWorld world_;
    EffectDriver* driver_ = nullptr;
};

} // namespace torvex::bench
