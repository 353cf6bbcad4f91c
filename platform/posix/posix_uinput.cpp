#include "platform/posix/posix_uinput.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace torvex {

PosixUinput::~PosixUinput()
{
    if (created_)
        ioctl(fd_, UI_DEV_DESTROY);
    if (fd_ >= 0)
        close(fd_);
}

int PosixUinput::Control(unsigned long request, const void* argument) const
{
    // The kernel reads or fills the argument; the casts keep one signature.
    if (ioctl(fd_, request, const_cast<void*>(argument)) < 0)
        return -errno;
    return 0;
}

int PosixUinput::Create(const UinputDeviceSetup& setup)
{
    if (fd_ >= 0)
        return -EEXIST;
    fd_ = open(node_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0)
        return -errno;
    const auto bit = [this](unsigned long request, unsigned value) {
        return ioctl(fd_, request, value) < 0 ? -errno : 0;
    };
    int result = bit(UI_SET_EVBIT, EV_FF);
    for (const std::uint16_t effect : setup.effects)
        result = result != 0 ? result : bit(UI_SET_FFBIT, effect);
    if (!setup.keys.empty())
        result = result != 0 ? result : bit(UI_SET_EVBIT, EV_KEY);
    for (const std::uint16_t key : setup.keys)
        result = result != 0 ? result : bit(UI_SET_KEYBIT, key);
    if (!setup.axes.empty())
        result = result != 0 ? result : bit(UI_SET_EVBIT, EV_ABS);
    for (const auto& [code, range] : setup.axes) {
        result = result != 0 ? result : bit(UI_SET_ABSBIT, code);
        const uinput_abs_setup axis{code, range};
        result = result != 0 ? result : Control(UI_ABS_SETUP, &axis);
    }
    if (!setup.miscs.empty())
        result = result != 0 ? result : bit(UI_SET_EVBIT, EV_MSC);
    for (const std::uint16_t misc : setup.miscs)
        result = result != 0 ? result : bit(UI_SET_MSCBIT, misc);
    if (!setup.phys.empty())
        result = result != 0 ? result : Control(UI_SET_PHYS, setup.phys.c_str());
    uinput_setup device{};
    device.id = setup.id;
    std::strncpy(device.name, setup.name.c_str(), UINPUT_MAX_NAME_SIZE - 1);
    device.ff_effects_max = setup.effectsMax;
    if (result == 0)
        result = Control(UI_DEV_SETUP, &device);
    if (result == 0)
        result = Control(UI_DEV_CREATE, nullptr);
    created_ = result == 0;
    return result;
}

int PosixUinput::NextEvent(input_event* event, int timeoutMs)
{
    pollfd waiting{fd_, POLLIN, 0};
    const int ready = poll(&waiting, 1, timeoutMs);
    if (ready < 0)
        return errno == EINTR ? 0 : -errno;
    if (ready == 0)
        return 0;
    const ssize_t got = read(fd_, event, sizeof *event);
    if (got < 0)
        return errno == EAGAIN || errno == EINTR ? 0 : -errno;
    // uinput hands out whole events only; anything else is no event.
    return got == static_cast<ssize_t>(sizeof *event) ? 1 : -EIO;
}

int PosixUinput::Emit(const input_event& event)
{
    const ssize_t written = write(fd_, &event, sizeof event);
    if (written < 0)
        return -errno;
    return written == static_cast<ssize_t>(sizeof event) ? 0 : -EIO;
}

int PosixUinput::BeginUpload(uinput_ff_upload* upload)
{
    return Control(UI_BEGIN_FF_UPLOAD, upload);
}

int PosixUinput::EndUpload(const uinput_ff_upload& upload)
{
    return Control(UI_END_FF_UPLOAD, &upload);
}

int PosixUinput::BeginErase(uinput_ff_erase* erase)
{
    return Control(UI_BEGIN_FF_ERASE, erase);
}

int PosixUinput::EndErase(const uinput_ff_erase& erase)
{
    return Control(UI_END_FF_ERASE, &erase);
}

} // namespace torvex
