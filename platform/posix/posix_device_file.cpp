#include "platform/posix/posix_device_file.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>

namespace torvex {

namespace {

thread_local DWORD tLastError = ERROR_SUCCESS;

BOOL Fail(DWORD error)
{
    tLastError = error;
    return FALSE;
}

DWORD Win32ErrorFromErrno(int error)
{
    switch (error) {
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
        return ERROR_ACCESS_DENIED;
    case EBADF:
        return ERROR_INVALID_HANDLE;
    // What a hidraw node of an unplugged wheel, or a hung-up line, answers.
    case ENODEV:
    case ENXIO:
    case EIO:
    case EPIPE:
    case ESHUTDOWN:
        return ERROR_DEVICE_NOT_CONNECTED;
    default:
        return ERROR_GEN_FAILURE;
    }
}

// poll() for input, counting down the time left when a signal interrupts:
// 1 when there is something to read (or an error to collect by reading), 0
// on timeout, -1 with errno on failure.
int WaitReadable(int fd, DWORD timeoutMs)
{
    using std::chrono::steady_clock;
    const auto deadline = steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int waitMs = timeoutMs == INFINITE ? -1 : static_cast<int>(std::min<DWORD>(timeoutMs, INT_MAX));
    for (;;) {
        pollfd entry{fd, POLLIN, 0};
        const int ready = poll(&entry, 1, waitMs);
        if (ready >= 0 || errno != EINTR) {
            return ready;
        }
        if (waitMs > 0) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - steady_clock::now());
            waitMs = static_cast<int>(std::max<long long>(left.count(), 0));
        }
    }
}

} // namespace

HANDLE PosixDeviceFile::HandleFromDescriptor(int fd)
{
    return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(fd) + 1);
}

int PosixDeviceFile::DescriptorFromHandle(HANDLE device)
{
    if (!IsOpenDevice(device)) {
        return -1;
    }
    const std::intptr_t fd = reinterpret_cast<std::intptr_t>(device) - 1;
    return fd >= 0 && fd <= INT_MAX ? static_cast<int>(fd) : -1;
}

HANDLE PosixDeviceFile::Open(const char* path)
{
    if (path == nullptr) {
        Fail(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    // O_NOCTTY: a terminal-like node must never become the process's
    // controlling terminal.
    int fd = -1;
    do {
        fd = open(path, O_RDWR | O_CLOEXEC | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        Fail(Win32ErrorFromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    tLastError = ERROR_SUCCESS;
    return HandleFromDescriptor(fd);
}

BOOL PosixDeviceFile::Read(HANDLE device, void* buffer, DWORD size, DWORD* read, DWORD timeoutMs)
{
    if (read != nullptr) {
        *read = 0;
    }
    const int fd = DescriptorFromHandle(device);
    if (fd < 0) {
        return Fail(ERROR_INVALID_HANDLE);
    }
    if (read == nullptr || (buffer == nullptr && size != 0)) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    const int ready = WaitReadable(fd, timeoutMs);
    if (ready < 0) {
        return Fail(Win32ErrorFromErrno(errno));
    }
    if (ready == 0) {
        return Fail(ERROR_TIMEOUT);
    }
    ssize_t got = -1;
    do {
        got = ::read(fd, buffer, size);
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
        return Fail(Win32ErrorFromErrno(errno));
    }
    // End of file on a device node: the other side hung up (a terminal
    // line does so; a hidraw node of an unplugged wheel answers EIO).
    // Reporting success with no bytes would leave the reader spinning.
    if (got == 0 && size != 0) {
        return Fail(ERROR_DEVICE_NOT_CONNECTED);
    }
    *read = static_cast<DWORD>(got);
    tLastError = ERROR_SUCCESS;
    return TRUE;
}

BOOL PosixDeviceFile::Write(HANDLE device, const void* buffer, DWORD size, DWORD* written)
{
    if (written != nullptr) {
        *written = 0;
    }
    const int fd = DescriptorFromHandle(device);
    if (fd < 0) {
        return Fail(ERROR_INVALID_HANDLE);
    }
    if (written == nullptr || (buffer == nullptr && size != 0)) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    ssize_t put = -1;
    do {
        put = ::write(fd, buffer, size);
    } while (put < 0 && errno == EINTR);
    if (put < 0) {
        return Fail(Win32ErrorFromErrno(errno));
    }
    *written = static_cast<DWORD>(put);
    // A report goes out whole or not at all; a part of one moved no motor.
    if (*written < size) {
        return Fail(ERROR_GEN_FAILURE);
    }
    tLastError = ERROR_SUCCESS;
    return TRUE;
}

DWORD PosixDeviceFile::LastError()
{
    return tLastError;
}

BOOL PosixDeviceFile::Close(HANDLE device)
{
    const int fd = DescriptorFromHandle(device);
    if (fd < 0) {
        return Fail(ERROR_INVALID_HANDLE);
    }
    // Not retried on EINTR: Linux has released the descriptor either way,
    // and another thread may already have been given the same number.
    if (close(fd) != 0 && errno != EINTR) {
        return Fail(Win32ErrorFromErrno(errno));
    }
    tLastError = ERROR_SUCCESS;
    return TRUE;
}

} // namespace torvex
