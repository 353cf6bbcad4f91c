// Where a lab run happens: what moves its time, where the reports go, and
// the ports the driver module is given.
#pragma once

#include <memory>
#include <ostream>
#include <string>

#include "driver/driver_state.h"
#include "platform/sim/sim_registry.h"
#include "tools/lab/lab_run.h"
#include "tools/lab/lab_wheel.h"
#include "tools/lab/timeline.h"

namespace torvex::lab {

class World {
public:
    virtual ~World() = default;
    virtual DriverPorts Ports() = 0;
    // Milliseconds since the run began.
    virtual DWORD Now() = 0;
    // Moves the run on to `ms`, gathering on the way what the wheel received.
    virtual void AdvanceTo(DWORD ms, Timeline& timeline) = 0;
    // Appends the reports the wheel received since the last call.
    virtual void CollectReports(Timeline& timeline) = 0;
    // The wheel the lab may move; null for a real device.
    virtual LabWheel* Wheel() = 0;
    // What there is to say at the end of the run.
    virtual void Finish() {}
};

// Scenario time is the clock: the tick count is the milliseconds since the
// start, the playback timer fires when the run reaches each 25 ms mark, and
// the driver's sleeps are only recorded. The timeline depends on nothing
// but the scenario. The wheel is the simulated one at `wheelPath`, or the
// device node of `options.devicePath` with `options.deviceWheel` behind it.
std::unique_ptr<World> MakeSimulatedWorld(SimRegistry& registry, const LabOptions& options,
                                          const std::string& wheelPath);

// The module's own POSIX clock and a real timer thread, the simulated wheel
// at `wheelPath` or the device node of `options.devicePath`. `plannedMs` is
// how long the scenario means to run; longer runs report progress to
// `commentary`, and with `options.stats` the timer's regularity at the end.
std::unique_ptr<World> MakeRealtimeWorld(SimRegistry& registry, const LabOptions& options,
                                         const std::string& wheelPath, DWORD plannedMs,
                                         std::ostream& commentary);

} // namespace torvex::lab
