// What the bridge asked of the driver, written as a lab scenario with the
// times it asked (milliseconds since the driver was bound, when the call
// began: a stop returns only after the driver has let the effect settle for
// a tick, and the wheel feels it stopped from the start), so that
// `torvex-lab FILE` plays the same calls on the simulated wheel: the way
// to check what reached the wheel, and what a user sends with a bug report.
#pragma once

#include <ostream>
#include <string>

#include "tools/lab/scenario.h"

namespace torvex::ffbridge {

class BridgeTrace {
public:
    explicit BridgeTrace(std::ostream& out) : out_(out) {}

    void Download(DWORD ms, const std::string& name, lab::EffectType type, const lab::EffectFields& fields);
    void Update(DWORD ms, const std::string& name, const lab::EffectFields& fields);
    void Start(DWORD ms, const std::string& name, DWORD count);
    void Stop(DWORD ms, const std::string& name);
    void Destroy(DWORD ms, const std::string& name);
    void Gain(DWORD ms, DWORD gain);
    // A line of commentary (the lab prints it when it gets there).
    void Say(DWORD ms, const std::string& text);

private:
    std::ostream& Line(DWORD ms);

    std::ostream& out_;
    DWORD lastMs_ = 0;
};

} // namespace torvex::ffbridge
