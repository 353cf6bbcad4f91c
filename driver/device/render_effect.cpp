#include "driver/device/render_effect.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "driver/device/force_calculator.h"

namespace torvex {

namespace {

// Truncation toward zero into the channel peak's range. A value that is no
// number at all (an undefined envelope instant) exerts no force; one beyond
// 32 bits, reachable only with extreme gains, saturates.
LONG TruncateForce(double force)
{
    if (!std::isfinite(force))
        return 0;
    if (force >= 2147483648.0)
        return std::numeric_limits<LONG>::max();
    if (force <= -2147483649.0)
        return std::numeric_limits<LONG>::min();
    return static_cast<LONG>(force);
}

HRESULT RenderForces(DriverModule& module, const EffectSlot& slot)
{
    std::array<double, kForceChannels> forces{};
    const ForceCalculator calculator;
    const std::size_t computed = calculator.ComputeAxisForces(module, slot, forces);
    return MixEffectForces(module, slot.effect.cAxes, std::span<const double>(forces).first(computed));
}

} // namespace

HRESULT RenderEffect(DriverModule& module, EffectSlot& slot)
{
    if (slot.fPlaying == FALSE)
        return S_OK;
    module.AnyEffectPlaying = true;
    ClockPort& clock = *module.ports.clock;

    // The first step after a start renders at once, whatever the duration:
    // even an effect of no duration is felt for one tick.
    if (slot.dwLastTick == 0) {
        slot.dwLastTick = clock.GetTickCount();
        return RenderForces(module, slot);
    }

    const DWORD now = clock.GetTickCount();
    slot.dwElapsed += (now - slot.dwLastTick) * kMicrosecondsPerTick;
    slot.dwLastTick = now;
    if (slot.dwElapsed > slot.effect.dwDuration) {
        // The pass is over; the overshoot is dropped and the next pass, if
        // any, starts from its beginning on the following tick.
        slot.dwElapsed = 0;
        --slot.dwIterationsLeft;
        if (slot.dwIterationsLeft == 0) {
            slot.fPlaying = FALSE;
            slot.dwLastTick = 0;
        }
        return S_OK;
    }
    RenderForces(module, slot);
    return S_OK;
}

HRESULT MixEffectForces(DriverModule& module, DWORD axisCount, std::span<const double> forces)
{
    if (axisCount < kForceChannels)
        return E_INVALIDARG;
    for (std::size_t channel = 0; channel < kForceChannels; ++channel) {
        const LONG force = TruncateForce(channel < forces.size() ? forces[channel] : 0.0);
        LONG& peak = module.ForceMix.channelPeak[channel];
        peak = std::max(peak, force);
    }
    return S_OK;
}

} // namespace torvex
