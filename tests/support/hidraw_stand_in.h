// A stand-in for the ZK-5120's hidraw node, for the Linux tests: a Unix
// socket of type SOCK_SEQPACKET listening at a path, which the POSIX device
// file connects to where it would open the node. Each connection is one
// open file of the node, and the stand-in treats it as hidraw treats one of
// this wheel, which numbers no reports:
//   - an input report goes out as its 6 data bytes, one report a packet;
//   - an output report comes in as the 5 bytes written, id byte first;
//   - unplugged, it hangs up every connection and its path goes away: reads
//     of an open handle meet the end and writes fail (EPIPE), which the
//     device file takes as hidraw's EIO and ENODEV, and opens find no node
//     until it is plugged in again.
// Like a real wheel it sends its state when it chooses, here when told to
// (SendInputReport), and like hidraw it keeps no report for an open that
// comes later.
// Not thread-safe: the test calls it between the driver's ticks.
#pragma once

#include <string>
#include <vector>

#include "platform/wheel_input_report.h"
#include "tests/support/unique_fd.h"

namespace torvex::testing {

class HidrawStandIn {
public:
    // What hidraw hands out of one input report of this wheel.
    static constexpr std::size_t kReportDataSize = kInputReportSize - 1;

    // Plugged in at `path`.
    explicit HidrawStandIn(std::string path);
    ~HidrawStandIn();
    HidrawStandIn(const HidrawStandIn&) = delete;
    HidrawStandIn& operator=(const HidrawStandIn&) = delete;

    const std::string& path() const { return path_; }
    // Plugged in and listening; false also when the socket could not be made.
    bool plugged() const { return listener_.get() >= 0; }

    // The state the wheel reports from now on; the report as Windows reads
    // it, id byte first.
    void SetInputReport(const InputReport& report) { input_ = report; }
    // Sends the current state once to every open file of the node.
    void SendInputReport();
    // Every packet the wheel received since the last call, in order.
    std::vector<std::vector<BYTE>> TakeReceived();
    // Open files of the node that the wheel still serves.
    std::size_t ConnectionCount();

    void Unplug();
    void Plug();

private:
    // Takes the connections that came since, and what they sent; forgets
    // the ones whose far end has closed.
    void Serve();

    const std::string path_;
    UniqueFd listener_;
    std::vector<UniqueFd> connections_;
    InputReport input_ = EncodeInputReport({});
    std::vector<std::vector<BYTE>> received_;
};

} // namespace torvex::testing
