// torvex-ffd as the kernel tests run it: started on a uhid-made wheel, its
// log, trace and timeline in a scratch folder, its device's event node
// found once the kernel made it.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/posix/posix_event_node.h"
#include "tests/lab/lab_test_support.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/uhid_wheel.h"

namespace torvex::lab {

// The event node of the bridge on the wheel at the hidraw node `wheel`: the
// one named as the wheel that offers force feedback (the wheel's own node
// offers none) and sits where the wheel's own node does.
inline std::string BridgeEventNode(const std::string& wheel)
{
    const auto device = [](const std::string& node) {
        return std::filesystem::path("/sys/class/input") / std::filesystem::path(node).filename() / "device";
    };
    const std::string phys = ReadText(device(EventNodeOfHidraw(wheel)) / "phys");
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/sys/class/input", error)) {
        const std::string node = "/dev/input/" + entry.path().filename().string();
        if (node.rfind("/dev/input/event", 0) == 0 &&
            ReadText(device(node) / "name") == "ZK-5120 Force Feedback Wheel\n" &&
            ReadText(device(node) / "capabilities" / "ff") != "0\n" &&
            ReadText(device(node) / "phys") == phys)
            return node;
    }
    return {};
}

class RunningBridge {
public:
    // `command`, when given, is a program's full path and its arguments.
    RunningBridge(const testing::UhidWheel& wheel, const testing::ScratchFolder& folder,
                  std::vector<std::string> command = {})
        : folder_(folder)
    {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, File("bridge.log").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (command.empty())
            command = {TORVEX_FFD,    "--device",   wheel.node(),    "--trace",
                       File("trace"), "--timeline", File("timeline")};
        std::vector<char*> argv;
        for (std::string& arg : command)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        for (int tries = 0; pid_ > 0 && tries < 200 && node_.empty(); ++tries) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            node_ = BridgeEventNode(wheel.node());
        }
    }
    ~RunningBridge() { Stop(); }

    const std::string& node() const { return node_; }
    std::string File(const char* name) const { return (folder_.path() / name).string(); }
    std::string Log() const { return ReadText(File("bridge.log")); }
    // Holds it (SIGSTOP) or lets it go on (SIGCONT), as a busy machine might.
    void Hold(bool held) const { kill(pid_, held ? SIGSTOP : SIGCONT); }
    // Ends it as the system does; true when it ended cleanly.
    bool Stop()
    {
        if (pid_ > 0)
            kill(pid_, SIGTERM);
        return Ended(std::chrono::milliseconds(-1));
    }
    // Whether it ended cleanly by itself within `wait` (negative: no limit).
    bool Ended(std::chrono::milliseconds wait)
    {
        if (pid_ <= 0)
            return false;
        int status = 0;
        const auto until = std::chrono::steady_clock::now() + wait;
        while (waitpid(pid_, &status, wait.count() < 0 ? 0 : WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > until)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        pid_ = -1;
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

private:
    const testing::ScratchFolder& folder_;
    pid_t pid_ = -1;
    std::string node_;
};

// What a game sends the bridge: an effect to upload (a new one, id -1)...
inline ff_effect Effect(std::uint16_t type, std::uint16_t direction, decltype(ff_effect::u) block,
                        std::uint16_t lengthMs = 0)
{
    return {
        .type = type, .id = -1, .direction = direction, .trigger = {}, .replay = {lengthMs, 0}, .u = block};
}

// ... and plays, stops and gains, in one write.
inline bool SendEvents(int fd, const std::vector<std::pair<std::uint16_t, int>>& codes)
{
    std::vector<input_event> events;
    for (const auto& [code, value] : codes) {
        input_event event{};
        event.type = EV_FF;
        event.code = code;
        event.value = value;
        events.push_back(event);
    }
    const std::size_t size = events.size() * sizeof(input_event);
    return write(fd, events.data(), size) == static_cast<ssize_t>(size);
}

// What the wheel receives, gathered on a thread of its own until taken.
class WheelSide {
public:
    explicit WheelSide(testing::UhidWheel& wheel)
        : thread_([this, &wheel] {
              while (!done_)
                  if (auto report = wheel.NextReceived(std::chrono::milliseconds(50)))
                      received_.push_back(std::move(*report));
          })
    {
    }
    ~WheelSide() { Take(); }

    std::vector<std::vector<BYTE>> Take()
    {
        done_ = true;
        if (thread_.joinable())
            thread_.join();
        return std::move(received_);
    }

private:
    std::atomic<bool> done_ = false;
    std::vector<std::vector<BYTE>> received_;
    std::thread thread_;
};

} // namespace torvex::lab
