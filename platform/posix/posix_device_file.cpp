#include "platform/posix/posix_device_file.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstring>
#include <new>

#include "platform/posix/hid_report_descriptor.h"

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
    case ENAMETOOLONG:
        return ERROR_FILENAME_EXCED_RANGE;
    // What a hidraw node of an unplugged wheel, a hung-up line, or a socket
    // whose wheel has gone answers.
    case ENODEV:
    case ENXIO:
    case EIO:
    case EPIPE:
    case ESHUTDOWN:
    case ECONNRESET:
    case ECONNREFUSED:
    case ENOTCONN:
        return ERROR_DEVICE_NOT_CONNECTED;
    default:
        return ERROR_GEN_FAILURE;
    }
}

// The id Windows puts in front of each report of a device that numbers none.
constexpr BYTE kNoReportId = 0;

// How many queued reports one read passes over to reach the newest: twice
// what hidraw queues, so that a device flooding its node cannot hold the
// reader.
constexpr int kMostReportsTakenAtOnce = 128;

bool DeviceGone(int error)
{
    return error == ENODEV || error == EIO;
}

// A connection to the socket at `path`; -1 with errno on failure.
int ConnectToSocket(const char* path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::size_t length = std::strlen(path);
    if (length >= sizeof address.sun_path) {
        errno = ENAMETOOLONG;
        return -1;
    }
    std::memcpy(address.sun_path, path, length + 1);
    // Non-blocking, so that neither the connect nor a report holds the tick
    // (which runs under DriverLock) when the program behind the socket stops
    // taking them; reads wait in poll() all the same.
    const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return -1;
    }
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int error = errno;
        close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

// The node opened for reading and writing, or connected to when a socket
// stands in its place; -1 with errno on failure.
int OpenNode(const char* path, bool* socket)
{
    *socket = false;
    // O_NOCTTY: a terminal-like node must never become the process's
    // controlling terminal.
    int fd = -1;
    do {
        fd = open(path, O_RDWR | O_CLOEXEC | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd >= 0 || errno != ENXIO) {
        return fd;
    }
    struct stat status {};
    if (stat(path, &status) != 0 || !S_ISSOCK(status.st_mode)) {
        errno = ENXIO;
        return -1;
    }
    *socket = true;
    return ConnectToSocket(path);
}

// 1 when the device numbers its reports, 0 when it numbers none or the node
// is no hidraw node (which has no descriptor to give), -1 with errno when
// the device has gone.
int NumbersReports(int fd)
{
    int size = 0;
    if (ioctl(fd, HIDIOCGRDESCSIZE, &size) != 0) {
        return DeviceGone(errno) ? -1 : 0;
    }
    hidraw_report_descriptor descriptor{};
    // The kernel copies no more than this.
    descriptor.size = static_cast<__u32>(std::clamp(size, 0, HID_MAX_DESCRIPTOR_SIZE - 1));
    if (ioctl(fd, HIDIOCGRDESC, &descriptor) != 0) {
        return DeviceGone(errno) ? -1 : 0;
    }
    return NumbersItsReports({descriptor.value, descriptor.size}) ? 1 : 0;
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

// read(), again when a signal interrupts it.
ssize_t ReadOnce(int fd, BYTE* buffer, std::size_t size)
{
    ssize_t got = -1;
    do {
        got = ::read(fd, buffer, size);
    } while (got < 0 && errno == EINTR);
    return got;
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
    Node node;
    const int fd = OpenNode(path, &node.socket);
    if (fd < 0) {
        Fail(Win32ErrorFromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    const int numbered = NumbersReports(fd);
    if (numbered < 0) {
        const int error = errno;
        close(fd);
        Fail(Win32ErrorFromErrno(error));
        return INVALID_HANDLE_VALUE;
    }
    node.readsWithoutId = numbered == 0;
    try {
        const std::lock_guard lock(mutex_);
        nodes_[fd] = node;
    } catch (const std::bad_alloc&) {
        close(fd);
        Fail(ERROR_NOT_ENOUGH_MEMORY);
        return INVALID_HANDLE_VALUE;
    }
    tLastError = ERROR_SUCCESS;
    return HandleFromDescriptor(fd);
}

PosixDeviceFile::Node PosixDeviceFile::NodeOf(int fd)
{
    const std::lock_guard lock(mutex_);
    const auto found = nodes_.find(fd);
    return found != nodes_.end() ? found->second : Node{};
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
    // A report whose id hidraw left out goes in behind the id's byte; a
    // buffer with no room for its data would swallow the report.
    const DWORD idBytes = NodeOf(fd).readsWithoutId ? 1 : 0;
    if (idBytes != 0 && size <= idBytes) {
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    auto* bytes = static_cast<BYTE*>(buffer);
    const int ready = WaitReadable(fd, timeoutMs);
    if (ready < 0) {
        return Fail(Win32ErrorFromErrno(errno));
    }
    if (ready == 0) {
        return Fail(ERROR_TIMEOUT);
    }
    ssize_t got = ReadOnce(fd, bytes + idBytes, size - idBytes);
    if (got < 0) {
        return Fail(Win32ErrorFromErrno(errno));
    }
    // The newest report is the wheel's state now: one that reports every few
    // milliseconds fills hidraw's queue (64 reports) far faster than a tick
    // takes one, and each report behind the newest is a button held or let
    // go that long ago. A later read that fails leaves the report already
    // taken, and the failure for the next call to meet.
    for (int more = 0; got > 0 && more < kMostReportsTakenAtOnce && WaitReadable(fd, 0) == 1; ++more) {
        const ssize_t newer = ReadOnce(fd, bytes + idBytes, size - idBytes);
        if (newer <= 0) {
            break;
        }
        got = newer;
    }
    // End of file on a device node: the other side hung up (a terminal line
    // or a socket does so; a hidraw node of an unplugged wheel answers EIO).
    // Reporting success with no bytes would leave the reader spinning.
    if (got == 0 && size != 0) {
        return Fail(ERROR_DEVICE_NOT_CONNECTED);
    }
    if (idBytes != 0) {
        bytes[0] = kNoReportId;
    }
    *read = static_cast<DWORD>(got) + idBytes;
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
    // A socket whose wheel has gone would raise SIGPIPE on write() and end
    // the process that loaded the driver.
    const bool socket = NodeOf(fd).socket;
    ssize_t put = -1;
    do {
        put = socket ? send(fd, buffer, size, MSG_NOSIGNAL) : ::write(fd, buffer, size);
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
    {
        const std::lock_guard lock(mutex_);
        nodes_.erase(fd);
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
