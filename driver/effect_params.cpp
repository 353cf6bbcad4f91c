#include "driver/effect_params.h"

#include <algorithm>
#include <cstring>

namespace torvex {

namespace {

// Copies `count` elements into `owned` when `source` is present; a null
// source leaves the copy absent.
template <class T>
HRESULT CopyArray(const T* source, DWORD count, DWORD limit, EffectMemory<T>& owned, T*& field)
{
    if (source == nullptr)
        return S_OK;
    if (count > limit)
        return E_INVALIDARG;
    owned = AllocateEffectArray<T>(count);
    if (owned == nullptr)
        return E_OUTOFMEMORY;
    std::copy_n(source, count, owned.get());
    field = owned.get();
    return S_OK;
}

HRESULT FillParams(EffectParams& params, const DIEFFECT& source, DWORD flags)
{
    DIEFFECT& effect = params.effect;
    CopyFlaggedScalars(effect, source, flags);

    HRESULT result = S_OK;
    if ((flags & DIEP_AXES) != 0 && source.rgdwAxes != nullptr) {
        effect.cAxes = source.cAxes;
        result = CopyArray(source.rgdwAxes, source.cAxes, kMaxEffectAxes, params.axes, effect.rgdwAxes);
    }
    if (SUCCEEDED(result) && (flags & DIEP_DIRECTION) != 0) {
        effect.cAxes = source.cAxes;
        result = CopyArray(source.rglDirection, source.cAxes, kMaxEffectAxes, params.directions,
                           effect.rglDirection);
    }
    if (SUCCEEDED(result) && (flags & DIEP_ENVELOPE) != 0)
        result = CopyArray(source.lpEnvelope, 1, 1, params.envelope, effect.lpEnvelope);
    if (SUCCEEDED(result) && (flags & DIEP_TYPESPECIFICPARAMS) != 0) {
        effect.cbTypeSpecificParams = source.cbTypeSpecificParams;
        BYTE* block = nullptr;
        result = CopyArray(static_cast<const BYTE*>(source.lpvTypeSpecificParams), source.cbTypeSpecificParams,
                           kMaxTypeSpecificBytes, params.typeSpecific, block);
        effect.lpvTypeSpecificParams = block;
    }
    return result;
}

} // namespace

HRESULT CopyEffectParams(EffectStore& store, DWORD handle, const DIEFFECT* source, DWORD flags)
{
    EffectSlot* slot = store.FindSlot(handle);
    EffectParams params;
    if (source == nullptr)
        return E_INVALIDARG;
    if (slot == nullptr)
        return S_OK;
    const HRESULT copied = FillParams(params, *source, flags);
    if (FAILED(copied))
        return copied;
    return slot->MergeParams(params.effect, flags);
}

} // namespace torvex
