// The driver's cross-process lock on Linux: a POSIX named semaphore that
// behaves as the auto-reset event Windows gives the driver. Every process
// that names it shares it; it starts free (count 1); a wait takes it; a
// signal frees it for exactly one waiter, and signalling a free lock leaves
// it free for one waiter only, as setting a signalled event does.
#pragma once

#include <semaphore.h>

#include <string>

#include "platform/named_lock.h"

namespace torvex {

class PosixNamedSemaphore final : public NamedLockPort {
public:
    // Opens the semaphore of that name, creating it free when no process has
    // it yet. When that fails it says why on standard error, and every Wait
    // fails at once.
    explicit PosixNamedSemaphore(const char* name);
    ~PosixNamedSemaphore() override;
    PosixNamedSemaphore(const PosixNamedSemaphore&) = delete;
    PosixNamedSemaphore& operator=(const PosixNamedSemaphore&) = delete;

    DWORD Wait(DWORD timeoutMs) override;
    void Signal() override;

    bool IsOpen() const { return semaphore_ != SEM_FAILED; }

    // Removes the name from the system. Only for tests that made up a name of
    // their own: the driver's lock outlives every process that uses it, like
    // the other processes' handles on Windows keep the event alive.
    static bool Unlink(const char* name);
    // The semaphore name for a lock name: a leading '/', no further slashes
    // (the one character Linux does not allow in it), and the user's id.
    static std::string SystemName(const char* name);

private:
    DWORD WaitUntil(const timespec& deadline);

    sem_t* semaphore_ = SEM_FAILED;
};

} // namespace torvex
