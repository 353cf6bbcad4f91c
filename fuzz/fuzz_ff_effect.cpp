// The bridge's table of Linux effects reads what any game hands the kernel:
// any bytes as a struct ff_effect give a clean refusal or an effect the
// driver can take, within DirectInput's ranges, that the lab reads back as
// the same effect; never a crash, and never a look at the custom
// waveform's pointer into the game's memory.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/ffbridge/ff_effect_table.h"
#include "tools/lab/scenario_writer.h"

namespace {

using torvex::ffbridge::TranslatedEffect;

void Check(bool holds)
{
    if (!holds)
        std::abort();
}

bool IsLevel(long value)
{
    return value >= -DI_FFNOMINALMAX && value <= DI_FFNOMINALMAX;
}

void CheckBlock(const torvex::lab::TypeSpecificBlock& block)
{
    if (const auto* constant = std::get_if<DICONSTANTFORCE>(&block))
        Check(IsLevel(constant->lMagnitude));
    if (const auto* ramp = std::get_if<DIRAMPFORCE>(&block))
        Check(IsLevel(ramp->lStart) && IsLevel(ramp->lEnd));
    if (const auto* periodic = std::get_if<DIPERIODIC>(&block))
        Check(periodic->dwMagnitude <= DI_FFNOMINALMAX && IsLevel(periodic->lOffset) &&
              periodic->dwPhase < 36000 && periodic->dwPeriod > 0);
    if (const auto* conditions = std::get_if<torvex::lab::ConditionFields>(&block))
        for (const DICONDITION& c : *conditions)
            Check(IsLevel(c.lOffset) && IsLevel(c.lPositiveCoefficient) && IsLevel(c.lNegativeCoefficient) &&
                  c.dwPositiveSaturation <= DI_FFNOMINALMAX && c.dwNegativeSaturation <= DI_FFNOMINALMAX &&
                  c.lDeadBand >= 0 && c.lDeadBand <= DI_FFNOMINALMAX);
    Check(!std::holds_alternative<std::monostate>(block) &&
          !std::holds_alternative<torvex::lab::CustomForceFields>(block));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ff_effect effect;
    std::memset(&effect, 0, sizeof effect);
    std::memcpy(&effect, data, size < sizeof effect ? size : sizeof effect);
    // Wherever it points, the pointer is never followed: make it a trap.
    effect.u.periodic.custom_data = reinterpret_cast<__s16*>(std::uintptr_t{1});

    TranslatedEffect translated;
    std::string reason;
    if (!torvex::ffbridge::TranslateEffect(effect, &translated, &reason)) {
        Check(!reason.empty());
        return 0;
    }
    const torvex::lab::EffectFields& fields = translated.fields;
    Check(fields.gain == DI_FFNOMINALMAX && fields.axes.size() == 2 && fields.directions.size() == 2);
    for (const LONG direction : fields.directions)
        Check(IsLevel(direction));
    if (fields.envelope)
        Check(fields.envelope->dwAttackLevel <= DI_FFNOMINALMAX &&
              fields.envelope->dwFadeLevel <= DI_FFNOMINALMAX);
    CheckBlock(fields.block);

    const std::string line = std::string("download e ") + torvex::lab::EffectTypeName(translated.type) + " " +
                             torvex::lab::FormatEffectFields(fields);
    torvex::lab::Scenario replayed;
    torvex::lab::ScenarioError error;
    Check(torvex::lab::ParseScenario(line, &replayed, &error));
    Check(torvex::ffbridge::ChangedFields(fields, replayed.steps[0].fields) == 0);
    return 0;
}
