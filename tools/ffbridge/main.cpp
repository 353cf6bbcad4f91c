// torvex-ffd: offers the ZK-5120 to Linux games as a force-feedback
// joystick (a uinput device) and plays what they send on the wheel through
// the effect driver module, as the lab loads it.
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "platform/posix/posix_uinput.h"
#include "tools/ffbridge/force_bridge.h"
#include "tools/lab/driver_session.h"
#include "tools/lab/lab_registry.h"
#include "tools/lab/option_value.h"
#include "tools/lab/timeline.h"

namespace {

using namespace torvex;
using namespace torvex::ffbridge;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
// How often the reports the wheel received are gathered from the driver's
// device file, also when nothing else happens.
constexpr int kCollectEveryMs = 1000;

constexpr const char* kUsage =
    "usage: torvex-ffd [options]\n"
    "\n"
    "Offers the ZK-5120 to games as a force-feedback joystick (a uinput device)\n"
    "and plays their effects on the wheel through the effect driver. Runs until\n"
    "interrupted (SIGINT, SIGTERM); what it refuses or ignores goes to standard error.\n"
    "\n"
    "options:\n"
    "  --device auto    the wheel's hidraw node, found by its USB ids (the default)\n"
    "  --device PATH    the wheel's device node, such as /dev/hidraw3\n"
    "  --trace FILE     write the DirectInput calls made as a lab scenario, with their times\n"
    "  --timeline FILE  write the reports the wheel received, as the lab prints them\n"
    "  --uinput PATH    the uinput node (default: /dev/uinput)\n"
    "  --install FILE   the installation's registry file\n"
    "  --module PATH    the effect driver module (default: the built TorvexFF.so)\n"
    "  --help           this text\n";

volatile std::sig_atomic_t stopping = 0;

void Stop(int)
{
    stopping = 1;
}

struct CommandLine {
    lab::LabOptions lab;
    std::string tracePath;
    std::string timelinePath;
    std::string uinputPath = kUinputNode;
    bool help = false;
};

int UsageError(const std::string& message)
{
    std::cerr << "torvex-ffd: " << message << "\n" << kUsage;
    return kExitUsage;
}

int ReadCommandLine(const std::vector<std::string>& args, CommandLine* line)
{
    for (std::size_t index = 0; index < args.size(); ++index) {
        if (args[index] == "--help" || args[index] == "-h") {
            line->help = true;
            continue;
        }
        bool matched = false;
        for (const auto& [name, target] :
             {std::pair{"--device", &line->lab.devicePath}, std::pair{"--trace", &line->tracePath},
              std::pair{"--timeline", &line->timelinePath}, std::pair{"--uinput", &line->uinputPath},
              std::pair{"--install", &line->lab.installFile}, std::pair{"--module", &line->lab.modulePath}}) {
            if (!lab::OptionValue(args, index, name, target, &matched))
                return UsageError(std::string(name) + " needs a value");
            if (matched)
                break;
        }
        if (!matched)
            return UsageError("unknown argument " + args[index]);
    }
    return 0;
}

void CatchStops()
{
    // Without SA_RESTART, so that the wait for the kernel's next event ends.
    struct sigaction action {};
    action.sa_handler = Stop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

// Until stopped: the kernel's events, the delayed plays when due, and the
// wheel's reports gathered (written to `timeline` when there is one).
int Serve(UinputPort& uinput, ForceBridge& bridge, lab::World& world, std::ostream* timeline)
{
    while (stopping == 0) {
        const int untilPlay = bridge.StartDuePlays();
        const int wait = untilPlay < 0 || untilPlay > kCollectEveryMs ? kCollectEveryMs : untilPlay;
        input_event event{};
        const int got = uinput.NextEvent(&event, wait);
        if (got < 0) {
            std::cerr << "torvex-ffd: reading the uinput device failed: " << std::strerror(-got) << "\n";
            return kExitFailed;
        }
        if (got > 0)
            bridge.Handle(event);
        lab::Timeline reports;
        world.CollectReports(reports);
        if (timeline != nullptr)
            *timeline << lab::FormatTimeline(reports) << std::flush;
    }
    return kExitOk;
}

int Main(const std::vector<std::string>& args)
{
    CommandLine line;
    line.lab.modulePath = TORVEX_FFD_MODULE;
    line.lab.installFile = TORVEX_FFD_INSTALL_FILE;
    line.lab.devicePath = lab::kFindDevice;
    line.lab.realtime = true;
    if (const int failed = ReadCommandLine(args, &line); failed != 0)
        return failed;
    if (line.help) {
        std::cout << kUsage;
        return kExitOk;
    }
    std::ofstream trace;
    std::ofstream timeline;
    for (auto [path, file] : {std::pair{&line.tracePath, &trace}, std::pair{&line.timelinePath, &timeline}}) {
        if (path->empty())
            continue;
        file->open(*path, std::ios::trunc);
        if (!*file) {
            std::cerr << "torvex-ffd: cannot write " << *path << "\n";
            return kExitFailed;
        }
    }

    lab::DriverSession session(line.lab, std::cerr, "torvex-ffd");
    HRESULT deviceId = S_OK;
    if (!session.Prepare(0) || !session.Bind(&deviceId))
        return kExitFailed;
    if (deviceId != S_OK)
        return session.Fail("DeviceID answered " + lab::HexResult(deviceId));
    PosixUinput uinput(line.uinputPath);
    if (const int created = uinput.Create(BridgeDeviceSetup()); created != 0) {
        session.Fail("cannot create the force-feedback device with " + line.uinputPath + ": " +
                     std::strerror(-created) +
                     (created == -EACCES ? " (it is root's unless a udev rule gives it)" : ""));
        return kExitFailed;
    }
    CatchStops();
    lab::World& world = session.Place();
    BridgeTrace tracer(trace);
    BridgeDriver driver{
        session.Driver(),
        [&session](lab::EffectType type) { return lab::EffectIdIn(session.Registry(), type); },
        [&world] { return world.Now(); }};
    ForceBridge bridge(uinput, driver, line.tracePath.empty() ? nullptr : &tracer, std::cerr);
    std::cerr << "torvex-ffd: the wheel takes games' force feedback\n";
    const int served = Serve(uinput, bridge, world, line.timelinePath.empty() ? nullptr : &timeline);
    bridge.DestroyAll();
    session.Release();
    lab::Timeline reports;
    world.CollectReports(reports);
    if (timeline.is_open())
        timeline << lab::FormatTimeline(reports);
    return served == kExitOk && session.CheckUnloadable() ? kExitOk : kExitFailed;
}

} // namespace

int main(int argc, char** argv)
{
    return Main(std::vector<std::string>(argv + 1, argv + argc));
}
