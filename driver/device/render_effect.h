// One playback step of one effect: advance its clock by the tick count, end
// a pass that has run its duration, and fold the forces of its first two
// axes into the module's two channel peaks.
#pragma once

#include <span>

#include "driver/driver_state.h"
#include "driver/effect_slot.h"

namespace torvex {

// Effect time runs in microseconds, the tick count in milliseconds.
constexpr DWORD kMicrosecondsPerTick = 1000;

// S_OK, or E_INVALIDARG on the first step of an effect with fewer than two
// axes (the store stops stepping at that effect for the tick). Runs on the
// timer thread with the driver lock held.
HRESULT RenderEffect(DriverModule& module, EffectSlot& slot);

// Raises each channel peak to the force of axis position 0 or 1 where it is
// larger; effects combine by the strongest, never by a sum. `forces` holds
// the forces of the first positions (missing ones count as 0). E_INVALIDARG,
// with nothing mixed, when the effect has fewer than two axes.
HRESULT MixEffectForces(DriverModule& module, DWORD axisCount, std::span<const double> forces);

} // namespace torvex
