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
#include "driver/device/force_report.h"
#include "tests/lab/lab_test_support.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/uhid_wheel.h"
#include "tests/support/unique_fd.h"
#include "tools/ffbridge/ff_effect_table.h"

namespace torvex::lab {
namespace {

using testing::ScratchFolder;
using testing::UhidWheel;

struct TimedReport {
    DWORD ms = 0;
    std::vector<BYTE> bytes;
};
using TimedReports = std::vector<TimedReport>;

// The reports of a timeline as the lab prints it, with their times.
TimedReports TimelineReports(const std::string& text)
{
    TimedReports reports;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        TimedReport report;
        std::string kind;
        if (!(words >> report.ms >> kind) || kind != "report")
            continue;
        for (unsigned byte = 0; words >> std::hex >> byte;)
            report.bytes.push_back(static_cast<BYTE>(byte));
        reports.push_back(report);
    }
    return reports;
}

std::vector<std::vector<BYTE>> Bytes(const TimedReports& reports)
{
    std::vector<std::vector<BYTE>> bytes;
    for (const TimedReport& report : reports)
        bytes.push_back(report.bytes);
    return bytes;
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
    WheelSide wheelSide(wheel);
    // fftest uploads its six effects (sine, constant, spring, damper, strong
    // and weak rumble), plays the first two a second each, and exits.
    const int fftest = node.empty()
                           ? -1
                           : std::system(("(sleep 1; echo 0; sleep 1; echo 1; sleep 1; echo -1) | fftest " +
                                          node + " >" + file("fftest.log") + " 2>&1")
                                             .c_str());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const bool ended = bridge.Stop();
    const std::vector<std::vector<BYTE>> received = wheelSide.Take();

    const std::string log = ReadText(file("bridge.log")) + ReadText(file("fftest.log"));
    ASSERT_FALSE(node.empty()) << "the bridge's device did not appear\n" << log;
    EXPECT_EQ(fftest, 0) << log;
    EXPECT_TRUE(ended) << log;
    const std::string trace = ReadText(file("trace"));
    EXPECT_EQ(CountLines(trace, "download "), 6u) << "every effect of fftest taken\n" << trace << log;
    EXPECT_EQ(CountLines(trace, "destroy "), 6u) << "the kernel erases them all when fftest closes\n"
                                                 << trace;
    ASSERT_FALSE(received.empty()) << log;
    EXPECT_TRUE(std::any_of(received.begin(), received.end(), [&](const std::vector<BYTE>& report) {
        return report != received.back();
    })) << "the plays pushed the wheel";
    EXPECT_EQ(received.back(), std::vector<BYTE>(5, 0)) << "the wheel is let go";
}

// How the wheel's reports are held against the lab's replay of the
// bridge's trace. Both play the same calls at the same times (ms since the
// driver was bound), but the replay ticks at exactly 25, 50, ... ms and the
// bridge's driver on a real timer of any phase, whose ticks come late now
// and then. A tick plays an effect at its time since the first tick after
// its start, which on each side comes within a tick of the start (within
// two when late): the wheel gets the replay's waves shifted by up to two
// ticks. So every report the wheel got at t lies, channel by channel,
// within the forces the replay held during [t - 50, t + 50] (a side holds
// its last report until the next), widened by 2 units: the most a wave
// moves past the replay's ticks, at a triangle's corner or a sawtooth's
// step, with forces under 70 and periods of a second. A byte 0 stands for
// any force under 16, which the wheel does not feel. A report within two
// ticks of a traced call may show up to a tick more of the wave the call
// ended or changed than the replay sampled (the wheel's wave may run ahead,
// and the driver's tick may take its lock between the time traced and the
// call), so it is widened by the largest step between the replay's reports
// there (a step within the dead zone counting as up to 15).
// The other way, every force the replay holds for three ticks or more must
// be met by the wheel within [r - 50, r + 200]: a stop and the erase behind
// it each keep the driver's tick waiting while the effect settles (25 ms),
// an erase 63 ms in the emulated machine (90 at its 99th percentile). The
// replay's shorter states are a wave's samples, checked the first way, or a
// settle (with the bridge's own time, up to two ticks of the replay) that
// the wheel's tick waits out.
constexpr DWORD kTickMs = 25;
constexpr DWORD kMatchWindowMs = 2 * kTickMs;
constexpr int kMatchSlack = 2;
constexpr DWORD kDriverLateMs = 150;
constexpr DWORD kSteadyMs = 3 * kTickMs;

std::pair<int, int> ForcesOf(BYTE channel)
{
    return channel == 0 ? std::pair{0, static_cast<int>(kSmallestChannelStrength) - 1}
                        : std::pair{+channel, +channel};
}

// `calls`: the traced calls' times, around which a report may run a tick on.
void ExpectForcesWithin(const TimedReports& checked, const TimedReports& held, DWORD lateMs,
                        const std::vector<DWORD>& calls, const char* what)
{
    const std::vector<BYTE> letGo(kForceReportSize, 0);
    std::ostringstream misses;
    int missed = 0;
    for (const TimedReport& report : checked) {
        const DWORD from = report.ms - std::min(report.ms, kMatchWindowMs);
        auto next = std::upper_bound(held.begin(), held.end(), from,
                                     [](DWORD ms, const TimedReport& other) { return ms < other.ms; });
        std::vector<const std::vector<BYTE>*> window{next == held.begin() ? &letGo : &std::prev(next)->bytes};
        for (; next != held.end() && next->ms <= report.ms + kMatchWindowMs + lateMs; ++next)
            window.push_back(&next->bytes);
        const bool nearCall = std::any_of(calls.begin(), calls.end(), [&](DWORD call) {
            return (call > report.ms ? call - report.ms : report.ms - call) <= kMatchWindowMs;
        });
        for (std::size_t channel = kChannelByteOffset; channel < kForceReportSize; ++channel) {
            int low = 255;
            int high = 0;
            int step = 0;
            for (std::size_t index = 0; index < window.size(); ++index) {
                low = std::min(low, ForcesOf(window[index]->at(channel)).first);
                high = std::max(high, ForcesOf(window[index]->at(channel)).second);
                if (nearCall && index > 0) {
                    const auto [before, after] = std::pair{ForcesOf(window[index - 1]->at(channel)),
                                                           ForcesOf(window[index]->at(channel))};
                    step = std::max({step, after.second - before.first, before.second - after.first});
                }
            }
            const auto [ownLow, ownHigh] = ForcesOf(report.bytes.at(channel));
            if (ownHigh >= low - kMatchSlack - step && ownLow <= high + kMatchSlack + step)
                continue;
            if (++missed <= 10)
                misses << report.ms << " ms, channel " << channel - kChannelByteOffset << ": "
                       << +report.bytes[channel] << ", held " << low << ".." << high << "\n";
        }
    }
    EXPECT_EQ(missed, 0) << what << "\n" << misses.str();
}

// The times of a trace's lines that start with `start`.
std::vector<DWORD> TraceTimes(const std::string& trace, const std::string& start)
{
    std::vector<DWORD> times;
    std::istringstream lines(trace);
    DWORD now = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("at ", 0) == 0)
            now = static_cast<DWORD>(std::stoul(line.substr(3)));
        else if (line.rfind(start, 0) == 0)
            times.push_back(now);
    }
    return times;
}

