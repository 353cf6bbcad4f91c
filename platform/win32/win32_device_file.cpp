#include "platform/win32/win32_device_file.h"

namespace torvex {

HANDLE Win32DeviceFile::Open(const char* path)
{
    return ::CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

BOOL Win32DeviceFile::Read(HANDLE device, void* buffer, DWORD size, DWORD* read)
{
    return ::ReadFile(device, buffer, size, read, nullptr);
}

BOOL Win32DeviceFile::Write(HANDLE device, const void* buffer, DWORD size, DWORD* written)
{
    return ::WriteFile(device, buffer, size, written, nullptr);
}

DWORD Win32DeviceFile::LastError()
{
    return ::GetLastError();
}

BOOL Win32DeviceFile::Close(HANDLE device)
{
    return ::CloseHandle(device);
}

} // namespace torvex
