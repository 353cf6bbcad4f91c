// torvex-ffd on a wheel the kernel made from /dev/uhid, in the emulated
// machine, driven through the kernel's uinput by a client nobody here
// wrote: fftest, from Debian's joystick package; and as the Debian package
// installs it.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/input.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <thread>

#include "tests/kernel/running_bridge.h"
#include "tests/lab/lab_test_support.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/uhid_wheel.h"
#include "tests/support/unique_fd.h"

namespace torvex::lab {
namespace {

using testing::ScratchFolder;
using testing::UhidWheel;

// The reports of a timeline as the lab prints it.
std::vector<std::vector<BYTE>> TimelineReports(const std::string& text)
{
    std::vector<std::vector<BYTE>> reports;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string time, kind;
        if (!(words >> time >> kind) || kind != "report")
            continue;
        std::vector<BYTE> bytes;
        for (unsigned byte = 0; words >> std::hex >> byte;)
            bytes.push_back(static_cast<BYTE>(byte));
        reports.push_back(bytes);
    }
    return reports;
}

std::size_t CountLines(const std::string& text, const std::string& start)
{
    std::size_t count = 0;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        count += line.rfind(start, 0) == 0 ? 1 : 0;
    return count;
}

TEST(KernelBridge, FftestsEffectsReachTheWheelAndTheWheelIsLetGoWhenFftestCloses)
{
    UhidWheel wheel("torvex-bridge-" + std::to_string(getpid()));
    ASSERT_FALSE(wheel.node().empty()) << wheel.error();
    const ScratchFolder folder;
    RunningBridge bridge(wheel, folder);
    const auto file = [&](const char* name) { return bridge.File(name); };
    const std::string& node = bridge.node();
    std::atomic<bool> done = false;
    std::vector<std::vector<BYTE>> received;
    std::thread wheelSide([&] {
        while (!done)
            if (auto report = wheel.NextReceived(std::chrono::milliseconds(50)))
                received.push_back(std::move(*report));
    });
    // fftest uploads its six effects (sine, constant, spring, damper, strong
    // and weak rumble), plays the first two a second each, and exits.
    const int fftest = node.empty()
                           ? -1
                           : std::system(("(sleep 1; echo 0; sleep 1; echo 1; sleep 1; echo -1) | fftest " +
                                          node + " >" + file("fftest.log") + " 2>&1")
                                             .c_str());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const bool ended = bridge.Stop();
    done = true;
    wheelSide.join();

    const std::string log = ReadText(file("bridge.log")) + ReadText(file("fftest.log"));
    ASSERT_FALSE(node.empty()) << "the bridge's device did not appear\n" << log;
    EXPECT_EQ(fftest, 0) << log;
    EXPECT_TRUE(ended) << log;
    const std::string trace = ReadText(file("trace"));
    EXPECT_EQ(CountLines(trace, "download "), 6u) << "every effect of fftest taken\n" << trace << log;
    EXPECT_EQ(CountLines(trace, "destroy "), 6u) << "the kernel erases them all when fftest closes\n"
                                                 << trace;
    EXPECT_EQ(received, TimelineReports(ReadText(file("timeline")))) << "the wheel got what the bridge wrote";
    ASSERT_FALSE(received.empty()) << log;
    EXPECT_TRUE(std::any_of(received.begin(), received.end(), [&](const std::vector<BYTE>& report) {
        return report != received.back();
    })) << "the plays pushed the wheel";
    EXPECT_EQ(received.back(), std::vector<BYTE>(5, 0)) << "the wheel is let go";
}

double Percentile(std::vector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1))];
}

// How long a game's upload waits for its answer: the game's ioctl, through
// the kernel's uinput, to the bridge, the driver and back.
TEST(KernelBridge, AnswersAGamesUploadsAtOnce)
{
    const UhidWheel wheel("torvex-uploads-" + std::to_string(getpid()));
    ASSERT_FALSE(wheel.node().empty()) << wheel.error();
    const ScratchFolder folder;
    RunningBridge bridge(wheel, folder);
    ASSERT_FALSE(bridge.node().empty()) << ReadText(bridge.File("bridge.log"));
    const testing::UniqueFd game(open(bridge.node().c_str(), O_RDWR | O_CLOEXEC));
    ASSERT_GE(game.get(), 0);

    constexpr int kUploads = 200;
    std::vector<double> created;
    std::vector<double> updated;
    std::vector<double> erased;
    for (int round = 0; round < kUploads; ++round) {
        ff_effect effect{};
        effect.type = FF_CONSTANT;
        effect.id = -1;
        effect.direction = 0x4000;
        effect.replay.length = 1000;
        for (std::vector<double>* times : {&created, &updated}) {
            effect.u.constant.level =
                static_cast<std::int16_t>(100 + round + static_cast<int>(times->size()));
            const auto before = std::chrono::steady_clock::now();
            ASSERT_EQ(ioctl(game.get(), EVIOCSFF, &effect), 0) << std::strerror(errno);
            times->push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - before).count());
        }
        const auto before = std::chrono::steady_clock::now();
        ASSERT_EQ(ioctl(game.get(), EVIOCRMFF, effect.id), 0) << std::strerror(errno);
        erased.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - before).count());
    }
    std::printf("an erase answered in %.2f ms (median; 99th percentile %.2f)\n", Percentile(erased, 0.5),
                Percentile(erased, 0.99));
    std::printf("an upload answered in %.2f ms (median; 99th percentile %.2f) for a new effect, %.2f ms "
                "(%.2f) for an update, %d of each\n",
                Percentile(created, 0.5), Percentile(created, 0.99), Percentile(updated, 0.5),
                Percentile(updated, 0.99), kUploads);
    // Well under 2 ms natively; the emulated machine is many times slower.
    EXPECT_LT(Percentile(created, 0.5), 20.0);
    EXPECT_LT(Percentile(updated, 0.5), 20.0);
}

