#include "tools/ffbridge/bridge_trace.h"

#include "tools/lab/scenario_writer.h"

namespace torvex::ffbridge {

std::ostream& BridgeTrace::Line(DWORD ms)
{
    // The lab's time only moves forward; a call the bridge's clock put
    // earlier than the last one happens with it.
    if (ms > lastMs_) {
        out_ << "at " << ms << "\n";
        lastMs_ = ms;
    }
    return out_;
}

void BridgeTrace::Download(DWORD ms, const std::string& name, lab::EffectType type,
                           const lab::EffectFields& fields)
{
    Line(ms) << "download " << name << ' ' << lab::EffectTypeName(type) << ' '
             << lab::FormatEffectFields(fields) << std::endl;
}

void BridgeTrace::Update(DWORD ms, const std::string& name, const lab::EffectFields& fields)
{
    Line(ms) << "update " << name << ' ' << lab::FormatEffectFields(fields) << std::endl;
}

void BridgeTrace::Start(DWORD ms, const std::string& name, DWORD count)
{
    Line(ms) << "start " << name << " count=" << count << std::endl;
}

void BridgeTrace::Stop(DWORD ms, const std::string& name)
{
    Line(ms) << "stop " << name << std::endl;
}

void BridgeTrace::Destroy(DWORD ms, const std::string& name)
{
    Line(ms) << "destroy " << name << std::endl;
}

void BridgeTrace::Gain(DWORD ms, DWORD gain)
{
    Line(ms) << "gain " << gain << std::endl;
}

void BridgeTrace::Say(DWORD ms, const std::string& text)
{
    Line(ms) << "say " << text << std::endl;
}

} // namespace torvex::ffbridge