// What the wheel received (`real`) against the replay of the bridge's
// `trace`, as above; both end with the wheel let go.
void ExpectWheelAsReplayed(const std::string& trace, const TimedReports& real, const TimedReports& replay)
{
    TimedReports steady;
    for (std::size_t index = 0, next = 0; index < replay.size(); index = next) {
        for (next = index + 1; next < replay.size() && replay[next].bytes == replay[index].bytes; ++next)
            ;
        if (next == replay.size() || replay[next].ms - replay[index].ms >= kSteadyMs)
            steady.insert(steady.end(), replay.begin() + index, replay.begin() + next);
    }
    ExpectForcesWithin(real, replay, 0, TraceTimes(trace, ""),
                       "a report of the wheel the replay does not explain");
    ExpectForcesWithin(steady, real, kDriverLateMs, {}, "a steady force of the replay the wheel did not get");
    const std::vector<BYTE> letGo(kForceReportSize, 0);
    EXPECT_TRUE(!real.empty() && real.back().bytes == letGo) << "the wheel is let go";
    EXPECT_TRUE(!replay.empty() && replay.back().bytes == letGo) << "the replay lets it go";
}

// The report in force at `ms`.
std::vector<BYTE> HeldAt(const TimedReports& reports, DWORD ms)
{
    std::vector<BYTE> held(kForceReportSize, 0);
    for (const TimedReport& report : reports)
        if (report.ms <= ms)
            held = report.bytes;
    return held;
}

// A period of a second (see kMatchSlack), started three quarters through:
// each play meets a step or a corner at 250 ms.
ff_effect Periodic(std::uint16_t waveform, std::int16_t magnitude, std::uint16_t direction)
{
    const ff_envelope attack = {
        .attack_length = 150, .attack_level = 0x2000, .fade_length = 0, .fade_level = 0};
    return Effect(FF_PERIODIC, direction,
                  {.periodic = {waveform, 1000, magnitude, 0x0600, 0xC000, attack, 0, nullptr}});
}

