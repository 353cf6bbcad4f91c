// torvex-lab: plays DirectInput's part against the effect driver module,
// from a scenario, and prints what reached the wheel.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "tools/lab/demo_scenario.h"
#include "tools/lab/lab_run.h"
#include "tools/lab/option_value.h"
#include "tools/lab/plot_svg.h"
#include "tools/lab/scenario.h"

namespace {

using namespace torvex::lab;

constexpr int kExitOk = 0;
constexpr int kExitRunFailed = 1;
constexpr int kExitUsage = 2;

constexpr const char* kUsage =
    "usage: torvex-lab [options] [SCENARIO]\n"
    "\n"
    "Plays SCENARIO (a file, or - for standard input) against the effect driver\n"
    "and prints every report that reached the wheel, every status asked for and\n"
    "every result other than S_OK, one line each, in time order. Without a\n"
    "scenario it plays the demonstration.\n"
    "\n"
    "options:\n"
    "  --realtime       play in real time on the POSIX timer (default: simulated time)\n"
    "  --device PATH    drive a real device node, such as /dev/hidraw3; implies --realtime\n"
    "  --device auto    the same with the wheel's hidraw node, found by its USB ids\n"
    "  --plot FILE      write both force channels over time as an SVG picture\n"
    "  --registry FILE  the whole registry, in the registry file format (default: the\n"
    "                   installation's entries plus the wheel as joystick 0)\n"
    "  --install FILE   the installation's registry file\n"
    "  --module PATH    the effect driver module (default: the built TorvexFF.so)\n"
    "  --stats          after a real-time run, the playback timer's period error\n"
    "  --help           this text\n"
    "\n"
    "environment:\n"
    "  TORVEX_LAB_ROOT  --device auto looks in ROOT/sys and ROOT/dev instead of /sys and /dev\n";

struct CommandLine {
    LabOptions lab;
    std::string scenarioPath; // empty: the demonstration
    std::string plotPath;
    bool help = false;
};

int UsageError(const std::string& message)
{
    std::cerr << "torvex-lab: " << message << "\n" << kUsage;
    return kExitUsage;
}

// 0 when the command line was read; else the exit code after the message.
int ReadCommandLine(const std::vector<std::string>& args, CommandLine* line)
{
    bool haveScenario = false;
    for (std::size_t index = 0; index < args.size(); ++index) {
        const std::string& arg = args[index];
        if (arg == "--help" || arg == "-h") {
            line->help = true;
            continue;
        }
        if (arg == "--realtime" || arg == "--stats") {
            (arg == "--realtime" ? line->lab.realtime : line->lab.stats) = true;
            continue;
        }
        bool matched = false;
        for (const auto& [name, target] :
             {std::pair{"--device", &line->lab.devicePath}, std::pair{"--plot", &line->plotPath},
              std::pair{"--registry", &line->lab.registryFile},
              std::pair{"--install", &line->lab.installFile}, std::pair{"--module", &line->lab.modulePath}}) {
            if (!OptionValue(args, index, name, target, &matched))
                return UsageError(std::string(name) + " needs a value");
            if (matched)
                break;
        }
        if (matched)
            continue;
        if (arg.size() > 1 && arg[0] == '-')
            return UsageError("unknown option " + arg);
        if (haveScenario)
            return UsageError("one scenario at a time");
        line->scenarioPath = arg;
        haveScenario = true;
    }
    if (line->lab.stats && !line->lab.realtime && line->lab.devicePath.empty())
        return UsageError("--stats measures the real timer: use it with --realtime or --device");
    return 0;
}

bool ReadScenarioText(const std::string& path, std::string* text)
{
    if (path == "-") {
        text->assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
        return !std::cin.bad();
    }
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    text->assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad();
}

std::string ScenarioName(const std::string& path)
{
    return path.empty() ? "demo" : path == "-" ? "<stdin>" : path;
}

void PrintTimeline(const Timeline& timeline)
{
    const std::string out = FormatTimeline(timeline);
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
}

bool WritePlot(const std::string& path, const Timeline& timeline, DWORD endMs)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    const std::string svg = PlotSvg(timeline, endMs);
    file.write(svg.data(), static_cast<std::streamsize>(svg.size()));
    file.close();
    return !file.fail();
}

int Main(const std::vector<std::string>& args)
{
    CommandLine line;
    line.lab.modulePath = TORVEX_LAB_MODULE;
    line.lab.installFile = TORVEX_LAB_INSTALL_FILE;
    // A tree of the tests' own, in which a stand-in plays the wheel.
    if (const char* root = std::getenv("TORVEX_LAB_ROOT"))
        line.lab.systemRoot = root;
    if (const int failed = ReadCommandLine(args, &line); failed != 0)
        return failed;
    if (line.help) {
        std::cout << kUsage;
        return kExitOk;
    }

    std::string text;
    if (line.scenarioPath.empty()) {
        text = DemoScenario();
    } else if (!ReadScenarioText(line.scenarioPath, &text)) {
        std::cerr << "torvex-lab: cannot read " << line.scenarioPath << "\n";
        return kExitUsage;
    }
    Scenario scenario;
    ScenarioError error;
    if (!ParseScenario(text, &scenario, &error)) {
        std::cerr << ScenarioName(line.scenarioPath) << ":" << error.line << ": " << error.message << "\n";
        return kExitUsage;
    }

    const LabOutcome outcome = RunScenario(scenario, line.lab, std::cerr);
    PrintTimeline(outcome.timeline);
    const bool played = outcome.ok || !outcome.timeline.empty();
    if (!line.plotPath.empty() && played && !WritePlot(line.plotPath, outcome.timeline, outcome.endMs)) {
        std::cerr << "torvex-lab: cannot write " << line.plotPath << "\n";
        return kExitRunFailed;
    }
    return outcome.ok ? kExitOk : kExitRunFailed;
}

} // namespace

int main(int argc, char** argv)
{
    return Main(std::vector<std::string>(argv + 1, argv + argc));
}
