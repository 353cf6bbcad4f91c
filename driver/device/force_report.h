// The wheel's one output report and the policy of writing it: each tick
// sends the two channel peaks, stops repeating an unchanged quiet report,
// and after the last effect stops sends one burst of quiet reports so the
// wheel lets go even if a report is lost.
#pragma once

#include <array>
#include <cstddef>

#include "driver/driver_state.h"

namespace torvex {

constexpr std::size_t kForceReportSize = 5;
// Bytes 0 to 2 are zero (the wheel uses no report ids); bytes 3 and 4 are
// the strengths of force channels 0 and 1.
using ForceReport = std::array<BYTE, kForceReportSize>;
constexpr std::size_t kChannelByteOffset = 3;

// The wheel's dead zone: smaller channel strengths are sent as 0.
constexpr LONG kSmallestChannelStrength = 16;
constexpr LONG kLargestChannelStrength = 127;
// Unchanged reports written in a row before writing stops.
constexpr LONG kMaxRepeatedReports = 3;
// Attempts of the stop burst (three quiet reports each).
constexpr int kStopBurstAttempts = 100;

// Writes the report for the peaks mixed since the last one and resets them.
// 0 on success; else the device's last error after the failed write (1167
// when the wheel is gone), with the peaks kept for the next tick.
DWORD SendForceReport(DriverModule& module, HANDLE device, bool anyPlaying);

} // namespace torvex
