#include "driver/effect_store.h"

#include <memory>

#include "driver/driver_state.h"

namespace torvex {

EffectStore::EffectStore(DriverModule& module) : module_(module)
{
}

EffectStore::~EffectStore()
{
    // Even without the lock the slots are freed: the store belongs to this
    // process alone, and a driver being destroyed has no callers and no tick
    // left that could be inside it.
    const StoreLock lock(*this);
    RemoveAll();
}

bool EffectStore::Lock()
{
    NamedLockPort* lock = module_.ports.lock;
    return lock != nullptr && lock->Wait(kDriverLockTimeoutMs) == WAIT_OBJECT_0;
}

void EffectStore::Unlock()
{
    module_.ports.lock->Signal();
}

HRESULT EffectStore::CreateSlot(DWORD internalType, const DIEFFECT& source, const DIEFFECTATTRIBUTES& attributes,
                                DWORD flags, DWORD* handle)
{
    std::unique_ptr<EffectSlot> slot(new (std::nothrow) EffectSlot);
    if (slot == nullptr)
        return E_OUTOFMEMORY;
    // The type decides whether the block carries custom samples to copy.
    slot->dwInternalType = internalType;
    const HRESULT merged = slot->MergeParams(source, flags);
    if (FAILED(merged))
        return merged;
    slot->attributes = attributes;

    slot->dwHandle = module_.NextEffectHandle;
    slot->pNext = pHead;
    if (pHead != nullptr)
        pHead->pPrev = slot.get();
    pHead = slot.release();
    *handle = pHead->dwHandle;
    ++module_.NextEffectHandle;
    return S_OK;
}

EffectSlot* EffectStore::FindSlot(DWORD handle) const
{
    for (EffectSlot* slot = pHead; slot != nullptr; slot = slot->pNext)
        if (slot->dwHandle == handle)
            return slot;
    return nullptr;
}

void EffectStore::Unlink(EffectSlot* slot)
{
    if (slot->pPrev == nullptr)
        pHead = slot->pNext;
    else
        slot->pPrev->pNext = slot->pNext;
    if (slot->pNext != nullptr)
        slot->pNext->pPrev = slot->pPrev;
}

void EffectStore::RemoveSlot(DWORD handle)
{
    EffectSlot* slot = FindSlot(handle);
    if (slot == nullptr)
        return;
    slot->Stop(*module_.ports.clock);
    slot->Step(module_);
    Unlink(slot);
    delete slot;
}

void EffectStore::RemoveAll()
{
    while (pHead != nullptr) {
        EffectSlot* next = pHead->pNext;
        delete pHead;
        pHead = next;
    }
}

void EffectStore::StopAll()
{
    for (EffectSlot* slot = pHead; slot != nullptr; slot = slot->pNext)
        slot->Stop(*module_.ports.clock);
}

HRESULT EffectStore::StepAll()
{
    if (pHead == nullptr)
        return 1;
    for (EffectSlot* slot = pHead; slot != nullptr; slot = slot->pNext) {
        const HRESULT result = slot->Step(module_);
        if (result != S_OK)
            return result;
    }
    return S_OK;
}

} // namespace torvex
