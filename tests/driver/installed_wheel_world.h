// A Windows XP machine with the wheel installed, on simulated ports: the
// installation's registry entries and the simulated wheel as joystick 0,
// a clock and a playback timer that only their owner moves, and a
// DriverLock. For the programs that run the driver outside a test fixture
// (the benchmarks, the fuzz targets); a broken installation file ends them.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "driver/driver_state.h"
#include "platform/sim/manual_clock.h"
#include "platform/sim/manual_timer.h"
#include "platform/sim/sim_named_lock.h"
#include "platform/sim/sim_registry.h"
#include "platform/sim/sim_version.h"
#include "platform/sim/sim_wheel.h"
#include "tools/lab/lab_registry.h"

namespace torvex::testing {

struct InstalledWheelWorld {
    InstalledWheelWorld()
        : module({.registry = &registry,
                  .version = &version,
                  .clock = &clock,
                  .device = &wheel,
                  .timer = &timer,
                  .lock = &lock})
    {
        std::string error;
        if (!lab::SetUpInstalledWheel(registry, std::string(TORVEX_INSTALL_DIR) + "/TorvexFF.reg",
                                      wheel.path(), &error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            std::abort();
        }
    }
    InstalledWheelWorld(const InstalledWheelWorld&) = delete;
    InstalledWheelWorld& operator=(const InstalledWheelWorld&) = delete;

    SimRegistry registry;
    SimVersion version{VER_PLATFORM_WIN32_NT, 5, 1};
    ManualClock clock;
    SimWheel wheel{clock};
    ManualTimer timer;
    SimNamedLock lock;
    DriverModule module;
};

} // namespace torvex::testing
