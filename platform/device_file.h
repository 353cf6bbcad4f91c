// The wheel's HID device file as the driver uses it: opened by path for
// synchronous reads of input reports and writes of output reports. Results
// follow the kernel functions they stand for, so the driver's error handling
// reads the same against the real device and the simulated one.
#pragma once

#include "platform/windows_api.h"

namespace torvex {

class DevicePort {
public:
    virtual ~DevicePort() = default;
    // CreateFileA for reading and writing, shared, of an existing file.
    // Every call through the port completes before it returns (the Win32
    // port overlaps its I/O only to bound the wait of a read). A missing
    // device gives 0 or INVALID_HANDLE_VALUE; callers treat both alike.
    virtual HANDLE Open(const char* path) = 0;
    // ReadFile of the wheel's newest input report: every report already
    // queued is taken and the last one given, so that a wheel reporting
    // faster than its reader reads is seen as it is now, not as it was. Only
    // when none is queued does it wait, at most `timeoutMs`: a wheel that
    // sends nothing must not hold its reader for ever. FALSE with
    // ERROR_TIMEOUT when no report came in time.
    virtual BOOL Read(HANDLE device, void* buffer, DWORD size, DWORD* read, DWORD timeoutMs) = 0;
    // WriteFile: `*written` is what reached the device; fewer bytes than
    // `size` is a failure whose cause LastError gives.
    virtual BOOL Write(HANDLE device, const void* buffer, DWORD size, DWORD* written) = 0;
    // GetLastError of the calling thread after its last call through the port.
    virtual DWORD LastError() = 0;
    // CloseHandle.
    virtual BOOL Close(HANDLE device) = 0;
};

// Either failure value of an open.
inline bool IsOpenDevice(HANDLE device)
{
    return device != nullptr && device != INVALID_HANDLE_VALUE;
}

} // namespace torvex
