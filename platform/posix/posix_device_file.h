// The device-file port on Linux: the wheel's hidraw node (such as
// /dev/hidraw3) opened by path, with the Win32 results the driver expects.
//
// A HANDLE carries the file descriptor plus one, so that descriptor 0 is not
// the null handle; nullptr and INVALID_HANDLE_VALUE are never open devices.
// Errors are mapped from errno to the Win32 codes the HID class driver gives
// for the same situation; an unplugged wheel's node answers ENODEV or EIO,
// which becomes ERROR_DEVICE_NOT_CONNECTED. The last error is per thread.
#pragma once

#include "platform/device_file.h"

namespace torvex {

class PosixDeviceFile final : public DevicePort {
public:
    HANDLE Open(const char* path) override;
    // Waits up to `timeoutMs` (INFINITE: for ever) for a report, then reads
    // once.
    BOOL Read(HANDLE device, void* buffer, DWORD size, DWORD* read, DWORD timeoutMs) override;
    // One write of the whole report.
    BOOL Write(HANDLE device, const void* buffer, DWORD size, DWORD* written) override;
    DWORD LastError() override;
    BOOL Close(HANDLE device) override;

    static HANDLE HandleFromDescriptor(int fd);
    // -1 for a value that cannot be an open device's handle.
    static int DescriptorFromHandle(HANDLE device);
};

} // namespace torvex
