// The effects DirectInput has downloaded into the driver, newest first, and
// what the driver's methods and the playback tick do with them. The store
// has no lock of its own: every caller holds DriverLock around its calls.
#pragma once

#include "driver/effect_slot.h"
#include "platform/named_lock.h"

namespace torvex {

struct DriverModule;

// Every wait on DriverLock gives up after this long.
constexpr DWORD kDriverLockTimeoutMs = 10000;

class EffectStore {
public:
    explicit EffectStore(DriverModule& module);
    // Tears the store down under the lock.
    virtual ~EffectStore();
    EffectStore(const EffectStore&) = delete;
    EffectStore& operator=(const EffectStore&) = delete;

    // Waits for DriverLock; false when the wait failed or timed out, and
    // then the caller holds nothing and must not call Unlock.
    bool Lock();
    void Unlock();

    // A new stopped effect with the next handle, parameters taken from the
    // flagged fields of `source`. On failure nothing is linked and no handle
    // is used up.
    HRESULT CreateSlot(DWORD internalType, const DIEFFECT& source, const DIEFFECTATTRIBUTES& attributes,
                       DWORD flags, DWORD* handle);
    EffectSlot* FindSlot(DWORD handle) const;
    // Stops the effect, lets it take one last step, and deletes it.
    void RemoveSlot(DWORD handle);
    // Deletes every effect at once, without stopping them.
    void RemoveAll();
    void StopAll();
    // Steps the effects from the newest; stops at the first one whose step
    // fails and returns that result. 1 for an empty store.
    HRESULT StepAll();
    BOOL IsEmpty() const { return pHead == nullptr ? TRUE : FALSE; }

    EffectSlot* pHead = nullptr;

private:
    void Unlink(EffectSlot* slot);

    DriverModule& module_;
};

// Holds DriverLock for a scope, and signals it at the end only if the wait
// succeeded: a thread never releases a lock that another thread holds.
class StoreLock {
public:
    explicit StoreLock(EffectStore& store) : store_(store), held_(store.Lock()) {}
    ~StoreLock()
    {
        if (held_)
            store_.Unlock();
    }
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;

    bool held() const { return held_; }

private:
    EffectStore& store_;
    const bool held_;
};

} // namespace torvex
