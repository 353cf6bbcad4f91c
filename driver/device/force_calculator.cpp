#include "driver/device/force_calculator.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <limits>

namespace torvex {

namespace {

// DirectInput levels and gains run from 0 to 10000.
constexpr double kLevelScale = 0.0001;
constexpr double kFullStrength = 127.0;
// Periodic offsets and custom samples map straight onto the channel
// strength, without any gain; formed as the driver always has, 127 x 0.0001
// (a hair above 0.0127), which decides where some values truncate.
constexpr double kStraightToStrength = 127 * 0.0001;
// Phases are in hundredths of a degree.
constexpr double kPhaseToFraction = 1.0 / 36000;
// The circle as the wheel's sine has always used it, a little short of 2 pi.
constexpr double kFullCircle = 6.28318;
constexpr double kPhaseToRadians = 0.00017453277777777776;
static_assert(kPhaseToRadians == kFullCircle / 36000);
// Effect types without a computation of their own (the conditions) push
// with this fixed force; it is below the wheel's dead zone, so it only
// keeps the effect counted as playing.
constexpr double kUnshapedForce = 10.0;

// A value that has no definition at this instant (a zero attack or fade
// time met exactly at its start, a ramp of no duration). The mix counts it as
// no force, which is what the zero divisor in the formula would give.
constexpr double kUndefined = std::numeric_limits<double>::quiet_NaN();

DWORD AxisInstance(DWORD objectId)
{
    return (objectId >> 8) & 0xFFFF;
}

double Gains(const DriverModule& module, const EffectSlot& slot)
{
    return static_cast<double>(slot.effect.dwGain) * kLevelScale *
           module.DeviceGainFactor.load(std::memory_order_relaxed) *
           module.AmplifyFactor.load(std::memory_order_relaxed) * kFullStrength;
}

// The position within the period, in microseconds: the phase moves the start
// of the wave, and the sum wraps as 32-bit arithmetic does.
DWORD PeriodPosition(const DIPERIODIC& periodic, DWORD elapsed)
{
    // A phase far outside 0 to 35999 can move the start beyond 32 bits; the
    // shift is taken modulo 2^32 like the sum it feeds. At most about 5e14,
    // so the conversion to 64 bits is exact.
    const double shift =
        static_cast<double>(periodic.dwPhase) * kPhaseToFraction * static_cast<double>(periodic.dwPeriod);
    const auto phaseShift = static_cast<DWORD>(static_cast<std::uint64_t>(shift));
    return static_cast<DWORD>(phaseShift + elapsed) % periodic.dwPeriod;
}

// The custom force plays its samples straight, channel by channel, without
// gain, envelope, offset or direction.
void CustomForces(const EffectSlot& slot, std::span<double> forces)
{
    std::fill(forces.begin(), forces.end(), 0.0);
    const auto* custom = slot.TypeSpecific<DICUSTOMFORCE>();
    // A set without channels, without a whole sample per channel or with
    // samples shorter than a microsecond has no sample to play.
    if (custom == nullptr || custom->cChannels == 0)
        return;
    const DWORD perChannel = custom->cSamples / custom->cChannels;
    if (perChannel == 0)
        return;
    const DWORD sampleTime = custom->dwSamplePeriod / perChannel;
    if (sampleTime == 0)
        return;
    const DWORD sample = slot.dwElapsed / sampleTime;
    // Once the elapsed time has passed the sample set, the recorded force is
    // over: the wheel is let go rather than held at the last sample for the
    // rest of a possibly infinite duration.
    if (sample >= perChannel)
        return;
    const auto axes = slot.Axes();
    const auto samples = slot.CustomSamples();
    for (std::size_t position = 0; position < forces.size() && position < axes.size(); ++position) {
        const DWORD channel = AxisInstance(axes[position]);
        if (channel >= custom->cChannels)
            continue;
        const std::uint64_t index = std::uint64_t{sample} * custom->cChannels + channel;
        if (index < samples.size())
            forces[position] = std::fabs(static_cast<double>(samples[index])) * kStraightToStrength;
    }
}

} // namespace

AxisSpread::AxisSpread(std::span<const LONG> directions, double value, double sumOfSquares)
    : directions_(directions), value_(value), uniform_(sumOfSquares == 0.0)
{
    if (!uniform_)
        scale_ = std::sqrt(value * value / sumOfSquares);
}

double AxisSpread::operator[](std::size_t component) const
{
    if (uniform_)
        return value_;
    const LONG direction = component < directions_.size() ? directions_[component] : 0;
    return scale_ * std::fabs(static_cast<double>(direction));
}

std::size_t ForceCalculator::ComputeAxisForces(const DriverModule& module, const EffectSlot& slot,
                                               std::span<double> forces) const
{
    const std::size_t count = std::min<std::size_t>(forces.size(), slot.effect.cAxes);
    forces = forces.first(count);
    if (slot.dwInternalType == kEffectCustomForce) {
        CustomForces(slot, forces);
        return count;
    }
    const AxisSpread spread = SpreadOverAxes(slot.effect.cAxes, slot.Directions(), ShapeValue(module, slot));
    const auto axes = slot.Axes();
    for (std::size_t position = 0; position < count; ++position) {
        forces[position] = 0.0;
        // An axis whose instance names no direction component, or a position
        // the axes array does not reach, gets no force.
        if (position >= axes.size())
            continue;
        const DWORD instance = AxisInstance(axes[position]);
        if (instance < slot.effect.cAxes)
            forces[position] = spread[instance];
    }
    return count;
}

double ForceCalculator::ShapeValue(const DriverModule& module, const EffectSlot& slot) const
{
    const double gains = Gains(module, slot);
    const double elapsed = static_cast<double>(slot.dwElapsed);
    const DWORD duration = slot.effect.dwDuration;

    switch (slot.dwInternalType) {
    case kEffectConstantForce: {
        const auto* constant = slot.TypeSpecific<DICONSTANTFORCE>();
        if (constant == nullptr)
            return 0.0;
        return ApplyEnvelope(slot, constant->lMagnitude * kLevelScale) * gains;
    }
    case kEffectRampForce: {
        const auto* ramp = slot.TypeSpecific<DIRAMPFORCE>();
        if (ramp == nullptr)
            return 0.0;
        // An endless ramp never gets anywhere: it holds its start.
        if (duration == INFINITE)
            return ApplyEnvelope(slot, ramp->lStart * kLevelScale) * gains;
        if (duration == 0)
            return kUndefined;
        // The rise is a 32-bit difference, wrapping for extreme ends.
        const auto rise =
            static_cast<LONG>(static_cast<DWORD>(ramp->lEnd) - static_cast<DWORD>(ramp->lStart));
        return ApplyEnvelope(slot, ramp->lStart * kLevelScale +
                                       (rise * kLevelScale / static_cast<double>(duration)) * elapsed) *
               gains;
    }
    case kEffectSquare:
    case kEffectSine:
    case kEffectTriangle:
    case kEffectSawtoothUp:
    case kEffectSawtoothDown:
        break;
    default:
        return kUnshapedForce;
    }

    const auto* periodic = slot.TypeSpecific<DIPERIODIC>();
    // A wave without a period has no shape to follow; it exerts no force,
    // offset included.
    if (periodic == nullptr || periodic->dwPeriod == 0)
        return 0.0;
    const double offset = periodic->lOffset * kStraightToStrength;
    const DWORD period = periodic->dwPeriod;
    const DWORD halfPeriod = period >> 1;
    const DWORD position = PeriodPosition(*periodic, slot.dwElapsed);

    switch (slot.dwInternalType) {
    case kEffectSquare: {
        const double value = position <= halfPeriod ? 1.0 : 0.0;
        return std::fabs(ApplyEnvelope(slot, value) * gains + offset);
    }
    case kEffectSine: {
        const double value =
            std::fabs(periodic->dwMagnitude * kLevelScale *
                      std::sin((kFullCircle / period) * elapsed + periodic->dwPhase * kPhaseToRadians));
        return std::fabs(ApplyEnvelope(slot, value) * gains + offset);
    }
    case kEffectTriangle: {
        const double half = 0.5 * period;
        const double value = position <= halfPeriod ? position / half : 1.0 - (position - half) / half;
        return std::fabs(ApplyEnvelope(slot, value) * gains + offset);
    }
    case kEffectSawtoothUp: {
        const double value = static_cast<double>(position) / period;
        return std::fabs(ApplyEnvelope(slot, value) * gains + offset);
    }
    default: {
        // The falling sawtooth has always ignored its envelope.
        const double value = 1.0 - static_cast<double>(position) / period;
        return std::fabs(value * gains + offset);
    }
    }
}

double ForceCalculator::ApplyEnvelope(const EffectSlot& slot, double value) const
{
    const DIENVELOPE* envelope = slot.Envelope();
    if (envelope == nullptr)
        return value;
    const double attackLevel = envelope->dwAttackLevel * kLevelScale;
    const double attackTime = envelope->dwAttackTime;
    const double fadeLevel = envelope->dwFadeLevel * kLevelScale;
    const double fadeTime = envelope->dwFadeTime;
    const double elapsed = static_cast<double>(slot.dwElapsed);

    if (elapsed <= attackTime) {
        if (attackTime == 0.0)
            return kUndefined;
        return attackLevel - (elapsed / attackTime) * (attackLevel - value);
    }
    // An endless effect never reaches its fade: after the attack it holds
    // its level, as an endless ramp holds its start.
    if (slot.effect.dwDuration == INFINITE)
        return value;
    const double fadeStart = static_cast<double>(slot.effect.dwDuration) - fadeTime;
    if (elapsed < fadeStart)
        return value;
    if (fadeTime == 0.0)
        return kUndefined;
    return value - ((elapsed - fadeStart) / fadeTime) * (value - fadeLevel);
}

AxisSpread ForceCalculator::SpreadOverAxes(DWORD count, std::span<const LONG> directions, double value) const
{
    directions = directions.first(std::min<std::size_t>(count, directions.size()));
    // Squares are formed in 64 bits: a component beyond +-46340 would
    // overflow 32, and within that range the result is the same.
    double sumOfSquares = 0.0;
    for (const LONG direction : directions) {
        const std::int64_t component = direction;
        sumOfSquares += static_cast<double>(component * component);
    }
    return AxisSpread(directions, value, sumOfSquares);
}

} // namespace torvex
