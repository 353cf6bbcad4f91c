// The lab on the wheel's hidraw node, with a stand-in that frames reports as
// hidraw does for the ZK-5120 in the wheel's place: every golden scenario
// gives its timeline through the POSIX device file too, and `--device auto`
// finds the stand-in by its ids in a sysfs tree of the test's own.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "tests/support/fixtures.h"
#include "tests/support/hidraw_stand_in.h"
#include "tests/support/scratch_folder.h"
#include "tools/lab/lab_run.h"

namespace torvex::lab {
namespace {

using testing::HidrawStandIn;
using testing::InstallFilePath;
using testing::ScratchFolder;

constexpr const char* kWheelUevent = "HID_ID=0003:00006D2A:00000005\nHID_NAME=ZK-5120 Force Feedback Wheel\n";
constexpr const char* kKeyboardUevent = "HID_ID=0003:0000046D:0000C31C\nHID_NAME=USB Keyboard\n";

// Button 2 starts the kick while it is down.
constexpr const char* kTriggeredKick =
    "download kick constant duration=50000 gain=10000 axes=0,1 dir=1,0 constant=10000 trigger=2\n"
    "at 100\n"
    "wheel buttons=0x004\n"
    "at 200\n";

std::string ReadText(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

LabOptions Options()
{
    LabOptions options;
    options.modulePath = TORVEX_FF_MODULE;
    options.installFile = InstallFilePath();
    return options;
}

Scenario Parsed(const std::string& text)
{
    Scenario scenario;
    ScenarioError error;
    EXPECT_TRUE(ParseScenario(text, &scenario, &error)) << error.line << ": " << error.message;
    return scenario;
}

// What torvex-lab prints of a timeline.
std::string Printed(const Timeline& timeline)
{
    std::string out;
    for (const TimelineEvent& event : timeline) {
        const std::string line = FormatEvent(event);
        if (!line.empty())
            out += line + "\n";
    }
    return out;
}

std::vector<std::vector<BYTE>> Reports(const Timeline& timeline)
{
    std::vector<std::vector<BYTE>> reports;
    for (const TimelineEvent& event : timeline)
        if (event.kind == TimelineEvent::Kind::Report)
            reports.emplace_back(event.bytes.begin(), event.bytes.end());
    return reports;
}

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

std::vector<std::string> GoldenScenarioNames()
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(TORVEX_LAB_SCENARIO_DIR))
        if (entry.path().extension() == ".scenario")
            names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

class GoldenScenarioOverHidraw : public ::testing::TestWithParam<std::string> {};

TEST_P(GoldenScenarioOverHidraw, GivesTheTimelineOfTheSimulatedWheel)
{
    const std::filesystem::path scenarioDir = TORVEX_LAB_SCENARIO_DIR;
    const Scenario scenario = Parsed(ReadText(scenarioDir / (GetParam() + ".scenario")));
    const HidrawSystem system({kWheelUevent});
    HidrawStandIn standIn(system.Node(0));
    ASSERT_TRUE(standIn.plugged());
    StandInWheel wheel(standIn);
    LabOptions options = Options();
    options.devicePath = standIn.path();
    options.deviceWheel = &wheel;

    std::ostringstream commentary;
    const LabOutcome outcome = RunScenario(scenario, options, commentary);
    ASSERT_TRUE(outcome.ok) << commentary.str();
    EXPECT_EQ(Printed(outcome.timeline), ReadText(scenarioDir / (GetParam() + ".timeline")))
        << commentary.str();
    EXPECT_EQ(standIn.TakeReceived(), Reports(outcome.timeline))
        << "the reports reach the wheel id byte first";
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

} // namespace
} // namespace torvex::lab
