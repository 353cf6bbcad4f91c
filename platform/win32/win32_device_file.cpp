#include "platform/win32/win32_device_file.h"

namespace torvex {

namespace {

// A write of one 5-byte report finishes in microseconds; one that takes this
// long is stuck in a wheel that stopped listening.
constexpr DWORD kWriteTimeoutMs = 1000;

// A manual-reset event for one overlapped call. One per call keeps the
// playback thread's writes and an application thread's reads on the same
// handle apart.
class IoEvent {
public:
    IoEvent() : event_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~IoEvent()
    {
        if (event_ != nullptr) {
            ::CloseHandle(event_);
        }
    }
    IoEvent(const IoEvent&) = delete;
    IoEvent& operator=(const IoEvent&) = delete;

    HANDLE get() const { return event_; }

private:
    HANDLE event_;
};

// Waits up to `timeoutMs` for an overlapped transfer that the system took
// as pending. On timeout the transfer is cancelled and waited for, since it
// writes into the caller's OVERLAPPED and buffer; a transfer that completed
// just before the cancel still counts.
BOOL FinishTransfer(HANDLE device, OVERLAPPED& overlapped, DWORD* transferred, DWORD timeoutMs)
{
    if (::WaitForSingleObject(overlapped.hEvent, timeoutMs) == WAIT_OBJECT_0) {
        return ::GetOverlappedResult(device, &overlapped, transferred, FALSE);
    }
    ::CancelIo(device);
    if (::GetOverlappedResult(device, &overlapped, transferred, TRUE)) {
        return TRUE;
    }
    *transferred = 0;
    // A transfer that failed on its own (an unplugged wheel) keeps its error.
    if (::GetLastError() == ERROR_OPERATION_ABORTED) {
        ::SetLastError(ERROR_TIMEOUT);
    }
    return FALSE;
}

// Runs one overlapped ReadFile or WriteFile (`start`) to completion or
// timeout, with the results a synchronous call would give.
template <typename Start>
BOOL Transfer(HANDLE device, const void* buffer, DWORD size, DWORD* transferred, DWORD timeoutMs, Start start)
{
    if (!IsOpenDevice(device)) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (transferred == nullptr || (buffer == nullptr && size != 0)) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *transferred = 0;
    IoEvent event;
    if (event.get() == nullptr) {
        return FALSE;
    }
    OVERLAPPED overlapped{};
    overlapped.hEvent = event.get();
    if (start(&overlapped)) {
        return ::GetOverlappedResult(device, &overlapped, transferred, FALSE);
    }
    if (::GetLastError() != ERROR_IO_PENDING) {
        return FALSE;
    }
    return FinishTransfer(device, overlapped, transferred, timeoutMs);
}

} // namespace

// Opened for overlapped I/O: a synchronous handle cannot be waited on with a
// timeout, and a wheel that sends nothing must not hold its reader for ever.
// Read and Write still behave as synchronous calls to their callers.
HANDLE Win32DeviceFile::Open(const char* path)
{
    return ::CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
}

BOOL Win32DeviceFile::Read(HANDLE device, void* buffer, DWORD size, DWORD* read, DWORD timeoutMs)
{
    return Transfer(device, buffer, size, read, timeoutMs, [&](OVERLAPPED* overlapped) {
        return ::ReadFile(device, buffer, size, nullptr, overlapped);
    });
}

BOOL Win32DeviceFile::Write(HANDLE device, const void* buffer, DWORD size, DWORD* written)
{
    return Transfer(device, buffer, size, written, kWriteTimeoutMs, [&](OVERLAPPED* overlapped) {
        return ::WriteFile(device, buffer, size, nullptr, overlapped);
    });
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
