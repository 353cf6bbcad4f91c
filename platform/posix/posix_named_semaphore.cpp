#include "platform/posix/posix_named_semaphore.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace torvex {

namespace {

// Only this user's processes share the lock, as a named event lives in the
// user's session on Windows.
constexpr mode_t kLockMode = 0600;

// sem_clockwait measures the wait on the monotonic clock, so setting the
// wall clock neither shortens nor stretches it; older C libraries only have
// sem_timedwait, which waits against the wall clock.
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 30))
constexpr clockid_t kWaitClock = CLOCK_MONOTONIC;
int WaitWithDeadline(sem_t* semaphore, const timespec& deadline)
{
    return sem_clockwait(semaphore, kWaitClock, &deadline);
}
#else
constexpr clockid_t kWaitClock = CLOCK_REALTIME;
int WaitWithDeadline(sem_t* semaphore, const timespec& deadline)
{
    return sem_timedwait(semaphore, &deadline);
}
#endif

timespec DeadlineAfter(DWORD timeoutMs)
{
    timespec deadline{};
    clock_gettime(kWaitClock, &deadline);
    deadline.tv_sec += static_cast<time_t>(timeoutMs / 1000);
    deadline.tv_nsec += static_cast<long>(timeoutMs % 1000) * 1000000L;
    if (deadline.tv_nsec >= 1000000000L) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= 1000000000L;
    }
    return deadline;
}

DWORD WaitForever(sem_t* semaphore)
{
    while (sem_wait(semaphore) != 0) {
        if (errno != EINTR) {
            return WAIT_FAILED;
        }
    }
    return WAIT_OBJECT_0;
}

} // namespace

PosixNamedSemaphore::PosixNamedSemaphore(const char* name)
{
    if (name == nullptr) {
        return;
    }
    const std::string systemName = SystemName(name);
    semaphore_ = sem_open(systemName.c_str(), O_CREAT, kLockMode, 1u);
    if (!IsOpen()) {
        // Every command that needs the lock fails from now on, with only a
        // time-out code to show for it: say once what is missing.
        const int error = errno;
        std::fprintf(stderr, "cannot open the cross-process lock %s: %s%s\n", systemName.c_str(),
                     std::strerror(error),
                     error == ENOENT || error == ENOSYS
                         ? " (named semaphores live in /dev/shm, which must be a mounted tmpfs)"
                         : "");
    }
}

PosixNamedSemaphore::~PosixNamedSemaphore()
{
    if (IsOpen()) {
        sem_close(semaphore_);
    }
}

DWORD PosixNamedSemaphore::Wait(DWORD timeoutMs)
{
    if (!IsOpen()) {
        return WAIT_FAILED;
    }
    if (timeoutMs == INFINITE) {
        return WaitForever(semaphore_);
    }
    return WaitUntil(DeadlineAfter(timeoutMs));
}

DWORD PosixNamedSemaphore::WaitUntil(const timespec& deadline)
{
    while (WaitWithDeadline(semaphore_, deadline) != 0) {
        if (errno == ETIMEDOUT) {
            return WAIT_TIMEOUT;
        }
        if (errno != EINTR) {
            return WAIT_FAILED;
        }
    }
    return WAIT_OBJECT_0;
}

void PosixNamedSemaphore::Signal()
{
    if (!IsOpen()) {
        return;
    }
    // Only the holder signals, so nobody else raises the count between the
    // look and the post.
    int count = 0;
    if (sem_getvalue(semaphore_, &count) == 0 && count > 0) {
        return;
    }
    sem_post(semaphore_);
}

bool PosixNamedSemaphore::Unlink(const char* name)
{
    return name != nullptr && sem_unlink(SystemName(name).c_str()) == 0;
}

std::string PosixNamedSemaphore::SystemName(const char* name)
{
    std::string systemName = std::string("/") + name;
    for (std::size_t i = 1; i < systemName.size(); ++i) {
        if (systemName[i] == '/') {
            systemName[i] = '_';
        }
    }
    // Each user's own name: the semaphores of all users share /dev/shm, and
    // one another user made first, open to that user alone, would fail every
    // command here.
    return systemName + "." + std::to_string(geteuid());
}

} // namespace torvex
