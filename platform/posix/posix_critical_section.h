// The process-local lock on Linux: a recursive mutex, re-entrant for its
// holder as a critical section is.
#pragma once

#include <mutex>

#include "platform/critical_section.h"

namespace torvex {

class PosixCriticalSection final : public CriticalSectionPort {
public:
    void Enter() override { mutex_.lock(); }
    void Leave() override { mutex_.unlock(); }

private:
    std::recursive_mutex mutex_;
};

} // namespace torvex
