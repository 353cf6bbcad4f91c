// Ports the lab puts between the driver and the real platform in a
// real-time run, so that it sees what happened: when each timer callback
// began, and which reports reached the device.
#pragma once

#include <chrono>
#include <functional>
#include <list>
#include <mutex>
#include <vector>

#include "platform/device_file.h"
#include "platform/posix/posix_timer_thread.h"
#include "tools/lab/timeline.h"

namespace torvex::lab {

// The POSIX timer thread, noting the start of every callback before it
// calls the driver's when asked to keep the times: a program that runs for
// days (the force-feedback bridge) would otherwise grow by 40 times a second.
class RecordingTimer final : public TimerPort {
public:
    explicit RecordingTimer(bool keepTimes = true) : keepTimes_(keepTimes) {}
    ~RecordingTimer() override;
    RecordingTimer(const RecordingTimer&) = delete;
    RecordingTimer& operator=(const RecordingTimer&) = delete;

    UINT StartPeriodic(UINT delayMs, UINT resolutionMs, TimerCallback callback, DWORD_PTR user) override;
    UINT Kill(UINT timerId) override;

    // Milliseconds on the steady clock, in order, of every callback so far.
    std::vector<double> CallbackTimesMs() const;

private:
    struct Started {
        RecordingTimer* owner;
        TimerCallback callback;
        DWORD_PTR user;
    };

    static void CALLBACK Forward(UINT timerId, UINT message, DWORD_PTR user, DWORD_PTR reserved1,
                                 DWORD_PTR reserved2);

    const bool keepTimes_;
    mutable std::mutex mutex_;
    std::vector<double> callbackTimesMs_;
    // Kept until the end: a callback may still be running when its timer
    // is killed from inside it.
    std::list<Started> started_;
    // Last, so that its threads are joined before the rest goes.
    PosixTimerThread timer_;
};

// A device file that notes every report delivered whole, with the time
// `now` gives, for the timeline.
class RecordingDevice final : public DevicePort {
public:
    RecordingDevice(DevicePort& device, std::function<DWORD()> now) : device_(device), now_(std::move(now)) {}

    HANDLE Open(const char* path) override { return device_.Open(path); }
    BOOL Read(HANDLE device, void* buffer, DWORD size, DWORD* read, DWORD timeoutMs) override
    {
        return device_.Read(device, buffer, size, read, timeoutMs);
    }
    BOOL Write(HANDLE device, const void* buffer, DWORD size, DWORD* written) override;
    DWORD LastError() override { return device_.LastError(); }
    BOOL Close(HANDLE device) override { return device_.Close(device); }

    // The reports noted since the last call, oldest first.
    Timeline TakeReports();

private:
    DevicePort& device_;
    std::function<DWORD()> now_;
    std::mutex mutex_;
    Timeline reports_;
};

} // namespace torvex::lab
