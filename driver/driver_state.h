// The state of one loaded driver module, as one object: every value the
// module shares between its driver objects, application threads and the
// playback tick lives here, so a test can build a fresh module with
// simulated ports instead of resetting globals.
#pragma once

#include <array>
#include <atomic>

#include "platform/clock.h"
#include "platform/device_file.h"
#include "platform/registry.h"
#include "platform/windows_api.h"

namespace torvex {

// The wheel's USB identity, as its registry keys and the driver's lock name
// spell it.
constexpr DWORD kWheelVendorId = 0x6D2A;
constexpr DWORD kWheelProductId = 0x0005;

// The wheel's HID input report: report id, axes, then the buttons in bytes
// 5 and 6.
constexpr std::size_t kInputReportSize = 7;

// The platform services the module works through. Not owned: the module
// file (or the test) that builds the module keeps them alive longer.
struct DriverPorts {
    RegistryPort* registry = nullptr;
    ClockPort* clock = nullptr;
    DevicePort* device = nullptr;
};

// What the force computation has folded into the two force channels since
// the last report, and what the report writer remembers between ticks.
struct ForceMixState {
    LONG channelPeak[2] = {0, 0};
    BYTE lastSent[2] = {0, 0};
    LONG repeatCount = 0;
    // The wheel may still be pushing: a report cycle completed while an
    // effect played and no stop burst has followed.
    bool deviceDriven = false;
};

// The gain factors are written by application threads (SetGain,
// StartEffect) without the driver lock and read by the tick under it. Each
// is a single value whose old or new state is equally valid, so an atomic
// without ordering is all that is needed: the reader sees a whole double,
// never a torn one, and the unlocked write is no data race. Lock-free, so a
// write never waits, not even on the 32-bit build.
static_assert(std::atomic<double>::is_always_lock_free, "gain factors are read on the timer thread");

struct DriverModule {
    explicit DriverModule(const DriverPorts& platform) : ports(platform) {}
    DriverModule(const DriverModule&) = delete;
    DriverModule& operator=(const DriverModule&) = delete;

    DriverPorts ports;

    std::atomic<double> DeviceGainFactor{1.0};
    std::atomic<double> AmplifyFactor{1.0};

    // Set by the render of any playing effect during a tick; tells the
    // report writer whether to keep driving the wheel or to stop it.
    bool AnyEffectPlaying = false;
    ForceMixState ForceMix;

    // The last input report the tick read; the trigger test reads its buttons.
    std::array<BYTE, kInputReportSize> LatestInputReport{};
};

} // namespace torvex
