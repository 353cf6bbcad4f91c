// Effects of every kind the wheel plays, for measuring and for the tests
// that need many different effects playing at once.
#pragma once

#include <iterator>

#include "driver/effect_slot.h"
#include "platform/windows_api.h"

namespace torvex::testing {

// One effect of each kind the wheel plays, with an envelope where the kind
// takes one; `index` picks the kind, the direction and the strength so
// that effects differ.
struct MixedEffect {
    explicit MixedEffect(unsigned index);
    DWORD effectId = 0;
    DWORD axes[2];
    LONG directions[2];
    DIENVELOPE envelope{};
    DICONSTANTFORCE constant{};
    DIRAMPFORCE ramp{};
    DIPERIODIC periodic{};
    DICONDITION conditions[2]{};
    DIEFFECT effect{};
};

// The installation's effect id of the spring, a condition.
inline constexpr DWORD kMixedSpring = 7;
inline constexpr DWORD kMixedKinds[] = {kEffectConstantForce, kEffectRampForce, kEffectSquare,
                                        kEffectSine,          kEffectTriangle,  kEffectSawtoothUp,
                                        kEffectSawtoothDown,  kMixedSpring};

inline MixedEffect::MixedEffect(unsigned index)
    : axes{DIDFT_ABSAXIS | DIDFT_MAKEINSTANCE(0), DIDFT_ABSAXIS | DIDFT_MAKEINSTANCE(1)},
      directions{static_cast<LONG>(1000 + index % 9000), static_cast<LONG>(index % 7000)}
{
    effectId = kMixedKinds[index % std::size(kMixedKinds)];
    const LONG level = static_cast<LONG>(2000 + (index * 37) % 8000);
    envelope = {sizeof(DIENVELOPE), 5000, 100000, 3000, 200000};
    constant.lMagnitude = level;
    ramp = {-level, level};
    periodic = {static_cast<DWORD>(level), 0, 0, 50000 + index % 200000};
    conditions[0] = {0, level, level, 10000, 10000, 0};
    conditions[1] = conditions[0];
    effect.dwSize = sizeof(DIEFFECT);
    effect.dwFlags = DIEFF_CARTESIAN | DIEFF_OBJECTIDS;
    effect.dwDuration = INFINITE;
    effect.dwGain = 10000;
    effect.dwTriggerButton = DIEB_NOTRIGGER;
    effect.cAxes = 2;
    effect.rgdwAxes = axes;
    effect.rglDirection = directions;
    switch (effectId) {
    case kEffectConstantForce:
        effect.lpEnvelope = &envelope;
        effect.cbTypeSpecificParams = sizeof constant;
        effect.lpvTypeSpecificParams = &constant;
        break;
    case kEffectRampForce:
        effect.dwDuration = 3'600'000'000u; // a ramp runs from start to end over its duration
        effect.lpEnvelope = &envelope;
        effect.cbTypeSpecificParams = sizeof ramp;
        effect.lpvTypeSpecificParams = &ramp;
        break;
    case kMixedSpring:
        effect.cbTypeSpecificParams = sizeof conditions;
        effect.lpvTypeSpecificParams = conditions;
        break;
    default:
        effect.lpEnvelope = &envelope;
        effect.cbTypeSpecificParams = sizeof periodic;
        effect.lpvTypeSpecificParams = &periodic;
        break;
    }
}

} // namespace torvex::testing
