// The lab and the driver on wheels the kernel makes from /dev/uhid, in the
// emulated machine (as root, with the uhid and hid-generic modules and the
// udev rule installed): real hidraw nodes, real sysfs, real unplugs, the
// real udevadm, and a wheel that reports on its own clock as USB wheels do.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <sstream>
#include <thread>

#include "tests/lab/lab_test_support.h"
#include "tests/support/uhid_wheel.h"
#include "tools/lab/lab_run.h"

namespace torvex::lab {
namespace {

using testing::UhidWheel;
using Clock = std::chrono::steady_clock;

// Another HID device on USB, which nothing of the wheel's may take for it.
constexpr DWORD kKeyboardVendor = 0x046D;
constexpr DWORD kKeyboardProduct = 0xC31C;

// A name no other device of this run has, that tells its node apart.
std::string Uniq()
{
    static int made = 0;
    return "torvex-" + std::to_string(getpid()) + "-" + std::to_string(++made);
}

// Button 2 starts a 50 ms push while it is down.
constexpr const char* kKick =
    "download kick constant duration=50000 gain=10000 axes=0,1 dir=1,0 constant=10000 trigger=2\n";

class GoldenScenarioOnTheKernel : public ::testing::TestWithParam<std::string> {};

TEST_P(GoldenScenarioOnTheKernel, GivesTheTimelineOfTheSimulatedWheel)
{
    UhidWheel wheel(Uniq());
    ASSERT_FALSE(wheel.node().empty()) << wheel.error();
    LabOptions options = Options();
    options.devicePath = wheel.node();
    options.deviceWheel = &wheel;
    ExpectGoldenTimeline(GetParam(), options, [&] { return wheel.TakeReceived(); });
}

INSTANTIATE_TEST_SUITE_P(Lab, GoldenScenarioOnTheKernel, ::testing::ValuesIn(GoldenScenarioNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

// Unplugged, the wheel's node goes, once the driver has closed it, to the
// next HID device plugged in, so the wheel comes back under another one.
class RenumberedWheel final : public LabWheel {
public:
    UhidWheel wheel{Uniq()};
    std::optional<UhidWheel> other;
    std::vector<std::string> nodes{wheel.node()};

    void SetInputReport(const InputReport& report) override { wheel.SetInputReport(report); }
    void SendInputReport() override { wheel.SendInputReport(); }
    void Unplug() override { wheel.Unplug(); }
    void Plug() override
    {
        other.emplace(Uniq(), kKeyboardVendor, kKeyboardProduct);
        wheel.Plug();
        nodes.push_back(wheel.node());
    }
};

TEST(KernelWheel, UnpluggedAndPluggedInUnderAnotherNodeIsFoundAndDrivenAgain)
{
    RenumberedWheel wheel;
    ASSERT_FALSE(wheel.wheel.node().empty()) << wheel.wheel.error();
    LabOptions options = Options();
    options.devicePath = kFindDevice;
    options.deviceWheel = &wheel;
    ExpectGoldenTimeline("unplug_plug", options, [&] { return wheel.wheel.TakeReceived(); });
    ASSERT_EQ(wheel.nodes.size(), 2u);
    ASSERT_TRUE(wheel.other.has_value());
    EXPECT_EQ(wheel.other->node(), wheel.nodes[0]) << "the other device took the wheel's old node";
    EXPECT_NE(wheel.nodes[1], wheel.nodes[0]);
}

TEST(KernelWheel, DeviceAutoFindsTheWheelBesideAnotherHidDeviceAndNamesTwoWheels)
{
    const UhidWheel keyboard(Uniq(), kKeyboardVendor, kKeyboardProduct);
    UhidWheel wheel(Uniq());
    ASSERT_FALSE(keyboard.node().empty() || wheel.node().empty()) << keyboard.error() << wheel.error();
    LabOptions options = Options();
    options.devicePath = kFindDevice;
    options.deviceWheel = &wheel;
    const Scenario kick = Parsed(std::string(kKick) + "at 100\nwheel buttons=0x004\nat 200\n");
    {
        std::ostringstream commentary;
        ASSERT_TRUE(RunScenario(kick, options, commentary).ok) << commentary.str();
        EXPECT_NE(commentary.str().find("the wheel is " + wheel.node()), std::string::npos)
            << commentary.str();
        const std::vector<BYTE> push = {0, 0, 0, 0x7F, 0};
        const auto received = wheel.TakeReceived();
        EXPECT_EQ(std::count(received.begin(), received.end(), push), 4) << "button 2 from 125 to 200 ms";
    }
    const UhidWheel second(Uniq());
    ASSERT_FALSE(second.node().empty()) << second.error();
    std::ostringstream commentary;
    EXPECT_FALSE(RunScenario(kick, options, commentary).ok);
    EXPECT_NE(commentary.str().find("2 ZK-5120 wheels are plugged in"), std::string::npos)
        << commentary.str();
    for (const std::string& node : {wheel.node(), second.node()})
        EXPECT_NE(commentary.str().find(node), std::string::npos) << node << "\n" << commentary.str();
}

// What `udevadm test` says udev would make of a hidraw node, with the rules
// installed on this machine.
std::string UdevTags(const std::string& node)
{
    const std::string command =
        "udevadm test /sys/class/hidraw/" + node.substr(node.rfind('/') + 1) + " 2>&1";
    std::string output;
    if (FILE* udevadm = popen(command.c_str(), "r")) {
        char chunk[4096];
        for (std::size_t got; (got = fread(chunk, 1, sizeof chunk, udevadm)) > 0;)
            output.append(chunk, got);
        pclose(udevadm);
    }
    const std::size_t tags = output.find("\nTAGS=");
    // Its log names every rules file read, 70-uaccess.rules among them: only
    // the TAGS line counts.
    return tags == std::string::npos ? std::string()
                                     : output.substr(tags + 1, output.find('\n', tags + 1) - tags - 1);
}

TEST(KernelWheel, TheUdevRuleGivesTheSeatsUserTheWheelsNodeAndNoOtherDevices)
{
    ASSERT_TRUE(std::filesystem::exists(std::filesystem::path("/etc/udev/rules.d") / kUdevRuleName))
        << "the rule is installed as the README says before this test";
    const UhidWheel wheel(Uniq());
    const UhidWheel keyboard(Uniq(), kKeyboardVendor, kKeyboardProduct);
    ASSERT_FALSE(keyboard.node().empty() || wheel.node().empty()) << keyboard.error() << wheel.error();
    EXPECT_NE(UdevTags(wheel.node()).find(":uaccess:"), std::string::npos) << UdevTags(wheel.node());
    EXPECT_EQ(UdevTags(keyboard.node()).find("uaccess"), std::string::npos) << UdevTags(keyboard.node());
}

// A wheel that sends its state every `period`, as a USB joystick does at its
// polling rate, while the lab plays the kick in real time on its node; button
// 2 is pressed five times, for half a second each. What reaches the wheel,
// and when, is timed here.
class TriggerLatency : public ::testing::TestWithParam<int> {};

constexpr int kPresses = 5;
constexpr auto kHeld = std::chrono::milliseconds(500);

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

TEST_P(TriggerLatency, TheForceFollowsTheButtonWithinATick)
{
    const auto period = std::chrono::milliseconds(GetParam());
    UhidWheel wheel(Uniq());
    ASSERT_FALSE(wheel.node().empty()) << wheel.error();
    LabOptions options = Options();
    options.devicePath = wheel.node();
    std::ostringstream commentary;
    LabOutcome outcome;
    // A nudge of one tick at the start says when the driver ticks.
    const std::string scenario =
        "download nudge constant duration=25000 gain=10000 axes=0,1 dir=0,1 constant=5000\n"
        "start nudge\n" +
        std::string(kKick) + "at 8000\n";
    std::thread lab([&] { outcome = RunScenario(Parsed(scenario), options, commentary); });
    const auto ticking = wheel.NextReceived(std::chrono::seconds(10));
    // Press k lasts from begin + (2k + 1) * kHeld to begin + (2k + 2) * kHeld.
    const Clock::time_point begin = Clock::now();
    const auto pressOf = [&](Clock::time_point at) { return (at - begin) / kHeld; };
    const Clock::time_point end = begin + (2 * kPresses + 1) * kHeld;
    std::vector<std::optional<Clock::time_point>> firstForce(kPresses);
    std::vector<std::optional<Clock::time_point>> lastForce(kPresses);
    int sent = 0;
    // Like a device on the bus it keeps its rate and never sends in bursts
    // when it falls behind; what the driver writes is timed as it arrives.
    for (Clock::time_point send = begin; ticking && send < end;
         send = std::max(send + period, Clock::now())) {
        InputReport report = EncodeInputReport({});
        SetWheelButton(report, 2, pressOf(send) % 2 == 1);
        wheel.SetInputReport(report);
        wheel.SendInputReport();
        ++sent;
        const auto left = [&] {
            return std::max(std::chrono::ceil<std::chrono::milliseconds>(send + period - Clock::now()),
                            std::chrono::milliseconds(0));
        };
        while (const auto received = wheel.NextReceived(left())) {
            const Clock::time_point now = Clock::now();
            const auto press = (pressOf(now) - 1) / 2;
            if (pressOf(now) < 1 || press >= kPresses ||
                std::all_of(received->begin(), received->end(), [](BYTE b) { return b == 0; }))
                continue;
            if (!firstForce[press])
                firstForce[press] = now;
            lastForce[press] = now;
        }
    }
    lab.join();
    ASSERT_TRUE(ticking) << "the driver wrote nothing within 10 s\n" << commentary.str();
    ASSERT_TRUE(outcome.ok) << commentary.str();
    const auto ms = [](Clock::duration duration) {
        return std::chrono::duration<double, std::milli>(duration).count();
    };
    std::vector<double> starts;
    std::vector<double> stops;
    for (int press = 0; press < kPresses; ++press) {
        ASSERT_TRUE(firstForce[press] && lastForce[press])
            << "no force for press " << press << "\n"
            << commentary.str() << FormatTimeline(outcome.timeline);
        const Clock::time_point down = begin + (2 * press + 1) * kHeld;
        starts.push_back(ms(*firstForce[press] - down));
        stops.push_back(ms(*lastForce[press] - (down + kHeld)));
    }
    std::printf(
        "wheel reporting every %d ms (%.0f reports a second), %d presses: first force %.1f ms after the "
        "press (median; at most %.1f), last %.1f ms after the release (median; at most %.1f)\n",
        GetParam(), sent * 1000 / ms(end - begin), kPresses, Median(starts),
        *std::max_element(starts.begin(), starts.end()), Median(stops),
        *std::max_element(stops.begin(), stops.end()));
    // One 25 ms tick and the 10 ms read wait, and for the end the 50 ms push
    // too, with room for the emulated machine's clock. The median, since a
    // machine emulated beside other work stalls a tick now and then.
    EXPECT_LE(Median(starts), 60.0);
    EXPECT_LE(Median(stops), 110.0);
}

INSTANTIATE_TEST_SUITE_P(Kernel, TriggerLatency, ::testing::Values(8, 1),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return "Every" + std::to_string(info.param) + "ms";
                         });

} // namespace
} // namespace torvex::lab
