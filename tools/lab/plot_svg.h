// A picture of a run: both force channels over time, with the scenario's
// commands marked, so a person sees the forces at a glance.
#pragma once

#include <string>

#include "tools/lab/timeline.h"

namespace torvex::lab {

// A complete SVG document. `endMs` is where the time axis ends (the run's
// last moment; at least the last event's time).
std::string PlotSvg(const Timeline& timeline, DWORD endMs);

} // namespace torvex::lab
