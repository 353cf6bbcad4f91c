#include "platform/win32/win32_device_file.h"

#include <cstring>
#include <new>

namespace torvex {

namespace {

// A write of one 5-byte report finishes in microseconds; one that takes this
// long is stuck in a wheel that stopped listening.
constexpr DWORD kWriteTimeoutMs = 1000;

// How long a cancelled transfer may take to end. A HID transfer ends at
// once when cancelled; one that does not is left behind rather than holding
// the playback tick, and with it the driver's lock, for ever.
constexpr DWORD kCancelWaitMs = 100;

// How many queued reports one read passes over to reach the newest: more
// than Windows queues by default, so that a device flooding its reader
// cannot hold the playback tick.
constexpr int kMostReportsTakenAtOnce = 128;

} // namespace

// Everything the system writes into while a transfer runs: the OVERLAPPED,
// its event, the bytes and the count. It lives on the heap so that a
// transfer the system does not give back in time can be left behind whole.
struct Win32DeviceFile::Transfer {
    OVERLAPPED overlapped{};
    // Windows 95, 98 and Me refuse a null count even with an OVERLAPPED.
    DWORD started = 0;
    Transfer* next = nullptr;
    DWORD size = 0;
    BYTE* data = nullptr;

    static Transfer* Make(DWORD size)
    {
        Transfer* transfer = new (std::nothrow) Transfer;
        if (transfer == nullptr) {
            return nullptr;
        }
        transfer->size = size;
        // A manual-reset event per transfer keeps the playback thread's
        // writes and an application thread's reads on one handle apart.
        transfer->overlapped.hEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
        transfer->data = size != 0 ? new (std::nothrow) BYTE[size] : nullptr;
        if (transfer->overlapped.hEvent == nullptr || (size != 0 && transfer->data == nullptr)) {
            Free(transfer);
            ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        return transfer;
    }

    // Null is left alone; the thread's last error is kept for the caller.
    static void Free(Transfer* transfer)
    {
        if (transfer == nullptr) {
            return;
        }
        const DWORD error = ::GetLastError();
        if (transfer->overlapped.hEvent != nullptr) {
            ::CloseHandle(transfer->overlapped.hEvent);
        }
        delete[] transfer->data;
        delete transfer;
        ::SetLastError(error);
    }

    bool Ended(DWORD waitMs) const
    {
        return ::WaitForSingleObject(overlapped.hEvent, waitMs) == WAIT_OBJECT_0;
    }
};

Win32DeviceFile::~Win32DeviceFile()
{
    FreeEnded();
}

// Brings a transfer that ReadFile or WriteFile started (`startedOk` being
// their result) to its end, with the result a synchronous call would give.
// A pending transfer gets `timeoutMs`; then it is cancelled and given a
// short while to end. A transfer that completed just before the cancel
// still counts; one that does not end is left behind with its memory, and
// `transfer` becomes null. Otherwise the caller frees it.
BOOL Win32DeviceFile::Finish(HANDLE device, Transfer*& transfer, BOOL startedOk, DWORD* transferred,
                             DWORD timeoutMs)
{
    if (!startedOk && ::GetLastError() != ERROR_IO_PENDING) {
        return FALSE;
    }
    if (startedOk || transfer->Ended(timeoutMs)) {
        return ::GetOverlappedResult(device, &transfer->overlapped, transferred, FALSE);
    }
    ::CancelIo(device);
    if (!transfer->Ended(kCancelWaitMs)) {
        LeaveBehind(transfer);
        transfer = nullptr;
        ::SetLastError(ERROR_TIMEOUT);
        return FALSE;
    }
    if (::GetOverlappedResult(device, &transfer->overlapped, transferred, FALSE)) {
        return TRUE;
    }
    *transferred = 0;
    // A transfer that failed on its own (an unplugged wheel) keeps its error.
    if (::GetLastError() == ERROR_OPERATION_ABORTED) {
        ::SetLastError(ERROR_TIMEOUT);
    }
    return FALSE;
}

void Win32DeviceFile::LeaveBehind(Transfer* transfer)
{
    leftLock_.Enter();
    transfer->next = left_;
    left_ = transfer;
    leftLock_.Leave();
}

void Win32DeviceFile::FreeEnded()
{
    leftLock_.Enter();
    for (Transfer** link = &left_; *link != nullptr;) {
        Transfer* transfer = *link;
        if (transfer->Ended(0)) {
            *link = transfer->next;
            Transfer::Free(transfer);
        } else {
            link = &transfer->next;
        }
    }
    leftLock_.Leave();
}

namespace {

BOOL CheckArguments(HANDLE device, const void* buffer, DWORD size, DWORD* transferred)
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
    return TRUE;
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
    if (!CheckArguments(device, buffer, size, read)) {
        return FALSE;
    }
    if (!ReadOnce(device, buffer, size, read, timeoutMs)) {
        return FALSE;
    }
    // The newest report is the wheel's state now. Windows queues a HID
    // device's input reports (32 of them on 2000 and XP), and a wheel that
    // reports every few milliseconds would otherwise be read that many ticks
    // late: reads that complete at once are taken until one would wait, and
    // that one is cancelled as a timed-out read is.
    for (int more = 0; more < kMostReportsTakenAtOnce; ++more) {
        DWORD newer = 0;
        if (!ReadOnce(device, buffer, size, &newer, 0) || newer == 0) {
            break;
        }
        *read = newer;
    }
    ::SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL Win32DeviceFile::ReadOnce(HANDLE device, void* buffer, DWORD size, DWORD* read, DWORD timeoutMs)
{
    FreeEnded();
    Transfer* transfer = Transfer::Make(size);
    if (transfer == nullptr) {
        return FALSE;
    }
    const BOOL started = ::ReadFile(device, transfer->data, size, &transfer->started, &transfer->overlapped);
    const BOOL ok = Finish(device, transfer, started, read, timeoutMs);
    if (ok && *read != 0) {
        std::memcpy(buffer, transfer->data, *read);
    }
    Transfer::Free(transfer);
    return ok;
}

BOOL Win32DeviceFile::Write(HANDLE device, const void* buffer, DWORD size, DWORD* written)
{
    if (!CheckArguments(device, buffer, size, written)) {
        return FALSE;
    }
    FreeEnded();
    Transfer* transfer = Transfer::Make(size);
    if (transfer == nullptr) {
        return FALSE;
    }
    if (size != 0) {
        std::memcpy(transfer->data, buffer, size);
    }
    const BOOL started = ::WriteFile(device, transfer->data, size, &transfer->started, &transfer->overlapped);
    const BOOL ok = Finish(device, transfer, started, written, kWriteTimeoutMs);
    Transfer::Free(transfer);
    return ok;
}

DWORD Win32DeviceFile::LastError()
{
    return ::GetLastError();
}

// Closing the handle ends what is still pending on it, so what was left
// behind is usually freed here.
BOOL Win32DeviceFile::Close(HANDLE device)
{
    const BOOL closed = ::CloseHandle(device);
    const DWORD error = ::GetLastError();
    FreeEnded();
    ::SetLastError(error);
    return closed;
}

} // namespace torvex
