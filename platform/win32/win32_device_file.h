// The device-file port on Windows: the kernel's file functions on the
// wheel's HID interface path.
#pragma once

#include "platform/device_file.h"

namespace torvex {

class Win32DeviceFile final : public DevicePort {
public:
    HANDLE Open(const char* path) override;
    BOOL Read(HANDLE device, void* buffer, DWORD size, DWORD* read, DWORD timeoutMs) override;
    BOOL Write(HANDLE device, const void* buffer, DWORD size, DWORD* written) override;
    DWORD LastError() override;
    BOOL Close(HANDLE device) override;
};

} // namespace torvex
