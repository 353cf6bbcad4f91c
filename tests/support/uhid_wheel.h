// A ZK-5120 made by the kernel from /dev/uhid, for the tests that run in the
// emulated machine: the kernel gives it a real HID device, a real
// /dev/hidrawN and a sysfs entry with the wheel's ids, hands the output
// reports written to the node back here, and unplugging it is the device
// destroyed, as when the cable is pulled. Made with other ids it is
// another HID device, which nothing of the wheel's may take for the wheel.
// Its report descriptor is the wheel's (wheel_report_descriptor.h).
// Needs root and the uhid and hid-generic modules; not thread-safe.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "driver/driver_state.h"
#include "platform/wheel_input_report.h"
#include "tests/support/unique_fd.h"
#include "tools/lab/lab_wheel.h"

namespace torvex::testing {

class UhidWheel final : public lab::LabWheel {
public:
    // Plugged in; `uniq` tells this device's node from the others'.
    explicit UhidWheel(std::string uniq, DWORD vendor = kWheelVendorId, DWORD product = kWheelProductId);
    ~UhidWheel() override = default;
    UhidWheel(const UhidWheel&) = delete;
    UhidWheel& operator=(const UhidWheel&) = delete;

    // The hidraw node the kernel gave this plug; empty when unplugged or
    // when the kernel made none (then `error()` says why).
    const std::string& node() const { return node_; }
    const std::string& error() const { return error_; }

    void SetInputReport(const InputReport& report) override { input_ = report; }
    // The current state, sent once as the wheel's interrupt endpoint would.
    void SendInputReport() override;
    void Unplug() override;
    void Plug() override;

    // The output reports written to the node since the last call, across
    // unplugs, without waiting: the kernel hands each over before the
    // write returns.
    std::vector<std::vector<BYTE>> TakeReceived();
    // The next output report, waiting at most `wait`.
    std::optional<std::vector<BYTE>> NextReceived(std::chrono::milliseconds wait);

private:
    bool WaitForNode();

    const std::string uniq_;
    const DWORD vendor_;
    const DWORD product_;
    UniqueFd uhid_;
    std::string node_;
    std::string error_;
    InputReport input_ = EncodeInputReport({});
    std::vector<std::vector<BYTE>> earlier_; // received before the last unplug
};

} // namespace torvex::testing
