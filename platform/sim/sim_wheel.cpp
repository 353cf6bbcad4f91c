#include "platform/sim/sim_wheel.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace torvex {

namespace {

// The kernel keeps one last error per thread, shared by every handle; so
// does the simulation.
thread_local DWORD lastError = ERROR_SUCCESS;

bool SamePath(const std::string& a, const char* b)
{
    if (b == nullptr || a.size() != std::strlen(b))
        return false;
    return std::equal(a.begin(), a.end(), b, [](char x, char y) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

} // namespace

SimWheel::SimWheel(ClockPort& clock, std::string path) : clock_(clock), path_(std::move(path))
{
}

HANDLE SimWheel::Open(const char* path)
{
    std::lock_guard lock(mutex_);
    if (!plugged_ || !SamePath(path_, path)) {
        lastError = ERROR_FILE_NOT_FOUND;
        return INVALID_HANDLE_VALUE;
    }
    const HANDLE handle = reinterpret_cast<HANDLE>(nextHandle_);
    nextHandle_ += 4;
    handles_[handle] = plugGeneration_;
    lastError = ERROR_SUCCESS;
    return handle;
}

bool SimWheel::CheckHandle(HANDLE device) const
{
    const auto found = handles_.find(device);
    if (found == handles_.end()) {
        lastError = ERROR_INVALID_HANDLE;
        return false;
    }
    if (!plugged_ || found->second != plugGeneration_) {
        lastError = ERROR_DEVICE_NOT_CONNECTED;
        return false;
    }
    return true;
}

BOOL SimWheel::Read(HANDLE device, void* buffer, DWORD size, DWORD* read, DWORD timeoutMs)
{
    std::lock_guard lock(mutex_);
    lastReadTimeoutMs_ = timeoutMs;
    if (read != nullptr)
        *read = 0;
    if (!CheckHandle(device))
        return FALSE;
    // The HID class driver hands out whole reports only.
    if (buffer == nullptr || read == nullptr || size < kInputReportSize) {
        lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    if (silent_) {
        ++timedOutReads_;
        lastError = ERROR_TIMEOUT;
        return FALSE;
    }
    std::memcpy(buffer, input_.data(), kInputReportSize);
    *read = static_cast<DWORD>(kInputReportSize);
    ++reads_;
    lastError = ERROR_SUCCESS;
    return TRUE;
}

BOOL SimWheel::Write(HANDLE device, const void* buffer, DWORD size, DWORD* written)
{
    std::lock_guard lock(mutex_);
    if (written != nullptr)
        *written = 0;
    if (buffer == nullptr || written == nullptr) {
        lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    SimWheelWrite record;
    const auto* bytes = static_cast<const BYTE*>(buffer);
    record.bytes.assign(bytes, bytes + size);
    record.timeMs = clock_.GetTickCount();
    if (!CheckHandle(device)) {
        record.error = lastError;
    } else if (!nextFaults_.empty() || lastingFault_) {
        const WriteFault fault = nextFaults_.empty() ? fault_ : nextFaults_.front();
        if (!nextFaults_.empty())
            nextFaults_.pop_front();
        record.delivered = std::min(fault.delivered, size);
        record.error = fault.error;
    } else if (size != kOutputReportSize) {
        // Only whole output reports go to a HID device.
        record.error = ERROR_INVALID_PARAMETER;
    } else {
        record.delivered = size;
    }
    *written = record.delivered;
    lastError = record.error;
    const bool whole = record.delivered == size && record.error == ERROR_SUCCESS;
    writes_.push_back(std::move(record));
    return whole ? TRUE : FALSE;
}

DWORD SimWheel::LastError()
{
    return lastError;
}

BOOL SimWheel::Close(HANDLE device)
{
    std::lock_guard lock(mutex_);
    if (handles_.erase(device) == 0) {
        lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    lastError = ERROR_SUCCESS;
    return TRUE;
}

void SimWheel::Unplug()
{
    std::lock_guard lock(mutex_);
    plugged_ = false;
}

void SimWheel::Plug()
{
    std::lock_guard lock(mutex_);
    if (!plugged_)
        ++plugGeneration_;
    plugged_ = true;
}

bool SimWheel::plugged() const
{
    std::lock_guard lock(mutex_);
    return plugged_;
}

void SimWheel::ShortWrites(DWORD delivered, DWORD error)
{
    std::lock_guard lock(mutex_);
    lastingFault_ = true;
    fault_ = {delivered, error};
}

void SimWheel::FailNextWrite(DWORD delivered, DWORD error)
{
    std::lock_guard lock(mutex_);
    nextFaults_.push_back({delivered, error});
}

void SimWheel::WriteNormally()
{
    std::lock_guard lock(mutex_);
    lastingFault_ = false;
    nextFaults_.clear();
}

void SimWheel::SetInputReport(const InputReport& report)
{
    std::lock_guard lock(mutex_);
    input_ = report;
}

void SimWheel::SetInputState(const WheelInputState& state)
{
    SetInputReport(EncodeInputReport(state));
}

WheelInputState SimWheel::InputState() const
{
    std::lock_guard lock(mutex_);
    return DecodeInputReport(input_);
}

bool SimWheel::SetButton(DWORD button, bool pressed)
{
    if (button >= kWheelButtonCount)
        return false;
    std::lock_guard lock(mutex_);
    SetWheelButton(input_, button, pressed);
    return true;
}

void SimWheel::FallSilent()
{
    std::lock_guard lock(mutex_);
    silent_ = true;
}

void SimWheel::Speak()
{
    std::lock_guard lock(mutex_);
    silent_ = false;
}

DWORD SimWheel::LastReadTimeoutMs() const
{
    std::lock_guard lock(mutex_);
    return lastReadTimeoutMs_;
}

int SimWheel::OpenHandleCount() const
{
    std::lock_guard lock(mutex_);
    return static_cast<int>(handles_.size());
}

int SimWheel::ReadCount() const
{
    std::lock_guard lock(mutex_);
    return reads_;
}

int SimWheel::TimedOutReadCount() const
{
    std::lock_guard lock(mutex_);
    return timedOutReads_;
}

std::vector<SimWheelWrite> SimWheel::Writes() const
{
    std::lock_guard lock(mutex_);
    return writes_;
}

std::vector<SimWheelWrite> SimWheel::Reports() const
{
    std::lock_guard lock(mutex_);
    std::vector<SimWheelWrite> reports;
    for (const SimWheelWrite& write : writes_) {
        if (write.delivered == write.bytes.size() && write.error == ERROR_SUCCESS)
            reports.push_back(write);
    }
    return reports;
}

void SimWheel::ClearWrites()
{
    std::lock_guard lock(mutex_);
    writes_.clear();
}

} // namespace torvex
