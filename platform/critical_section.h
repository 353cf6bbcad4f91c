// A lock for the threads of one process: a critical section on Windows.
// Re-entrant for the thread that holds it, as critical sections are.
#pragma once

namespace torvex {

class CriticalSectionPort {
public:
    virtual ~CriticalSectionPort() = default;
    virtual void Enter() = 0;
    virtual void Leave() = 0;
};

class CriticalSectionGuard {
public:
    explicit CriticalSectionGuard(CriticalSectionPort& lock) : lock_(lock) { lock_.Enter(); }
    ~CriticalSectionGuard() { lock_.Leave(); }
    CriticalSectionGuard(const CriticalSectionGuard&) = delete;
    CriticalSectionGuard& operator=(const CriticalSectionGuard&) = delete;

private:
    CriticalSectionPort& lock_;
};

} // namespace torvex
