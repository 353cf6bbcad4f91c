// The wheel's own input event node, as the kernel's HID driver makes it from
// the wheel's report descriptor: what it reports (its name and ids, its axes
// with their ranges, its buttons), and its events, taken for this process
// alone (EVIOCGRAB) so that the games see them only on the bridge's device.
// Linux only.
#pragma once

#include <string>

#include "platform/posix/uinput_port.h"

namespace torvex {

// The event node of the input device the kernel made from the same HID
// device as the character node `hidraw` (found through
// <sysfs>/dev/char/MAJOR:MINOR/device/input/inputN/eventM); empty when there
// is none.
std::string EventNodeOfHidraw(const std::string& hidraw, const std::string& sysfsRoot = "/sys");

class PosixEventNode {
public:
    explicit PosixEventNode(std::string node) : node_(std::move(node)) {}
    ~PosixEventNode();
    PosixEventNode(const PosixEventNode&) = delete;
    PosixEventNode& operator=(const PosixEventNode&) = delete;

    // Opens and grabs the node and reads what it reports into `layout`
    // (name, ids, physical path, keys, axes, misc events): 0, or a
    // negative errno.
    int Open(UinputDeviceSetup* layout);
    // The next event: 1 with `*event`, 0 when none is waiting, or a negative
    // errno (-ENODEV: the wheel was unplugged). After the kernel dropped
    // events (SYN_DROPPED) the rest of that report is skipped and the
    // node's whole state is given instead, each axis and button, then
    // SYN_REPORT, so that a mirror of it is right again.
    int Next(input_event* event);
    int Descriptor() const { return fd_; }
    const std::string& node() const { return node_; }

private:
    int QueueState();

    const std::string node_;
    int fd_ = -1;
    UinputDeviceSetup layout_;
    bool dropped_ = false;
    std::vector<input_event> queued_; // the state after a drop, given first
};

} // namespace torvex
