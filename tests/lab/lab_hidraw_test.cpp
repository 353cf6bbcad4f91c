// The lab on the wheel's hidraw node, with a stand-in that frames reports as
// hidraw does for the ZK-5120 in the wheel's place: every golden scenario
// gives its timeline through the POSIX device file too, `--device auto`
// finds the stand-in by its ids in a sysfs tree of the test's own, and a
// node the user may not open names the udev rule that opens it.
#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "driver/driver_state.h"
#include "tests/lab/lab_test_support.h"
#include "tests/support/hidraw_stand_in.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/unique_fd.h"
#include "tools/lab/lab_run.h"

namespace torvex::lab {
namespace {

using testing::HidrawStandIn;
using testing::ScratchFolder;
using testing::UniqueFd;

constexpr const char* kWheelUevent = "HID_ID=0003:00006D2A:00000005\nHID_NAME=ZK-5120 Force Feedback Wheel\n";
constexpr const char* kKeyboardUevent = "HID_ID=0003:0000046D:0000C31C\nHID_NAME=USB Keyboard\n";

// Button 2 starts the kick while it is down.
constexpr const char* kTriggeredKick =
    "download kick constant duration=50000 gain=10000 axes=0,1 dir=1,0 constant=10000 trigger=2\n"
    "at 100\n"
    "wheel buttons=0x004\n"
    "at 200\n";

// The stand-in, moved by the scenario as the lab moves the simulated wheel.
class StandInWheel final : public LabWheel {
public:
    explicit StandInWheel(HidrawStandIn& standIn) : standIn_(standIn) {}

    void SetInputReport(const InputReport& report) override { standIn_.SetInputReport(report); }
    void Unplug() override { standIn_.Unplug(); }
    void Plug() override { standIn_.Plug(); }
    void SendInputReport() override { standIn_.SendInputReport(); }

private:
    HidrawStandIn& standIn_;
};

// A system tree of the test's own: sysfs with the given hidraw devices, and
// the stand-in as the node of the first.
class HidrawSystem {
public:
    explicit HidrawSystem(const std::vector<std::string>& uevents)
    {
        for (std::size_t index = 0; index < uevents.size(); ++index)
            folder_.Write("sys/class/hidraw/hidraw" + std::to_string(index) + "/device/uevent",
                          uevents[index]);
        std::filesystem::create_directories(folder_.path() / "dev");
    }

