#include "tests/support/uhid_wheel.h"

#include <fcntl.h>
#include <linux/uhid.h>
#include <poll.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "tests/support/wheel_report_descriptor.h"

namespace torvex::testing {

namespace {

constexpr auto kNodeWait = std::chrono::seconds(10);

bool Send(int fd, const uhid_event& event)
{
    return write(fd, &event, sizeof event) == static_cast<ssize_t>(sizeof event);
}

void CopyText(__u8* to, std::size_t size, const std::string& text)
{
    std::strncpy(reinterpret_cast<char*>(to), text.c_str(), size - 1);
}

// The hidraw node whose HID device has this uniq, if sysfs lists one.
std::string FindNode(const std::string& uniq)
{
    const std::string line = "HID_UNIQ=" + uniq + "\n";
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/sys/class/hidraw", error)) {
        std::ifstream file(entry.path() / "device" / "uevent");
        const std::string uevent((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        if (uevent.find(line) != std::string::npos)
            return "/dev/" + entry.path().filename().string();
    }
    return {};
}

} // namespace

UhidWheel::UhidWheel(std::string uniq, DWORD vendor, DWORD product)
    : uniq_(std::move(uniq)), vendor_(vendor), product_(product)
{
    Plug();
}

void UhidWheel::Plug()
{
    if (uhid_.get() >= 0)
        return;
    uhid_.Reset(open("/dev/uhid", O_RDWR | O_CLOEXEC | O_NONBLOCK));
    if (uhid_.get() < 0) {
        error_ = std::string("cannot open /dev/uhid: ") + std::strerror(errno);
        return;
    }
    uhid_event event{};
    event.type = UHID_CREATE2;
    uhid_create2_req& create = event.u.create2;
    CopyText(create.name, sizeof create.name, "ZK-5120 Force Feedback Wheel");
    CopyText(create.uniq, sizeof create.uniq, uniq_);
    CopyText(create.phys, sizeof create.phys, uniq_);
    create.rd_size = static_cast<__u16>(kWheelReportDescriptor.size());
    create.bus = 0x03; // USB
    create.vendor = vendor_;
    create.product = product_;
    std::memcpy(create.rd_data, kWheelReportDescriptor.data(), kWheelReportDescriptor.size());
    if (!Send(uhid_.get(), event)) {
        error_ = std::string("UHID_CREATE2: ") + std::strerror(errno);
        uhid_.Reset();
        return;
    }
    if (!WaitForNode())
        error_ = "the kernel made no hidraw node for " + uniq_ + " within 10 s (is hid-generic loaded?)";
}

// The kernel adds the HID device on a work queue after the create.
bool UhidWheel::WaitForNode()
{
    const auto deadline = std::chrono::steady_clock::now() + kNodeWait;
    do {
        node_ = FindNode(uniq_);
        if (!node_.empty() && std::filesystem::exists(node_))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    } while (std::chrono::steady_clock::now() < deadline);
    node_.clear();
    return false;
}

void UhidWheel::Unplug()
{
    // Closing the uhid file destroys the device and its node, and what the
    // kernel had handed over with it.
    earlier_ = TakeReceived();
    uhid_.Reset();
    node_.clear();
}

void UhidWheel::SendInputReport()
{
    if (uhid_.get() < 0)
        return;
    uhid_event event{};
    event.type = UHID_INPUT2;
    // hidraw hands out the report without the id byte Windows puts first.
    event.u.input2.size = kInputReportSize - 1;
    std::memcpy(event.u.input2.data, input_.data() + 1, kInputReportSize - 1);
    Send(uhid_.get(), event);
}

std::vector<std::vector<BYTE>> UhidWheel::TakeReceived()
{
    std::vector<std::vector<BYTE>> received = std::move(earlier_);
    earlier_.clear();
    while (auto report = NextReceived(std::chrono::milliseconds(0)))
        received.push_back(std::move(*report));
    return received;
}

std::optional<std::vector<BYTE>> UhidWheel::NextReceived(std::chrono::milliseconds wait)
{
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (uhid_.get() >= 0) {
        uhid_event event{};
        const ssize_t got = read(uhid_.get(), &event, sizeof event);
        if (got >= static_cast<ssize_t>(sizeof event.type) && event.type == UHID_OUTPUT) {
            const uhid_output_req& output = event.u.output;
            return std::vector<BYTE>(output.data,
                                     output.data + std::min<std::size_t>(output.size, UHID_DATA_MAX));
        }
        if (got >= 0 || errno == EINTR)
            continue; // UHID_START, UHID_OPEN, UHID_CLOSE
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (errno != EAGAIN || left.count() <= 0)
            break;
        pollfd entry{uhid_.get(), POLLIN, 0};
        poll(&entry, 1, static_cast<int>(left.count()));
    }
    return std::nullopt;
}

} // namespace torvex::testing
