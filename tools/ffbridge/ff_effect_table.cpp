#include "tools/ffbridge/ff_effect_table.h"

#include "platform/wheel_input_report.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <numbers>

namespace torvex::ffbridge {

namespace {

using lab::EffectFields;
using lab::EffectType;

constexpr long kFullLevel = DI_FFNOMINALMAX;
// A Linux angle is a 16-bit fraction of a full turn; DirectInput's phase is
// in hundredths of a degree.
constexpr double kFullTurn = 65536.0;
constexpr DWORD kHalfPeriodPhase = 18000;
constexpr DWORD kFullPhase = 36000;
constexpr DWORD kMicrosecondsPerMs = 1000;
constexpr int kWheelAxes = 2;

// `value` of a scale whose full size is `from` on a scale of `to`, rounded
// half away from zero, never past +-`to`.
long Rescale(long value, long from, long to)
{
    const std::int64_t scaled = static_cast<std::int64_t>(value) * to;
    const std::int64_t rounded = (scaled + (scaled < 0 ? -from / 2 : from / 2)) / from;
    return static_cast<long>(rounded > to ? to : (rounded < -to ? -to : rounded));
}

LONG Level(std::int16_t level)
{
    return static_cast<LONG>(Rescale(level, kLinuxFullLevel, kFullLevel));
}

DWORD FullScale(std::uint16_t value)
{
    return static_cast<DWORD>(Rescale(value, static_cast<long>(kLinuxFullGain), kFullLevel));
}

DWORD Microseconds(std::uint16_t ms)
{
    return static_cast<DWORD>(ms) * kMicrosecondsPerMs;
}

class Translation {
public:
    Translation(const ff_effect& effect, TranslatedEffect* translated, std::string* reason)
        : effect_(effect), out_(*translated), reason_(*reason)
    {
    }

    bool Run()
    {
        out_ = {};
        EffectFields& fields = out_.fields;
        fields.flags = DIEP_DURATION | DIEP_GAIN | DIEP_TRIGGERBUTTON | DIEP_AXES | DIEP_DIRECTION |
                       DIEP_TYPESPECIFICPARAMS;
        fields.duration = effect_.replay.length == 0 ? INFINITE : Microseconds(effect_.replay.length);
        fields.gain = DI_FFNOMINALMAX;
        fields.axes = {DIDFT_ABSAXIS | DIDFT_MAKEINSTANCE(0), DIDFT_ABSAXIS | DIDFT_MAKEINSTANCE(1)};
        fields.directions = Direction(effect_.direction);
        out_.startDelayMs = effect_.replay.delay;
        return Trigger() && Block();
    }

private:
    bool Fail(std::string reason)
    {
        reason_ = std::move(reason);
        return false;
    }

    // (sin, -cos) of the angle: 0x4000 is (10000, 0), along the wheel's axis.
    static std::vector<LONG> Direction(std::uint16_t angle)
    {
        const double radians = angle / kFullTurn * 2 * std::numbers::pi;
        return {static_cast<LONG>(std::lround(std::sin(radians) * kFullLevel)),
                static_cast<LONG>(std::lround(-std::cos(radians) * kFullLevel))};
    }

    bool Trigger()
    {
        const std::uint16_t button = effect_.trigger.button;
        out_.fields.triggerButton = DIEB_NOTRIGGER;
        if (button >= BTN_TRIGGER && button < BTN_TRIGGER + kWheelButtonCount)
            out_.fields.triggerButton = DIDFT_PSHBUTTON | DIDFT_MAKEINSTANCE(button - BTN_TRIGGER);
        else if (button != 0)
            out_.note = "trigger key " + std::to_string(button) + " is none of the wheel's buttons (BTN_TRIGGER + 0.." +
                        std::to_string(kWheelButtonCount - 1) + "): taken without a trigger";
        return true;
    }

