// An update of an effect that is already downloaded: the flagged fields of
// the application's DIEFFECT, copied into a record that owns its arrays and
// blocks, then merged into the effect. Copying everything first means a bad
// count or a failed allocation is found before the effect is touched.
#pragma once

#include "driver/effect_memory.h"
#include "driver/effect_store.h"

namespace torvex {

struct EffectParams {
    // Zero-filled; its pointers refer to the copies below.
    DIEFFECT effect{};
    EffectMemory<DWORD> axes;
    EffectMemory<LONG> directions;
    EffectMemory<DIENVELOPE> envelope;
    EffectMemory<BYTE> typeSpecific;
};

// Called with DriverLock held. E_INVALIDARG for a null DIEFFECT or a count
// beyond the slot's bounds, E_OUTOFMEMORY when a copy cannot be made (in
// both cases the effect is unchanged), else the merge's result. A handle
// that names no effect: S_OK, nothing done.
HRESULT CopyEffectParams(EffectStore& store, DWORD handle, const DIEFFECT* source, DWORD flags);

} // namespace torvex
