#include "platform/posix/posix_event_node.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <filesystem>
#include <system_error>

namespace torvex {

namespace {

constexpr std::size_t kBitsPerLong = sizeof(unsigned long) * CHAR_BIT;

template <std::size_t Bits> struct BitSet {
    unsigned long words[(Bits + kBitsPerLong - 1) / kBitsPerLong] = {};
    bool Has(std::size_t bit) const { return (words[bit / kBitsPerLong] >> (bit % kBitsPerLong)) & 1UL; }
};

// Every code of an event type the node has (type 0: the types it has).
template <std::size_t Bits> int Codes(int fd, unsigned type, std::vector<std::uint16_t>* codes)
{
    BitSet<Bits> bits;
    if (ioctl(fd, EVIOCGBIT(type, sizeof bits.words), bits.words) < 0)
        return -errno;
    for (std::size_t code = 0; code < Bits; ++code)
        if (bits.Has(code))
            codes->push_back(static_cast<std::uint16_t>(code));
    return 0;
}

input_event Event(std::uint16_t type, std::uint16_t code, std::int32_t value)
{
    input_event event{};
    event.type = type;
    event.code = code;
    event.value = value;
    return event;
}

} // namespace

std::string EventNodeOfHidraw(const std::string& hidraw, const std::string& sysfsRoot)
{
    struct stat node {};
    if (stat(hidraw.c_str(), &node) != 0 || !S_ISCHR(node.st_mode))
        return {};
    const std::filesystem::path inputs =
        std::filesystem::path(sysfsRoot) / "dev" / "char" /
        (std::to_string(major(node.st_rdev)) + ":" + std::to_string(minor(node.st_rdev))) / "device" /
        "input";
    std::error_code error;
    for (std::filesystem::directory_iterator input(inputs, error), end; !error && input != end;
         input.increment(error)) {
        std::error_code inner;
        for (std::filesystem::directory_iterator entry(input->path(), inner), last; !inner && entry != last;
             entry.increment(inner)) {
            const std::string name = entry->path().filename().string();
            if (name.rfind("event", 0) == 0)
                return "/dev/input/" + name;
        }
    }
    return {};
}

PosixEventNode::~PosixEventNode()
{
    if (fd_ >= 0)
        close(fd_);
}

int PosixEventNode::Open(UinputDeviceSetup* layout)
{
    if (fd_ >= 0)
        return -EEXIST;
    fd_ = open(node_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0)
        return -errno;
    char name[UINPUT_MAX_NAME_SIZE] = {};
    char phys[UINPUT_MAX_NAME_SIZE] = {};
    std::vector<std::uint16_t> types;
    std::vector<std::uint16_t> axes;
    if (ioctl(fd_, EVIOCGNAME(sizeof name - 1), name) < 0 || ioctl(fd_, EVIOCGID, &layout_.id) < 0)
        return -errno;
    // A device may have no physical path (ENOENT): the mirror has none either.
    if (ioctl(fd_, EVIOCGPHYS(sizeof phys - 1), phys) < 0 && errno != ENOENT)
        return -errno;
    layout_.name = name;
    layout_.phys = phys;
    int result = Codes<EV_CNT>(fd_, 0, &types);
    for (const std::uint16_t type : types) {
        if (result != 0)
            break;
        if (type == EV_KEY)
            result = Codes<KEY_CNT>(fd_, type, &layout_.keys);
        else if (type == EV_ABS)
            result = Codes<ABS_CNT>(fd_, type, &axes);
        else if (type == EV_MSC)
            result = Codes<MSC_CNT>(fd_, type, &layout_.miscs);
    }
    for (const std::uint16_t code : axes) {
        input_absinfo range{};
        if (result == 0 && ioctl(fd_, EVIOCGABS(code), &range) < 0)
            result = -errno;
        layout_.axes.emplace_back(code, range);
    }
    // Taken for this process alone: another reader of the node (a game
    // that opened it anyway) gets no more of its events.
    if (result == 0 && ioctl(fd_, EVIOCGRAB, 1) < 0)
        result = -errno;
    if (result == 0)
        *layout = layout_;
    return result;
}

int PosixEventNode::QueueState()
{
    BitSet<KEY_CNT> pressed;
    if (ioctl(fd_, EVIOCGKEY(sizeof pressed.words), pressed.words) < 0)
        return -errno;
    for (const std::uint16_t key : layout_.keys)
        queued_.push_back(Event(EV_KEY, key, pressed.Has(key) ? 1 : 0));
    for (const auto& [code, range] : layout_.axes) {
        input_absinfo now{};
        if (ioctl(fd_, EVIOCGABS(code), &now) < 0)
            return -errno;
        queued_.push_back(Event(EV_ABS, code, now.value));
    }
    queued_.push_back(Event(EV_SYN, SYN_REPORT, 0));
    return 0;
}

int PosixEventNode::Next(input_event* event)
{
    for (;;) {
        if (!queued_.empty()) {
            *event = queued_.front();
            queued_.erase(queued_.begin());
            return 1;
        }
        const ssize_t got = read(fd_, event, sizeof *event);
        if (got < 0)
            return errno == EAGAIN || errno == EINTR ? 0 : -errno;
        if (got != static_cast<ssize_t>(sizeof *event))
            return -EIO;
        if (event->type == EV_SYN && event->code == SYN_DROPPED) {
            dropped_ = true;
            continue;
        }
        if (!dropped_)
            return 1;
        if (event->type == EV_SYN && event->code == SYN_REPORT) {
            dropped_ = false;
            if (const int failed = QueueState(); failed != 0)
                return failed;
        }
    }
}

} // namespace torvex