    // An envelope without attack or fade is Linux's way of having none; the
    // driver is given none then, since to it a zero attack time leaves the
    // effect's first instant undefined (no force).
    bool Envelope(const ff_envelope& envelope)
    {
        if (envelope.attack_level > kLinuxFullLevel || envelope.fade_level > kLinuxFullLevel)
            return Fail("envelope levels " + std::to_string(envelope.attack_level) + " and " +
                        std::to_string(envelope.fade_level) + " must be at most 32767");
        out_.fields.flags |= DIEP_ENVELOPE;
        if (envelope.attack_length == 0 && envelope.fade_length == 0)
            return true;
        DIENVELOPE converted{};
        converted.dwSize = sizeof converted;
        converted.dwAttackLevel = static_cast<DWORD>(Level(static_cast<std::int16_t>(envelope.attack_level)));
        converted.dwAttackTime = Microseconds(envelope.attack_length);
        converted.dwFadeLevel = static_cast<DWORD>(Level(static_cast<std::int16_t>(envelope.fade_level)));
        converted.dwFadeTime = Microseconds(envelope.fade_length);
        out_.fields.envelope = converted;
        return true;
    }

    bool Block()
    {
        switch (effect_.type) {
        case FF_CONSTANT:
            out_.type = EffectType::Constant;
            out_.fields.block = DICONSTANTFORCE{Level(effect_.u.constant.level)};
            return Envelope(effect_.u.constant.envelope);
        case FF_RAMP:
            out_.type = EffectType::Ramp;
            out_.fields.block =
                DIRAMPFORCE{Level(effect_.u.ramp.start_level), Level(effect_.u.ramp.end_level)};
            return Envelope(effect_.u.ramp.envelope);
        case FF_PERIODIC:
            return Periodic(effect_.u.periodic);
        case FF_SPRING:
            return Condition(EffectType::Spring);
        case FF_DAMPER:
            return Condition(EffectType::Damper);
        case FF_INERTIA:
            return Condition(EffectType::Inertia);
        case FF_FRICTION:
            return Condition(EffectType::Friction);
        case FF_RUMBLE:
            return Rumble(effect_.u.rumble);
        default:
            return Fail("effect type 0x" + Hex(effect_.type) + " is not one the wheel plays");
        }
    }

    static std::string Hex(unsigned value)
    {
        char text[9];
        std::snprintf(text, sizeof text, "%X", value);
        return text;
    }

    bool Periodic(const ff_periodic_effect& periodic)
    {
        switch (periodic.waveform) {
        case FF_SQUARE:
            out_.type = EffectType::Square;
            break;
        case FF_TRIANGLE:
            out_.type = EffectType::Triangle;
            break;
        case FF_SINE:
            out_.type = EffectType::Sine;
            break;
        case FF_SAW_UP:
            out_.type = EffectType::SawUp;
            break;
        case FF_SAW_DOWN:
            out_.type = EffectType::SawDown;
            break;
        default:
            // FF_CUSTOM among them: its samples are behind a pointer into the
            // game's memory, which the bridge never follows.
            return Fail("periodic waveform 0x" + Hex(periodic.waveform) + " is not one the wheel plays");
        }
        if (periodic.period == 0)
            return Fail("a periodic effect needs a period of at least 1 ms");
        DIPERIODIC converted{};
        const LONG magnitude = Level(periodic.magnitude);
        converted.dwMagnitude = static_cast<DWORD>(magnitude < 0 ? -magnitude : magnitude);
        converted.lOffset = Level(periodic.offset);
        converted.dwPhase =
            static_cast<DWORD>(periodic.phase * static_cast<std::uint64_t>(kFullPhase) / 65536);
        if (magnitude < 0)
            converted.dwPhase = (converted.dwPhase + kHalfPeriodPhase) % kFullPhase;
        converted.dwPeriod = Microseconds(periodic.period);
        out_.fields.block = converted;
        return Envelope(periodic.envelope);
    }

    bool Condition(EffectType type)
    {
        out_.type = type;
        lab::ConditionFields conditions(kWheelAxes);
        for (int axis = 0; axis < kWheelAxes; ++axis) {
            const ff_condition_effect& source = effect_.u.condition[axis];
            DICONDITION& condition = conditions[axis];
            condition.lOffset = Level(source.center);
            condition.lPositiveCoefficient = Level(source.right_coeff);
            condition.lNegativeCoefficient = Level(source.left_coeff);
            condition.dwPositiveSaturation = FullScale(source.right_saturation);
            condition.dwNegativeSaturation = FullScale(source.left_saturation);
            condition.lDeadBand = static_cast<LONG>(FullScale(source.deadband));
        }
        out_.fields.block = std::move(conditions);
        return true;
    }

