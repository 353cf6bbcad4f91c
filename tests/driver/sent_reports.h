// The force reports a simulated wheel received, as tests compare them.
#pragma once

#include <algorithm>
#include <vector>

#include "driver/device/force_report.h"
#include "platform/sim/sim_wheel.h"

namespace torvex::testing {

constexpr ForceReport Channels(BYTE channel0, BYTE channel1)
{
    return {0, 0, 0, channel0, channel1};
}

// The reports that reached the wheel whole; forgets them, so the next call
// gives only what came after.
inline std::vector<ForceReport> TakeSentReports(SimWheel& wheel)
{
    std::vector<ForceReport> sent;
    for (const SimWheelWrite& write : wheel.Reports()) {
        ForceReport report{};
        std::copy_n(write.bytes.begin(), std::min(write.bytes.size(), report.size()), report.begin());
        sent.push_back(report);
    }
    wheel.ClearWrites();
    return sent;
}

} // namespace torvex::testing
