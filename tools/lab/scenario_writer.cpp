#include "tools/lab/scenario_writer.h"

#include <sstream>
#include <vector>

namespace torvex::lab {

namespace {

DWORD Instance(DWORD objectId)
{
    return (objectId >> 8) & 0xFFFF;
}

template <class T> void List(std::ostream& out, const std::vector<T>& values)
{
    for (std::size_t index = 0; index < values.size(); ++index)
        out << (index == 0 ? "" : ",") << values[index];
}

class FieldWriter {
public:
    explicit FieldWriter(std::ostream& out) : out_(out) {}

    std::ostream& Field(const char* key)
    {
        out_ << (first_ ? "" : " ") << key;
        first_ = false;
        return out_;
    }

    void operator()(std::monostate) {}
    void operator()(const DICONSTANTFORCE& constant) { Field("constant=") << constant.lMagnitude; }
    void operator()(const DIRAMPFORCE& ramp) { Field("ramp=") << ramp.lStart << ',' << ramp.lEnd; }
    void operator()(const DIPERIODIC& periodic)
    {
        Field("periodic=") << periodic.dwMagnitude << ',' << periodic.lOffset << ',' << periodic.dwPhase
                           << ',' << periodic.dwPeriod;
    }
    void operator()(const CustomForceFields& custom)
    {
        Field("custom=") << custom.channels << ',' << custom.samplePeriod;
        for (const LONG sample : custom.samples)
            out_ << ',' << sample;
    }
    void operator()(const ConditionFields& conditions)
    {
        Field("condition=");
        for (std::size_t axis = 0; axis < conditions.size(); ++axis) {
            const DICONDITION& c = conditions[axis];
            out_ << (axis == 0 ? "" : ",") << c.lOffset << ',' << c.lPositiveCoefficient << ','
                 << c.lNegativeCoefficient << ',' << c.dwPositiveSaturation << ',' << c.dwNegativeSaturation
                 << ',' << c.lDeadBand;
        }
    }

private:
    std::ostream& out_;
    bool first_ = true;
};

} // namespace

std::string FormatEffectFields(const EffectFields& fields)
{
    std::ostringstream out;
    FieldWriter writer(out);
    const auto flagged = [&fields](DWORD flag) { return (fields.flags & flag) != 0; };
    if (flagged(DIEP_DURATION)) {
        if (fields.duration == INFINITE)
            writer.Field("duration=inf");
        else
            writer.Field("duration=") << fields.duration;
    }
    if (flagged(DIEP_GAIN))
        writer.Field("gain=") << fields.gain;
    if (flagged(DIEP_TRIGGERBUTTON)) {
        if (fields.triggerButton == DIEB_NOTRIGGER)
            writer.Field("trigger=none");
        else
            writer.Field("trigger=") << Instance(fields.triggerButton);
    }
    if (flagged(DIEP_AXES)) {
        std::vector<DWORD> instances;
        for (const DWORD axis : fields.axes)
            instances.push_back(Instance(axis));
        List(writer.Field("axes="), instances);
    }
    if (flagged(DIEP_DIRECTION))
        List(writer.Field("dir="), fields.directions);
    if (flagged(DIEP_ENVELOPE)) {
        if (!fields.envelope)
            writer.Field("envelope=none");
        else
            writer.Field("envelope=")
                << fields.envelope->dwAttackLevel << ',' << fields.envelope->dwAttackTime << ','
                << fields.envelope->dwFadeLevel << ',' << fields.envelope->dwFadeTime;
    }
    if (flagged(DIEP_TYPESPECIFICPARAMS))
        std::visit(writer, fields.block);
    if (flagged(DIEP_START))
        writer.Field("start");
    if (flagged(DIEP_NODOWNLOAD))
        writer.Field("nodownload");
    return out.str();
}

} // namespace torvex::lab
