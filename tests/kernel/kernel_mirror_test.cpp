// torvex-ffd as the one wheel games see, through the real kernel in the
// emulated machine: its device mirrors the wheel's own event node, which it
// takes for itself; it ends when the wheel is unplugged; and a game made
// with SDL2 finds one joystick whose forces reach the wheel.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/input.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <map>
#include <regex>
#include <tuple>

#include "platform/posix/posix_event_node.h"
#include "tests/kernel/running_bridge.h"
#include "tests/support/unique_fd.h"

namespace torvex::lab {
namespace {

using testing::ScratchFolder;
using testing::UhidWheel;
using testing::UniqueFd;

// A node's layout, read (and let go again) with the bridge's own reader.
UinputDeviceSetup LayoutOf(const std::string& node, int* result)
{
    UinputDeviceSetup layout;
    PosixEventNode reader(node);
    *result = reader.Open(&layout);
    return layout;
}

auto Comparable(const UinputDeviceSetup& layout)
{
    std::vector<std::tuple<int, int, int, int, int, int>> axes;
    for (const auto& [code, range] : layout.axes)
        axes.emplace_back(code, range.minimum, range.maximum, range.fuzz, range.flat, range.resolution);
    return std::tuple(layout.name, layout.id.bustype, layout.id.vendor, layout.id.product, layout.id.version,
                      layout.keys, axes, layout.miscs);
}

// What a reader of `fd` holds after the events of one report: each code's
// value, by type and code.
using NodeState = std::map<std::pair<int, int>, int>;

// The events of one report: the kernel may split a report with many
// changes into several SYN_REPORTs, so they are read until none follows.
bool ReadReport(int fd, NodeState* state)
{
    bool synced = false;
    for (pollfd waiting{fd, POLLIN, 0}; poll(&waiting, 1, synced ? 200 : 2000) > 0;) {
        input_event event{};
        if (read(fd, &event, sizeof event) != sizeof event)
            return false;
        synced = event.type == EV_SYN && event.code == SYN_REPORT;
        if (event.type == EV_KEY || event.type == EV_ABS)
            (*state)[{event.type, event.code}] = event.value;
    }
    return synced;
}

// The node's present state as the kernel keeps it, for the codes in `like`.
NodeState StateOf(int fd, const NodeState& like)
{
    NodeState state;
    unsigned long keys[KEY_CNT / (8 * sizeof(unsigned long)) + 1] = {};
    ioctl(fd, EVIOCGKEY(sizeof keys), keys);
    for (const auto& [which, value] : like) {
        const auto [type, code] = which;
        input_absinfo axis{};
        if (type == EV_ABS && ioctl(fd, EVIOCGABS(code), &axis) == 0)
            state[which] = axis.value;
        if (type == EV_KEY)
            state[which] =
                (keys[code / (8 * sizeof(unsigned long))] >> (code % (8 * sizeof(unsigned long)))) & 1;
    }
    return state;
}

TEST(KernelMirror, TheBridgesDeviceIsTheWholeWheelAndTheWheelsOwnNodeIsTaken)
{
    UhidWheel wheel("torvex-mirror-" + std::to_string(getpid()));
    ASSERT_FALSE(wheel.node().empty()) << wheel.error();
    const std::string own = EventNodeOfHidraw(wheel.node());
    ASSERT_FALSE(own.empty()) << "the kernel gave the wheel an event node";
    int read = 0;
    const UinputDeviceSetup wheelLayout = LayoutOf(own, &read);
    ASSERT_EQ(read, 0);
    ASSERT_FALSE(wheelLayout.axes.empty());
    const UniqueFd earlyReader(open(own.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));

    const ScratchFolder folder;
    RunningBridge bridge(wheel, folder);
    ASSERT_FALSE(bridge.node().empty()) << bridge.Log();
    EXPECT_EQ(Comparable(LayoutOf(bridge.node(), &read)), Comparable(wheelLayout));
    EXPECT_EQ(read, 0);
    LayoutOf(own, &read);
    EXPECT_EQ(read, -EBUSY) << "the wheel's own node is the bridge's alone";

    // Each field of the report alone, then all at once.
    const std::vector<WheelInputState> reports = {
        {.wheel = 201},
        {.accelerator = 90},
        {.brake = 255},
        {.hat = 2},
        {.buttons = 0x001},
        {.buttons = 0x800},
        {.wheel = 3, .accelerator = 17, .brake = 40, .hat = 7, .buttons = 0x5A5},
    };
    const UniqueFd game(open(bridge.node().c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    const UniqueFd owned(open(own.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    NodeState seen;
    for (const WheelInputState& state : reports) {
        wheel.SetInputReport(EncodeInputReport(state));
        wheel.SendInputReport();
        ASSERT_TRUE(ReadReport(game.get(), &seen)) << "the report arrived on the bridge's device";
        EXPECT_EQ(seen, StateOf(owned.get(), seen)) << "as the kernel read it from the wheel";
    }
    input_event event{};
    EXPECT_LT(::read(earlyReader.get(), &event, sizeof event), 0)
        << "a game that opened the wheel's own node gets nothing";

    // Held while the wheel moves: more changes than the kernel keeps for a
    // reader, so it drops some, and the bridge must catch up with the state.
    bridge.Hold(true);
    for (int step = 0; step < 200; ++step) {
        wheel.SetInputReport(
            EncodeInputReport({.wheel = static_cast<BYTE>(step), .buttons = static_cast<WORD>(step)}));
        wheel.SendInputReport();
    }
    bridge.Hold(false);
    while (ReadReport(game.get(), &seen)) {
    }
    EXPECT_EQ(seen, StateOf(owned.get(), seen)) << "the bridge's device ends where the wheel is";
    EXPECT_EQ((seen[{EV_ABS, ABS_X}]), 199);
}

int Upload(int fd, ff_effect* effect)
{
    return ioctl(fd, EVIOCSFF, effect) == 0 ? 0 : -errno;
}

TEST(KernelMirror, AnUnpluggedWheelEndsTheBridgeAndTheGamesUploadFailsAtOnce)
{
    UhidWheel wheel("torvex-gone-" + std::to_string(getpid()));
    ASSERT_FALSE(wheel.node().empty()) << wheel.error();
    const ScratchFolder folder;
    RunningBridge bridge(wheel, folder);
    ASSERT_FALSE(bridge.node().empty()) << bridge.Log();
    UniqueFd game(open(bridge.node().c_str(), O_RDWR | O_CLOEXEC));
    ff_effect effect = Effect(FF_CONSTANT, 0x4000, {.constant = {0x5000, {}}});
    ASSERT_EQ(Upload(game.get(), &effect), 0);
    ASSERT_TRUE(SendEvents(game.get(), {{static_cast<std::uint16_t>(effect.id), 1}}));

    wheel.Unplug();
    EXPECT_TRUE(bridge.Ended(std::chrono::seconds(10))) << bridge.Log();
    EXPECT_NE(bridge.Log().find("the wheel was unplugged"), std::string::npos) << bridge.Log();
    const auto before = std::chrono::steady_clock::now();
    effect.u.constant.level = 0x2000;
    EXPECT_EQ(Upload(game.get(), &effect), -ENODEV);
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(5)) << "not the kernel's 30 s";

    // Plugged in again: a new bridge (systemd starts one), and the game
    // finds the wheel again.
    wheel.Plug();
    ASSERT_FALSE(wheel.node().empty()) << wheel.error();
    const ScratchFolder again;
    RunningBridge next(wheel, again);
    ASSERT_FALSE(next.node().empty()) << next.Log();
    game.Reset(open(next.node().c_str(), O_RDWR | O_CLOEXEC));
    effect.id = -1;
    EXPECT_EQ(Upload(game.get(), &effect), 0);
    EXPECT_TRUE(next.Stop()) << next.Log();
}

bool Pushed(const std::vector<std::vector<BYTE>>& reports)
{
    return std::any_of(reports.begin(), reports.end(),
                       [](const std::vector<BYTE>& report) { return report[3] != 0 || report[4] != 0; });
}

// Two wheels, two bridges (as systemd starts one for each): a game's force
// on one bridge moves its own wheel only.
TEST(KernelMirror, EachOfTwoWheelsHasItsOwnBridge)
{
    UhidWheel first("torvex-first-" + std::to_string(getpid()));
    UhidWheel second("torvex-second-" + std::to_string(getpid()));
    ASSERT_FALSE(first.node().empty() || second.node().empty()) << first.error() << second.error();
    const ScratchFolder firstFolder, secondFolder;
    RunningBridge firstBridge(first, firstFolder), secondBridge(second, secondFolder);
    ASSERT_FALSE(firstBridge.node().empty() || secondBridge.node().empty())
        << firstBridge.Log() << secondBridge.Log();
    ASSERT_NE(firstBridge.node(), secondBridge.node());
    for (auto [bridge, wheel, other] :
         {std::tuple{&firstBridge, &first, &second}, {&secondBridge, &second, &first}}) {
        const UniqueFd game(open(bridge->node().c_str(), O_RDWR | O_CLOEXEC));
        ff_effect effect = Effect(FF_CONSTANT, 0x4000, {.constant = {0x6000, {}}}, 200);
        ASSERT_EQ(Upload(game.get(), &effect), 0);
        ASSERT_TRUE(SendEvents(game.get(), {{static_cast<std::uint16_t>(effect.id), 1}}));
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        EXPECT_TRUE(Pushed(wheel->TakeReceived())) << bridge->Log();
        EXPECT_FALSE(Pushed(other->TakeReceived()));
    }
}

// SDL2 as a game runs it, as the seat's user: logind gives that user the
// bridge's node (a joystick), and the wheel's own node is not the user's.
TEST(KernelMirror, AnSdlGameSeesOneJoystickWithHapticsAndItsForcesReachTheWheel)
{
#ifndef TORVEX_SDL_GAME
    FAIL() << "built without SDL2 (Debian's libsdl2-dev, which scripts/setup.sh installs for the tests)";
#else
    UhidWheel wheel("torvex-sdl-" + std::to_string(getpid()));
    ASSERT_FALSE(wheel.node().empty()) << wheel.error();
    const ScratchFolder folder;
    RunningBridge bridge(wheel, folder);
    ASSERT_FALSE(bridge.node().empty()) << bridge.Log();
    ASSERT_EQ(chmod(bridge.node().c_str(), 0666), 0);
    ASSERT_EQ(chmod(EventNodeOfHidraw(wheel.node()).c_str(), 0600), 0);
    WheelSide wheelSide(wheel);
    const std::string log = bridge.File("sdl.log");
    const int ran = std::system(
        ("setpriv --reuid=65534 --regid=65534 --clear-groups " TORVEX_SDL_GAME " >" + log + " 2>&1").c_str());
    const auto received = wheelSide.Take();
    const std::string output = ReadText(log);
    std::printf("%s", output.c_str());
    EXPECT_EQ(ran, 0) << output;
    EXPECT_NE(output.find("joysticks 1\n"), std::string::npos) << output;
    // SDL's id of a device: bus 3 (USB), a checksum of the name, then the
    // wheel's vendor and product ids, which is what its databases know.
    EXPECT_TRUE(
        std::regex_search(output, std::regex("axes 4 buttons 12 hats 1 haptic 1 guid 0300....2a6d00000500")))
        << output;
    EXPECT_NE(output.find("played constant 0 rumble 0\n"), std::string::npos) << output;
    EXPECT_TRUE(Pushed(received)) << "the game's forces reached the wheel\n" << output << bridge.Log();
#endif
}

} // namespace
} // namespace torvex::lab
