// Plays a parsed scenario against the effect driver module, on the
// simulated wheel and clock (deterministic: ticks at 25, 50, 75 ... ms of
// scenario time, sleeps that take no time) or in real time on the POSIX
// timer, with the simulated wheel or a real device node.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>

#include "tools/lab/lab_wheel.h"
#include "tools/lab/scenario.h"
#include "tools/lab/timeline.h"

namespace torvex::lab {

// The device path that asks the lab to find the wheel's hidraw node itself.
constexpr const char* kFindDevice = "auto";
// The udev rule in install/ that gives the logged-in user the wheel's node.
constexpr const char* kUdevRuleName = "70-zk5120-wheel.rules";

struct LabOptions {
    std::string modulePath;   // TorvexFF.so
    std::string installFile;  // the installation's registry file
    std::string registryFile; // the whole registry instead; empty: installation plus the lab's wheel
    // A real device node, or kFindDevice: the wheel's hidraw node found by
    // its USB ids, at the start and again whenever the driver reopens it;
    // empty: the simulated wheel.
    std::string devicePath;
    // Where kFindDevice looks: sysfs in ROOT/sys, the nodes in ROOT/dev;
    // empty: the system's own /sys and /dev.
    std::string systemRoot;
    // The wheel behind `devicePath` when the lab may move it (a test's
    // stand-in for the wheel's node); the run then keeps scenario time, so
    // that its timeline depends on nothing but the scenario.
    LabWheel* deviceWheel = nullptr;
    bool realtime = false; // implied by a device the lab cannot move
    bool stats = false;    // the timer's period error at the end (real time only)
};

// Where kFindDevice looks.
inline std::filesystem::path SearchRoot(const LabOptions& options)
{
    return options.systemRoot.empty() ? std::filesystem::path("/") : std::filesystem::path(options.systemRoot);
}

struct LabOutcome {
    bool ok = false; // false: the run failed, and the commentary says why
    Timeline timeline;
    DWORD endMs = 0; // the run's last moment
};

// Commentary (say lines, progress, what could not be done, why a run
// failed) goes to `commentary`; what the wheel saw goes to the timeline.
LabOutcome RunScenario(const Scenario& scenario, const LabOptions& options, std::ostream& commentary);

} // namespace torvex::lab
