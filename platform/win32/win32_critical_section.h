// A critical section: initialised when made, deleted when destroyed.
#pragma once

#include "platform/critical_section.h"
#include "platform/windows_api.h"

namespace torvex {

class Win32CriticalSection final : public CriticalSectionPort {
public:
    Win32CriticalSection() { InitializeCriticalSection(&section_); }
    ~Win32CriticalSection() override { DeleteCriticalSection(&section_); }
    Win32CriticalSection(const Win32CriticalSection&) = delete;
    Win32CriticalSection& operator=(const Win32CriticalSection&) = delete;

    void Enter() override { EnterCriticalSection(&section_); }
    void Leave() override { LeaveCriticalSection(&section_); }

private:
    CRITICAL_SECTION section_;
};

} // namespace torvex
