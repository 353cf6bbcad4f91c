// torvex-ffd on a wheel the kernel made from /dev/uhid, in the emulated
// machine, driven through the kernel's uinput by a client nobody here
// wrote: fftest, from Debian's joystick package.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <thread>

#include "tests/lab/lab_test_support.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/uhid_wheel.h"

namespace torvex::lab {
namespace {

using testing::ScratchFolder;
using testing::UhidWheel;

// The event node of the bridge's device: the one named as the wheel that
// offers force feedback (the wheel's own node offers none).
std::string BridgeEventNode()
{
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/sys/class/input", error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("event", 0) != 0)
            continue;
        const auto device = entry.path() / "device";
        if (ReadText(device / "name") == "ZK-5120 Force Feedback Wheel\n" &&
            ReadText(device / "capabilities" / "ff") != "0\n")
            return "/dev/input/" + name;
    }
    return {};
}

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
    const auto file = [&](const char* name) { return (folder.path() / name).string(); };

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, file("bridge.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> args = {TORVEX_FFD,   "--device",   wheel.node(), "--trace",
                                     file("trace"), "--timeline", file("timeline")};
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t bridge = -1;
    ASSERT_EQ(posix_spawn(&bridge, TORVEX_FFD, &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);

    std::string node;
    for (int tries = 0; tries < 200 && node.empty(); ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        node = BridgeEventNode();
    }
    std::atomic<bool> done = false;
    std::vector<std::vector<BYTE>> received;
    std::thread wheelSide([&] {
        while (!done)
            if (auto report = wheel.NextReceived(std::chrono::milliseconds(50)))
                received.push_back(std::move(*report));
    });
    // fftest uploads its six effects (sine, constant, spring, damper, strong
    // and weak rumble), plays the first two a second each, and exits.
    const int fftest = node.empty() ? -1
                                    : std::system(("(sleep 1; echo 0; sleep 1; echo 1; sleep 1; echo -1) | fftest " +
                                                   node + " >" + file("fftest.log") + " 2>&1")
                                                      .c_str());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    kill(bridge, SIGTERM);
    int status = 0;
    waitpid(bridge, &status, 0);
    done = true;
    wheelSide.join();

    const std::string log = ReadText(file("bridge.log")) + ReadText(file("fftest.log"));
    ASSERT_FALSE(node.empty()) << "the bridge's device did not appear\n" << log;
    EXPECT_EQ(fftest, 0) << log;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << log;
    const std::string trace = ReadText(file("trace"));
    EXPECT_EQ(CountLines(trace, "download "), 6u) << "every effect of fftest taken\n" << trace << log;
    EXPECT_EQ(CountLines(trace, "destroy "), 6u) << "the kernel erases them all when fftest closes\n" << trace;
    EXPECT_EQ(received, TimelineReports(ReadText(file("timeline")))) << "the wheel got what the bridge wrote";
    ASSERT_FALSE(received.empty()) << log;
    EXPECT_TRUE(std::any_of(received.begin(), received.end(),
                            [&](const std::vector<BYTE>& report) { return report != received.back(); }))
        << "the plays pushed the wheel";
    EXPECT_EQ(received.back(), std::vector<BYTE>(5, 0)) << "the wheel is let go";
}

} // namespace
} // namespace torvex::lab
