// The lab's runs beyond the golden timelines: in real time on the POSIX
// timer, against a device node (a pseudo-terminal standing in for the
// wheel's hidraw file), with a registry file of the user's, and the ways a
// run fails.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/sim/registry_file.h"
#include "tests/lab/lab_test_support.h"
#include "tests/support/fixtures.h"
#include "tools/lab/lab_registry.h"
#include "tools/lab/lab_run.h"

namespace torvex::lab {
namespace {

using testing::FixturePath;
using testing::InstallFilePath;

constexpr const char* kPushFor300Ms = "download push constant duration=inf gain=10000 axes=0,1 dir=1,0 "
                                      "constant=10000\n"
                                      "start push\n"
                                      "at 300\n";

using Bytes = std::array<BYTE, 5>;
constexpr Bytes kFull = {0, 0, 0, 0x7F, 0};
constexpr Bytes kQuiet = {0, 0, 0, 0, 0};

std::vector<Bytes> Reports(const Timeline& timeline)
{
    std::vector<Bytes> reports;
    for (const TimelineEvent& event : timeline)
        if (event.kind == TimelineEvent::Kind::Report)
            reports.push_back(event.bytes);
    return reports;
}

// A file of the test's own, removed at the end.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& text)
        : path_(std::filesystem::temp_directory_path() /
                ("torvex-lab-test-" + std::to_string(getpid()) + "-" + std::to_string(++count_) + ".reg"))
    {
        std::ofstream(path_) << text;
    }
    ~TemporaryFile() { std::filesystem::remove(path_); }
    std::string path() const { return path_.string(); }

private:
    static inline int count_ = 0;
    std::filesystem::path path_;
};

// The installation's entries and a Windows XP machine's HID entries, where
// the wheel that is joystick 0 is known only through DirectInput's
// calibration entries, as one registry file.
std::string InstalledXpMachine()
{
    SimRegistry registry;
    RegistryFileError error;
    EXPECT_TRUE(registry.ImportFile(InstallFilePath(), &error));
    EXPECT_TRUE(registry.ImportFile(FixturePath("registry/winxp_hid.reg"), &error));
    return WriteRegistryFile(registry.Export("HKEY_LOCAL_MACHINE"));
}

TEST(LabRun, PlaysInRealTimeOnThePosixTimerAndMeasuresIt)
{
    LabOptions options = Options();
    options.realtime = true;
    options.stats = true;
    std::ostringstream commentary;
    const LabOutcome outcome = RunScenario(Parsed(kPushFor300Ms), options, commentary);
    ASSERT_TRUE(outcome.ok) << commentary.str();

    const std::vector<Bytes> reports = Reports(outcome.timeline);
    const auto full = std::count(reports.begin(), reports.end(), kFull);
    EXPECT_GE(full, 2);
    EXPECT_LE(full, 120);
    ASSERT_GE(reports.size(), 4u);
    EXPECT_TRUE(std::all_of(reports.end() - 4, reports.end(), [](const Bytes& r) { return r == kQuiet; }))
        << "the release lets go of the wheel";
    EXPECT_GE(outcome.endMs, 300u);
    EXPECT_LT(outcome.endMs, 10000u);
    EXPECT_TRUE(std::is_sorted(outcome.timeline.begin(), outcome.timeline.end(),
                               [](const auto& a, const auto& b) { return a.timeMs < b.timeMs; }));
    EXPECT_NE(commentary.str().find("timer: "), std::string::npos) << commentary.str();
}

// A pseudo-terminal in raw mode: what the lab writes to its device side
// arrives unchanged at the master side, which the test reads.
class PseudoTerminal {
public:
    PseudoTerminal()
    {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0 || ptsname(master_) == nullptr)
            return;
        path_ = ptsname(master_);
        termios attributes{};
        if (tcgetattr(master_, &attributes) != 0)
            return;
        cfmakeraw(&attributes);
        tcsetattr(master_, TCSANOW, &attributes);
        // Held open, so that the line is not hung up when the lab closes it.
        device_ = open(path_.c_str(), O_RDWR | O_NOCTTY);
    }
    ~PseudoTerminal()
    {
        if (device_ >= 0)
            close(device_);
        if (master_ >= 0)
            close(master_);
    }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    bool ready() const { return device_ >= 0; }
    const std::string& path() const { return path_; }

    std::vector<BYTE> Received()
    {
        std::vector<BYTE> bytes;
        pollfd entry{master_, POLLIN, 0};
        while (poll(&entry, 1, 100) == 1 && (entry.revents & POLLIN) != 0) {
            BYTE chunk[256];
            const ssize_t got = read(master_, chunk, sizeof chunk);
            if (got <= 0)
                break;
            bytes.insert(bytes.end(), chunk, chunk + got);
        }
        return bytes;
    }

private:
    int master_ = -1;
    int device_ = -1;
    std::string path_;
};

TEST(LabRun, DrivesADeviceNodeAndLeavesTheWheelCommandsAlone)
{
    PseudoTerminal terminal;
    ASSERT_TRUE(terminal.ready()) << "no pseudo-terminal";
    LabOptions options = Options();
    options.devicePath = terminal.path();
    std::ostringstream commentary;
    const LabOutcome outcome = RunScenario(
        Parsed(std::string("wheel buttons=0x001\nunplug\n") + kPushFor300Ms), options, commentary);
    ASSERT_TRUE(outcome.ok) << commentary.str();
    EXPECT_NE(commentary.str().find("line 1: wheel: a real device is not the lab's to move"),
              std::string::npos)
        << commentary.str();
    EXPECT_NE(commentary.str().find("line 2: unplug"), std::string::npos);

    const std::vector<Bytes> reports = Reports(outcome.timeline);
    EXPECT_GE(std::count(reports.begin(), reports.end(), kFull), 2);
    std::vector<BYTE> expected;
    for (const Bytes& report : reports)
        expected.insert(expected.end(), report.begin(), report.end());
    EXPECT_EQ(terminal.Received(), expected) << "the timeline holds exactly what reached the device";
}

