// The force one effect exerts at its current elapsed time: its shape and
// envelope scaled by the gains, spread over the axes by its direction. The
// computation is a pure function of the slot and the module's gain factors;
// it allocates nothing, so the playback tick never touches the heap.
#pragma once

#include <cstddef>
#include <span>

#include "driver/driver_state.h"
#include "driver/effect_slot.h"

namespace torvex {

// The output report carries two force channels; only axis positions 0 and 1
// ever reach them.
constexpr std::size_t kForceChannels = 2;

// An effect's value spread over its direction components: each component
// gets the value's magnitude in proportion to its share of the direction
// vector, or the value itself (sign included) when the direction is all
// zeros. Components past the direction array count as zeros. Evaluated per
// component on demand, so an absurd axis count costs nothing.
class AxisSpread {
public:
    AxisSpread(std::span<const LONG> directions, double value, double sumOfSquares);

    double operator[](std::size_t component) const;

private:
    std::span<const LONG> directions_;
    double value_;
    bool uniform_;
    double scale_ = 0.0;
};

class ForceCalculator {
public:
    virtual ~ForceCalculator() = default;

    // The forces of axis positions 0 up to forces.size() - 1, as far as the
    // effect has axes; returns how many it filled. An effect type whose
    // parameter block is missing or too short for its type exerts no force.
    std::size_t ComputeAxisForces(const DriverModule& module, const EffectSlot& slot,
                                  std::span<double> forces) const;
    // The effect's force before it is spread over the axes.
    double ShapeValue(const DriverModule& module, const EffectSlot& slot) const;
    // `value` shaped by the slot's envelope, if it has one.
    double ApplyEnvelope(const EffectSlot& slot, double value) const;
    AxisSpread SpreadOverAxes(DWORD count, std::span<const LONG> directions, double value) const;
};

} // namespace torvex
