// A force-feedback joystick that this process offers to the games of the
// machine, as Linux's uinput makes one: the kernel hands the device's owner
// every effect a game uploads or erases as a request to be answered, and
// every play, gain and auto-centre as an event. Linux only; the port is the
// seam where tests put a fake in the kernel's place.
#pragma once

#include <linux/input.h>
#include <linux/uinput.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace torvex {

struct UinputDeviceSetup {
    std::string name;
    input_id id{};
    std::string phys;                   // where the device sits, such as usb-0000:00:14.0-2/input0
    std::vector<std::uint16_t> effects; // FF_ bits: effect types, waveforms, FF_GAIN, FF_AUTOCENTER
    std::vector<std::uint16_t> keys;    // the buttons, which games may also name as triggers
    std::vector<std::pair<std::uint16_t, input_absinfo>> axes; // ABS_ codes with their ranges
    std::vector<std::uint16_t> miscs;                          // MSC_ codes
    std::uint32_t effectsMax = 0;                              // effects held at once
};

class UinputPort {
public:
    virtual ~UinputPort() = default;
    // Creates the device: 0, or a negative errno.
    virtual int Create(const UinputDeviceSetup& setup) = 0;
    // The next event the kernel has for the device's owner: 1 with
    // `*event`, 0 when none came within `timeoutMs` (-1: no limit), or a
    // negative errno.
    virtual int NextEvent(input_event* event, int timeoutMs) = 0;
    // Reports an input event (an axis, a button, SYN_REPORT) on the
    // device, as if the device had made it: 0 or a negative errno.
    virtual int Emit(const input_event& event) = 0;
    // The upload or erase behind an EV_UINPUT event, its request_id set by
    // the caller from the event's value: 0 or a negative errno. Every
    // request taken must be answered with its End call, whose retval is 0 or
    // the negative errno the game's ioctl then fails with; the kernel waits
    // up to 30 seconds for an answer, the game with it.
    virtual int BeginUpload(uinput_ff_upload* upload) = 0;
    virtual int EndUpload(const uinput_ff_upload& upload) = 0;
    virtual int BeginErase(uinput_ff_erase* erase) = 0;
    virtual int EndErase(const uinput_ff_erase& erase) = 0;
};

} // namespace torvex
