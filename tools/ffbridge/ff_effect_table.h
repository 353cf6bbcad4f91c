// What each Linux force-feedback effect (struct ff_effect, as a game hands
// it to the kernel) becomes for the wheel's effect driver: one DirectInput
// effect, written out as the lab's effect fields so that the same record
// reaches DownloadEffect and the bridge's trace. Pure functions: nothing
// here touches the driver, and every value a game sends is checked first.
//
// The table, also in the README ("Games on Linux"):
// - type: FF_CONSTANT, FF_RAMP, the periodic waveforms FF_SQUARE,
//   FF_TRIANGLE, FF_SINE, FF_SAW_UP, FF_SAW_DOWN, and FF_SPRING, FF_DAMPER,
//   FF_INERTIA, FF_FRICTION become the standard effect of that name;
//   FF_RUMBLE a sine that shakes the wheel (see the README); the rest are refused.
// - direction: Linux's angle (0x4000 = 90 degrees) becomes the cartesian
//   components (sin, -cos) x 10000 on axes 0 and 1, so 0x4000 pushes the
//   wheel right and 0xC000 left, as the kernel's own drivers read it.
// - replay.length ms -> dwDuration us, 0 -> INFINITE; replay.delay is kept
//   apart: DirectX 5's effect record has no start delay, so the bridge
//   delays the start itself.
// - levels (constant, ramp, periodic offset, condition centre and
//   coefficients) +-0x7FFF -> +-10000; a periodic magnitude the same, a
//   negative one as its size with the phase moved by half a period;
//   envelope levels 0..0x7FFF -> 0..10000; saturations and dead bands
//   0..0xFFFF -> 0..10000; periods and envelope times ms -> us; the phase
//   0..0xFFFF (a full turn) -> hundredths of a degree.
// - trigger.button: 0 none, BTN_TRIGGER + n the wheel's button n (0..11);
//   any other key none as well, noted: games and Linux's own drivers leave
//   the trigger of an effect they never trigger as they find it (fftest's
//   rumbles carry whatever was in memory), and the kernel passes it on
//   unchecked. trigger.interval is not passed on: the driver repeats no
//   trigger.
// - every effect plays at full effect gain (10000): Linux effects have no
//   gain of their own, FF_GAIN is the device's.
#pragma once

#include <linux/input.h>

#include <string>

#include "tools/lab/scenario.h"

namespace torvex::ffbridge {

// The most effects the bridge's device offers at once: the kernel's limit
// for a uinput device. The driver's store takes any number.
constexpr unsigned kMaxBridgeEffects = 96;

// Linux's full level, +-0x7FFF, and DirectInput's, +-10000.
constexpr long kLinuxFullLevel = 0x7FFF;
constexpr unsigned kLinuxFullGain = 0xFFFF;

// The rumble's sine: a 100 ms period, whose size the driver plays, peaks
// every 50 ms, so that its 25 ms ticks alternate between full and no force.
constexpr DWORD kRumblePeriodUs = 100000;

struct TranslatedEffect {
    lab::EffectType type = lab::EffectType::Constant;
    // Every field DownloadEffect takes for a new effect, flagged.
    lab::EffectFields fields;
    // How long after a play the effect starts (replay.delay).
    DWORD startDelayMs = 0;
    // What the translation left out, for the log; empty when nothing.
    std::string note;
};

// True with `*translated` filled, or false with the reason in `*reason`
// for an effect the wheel cannot take (an unknown type or waveform, a
// custom waveform, a level past its range, a period of 0).
bool TranslateEffect(const ff_effect& effect, TranslatedEffect* translated, std::string* reason);

// The DIEP flags of the fields in which `after` differs from `before`: what
// an update of a downloaded effect passes on.
DWORD ChangedFields(const lab::EffectFields& before, const lab::EffectFields& after);

// FF_GAIN's 0..0xFFFF as the driver's device gain 0..10000; false for a
// value outside 0..0xFFFF, which uinput passes on unchecked.
bool DeviceGainLevel(int value, DWORD* gain);

} // namespace torvex::ffbridge
