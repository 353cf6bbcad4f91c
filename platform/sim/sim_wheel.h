// A simulated ZK-5120 behind its HID device file. It answers opens of its
// own interface path while plugged in, takes 5-byte output reports and hands
// out its current 7-byte input report (laid out as wheel_input_report.h
// says), which a test or the lab sets whole, as a state, or button by
// button. Every write is recorded with the clock time it arrived, so a test
// (or the lab) sees exactly which reports the driver sent and when. Faults
// the driver must survive can be switched on: short or failing writes, a
// wheel that falls silent, and unplugging, after which every handle fails
// with ERROR_DEVICE_NOT_CONNECTED as the HID class driver's do.
// Thread-safe: the playback tick calls it from the timer thread.
#pragma once

#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/device_file.h"
#include "platform/wheel_input_report.h"

namespace torvex {

// One write as the wheel saw it.
struct SimWheelWrite {
    std::vector<BYTE> bytes; // what the driver passed, whether or not it arrived
    DWORD timeMs = 0;        // the clock's tick count when it was written
    DWORD delivered = 0;     // bytes the wheel took
    DWORD error = ERROR_SUCCESS;
};

class SimWheel final : public DevicePort {
public:
    static constexpr const char* kDefaultPath =
        "\\\\?\\hid#vid_6d2a&pid_0005#sim#{4d1e55b2-f16f-11cf-88cb-001111000030}";
    static constexpr DWORD kOutputReportSize = 5;

    explicit SimWheel(ClockPort& clock, std::string path = kDefaultPath);
    SimWheel(const SimWheel&) = delete;
    SimWheel& operator=(const SimWheel&) = delete;

    HANDLE Open(const char* path) override;
    BOOL Read(HANDLE device, void* buffer, DWORD size, DWORD* read, DWORD timeoutMs) override;
    BOOL Write(HANDLE device, const void* buffer, DWORD size, DWORD* written) override;
    DWORD LastError() override;
    BOOL Close(HANDLE device) override;

    const std::string& path() const { return path_; }

    // Unplugging ends every open handle for good: even after the wheel is
    // plugged in again they fail, as the HID class driver's handles do.
    void Unplug();
    void Plug();
    bool plugged() const;

    // Every following write delivers `delivered` bytes and fails with `error`.
    void FailWrites(DWORD error) { ShortWrites(0, error); }
    void ShortWrites(DWORD delivered, DWORD error);
    // Only the next write (before any lasting fault) behaves so; may be queued
    // several times.
    void FailNextWrite(DWORD delivered, DWORD error);
    void WriteNormally();

    // Until told otherwise the wheel rests: centred, pedals up, hat centred,
    // no button down.
    void SetInputReport(const InputReport& report);
    void SetInputState(const WheelInputState& state);
    WheelInputState InputState() const;
    // Buttons 0 to 11; false, with the report unchanged, for any other.
    bool PressButton(DWORD button) { return SetButton(button, true); }
    bool ReleaseButton(DWORD button) { return SetButton(button, false); }
    bool SetButton(DWORD button, bool pressed);

    // A silent wheel sends no input reports: every read times out at once
    // (the simulation never really waits), so a reader's timeout handling
    // can be tested without waiting for it. Writes still arrive.
    void FallSilent();
    void Speak();
    // The timeout the latest read was given, whatever became of that read.
    DWORD LastReadTimeoutMs() const;

    int OpenHandleCount() const;
    // Reads that delivered a report, and reads that timed out on silence.
    int ReadCount() const;
    int TimedOutReadCount() const;
    // Every write attempt, in order; Reports holds the ones that arrived whole.
    std::vector<SimWheelWrite> Writes() const;
    std::vector<SimWheelWrite> Reports() const;
    void ClearWrites();

private:
    struct WriteFault {
        DWORD delivered = 0;
        DWORD error = ERROR_SUCCESS;
    };

    // Looks the handle up; false, with the thread's error set, when it is not
    // one of ours or belongs to an earlier plug-in of the wheel.
    bool CheckHandle(HANDLE device) const;

    ClockPort& clock_;
    const std::string path_;
    mutable std::mutex mutex_;
    bool plugged_ = true;
    unsigned plugGeneration_ = 0;
    std::map<HANDLE, unsigned> handles_; // open handle -> plug generation it was opened in
    ULONG_PTR nextHandle_ = 0x7000;
    bool lastingFault_ = false;
    WriteFault fault_;
    std::deque<WriteFault> nextFaults_;
    InputReport input_ = EncodeInputReport({});
    bool silent_ = false;
    DWORD lastReadTimeoutMs_ = 0;
    int reads_ = 0;
    int timedOutReads_ = 0;
    std::vector<SimWheelWrite> writes_;
};

} // namespace torvex