ff_effect Condition(std::uint16_t type, std::int16_t coefficient)
{
    const ff_condition_effect axis = {0xC000, 0xA000, coefficient, static_cast<std::int16_t>(coefficient / 3),
                                      0x0800, 0x0400};
    return Effect(type, 0x4000, {.condition = {axis, axis}});
}

// A game of our own on the bridge's event node: every kind of effect
// uploaded, played, changed while it plays, stopped, played again and
// erased; a flood of uploads to the kernel's limit and of plays and stops;
// two gains; and the file closed with effects loaded and playing. What the
// wheel received must be what the lab's replay of the trace gives.
TEST(KernelBridge, OwnClientsEffectsFloodsAndCloseReachTheWheelAsTheTraceReplays)
{
    UhidWheel wheel("torvex-client-" + std::to_string(getpid()));
    ASSERT_FALSE(wheel.node().empty()) << wheel.error();
    const ScratchFolder folder;
    RunningBridge bridge(wheel, folder);
    const auto file = [&](const char* name) { return bridge.File(name); };
    ASSERT_FALSE(bridge.node().empty()) << ReadText(file("bridge.log"));
    WheelSide wheelSide(wheel);
    testing::UniqueFd game(open(bridge.node().c_str(), O_RDWR | O_CLOEXEC));
    ASSERT_GE(game.get(), 0) << std::strerror(errno);
    const auto hold = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
    const auto upload = [&](ff_effect& effect) {
        return ioctl(game.get(), EVIOCSFF, &effect) == 0 ? 0 : errno;
    };

    // 0xC000 is a device gain of 7500: three quarters of every force.
    ASSERT_TRUE(SendEvents(game.get(), {{FF_GAIN, 0xC000}}));
    const ff_envelope attack{.attack_length = 200, .attack_level = 0x1800, .fade_length = 0, .fade_level = 0};
    const struct {
        const char* what;
        ff_effect effect;
        ff_effect update; // changes what the wheel feels
    } kinds[] = {
        {"constant", Effect(FF_CONSTANT, 0x3000, {.constant = {0x5000, attack}}),
         Effect(FF_CONSTANT, 0x6000, {.constant = {0x6800, attack}})},
        {"ramp", Effect(FF_RAMP, 0xA000, {.ramp = {0x1800, 0x7000, {}}}, 800),
         Effect(FF_RAMP, 0x9000, {.ramp = {0x1800, 0x3000, {}}}, 800)},
        {"square", Periodic(FF_SQUARE, 0x5C00, 0x2800), Periodic(FF_SQUARE, 0x7000, 0x6000)},
        {"triangle", Periodic(FF_TRIANGLE, 0x5C00, 0x2800), Periodic(FF_TRIANGLE, 0x7000, 0x6000)},
        {"sine", Periodic(FF_SINE, 0x5C00, 0x2800), Periodic(FF_SINE, 0x7000, 0x6000)},
        {"saw up", Periodic(FF_SAW_UP, 0x5C00, 0x2800), Periodic(FF_SAW_UP, 0x7000, 0x6000)},
        {"saw down", Periodic(FF_SAW_DOWN, 0x5C00, 0x2800), Periodic(FF_SAW_DOWN, 0x7000, 0x6000)},
        {"spring", Condition(FF_SPRING, 0x3000), Condition(FF_SPRING, 0x5000)},
        {"damper", Condition(FF_DAMPER, 0x3000), Condition(FF_DAMPER, 0x5000)},
        {"inertia", Condition(FF_INERTIA, 0x3000), Condition(FF_INERTIA, 0x5000)},
        {"friction", Condition(FF_FRICTION, 0x3000), Condition(FF_FRICTION, 0x5000)},
        {"rumble", Effect(FF_RUMBLE, 0, {.rumble = {0xA000, 0x5000}}),
         Effect(FF_RUMBLE, 0, {.rumble = {0x3000, 0xE000}})},
    };
    for (auto kind : kinds) {
        SCOPED_TRACE(kind.what);
        ASSERT_EQ(upload(kind.effect), 0) << std::strerror(errno);
        const auto id = static_cast<std::uint16_t>(kind.effect.id);
        kind.update.id = kind.effect.id;
        ASSERT_TRUE(SendEvents(game.get(), {{id, 1}}));
        hold(300);
        ASSERT_EQ(upload(kind.update), 0);
        hold(300);
        ASSERT_TRUE(SendEvents(game.get(), {{id, 0}}));
        hold(150);
        ASSERT_TRUE(SendEvents(game.get(), {{id, 1}}));
        hold(300);
        ASSERT_EQ(ioctl(game.get(), EVIOCRMFF, id), 0) << std::strerror(errno);
        hold(150);
    }

    // The flood: constants pushing right. The first, the strongest, plays
    // through a burst of plays and stops of the others; the burst ends with
    // the weakest played and the first stopped: any other left playing
    // would show.
    std::vector<ff_effect> flood;
    for (int index = 0; index < static_cast<int>(ffbridge::kMaxBridgeEffects); ++index) {
        const auto level = static_cast<std::int16_t>(index == 0 ? 0x6000 : 0x3000 + index * 0x40);
        flood.push_back(Effect(FF_CONSTANT, 0x4000, {.constant = {level, {}}}));
        ASSERT_EQ(upload(flood.back()), 0) << index;
    }
    ff_effect extra = flood.back();
    extra.id = -1;
    EXPECT_EQ(upload(extra), ENOSPC) << "one past the kernel's limit";
    const auto id = [&](int index) { return static_cast<std::uint16_t>(flood[index].id); };
    std::vector<std::pair<std::uint16_t, int>> burst = {{id(0), 1}};
    for (int index = 1; index < static_cast<int>(flood.size()); ++index)
        burst.insert(burst.end(), {{id(index), 1}, {id(index), 0}});
    burst.insert(burst.end(), {{id(1), 1}, {id(0), 0}});
    // Eight events every 10 ms, as fast as the bridge reads them: the kernel
    // keeps 16 for it and overwrites the older ones.
    for (std::size_t at = 0; at < burst.size(); at += 8) {
        ASSERT_TRUE(
            SendEvents(game.get(), {burst.begin() + at, burst.begin() + std::min(at + 8, burst.size())}));
        hold(10);
    }
    // An upload is answered in turn, after every play before it.
    ASSERT_EQ(upload(flood[1]), 0);
    hold(300);
    // 0x9000 is 5625.
    ASSERT_TRUE(SendEvents(game.get(), {{FF_GAIN, 0x9000}}));
    hold(300);
    game.Reset();
    hold(300);
    const std::string trace = ReadText(file("trace"));
    const std::vector<std::vector<BYTE>> beforeStop = wheelSide.Take();
    const bool ended = bridge.Stop();

    const std::string log = ReadText(file("bridge.log"));
    EXPECT_TRUE(ended) << log;
    EXPECT_EQ(CountLines(trace, "destroy "), CountLines(trace, "download "))
        << "closing erased every effect\n"
        << log;
    const TimedReports real = TimelineReports(ReadText(file("timeline")));
    EXPECT_EQ(beforeStop, Bytes(real))
        << "the wheel got what the bridge wrote, and was let go before it stopped";
    ASSERT_EQ(std::system(
                  (std::string(TORVEX_LAB) + " " + file("trace") + " >" + file("replay") + " 2>&1").c_str()),
              0)
        << ReadText(file("replay"));
    const TimedReports replay = TimelineReports(ReadText(file("replay")));
    ExpectWheelAsReplayed(trace, real, replay);

    // The weakest of the flood, 0x3040 (3770) x 0.75 x 127 = 35.9, then at
    // the second gain x 0.5625 = 26.9: the burst's last events reached the
    // wheel, every stop before it too, and both gains.
    const std::vector<DWORD> gains = TraceTimes(trace, "gain ");
    const std::vector<DWORD> stops = TraceTimes(trace, "stop ");
    ASSERT_EQ(gains.size(), 2u) << trace;
    const auto closed = std::upper_bound(stops.begin(), stops.end(), gains.back());
    ASSERT_NE(closed, stops.end()) << trace;
    EXPECT_EQ(HeldAt(real, gains.back() - 1), (std::vector<BYTE>{0, 0, 0, 35, 0}));
    EXPECT_EQ(HeldAt(real, *closed - 1), (std::vector<BYTE>{0, 0, 0, 26, 0}));
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
        ff_effect effect = Effect(FF_CONSTANT, 0x4000, {}, 1000);
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
    EXPECT_EQ(output("udevadm settle && stat -c '%G %a' " + wheel.node() + " " +
                     EventNodeOfHidraw(wheel.node()) + " /dev/uinput " + bridge.node()),
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
    ff_effect effect = Effect(FF_CONSTANT, 0, {}, 500);
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
