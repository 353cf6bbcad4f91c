// The driver's cross-process lock on Windows: a named auto-reset event,
// created signalled (free). When another process created it first, the same
// call opens that process's event, so every driver instance shares one lock.
#pragma once

#include "platform/named_lock.h"

namespace torvex {

class Win32NamedEvent final : public NamedLockPort {
public:
    explicit Win32NamedEvent(const char* name);
    ~Win32NamedEvent() override;
    Win32NamedEvent(const Win32NamedEvent&) = delete;
    Win32NamedEvent& operator=(const Win32NamedEvent&) = delete;

    // A result other than WAIT_OBJECT_0 is also left as the thread's last
    // error, where the driver reports it from.
    DWORD Wait(DWORD timeoutMs) override;
    void Signal() override;

    bool IsOpen() const { return event_ != nullptr; }

private:
    HANDLE event_ = nullptr;
};

} // namespace torvex
