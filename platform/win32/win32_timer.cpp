#include "platform/win32/win32_timer.h"

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "platform/win32/win32_critical_section.h"

namespace torvex {

namespace {

struct TimerEntry {
    const Win32Timer* owner = nullptr;
    TimerCallback callback = nullptr;
    DWORD_PTR user = 0;
    UINT id = 0;     // the system's timer id, once known
    int running = 0; // callbacks in progress
    // The thread inside the callback while one runs, so that a callback
    // killing its own timer does not wait for itself. The system calls one
    // timer's callbacks one after another, on its timer thread.
    DWORD callbackThread = 0;
};

// How long Kill sleeps between looks at a callback still running: a kill
// is rare (a driver going away) and a tick lasts microseconds.
constexpr DWORD kCallbackPollMs = 1;

class TimerTable {
public:
    static TimerTable& Instance();

    UINT Start(const Win32Timer* owner, UINT delayMs, UINT resolutionMs, TimerCallback callback,
               DWORD_PTR user)
    {
        const DWORD_PTR serial =
            Add(std::shared_ptr<TimerEntry>(new TimerEntry{owner, callback, user, 0, 0}));
        const UINT id = ::timeSetEvent(delayMs, resolutionMs, Trampoline, serial, TIME_PERIODIC);
        const CriticalSectionGuard lock(lock_);
        const auto entry = Find(serial);
        if (id == 0 && entry != entries_.end()) {
            entries_.erase(entry);
        } else if (entry != entries_.end()) {
            entry->second->id = id;
        }
        return id;
    }

    UINT Kill(const Win32Timer* owner, UINT timerId)
    {
        std::shared_ptr<TimerEntry> entry = Remove(owner, timerId);
        if (!entry) {
            return MMSYSERR_INVALPARAM;
        }
        ::timeKillEvent(timerId);
        const DWORD self = ::GetCurrentThreadId();
        for (;;) {
            {
                const CriticalSectionGuard lock(lock_);
                const int own = entry->running > 0 && entry->callbackThread == self ? 1 : 0;
                if (entry->running <= own)
                    return MMSYSERR_NOERROR;
            }
            ::Sleep(kCallbackPollMs);
        }
    }

    std::vector<UINT> TimersOf(const Win32Timer* owner)
    {
        const CriticalSectionGuard lock(lock_);
        std::vector<UINT> ids;
        for (const auto& [serial, entry] : entries_) {
            if (entry->owner == owner && entry->id != 0) {
                ids.push_back(entry->id);
            }
        }
        return ids;
    }

private:
    DWORD_PTR Add(std::shared_ptr<TimerEntry> entry)
    {
        const CriticalSectionGuard lock(lock_);
        const DWORD_PTR serial = nextSerial_++;
        entries_.emplace_back(serial, std::move(entry));
        return serial;
    }

    std::shared_ptr<TimerEntry> Remove(const Win32Timer* owner, UINT timerId)
    {
        const CriticalSectionGuard lock(lock_);
        for (auto found = entries_.begin(); found != entries_.end(); ++found) {
            if (found->second->id == timerId && timerId != 0 && found->second->owner == owner) {
                std::shared_ptr<TimerEntry> entry = std::move(found->second);
                entries_.erase(found);
                return entry;
            }
        }
        return nullptr;
    }

    static void CALLBACK Trampoline(UINT timerId, UINT message, DWORD_PTR serial, DWORD_PTR reserved1,
                                    DWORD_PTR reserved2)
    {
        TimerTable& table = Instance();
        std::shared_ptr<TimerEntry> entry = table.BeginCallback(serial, timerId);
        if (!entry) {
            return; // a tick the system took before the timer was killed
        }
        entry->callback(timerId, message, entry->user, reserved1, reserved2);
        table.EndCallback(*entry);
    }

    std::shared_ptr<TimerEntry> BeginCallback(DWORD_PTR serial, UINT timerId)
    {
        const CriticalSectionGuard lock(lock_);
        const auto found = Find(serial);
        if (found == entries_.end()) {
            return nullptr;
        }
        // The first tick may come before timeSetEvent has returned the id to
        // Start, and its callback may already kill the timer by that id.
        found->second->id = timerId;
        ++found->second->running;
        found->second->callbackThread = ::GetCurrentThreadId();
        return found->second;
    }

    void EndCallback(TimerEntry& entry)
    {
        const CriticalSectionGuard lock(lock_);
        if (--entry.running == 0)
            entry.callbackThread = 0;
    }

    using Entries = std::vector<std::pair<DWORD_PTR, std::shared_ptr<TimerEntry>>>;

    // Called with lock_ held.
    Entries::iterator Find(DWORD_PTR serial)
    {
        return std::find_if(entries_.begin(), entries_.end(),
                            [serial](const auto& entry) { return entry.first == serial; });
    }

    Win32CriticalSection lock_;
    // A process runs a timer or two: a list is enough, and keeps the
    // runtime's tree code (built for the Pentium Pro) out of the DLLs.
    Entries entries_;
    DWORD_PTR nextSerial_ = 1;
};

// Made when the module is loaded, before any timer can start, and never
// destroyed: a Win32Timer with static storage (the driver module's) may be
// destroyed after it would be, and a late tick may still arrive while the
// process shuts down.
TimerTable* const timerTable = new TimerTable;

TimerTable& TimerTable::Instance()
{
    return *timerTable;
}

} // namespace

Win32Timer::~Win32Timer()
{
    for (const UINT id : TimerTable::Instance().TimersOf(this)) {
        TimerTable::Instance().Kill(this, id);
    }
}

UINT Win32Timer::StartPeriodic(UINT delayMs, UINT resolutionMs, TimerCallback callback, DWORD_PTR user)
{
    if (callback == nullptr) {
        return 0;
    }
    return TimerTable::Instance().Start(this, delayMs, resolutionMs, callback, user);
}

UINT Win32Timer::Kill(UINT timerId)
{
    return TimerTable::Instance().Kill(this, timerId);
}

} // namespace torvex
