// The uinput port on Linux: /dev/uinput (or another node given by path),
// the device made with UI_DEV_SETUP and UI_DEV_CREATE and destroyed with
// the object. The kernel keeps only the last 16 events for the device's
// owner and overwrites older ones unread, and a game may write hundreds at
// once while the driver lets a stopped effect settle for 25 ms: the events
// are read on a thread of their own as soon as they come, and queued here.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/posix/uinput_port.h"

namespace torvex {

constexpr const char* kUinputNode = "/dev/uinput";

class PosixUinput final : public UinputPort {
public:
    explicit PosixUinput(std::string node = kUinputNode) : node_(std::move(node)) {}
    ~PosixUinput() override;
    PosixUinput(const PosixUinput&) = delete;
    PosixUinput& operator=(const PosixUinput&) = delete;

    int Create(const UinputDeviceSetup& setup) override;
    int NextEvent(input_event* event, int timeoutMs) override;
    int Emit(const input_event& event) override;
    // For waiting on the device together with other files: readable when
    // NextEvent has an event (or the reader's error) to give.
    int Descriptor() const { return queued_; }
    int BeginUpload(uinput_ff_upload* upload) override;
    int EndUpload(const uinput_ff_upload& upload) override;
    int BeginErase(uinput_ff_erase* erase) override;
    int EndErase(const uinput_ff_erase& erase) override;

private:
    int Control(unsigned long request, const void* argument) const;
    void ReadEvents();
    // 1 with the oldest queued event, else 0 or the reader's negative errno.
    int TakeEvent(input_event* event);

    const std::string node_;
    int fd_ = -1;
    bool created_ = false;
    int queued_ = -1;   // an eventfd: events were queued
    int stopping_ = -1; // an eventfd: the reader is to end
    std::mutex mutex_;
    std::condition_variable roomMade_;
    std::deque<input_event> events_;
    int readError_ = 0;
    bool stop_ = false;
    std::thread reader_;
};

} // namespace torvex