// The package installed with dpkg while udevd runs (the machine runs none
// of its own), as a user installs it; the installed bridge then runs as its
// unit runs it: as the user torvex-ffd, with a /dev/shm of its own.
TEST(KernelPackage, GivesItsUserTheWheelsNodesAndTheInstalledBridgeRunsWithThemAlone)
{
    const ScratchFolder folder;
    const auto output = [&](const std::string& command) {
        std::system((command + " >" + (folder.path() / "output").string()).c_str());
        return ReadText(folder.path() / "output");
    };
    const std::string deb = output("ls " TORVEX_DIST_DIR "/zk5120-wheel_*.deb 2>/dev/null | tr -d '\\n'");
    ASSERT_FALSE(deb.empty()) << "the Debian package is not built (scripts/build.sh linux-package:package)";
    struct Purge {
        ~Purge() { std::system("dpkg --purge zk5120-wheel >/dev/null; udevadm control --exit"); }
    } purge;
    ASSERT_EQ(std::system(("/lib/systemd/systemd-udevd --daemon && dpkg -i " + deb).c_str()), 0);
    const std::string unit = (folder.path() / "torvex-ffd@hidraw7.service").string();
    EXPECT_EQ(std::system(("cp /usr/lib/systemd/system/torvex-ffd@.service " + unit +
                           " && systemd-analyze verify " + unit)
                              .c_str()),
              0);

    const UhidWheel wheel("torvex-package-" + std::to_string(getpid()));
    ASSERT_FALSE(wheel.node().empty()) << wheel.error();
    const std::string name = std::filesystem::path(wheel.node()).filename().string();
    const std::vector<std::string> asItsUnit = {
        "/usr/bin/unshare", "--mount", "/bin/sh", "-c",
        "mount -t tmpfs -o mode=1777 shm /dev/shm && exec setpriv --reuid=torvex-ffd --regid=torvex-ffd "
        "--init-groups /usr/bin/torvex-ffd --device " +
            wheel.node()};
    RunningBridge bridge(wheel, folder, asItsUnit);
    ASSERT_FALSE(bridge.node().empty()) << bridge.Log();
    // The wheel's hidraw and event nodes and uinput are the group's; the
    // bridge's joystick carries the wheel's ids too, yet is a joystick like
    // any other.
    EXPECT_EQ(output("udevadm settle && stat -c '%G %a' " + wheel.node() + " " + EventNodeOfHidraw(wheel.node()) +
                     " /dev/uinput " + bridge.node()),
              "torvex-ffd 660\ntorvex-ffd 660\ntorvex-ffd 660\ninput 660\n");
    EXPECT_NE(output("udevadm info --query=property --name=" + wheel.node())
                  .find("SYSTEMD_WANTS=torvex-ffd@" + name + ".service"),
              std::string::npos);
    // The seat's user (logind, by the uaccess tag) gets the bridge's
    // joystick and not the wheel's own node: a game sees one wheel.
    const auto tags = [&](const std::string& node) {
        return output("udevadm info --query=property --name=" + node + " | grep '^CURRENT_TAGS='");
    };
    EXPECT_NE(tags(bridge.node()).find(":uaccess:"), std::string::npos) << tags(bridge.node());
    EXPECT_EQ(tags(EventNodeOfHidraw(wheel.node())).find("uaccess"), std::string::npos);
    // A game's effect taken: the driver's lock is the bridge's own.
    const testing::UniqueFd game(open(bridge.node().c_str(), O_RDWR | O_CLOEXEC));
    ff_effect effect{};
    effect.type = FF_CONSTANT;
    effect.id = -1;
    effect.replay.length = 500;
    EXPECT_EQ(ioctl(game.get(), EVIOCSFF, &effect), 0) << std::strerror(errno);
    EXPECT_TRUE(bridge.Stop()) << bridge.Log();

    ASSERT_EQ(chmod("/dev/uinput", 0600), 0);
    RunningBridge refused(wheel, folder, asItsUnit);
    const std::string refusal = refused.Log();
    EXPECT_FALSE(refused.Stop()) << "it ended by itself, in failure";
    EXPECT_NE(refusal.find("cannot open /dev/uinput"), std::string::npos) << refusal;
    EXPECT_NE(refusal.find(std::strerror(EACCES)), std::string::npos) << refusal;
}

} // namespace
} // namespace torvex::lab