TEST(LabRun, TakesTheWholeRegistryFromAFileAndFindsItsWheel)
{
    const TemporaryFile registryFile(InstalledXpMachine());
    LabOptions options = Options();
    options.registryFile = registryFile.path();
    std::ostringstream commentary;
    const LabOutcome outcome = RunScenario(Parsed(kPushFor300Ms), options, commentary);
    ASSERT_TRUE(outcome.ok) << commentary.str();
    const std::vector<Bytes> reports = Reports(outcome.timeline);
    EXPECT_EQ(std::count(reports.begin(), reports.end(), kFull), 12) << commentary.str();
}

TEST(LabRun, ARegistryWithoutTheWheelLeavesTheDriverWithoutOne)
{
    const TemporaryFile registryFile("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software]\n");
    LabOptions options = Options();
    options.registryFile = registryFile.path();
    std::ostringstream commentary;
    const LabOutcome outcome = RunScenario(Parsed(kPushFor300Ms), options, commentary);
    EXPECT_TRUE(outcome.ok) << commentary.str();
    EXPECT_TRUE(Reports(outcome.timeline).empty());
    EXPECT_NE(commentary.str().find("has no active wheel that is joystick 0"), std::string::npos)
        << commentary.str();
}

TEST(LabRun, LoadsTheClassTheWheelsEntriesName)
{
    const TemporaryFile registryFile(
        "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\MediaProperties\\"
        "PrivateProperties\\Joystick\\OEM\\VID_6D2A&PID_0005\\OEMForceFeedback]\n"
        "\"CLSID\"=\"{00000000-1111-2222-3333-444444444444}\"\n");
    LabOptions options = Options();
    options.registryFile = registryFile.path();
    std::ostringstream commentary;
    EXPECT_FALSE(RunScenario(Parsed(kPushFor300Ms), options, commentary).ok);
    EXPECT_NE(commentary.str().find("DllGetClassObject answered 0x80040111"), std::string::npos)
        << commentary.str();
}

TEST(LabRun, FailsWithoutALoadableModuleOrInstallation)
{
    LabOptions options = Options();
    options.modulePath = "/nonexistent/TorvexFF.so";
    std::ostringstream commentary;
    EXPECT_FALSE(RunScenario(Parsed(kPushFor300Ms), options, commentary).ok);
    EXPECT_NE(commentary.str().find("cannot load the effect driver"), std::string::npos) << commentary.str();

    options = Options();
    options.installFile = "/nonexistent/TorvexFF.reg";
    commentary.str("");
    EXPECT_FALSE(RunScenario(Parsed(kPushFor300Ms), options, commentary).ok);
    EXPECT_NE(commentary.str().find("cannot read the installation's entries"), std::string::npos)
        << commentary.str();
}

TEST(LabRegistry, EffectIdsComeFromTheInstallationsRecords)
{
    SimRegistry registry;
    for (DWORD index = 0; index < kEffectTypeCount; ++index) {
        const auto type = static_cast<EffectType>(index);
        EXPECT_EQ(EffectIdIn(registry, type), InstalledEffectId(type)) << "no record: the usual id";
    }
    RegistryFileError error;
    ASSERT_TRUE(registry.ImportFile(InstallFilePath(), &error));
    for (DWORD index = 0; index < kEffectTypeCount; ++index) {
        const auto type = static_cast<EffectType>(index);
        EXPECT_EQ(EffectIdIn(registry, type), InstalledEffectId(type)) << EffectTypeName(type);
    }
    const std::string sineRecord = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\MediaProperties\\"
                                   "PrivateProperties\\Joystick\\OEM\\VID_6D2A&PID_0005\\OEMForceFeedback\\"
                                   "Effects\\{13541C23-8E33-11D0-9AD0-00A0C9A06E35}";
    registry.SetValueAt(sineRecord, "Attributes", REG_BINARY, {0x42, 0, 0, 0, 3, 6});
    EXPECT_EQ(EffectIdIn(registry, EffectType::Sine), 0x42u);
    registry.SetValueAt(sineRecord, "Attributes", REG_BINARY, {0x42, 0});
    EXPECT_EQ(EffectIdIn(registry, EffectType::Sine), 3u) << "a record too short for an id";
}

TEST(LabRegistry, TheLabsWheelIsFoundWhereDiscoveryLooks)
{
    SimRegistry registry;
    AddWheelDeviceEntry(registry, "/dev/hidraw7", kLabJoystickId);
    EXPECT_EQ(WheelPathIn(registry), "/dev/hidraw7");

    SimRegistry xp;
    RegistryFileError error;
    ASSERT_TRUE(xp.ImportFile(FixturePath("registry/winxp_hid.reg"), &error));
    EXPECT_EQ(WheelPathIn(xp),
              "\\\\?\\hid#vid_6d2a&pid_0005#7&2b40c7&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}")
        << "the inactive instance is passed over, the one with joystick 1 too";
}

} // namespace
} // namespace torvex::lab
