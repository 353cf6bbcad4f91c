// The uinput port on Linux: /dev/uinput (or another node given by path),
// the device made with UI_DEV_SETUP and UI_DEV_CREATE and destroyed with
// the object.
#pragma once

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
    // For waiting on the device together with other files.
    int Descriptor() const { return fd_; }
    int BeginUpload(uinput_ff_upload* upload) override;
    int EndUpload(const uinput_ff_upload& upload) override;
    int BeginErase(uinput_ff_erase* erase) override;
    int EndErase(const uinput_ff_erase& erase) override;

private:
    int Control(unsigned long request, const void* argument) const;

    const std::string node_;
    int fd_ = -1;
    bool created_ = false;
};

} // namespace torvex