    std::string root() const { return folder_.path().string(); }
    std::string Node(std::size_t index) const
    {
        return (folder_.path() / "dev" / ("hidraw" + std::to_string(index))).string();
    }

private:
    ScratchFolder folder_;
};

class GoldenScenarioOverHidraw : public ::testing::TestWithParam<std::string> {};

TEST_P(GoldenScenarioOverHidraw, GivesTheTimelineOfTheSimulatedWheel)
{
    const HidrawSystem system({kWheelUevent});
    HidrawStandIn standIn(system.Node(0));
    ASSERT_TRUE(standIn.plugged());
    StandInWheel wheel(standIn);
    LabOptions options = Options();
    options.devicePath = standIn.path();
    options.deviceWheel = &wheel;
    ExpectGoldenTimeline(GetParam(), options, [&] { return standIn.TakeReceived(); });
}

INSTANTIATE_TEST_SUITE_P(Lab, GoldenScenarioOverHidraw, ::testing::ValuesIn(GoldenScenarioNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

TEST(LabOnHidraw, FindsTheWheelsNodeByItsIds)
{
    const HidrawSystem system({kKeyboardUevent, kWheelUevent});
    HidrawStandIn standIn(system.Node(1));
    ASSERT_TRUE(standIn.plugged());
    StandInWheel wheel(standIn);
    LabOptions options = Options();
    options.devicePath = kFindDevice;
    options.systemRoot = system.root();
    options.deviceWheel = &wheel;

    std::ostringstream commentary;
    const LabOutcome outcome = RunScenario(Parsed(kTriggeredKick), options, commentary);
    ASSERT_TRUE(outcome.ok) << commentary.str();
    EXPECT_NE(commentary.str().find("the wheel is " + system.Node(1)), std::string::npos) << commentary.str();
    const std::vector<BYTE> kick = {0, 0, 0, 0x7F, 0};
    const auto reports = standIn.TakeReceived();
    EXPECT_EQ(std::count(reports.begin(), reports.end(), kick), 4) << "button 2 from 125 to 200 ms";
}

TEST(LabOnHidraw, SaysWhyItFindsNoWheelOrNamesEveryOne)
{
    const struct {
        std::vector<std::string> uevents;
        std::string says;
    } cases[] = {
        {{}, "--device auto: there is no hidraw device in "},
        {{kKeyboardUevent}, "--device auto: none of the 1 hidraw devices in "},
        {{kWheelUevent, kKeyboardUevent, kWheelUevent}, "--device auto: 2 ZK-5120 wheels are plugged in ("},
    };
    for (const auto& each : cases) {
        const HidrawSystem system(each.uevents);
        LabOptions options = Options();
        options.devicePath = kFindDevice;
        options.systemRoot = system.root();
        std::ostringstream commentary;
        const LabOutcome outcome = RunScenario(Parsed(kTriggeredKick), options, commentary);
        EXPECT_FALSE(outcome.ok);
        EXPECT_TRUE(outcome.timeline.empty());
        EXPECT_NE(commentary.str().find(each.says), std::string::npos) << commentary.str();
        if (each.uevents.size() == 3) {
            EXPECT_NE(
                commentary.str().find(system.Node(0) + ", " + system.Node(2) + "): name one with --device"),
                std::string::npos)
                << commentary.str();
        }
    }
}

TEST(LabOnHidraw, AWheelPluggedInAfterTheStartIsDrivenOnceItIsThere)
{
    const HidrawSystem system({kWheelUevent});
    HidrawStandIn standIn(system.Node(0));
    standIn.Unplug();
    StandInWheel wheel(standIn);
    LabOptions options = Options();
    options.devicePath = standIn.path();
    options.deviceWheel = &wheel;

    std::ostringstream commentary;
    const LabOutcome outcome = RunScenario(Parsed("download push constant duration=inf gain=10000 axes=0,1 "
                                                  "dir=1,0 constant=10000\n"
                                                  "start push\n"
                                                  "at 50\n"
                                                  "plug\n"
                                                  "at 100\n"),
                                           options, commentary);
    ASSERT_TRUE(outcome.ok) << commentary.str();
    EXPECT_NE(commentary.str().find("cannot open " + standIn.path() +
                                    " (there is no such node); the driver tries "
                                    "again every tick"),
              std::string::npos)
        << commentary.str();
    EXPECT_EQ(FormatTimeline(outcome.timeline), "75 report 00 00 00 7F 00\n"
                                                "100 report 00 00 00 7F 00\n"
                                                "100 report 00 00 00 00 00\n"
                                                "100 report 00 00 00 00 00\n"
                                                "100 report 00 00 00 00 00\n"
                                                "100 report 00 00 00 00 00\n");
}

// Run in a child process that may not open the node: root there becomes
// nobody, whom the node's mode keeps out as it keeps out everyone but root.
TEST(LabOnHidraw, ANodeTheUserMayNotOpenNamesTheUdevRule)
{
    const HidrawSystem system({kWheelUevent});
    const std::string node = system.Node(0);
    ASSERT_TRUE(std::ofstream(node).good());
    ASSERT_EQ(chmod(node.c_str(), 0), 0);
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    UniqueFd fromChild(ends[0]);
    UniqueFd toParent(ends[1]);

    constexpr int kCannotBecomeNobody = 3;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        constexpr uid_t kNobody = 65534;
        if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0))
            _exit(kCannotBecomeNobody);
        LabOptions options = Options();
        options.devicePath = node;
        std::ostringstream commentary;
        const bool ok = RunScenario(Parsed(kTriggeredKick), options, commentary).ok;
        const std::string said = commentary.str();
        const bool told =
            write(toParent.get(), said.data(), said.size()) == static_cast<ssize_t>(said.size());
        _exit(ok ? 0 : told ? 1 : 2);
    }
    toParent.Reset();
    std::string said;
    char chunk[256];
    for (ssize_t got; (got = read(fromChild.get(), chunk, sizeof chunk)) > 0;)
        said.append(chunk, static_cast<std::size_t>(got));
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == kCannotBecomeNobody)
        GTEST_SKIP() << "root here cannot become nobody";
    EXPECT_EQ(WEXITSTATUS(status), 1) << "the run stops: nothing could reach the wheel\n" << said;
    EXPECT_NE(said.find("no permission to open " + node), std::string::npos) << said;
    EXPECT_NE(said.find(std::string("udev rule install/") + kUdevRuleName), std::string::npos) << said;
}

TEST(UdevRule, GivesTheUserAtTheSeatTheWheelsHidrawNode)
{
    const std::string text = ReadText(std::filesystem::path(TORVEX_INSTALL_DIR) / kUdevRuleName);
    std::vector<std::string> rules;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty() && line[0] != '#')
            rules.push_back(line);
    ASSERT_EQ(rules.size(), 1u) << text;
    char device[32];
    std::snprintf(device, sizeof device, "KERNELS==\"0003:%04X:%04X.*\"", static_cast<unsigned>(kWheelVendorId),
                  static_cast<unsigned>(kWheelProductId));
    for (const std::string& match :
         {std::string("SUBSYSTEM==\"hidraw\""), std::string(device), std::string("TAG+=\"uaccess\"")})
        EXPECT_NE(rules[0].find(match), std::string::npos) << match << " in " << rules[0];
}

} // namespace
} // namespace torvex::lab
