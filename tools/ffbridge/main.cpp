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

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "platform/posix/posix_event_node.h"
#include "platform/posix/posix_uinput.h"
#include "tools/ffbridge/force_bridge.h"
#include "tools/lab/driver_session.h"
#include "tools/lab/lab_registry.h"
#include "tools/lab/option_value.h"
#include "tools/lab/timeline.h"
#include "tools/lab/wheel_search.h"

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
    "Offers the ZK-5120 to games as one joystick with force feedback (a uinput\n"
    "device): the wheel's axes and buttons, mirrored from its own event node,\n"
    "which it takes for itself, and its effects played on the wheel through the\n"
    "effect driver. Runs until interrupted (SIGINT, SIGTERM) or until the wheel is\n"
    "unplugged; what it refuses or ignores goes to standard error.\n"
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

// The wheel's hidraw node: the one named, or the one wheel found; empty,
// with the reason said, when there is not exactly one.
std::string WheelNode(const lab::LabOptions& options)
{
    if (options.devicePath != lab::kFindDevice)
        return options.devicePath;
    const lab::WheelSearch search =
        lab::FindWheelNodes(lab::SearchRoot(options) / "sys", lab::SearchRoot(options) / "dev");
    if (search.nodes.size() == 1)
        return search.nodes.front();
    std::cerr << "torvex-ffd: ";
    if (search.nodes.empty())
        std::cerr << "no ZK-5120 found in " << search.hidrawClass.string() << "; plug it in";
    for (const std::string& node : search.nodes)
        std::cerr << (node == search.nodes.front() ? "a ZK-5120 at each of " : ", ") << node;
    std::cerr << (search.nodes.empty() ? "\n" : ": name one with --device\n");
    return {};
}

int CannotOpen(const std::string& node, int error, const std::string& what)
{
    std::cerr << "torvex-ffd: cannot open " << node << " (" << what << "): " << std::strerror(error)
              << (error == EACCES
                      ? "; the package's udev rules give it to the user torvex-ffd, or run as root"
                      : "")
              << "\n";
    return kExitFailed;
}

// Until stopped or unplugged: the kernel's requests, the wheel's own events
// mirrored, the delayed plays when due, and the wheel's reports gathered
// (written to `timeline` when there is one).
int Serve(PosixUinput& uinput, PosixEventNode* wheel, ForceBridge& bridge, lab::World& world,
          std::ostream* timeline)
{
    while (stopping == 0) {
        const int untilPlay = bridge.StartDuePlays();
        const int wait = untilPlay < 0 || untilPlay > kCollectEveryMs ? kCollectEveryMs : untilPlay;
        pollfd waiting[2] = {{uinput.Descriptor(), POLLIN, 0}, {wheel ? wheel->Descriptor() : -1, POLLIN, 0}};
        if (poll(waiting, 2, wait) < 0 && errno != EINTR) {
            std::cerr << "torvex-ffd: waiting for events failed: " << std::strerror(errno) << "\n";
            return kExitFailed;
        }
        input_event event{};
        int got = 0;
        while ((got = uinput.NextEvent(&event, 0)) > 0)
            bridge.Handle(event);
        if (got < 0) {
            std::cerr << "torvex-ffd: reading the uinput device failed: " << std::strerror(-got) << "\n";
            return kExitFailed;
        }
        while (wheel != nullptr && (got = wheel->Next(&event)) > 0)
            if (const int failed = uinput.Emit(event); failed != 0)
                std::cerr << "torvex-ffd: passing on the wheel's event failed: " << std::strerror(-failed)
                          << "\n";
        if (got == -ENODEV) {
            std::cerr << "torvex-ffd: the wheel was unplugged\n";
            return kExitOk;
        }
        if (got < 0) {
            std::cerr << "torvex-ffd: reading " << wheel->node() << " failed: " << std::strerror(-got)
                      << "\n";
            return kExitFailed;
        }
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

    // Each node the bridge needs is opened first, so that a missing
    // permission is named before anything is offered to games.
    const std::string hidraw = WheelNode(line.lab);
    if (hidraw.empty())
        return kExitFailed;
    if (const int probe = open(hidraw.c_str(), O_RDWR | O_CLOEXEC); probe >= 0)
        close(probe);
    else
        return CannotOpen(hidraw, errno, "the wheel's forces");
    // The driver drives the node whose event node is mirrored.
    line.lab.devicePath = hidraw;
    const std::string eventNode = EventNodeOfHidraw(hidraw);
    PosixEventNode wheel(eventNode);
    UinputDeviceSetup layout = WheelWithoutEventNode();
    if (eventNode.empty())
        std::cerr << "torvex-ffd: the wheel has no event node here; games get its buttons and force feedback "
                     "only\n";
    else if (const int opened = wheel.Open(&layout); opened != 0)
        return CannotOpen(eventNode, -opened, "the wheel's axes and buttons");
    PosixUinput uinput(line.uinputPath);
    if (const int created = uinput.Create(BridgeDeviceSetup(layout)); created != 0)
        return CannotOpen(line.uinputPath, -created, "the device games see");

    lab::DriverSession session(line.lab, std::cerr, "torvex-ffd");
    HRESULT deviceId = S_OK;
    if (!session.Prepare(0) || !session.Bind(&deviceId))
        return kExitFailed;
    if (deviceId != S_OK)
        return session.Fail("DeviceID answered " + lab::HexResult(deviceId));
    CatchStops();
    lab::World& world = session.Place();
    BridgeTrace tracer(trace);
    BridgeDriver driver{
        session.Driver(),
        [&session](lab::EffectType type) { return lab::EffectIdIn(session.Registry(), type); },
        [&world] { return world.Now(); }};
    ForceBridge bridge(uinput, driver, line.tracePath.empty() ? nullptr : &tracer, std::cerr);
    std::cerr << "torvex-ffd: the wheel takes games' force feedback\n";
    const int served = Serve(uinput, eventNode.empty() ? nullptr : &wheel, bridge, world,
                             line.timelinePath.empty() ? nullptr : &timeline);
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
