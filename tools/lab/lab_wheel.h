// A wheel the lab may move while it plays a scenario (`wheel`, `unplug`,
// `plug`): the simulated ZK-5120, or a stand-in behind a device node that a
// test hands the lab. A real wheel is none: only its user moves it.
#pragma once

#include "platform/wheel_input_report.h"

namespace torvex::lab {

class LabWheel {
public:
    virtual ~LabWheel() = default;
    // The state the wheel reports from now on, as Windows reads it.
    virtual void SetInputReport(const InputReport& report) = 0;
    virtual void Unplug() = 0;
    virtual void Plug() = 0;
    // A playback period is about to begin. A wheel that sends its reports
    // on its own, as a real one does, sends its state now, so that the tick
    // reads the state of this moment; the simulated wheel answers every read
    // with its state and needs no turn.
    virtual void SendInputReport() {}
};

} // namespace torvex::lab
