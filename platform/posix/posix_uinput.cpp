#include "platform/posix/posix_uinput.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace torvex {

namespace {

// Events read but not yet handled. A game that writes faster than the
// bridge plays for this long is held back: the reader waits, and the
// kernel drops what it cannot keep, as it would for a slow owner.
constexpr std::size_t kMaxQueuedEvents = 4096;
constexpr std::size_t kReadBatch = 64;

} // namespace

PosixUinput::~PosixUinput()
{
    if (reader_.joinable()) {
        {
            const std::lock_guard lock(mutex_);
            stop_ = true;
            eventfd_write(stopping_, 1);
        }
        roomMade_.notify_all();
        reader_.join();
    }
    for (const int fd : {queued_, stopping_})
        if (fd >= 0)
            close(fd);
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
    if (!created_)
        return result;
    queued_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    stopping_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (queued_ < 0 || stopping_ < 0)
        return -errno;
    reader_ = std::thread([this] { ReadEvents(); });
    return 0;
}

void PosixUinput::ReadEvents()
{
    // Stop signals are the owner's thread's, whose wait they end.
    sigset_t all;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, nullptr);
    std::array<input_event, kReadBatch> batch;
    int error = 0;
    while (error == 0) {
        std::array<pollfd, 2> waiting = {pollfd{fd_, POLLIN, 0}, pollfd{stopping_, POLLIN, 0}};
        if (poll(waiting.data(), waiting.size(), -1) < 0) {
            error = errno == EINTR ? 0 : -errno;
            continue;
        }
        if (waiting[1].revents != 0)
            return;
        const ssize_t got = read(fd_, batch.data(), sizeof batch);
        if (got < 0) {
            error = errno == EAGAIN || errno == EINTR ? 0 : -errno;
            continue;
        }
        // uinput hands out whole events only; anything else is a broken device.
        if (got == 0 || got % sizeof(input_event) != 0) {
            error = -EIO;
            continue;
        }
        std::unique_lock lock(mutex_);
        roomMade_.wait(lock, [this] { return events_.size() < kMaxQueuedEvents || stop_; });
        if (stop_)
            return;
        events_.insert(events_.end(), batch.begin(), batch.begin() + got / sizeof(input_event));
        eventfd_write(queued_, 1);
    }
    const std::lock_guard lock(mutex_);
    readError_ = error;
    eventfd_write(queued_, 1);
}

int PosixUinput::TakeEvent(input_event* event)
{
    const std::lock_guard lock(mutex_);
    if (events_.empty())
        return readError_;
    *event = events_.front();
    events_.pop_front();
    roomMade_.notify_one();
    return 1;
}

// Waits in poll, so that a signal to the owner's thread ends the wait.
int PosixUinput::NextEvent(input_event* event, int timeoutMs)
{
    if (queued_ < 0)
        return -EBADF;
    if (const int taken = TakeEvent(event); taken != 0)
        return taken;
    pollfd waiting{queued_, POLLIN, 0};
    const int ready = poll(&waiting, 1, timeoutMs);
    if (ready < 0)
        return errno == EINTR ? 0 : -errno;
    if (ready == 0)
        return 0;
    eventfd_t count = 0;
    eventfd_read(queued_, &count);
    return TakeEvent(event);
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