    // The wheel has no rumble motors: the strong motor's magnitude shakes
    // channel 0 (the wheel), the weak one's channel 1, as one sine whose
    // direction keeps their ratio. The driver plays a wave's size, |sin|,
    // so a 100 ms period peaks every 50 ms: ticks 25 ms apart alternate
    // between full and no force, a 20 Hz shake. Its magnitude is the two
    // magnitudes' length, limited to DirectInput's 10000, so one motor at
    // full strength shakes its channel at full strength.
    bool Rumble(const ff_rumble_effect& rumble)
    {
        out_.type = EffectType::Sine;
        const LONG strong = static_cast<LONG>(FullScale(rumble.strong_magnitude));
        const LONG weak = static_cast<LONG>(FullScale(rumble.weak_magnitude));
        out_.fields.directions = {strong, weak};
        DIPERIODIC shake{};
        shake.dwMagnitude = static_cast<DWORD>(std::lround(std::fmin(std::hypot(strong, weak), kFullLevel)));
        shake.dwPeriod = kRumblePeriodUs;
        out_.fields.block = shake;
        return true;
    }

    const ff_effect& effect_;
    TranslatedEffect& out_;
    std::string& reason_;
};

bool SameEnvelope(const std::optional<DIENVELOPE>& a, const std::optional<DIENVELOPE>& b)
{
    if (a.has_value() != b.has_value())
        return false;
    return !a || std::memcmp(&*a, &*b, sizeof(DIENVELOPE)) == 0;
}

template <class Block> bool SameBytes(const Block& a, const Block& b)
{
    return std::memcmp(&a, &b, sizeof(Block)) == 0;
}

bool SameBlock(const lab::TypeSpecificBlock& a, const lab::TypeSpecificBlock& b)
{
    if (a.index() != b.index())
        return false;
    if (const auto* conditions = std::get_if<lab::ConditionFields>(&a)) {
        const auto& other = std::get<lab::ConditionFields>(b);
        return conditions->size() == other.size() &&
               std::memcmp(conditions->data(), other.data(), conditions->size() * sizeof(DICONDITION)) == 0;
    }
    if (const auto* constant = std::get_if<DICONSTANTFORCE>(&a))
        return SameBytes(*constant, std::get<DICONSTANTFORCE>(b));
    if (const auto* ramp = std::get_if<DIRAMPFORCE>(&a))
        return SameBytes(*ramp, std::get<DIRAMPFORCE>(b));
    if (const auto* periodic = std::get_if<DIPERIODIC>(&a))
        return SameBytes(*periodic, std::get<DIPERIODIC>(b));
    // No Linux effect becomes a custom force.
    return std::holds_alternative<std::monostate>(a);
}

} // namespace

bool TranslateEffect(const ff_effect& effect, TranslatedEffect* translated, std::string* reason)
{
    Translation translation(effect, translated, reason);
    return translation.Run();
}

DWORD ChangedFields(const lab::EffectFields& before, const lab::EffectFields& after)
{
    DWORD changed = 0;
    const auto mark = [&changed](bool differs, DWORD flag) { changed |= differs ? flag : 0; };
    mark(before.duration != after.duration, DIEP_DURATION);
    mark(before.gain != after.gain, DIEP_GAIN);
    mark(before.triggerButton != after.triggerButton, DIEP_TRIGGERBUTTON);
    mark(before.axes != after.axes, DIEP_AXES);
    mark(before.directions != after.directions, DIEP_DIRECTION);
    mark(!SameEnvelope(before.envelope, after.envelope), DIEP_ENVELOPE);
    mark(!SameBlock(before.block, after.block), DIEP_TYPESPECIFICPARAMS);
    return changed & after.flags;
}

bool DeviceGainLevel(int value, DWORD* gain)
{
    if (value < 0 || value > static_cast<int>(kLinuxFullGain))
        return false;
    *gain = static_cast<DWORD>(Rescale(value, static_cast<long>(kLinuxFullGain), kFullLevel));
    return true;
}

} // namespace torvex::ffbridge
