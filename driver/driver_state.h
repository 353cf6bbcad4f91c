// The state of one loaded driver module, as one object: every value the
// module shares between its driver objects, application threads and the
// playback tick lives here, so a test can build a fresh module with
// simulated ports instead of resetting globals.
#pragma once

#include <array>
#include <atomic>

#include "platform/clock.h"
#include "platform/device_file.h"
#include "platform/local_lock.h"
#include "platform/named_lock.h"
#include "platform/registry.h"
#include "platform/timer.h"
#include "platform/version.h"
#include "platform/wheel_input_report.h"
#include "platform/windows_api.h"

namespace torvex {

class EffectDriver;

// The wheel's USB identity, as its registry keys and the driver's lock name
// spell it.
constexpr DWORD kWheelVendorId = 0x6D2A;
constexpr DWORD kWheelProductId = 0x0005;

// The platform services the module works through. Not owned: the module
// file (or the test) that builds the module keeps them alive longer.
struct DriverPorts {
    RegistryPort* registry = nullptr;
    VersionPort* version = nullptr;
    ClockPort* clock = nullptr;
    DevicePort* device = nullptr;
    TimerPort* timer = nullptr;
    // DriverLock, shared with every other process that loads the driver.
    NamedLockPort* lock = nullptr;
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
    InputReport LatestInputReport{};

    // Live class factories, drivers and server locks: while it is non-zero
    // the module must stay loaded.
    std::atomic<LONG> ModuleLockCount{0};
    // The process's one driver, shared by every CreateInstance. Holds no
    // reference of its own.
    EffectDriver* DriverInstance = nullptr;
    // Makes finding or creating the driver one step, and keeps a driver
    // from being handed out while its last Release destroys it.
    LocalLock InstanceLock;

    // The handle of the next effect; handles are never reused while the
    // module is loaded. Changed under DriverLock.
    DWORD NextEffectHandle = 1;

    // The playback timer. PlaybackDriver is what the running timer ticks;
    // both change only with PlaybackLock held, which every timer callback
    // holds for its whole run, so taking and releasing the lock waits out
    // a tick in progress.
    UINT PlaybackTimerId = 0;
    EffectDriver* PlaybackDriver = nullptr;
    std::atomic<bool> StopPlaybackRequested{false};
    std::atomic<bool> PlaybackTimerStarted{false};
    LocalLock PlaybackLock;
};

} // namespace torvex
