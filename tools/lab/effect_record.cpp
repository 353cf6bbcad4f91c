#include "tools/lab/effect_record.h"

namespace torvex::lab {

EffectRecord::EffectRecord(const EffectFields& fields) : axes_(fields.axes), directions_(fields.directions)
{
    effect_.dwSize = sizeof(DIEFFECT);
    effect_.dwFlags = DIEFF_CARTESIAN | DIEFF_OBJECTIDS;
    effect_.dwDuration = fields.duration;
    effect_.dwGain = fields.gain;
    effect_.dwTriggerButton = fields.triggerButton;
    // cAxes counts the axes, or the directions when only they are given;
    // given together they agree (the scenario makes sure).
    if ((fields.flags & DIEP_AXES) != 0) {
        effect_.cAxes = static_cast<DWORD>(axes_.size());
        effect_.rgdwAxes = axes_.data();
    }
    if ((fields.flags & DIEP_DIRECTION) != 0) {
        effect_.cAxes = static_cast<DWORD>(directions_.size());
        effect_.rglDirection = directions_.data();
    }
    if (fields.envelope) {
        envelope_ = *fields.envelope;
        effect_.lpEnvelope = &envelope_;
    }
    std::visit([this](const auto& block) { SetBlock(block); }, fields.block);
}

void EffectRecord::SetBlock(const DICONSTANTFORCE& constant)
{
    constant_ = constant;
    effect_.cbTypeSpecificParams = sizeof constant_;
    effect_.lpvTypeSpecificParams = &constant_;
}

void EffectRecord::SetBlock(const DIRAMPFORCE& ramp)
{
    ramp_ = ramp;
    effect_.cbTypeSpecificParams = sizeof ramp_;
    effect_.lpvTypeSpecificParams = &ramp_;
}

void EffectRecord::SetBlock(const DIPERIODIC& periodic)
{
    periodic_ = periodic;
    effect_.cbTypeSpecificParams = sizeof periodic_;
    effect_.lpvTypeSpecificParams = &periodic_;
}

void EffectRecord::SetBlock(const CustomForceFields& custom)
{
    samples_ = custom.samples;
    custom_ = {custom.channels, custom.samplePeriod, static_cast<DWORD>(samples_.size()),
               samples_.empty() ? nullptr : samples_.data()};
    effect_.cbTypeSpecificParams = sizeof custom_;
    effect_.lpvTypeSpecificParams = &custom_;
}

void EffectRecord::SetBlock(const ConditionFields& conditions)
{
    conditions_ = conditions;
    effect_.cbTypeSpecificParams = static_cast<DWORD>(conditions_.size() * sizeof(DICONDITION));
    effect_.lpvTypeSpecificParams = conditions_.data();
}

} // namespace torvex::lab
