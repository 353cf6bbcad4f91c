#include "tests/support/hidraw_stand_in.h"

#include <sys/socket.h>
#include <sys/un.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

namespace torvex::testing {

namespace {

// More than any report of the wheel: a longer packet shows whole.
constexpr std::size_t kLargestPacket = 64;
constexpr int kBacklog = 16;

} // namespace

HidrawStandIn::HidrawStandIn(std::string path) : path_(std::move(path))
{
    Plug();
}

HidrawStandIn::~HidrawStandIn()
{
    Unplug();
}

void HidrawStandIn::Plug()
{
    if (plugged())
        return;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path_.size() >= sizeof address.sun_path)
        return;
    std::memcpy(address.sun_path, path_.c_str(), path_.size() + 1);
    UniqueFd listener(socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    unlink(path_.c_str());
    if (listener.get() < 0 ||
        bind(listener.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener.get(), kBacklog) != 0)
        return;
    listener_ = std::move(listener);
}

void HidrawStandIn::Unplug()
{
    if (!plugged())
        return;
    Serve();
    // Connections not yet taken go with the listener.
    connections_.clear();
    listener_.Reset();
    unlink(path_.c_str());
}

void HidrawStandIn::Serve()
{
    if (!plugged())
        return;
    for (;;) {
        UniqueFd connection(accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
        if (connection.get() < 0)
            break;
        connections_.push_back(std::move(connection));
    }
    std::erase_if(connections_, [this](const UniqueFd& connection) {
        std::array<BYTE, kLargestPacket> packet{};
        for (;;) {
            const ssize_t got = recv(connection.get(), packet.data(), packet.size(), MSG_DONTWAIT);
            if (got > 0) {
                received_.emplace_back(packet.begin(), packet.begin() + got);
                continue;
            }
            // A far end that closed with input reports unread is reported
            // once, ahead of the output reports it wrote before it closed.
            if (got < 0 && errno == ECONNRESET)
                continue;
            // Nothing more for now, or the far end has closed.
            return got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
        }
    });
}

void HidrawStandIn::SendInputReport()
{
    Serve();
    for (const UniqueFd& connection : connections_)
        send(connection.get(), input_.data() + 1, kReportDataSize, MSG_NOSIGNAL | MSG_DONTWAIT);
}

std::vector<std::vector<BYTE>> HidrawStandIn::TakeReceived()
{
    Serve();
    return std::exchange(received_, {});
}

std::size_t HidrawStandIn::ConnectionCount()
{
    Serve();
    return connections_.size();
}

} // namespace torvex::testing
