// The device-file port on Windows: the kernel's file functions on the
// wheel's HID interface path.
#pragma once

#include "platform/device_file.h"
#include "platform/win32/win32_critical_section.h"

namespace torvex {

class Win32DeviceFile final : public DevicePort {
public:
    Win32DeviceFile() = default;
    // Frees the transfers left behind that have ended since; one that never
    // ended keeps its memory, which the system may still write into.
    ~Win32DeviceFile() override;
    Win32DeviceFile(const Win32DeviceFile&) = delete;
    Win32DeviceFile& operator=(const Win32DeviceFile&) = delete;

    HANDLE Open(const char* path) override;
    BOOL Read(HANDLE device, void* buffer, DWORD size, DWORD* read, DWORD timeoutMs) override;
    BOOL Write(HANDLE device, const void* buffer, DWORD size, DWORD* written) override;
    DWORD LastError() override;
    BOOL Close(HANDLE device) override;

    // One overlapped transfer's memory (defined in the .cpp file).
    struct Transfer;

private:
    // One overlapped ReadFile into `buffer`, of arguments already checked.
    BOOL ReadOnce(HANDLE device, void* buffer, DWORD size, DWORD* read, DWORD timeoutMs);
    BOOL Finish(HANDLE device, Transfer*& transfer, BOOL startedOk, DWORD* transferred, DWORD timeoutMs);
    void LeaveBehind(Transfer* transfer);
    void FreeEnded();

    Win32CriticalSection leftLock_;
    Transfer* left_ = nullptr;
};

} // namespace torvex
