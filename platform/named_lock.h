// A lock that every process naming it shares. The driver serialises the
// effects, the force mix and the wheel's device file with it across all
// threads of all processes that load the driver (a game and the control
// panel's effect page may drive the wheel at once).
#pragma once

#include "platform/windows_api.h"

namespace torvex {

class NamedLockPort {
public:
    virtual ~NamedLockPort() = default;
    // WaitForSingleObject on the lock: WAIT_OBJECT_0 when the caller now
    // holds it; WAIT_TIMEOUT when `timeoutMs` passed first; WAIT_FAILED at
    // once when there is no lock to wait on. Not re-entrant: a holder that
    // waits again blocks until the timeout.
    virtual DWORD Wait(DWORD timeoutMs) = 0;
    // SetEvent: hands the lock to exactly one waiter, of any process. Only
    // the holder may call it.
    virtual void Signal() = 0;
};

} // namespace torvex
