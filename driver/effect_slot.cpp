#include "driver/effect_slot.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace torvex {

namespace {

// A fresh copy of `count` elements of `source`. The old copy is replaced only
// after the new one is filled, so a source that is the slot's own copy stays
// readable; when memory runs out the old copy goes anyway, as the merge of a
// DIEP flag frees it before it allocates.
template <class T>
HRESULT ReplaceArray(const T* source, DWORD count, std::unique_ptr<T[]>& owned, std::size_t& ownedCount)
{
    if (source == nullptr) {
        owned.reset();
        ownedCount = 0;
        return S_OK;
    }
    std::unique_ptr<T[]> copy;
    if (count <= std::numeric_limits<std::size_t>::max() / sizeof(T))
        copy.reset(new (std::nothrow) T[count]);
    if (copy == nullptr) {
        owned.reset();
        ownedCount = 0;
        return E_OUTOFMEMORY;
    }
    std::copy_n(source, count, copy.get());
    owned = std::move(copy);
    ownedCount = count;
    return S_OK;
}

} // namespace

EffectSlot::EffectSlot() = default;

EffectSlot::~EffectSlot() = default;

HRESULT EffectSlot::SetAxes(const DWORD* axes, DWORD count)
{
    const HRESULT result = ReplaceArray(axes, count, axes_, axisCount_);
    effect.rgdwAxes = axes_.get();
    if (SUCCEEDED(result))
        effect.cAxes = count;
    return result;
}

HRESULT EffectSlot::SetDirections(const LONG* directions, DWORD count)
{
    const HRESULT result = ReplaceArray(directions, count, directions_, directionCount_);
    effect.rglDirection = directions_.get();
    if (SUCCEEDED(result))
        effect.cAxes = count;
    return result;
}

HRESULT EffectSlot::SetEnvelope(const DIENVELOPE* envelope)
{
    if (envelope == nullptr) {
        envelope_.reset();
    } else {
        if (envelope_ == nullptr)
            envelope_.reset(new (std::nothrow) DIENVELOPE);
        if (envelope_ == nullptr) {
            effect.lpEnvelope = nullptr;
            return E_OUTOFMEMORY;
        }
        std::memmove(envelope_.get(), envelope, sizeof(DIENVELOPE));
    }
    effect.lpEnvelope = envelope_.get();
    return S_OK;
}

HRESULT EffectSlot::SetTypeSpecific(const void* block, DWORD size, DWORD internalType)
{
    if (block == nullptr) {
        typeSpecific_.reset();
        typeSpecificSize_ = 0;
        samples_.reset();
        sampleCount_ = 0;
        effect.lpvTypeSpecificParams = nullptr;
        effect.cbTypeSpecificParams = size;
        return S_OK;
    }

    std::unique_ptr<void, BlockDeleter> copy(::operator new(size, std::nothrow));
    std::unique_ptr<LONG[]> samples;
    std::size_t sampleCount = 0;
    HRESULT result = copy != nullptr ? S_OK : E_OUTOFMEMORY;
    if (SUCCEEDED(result)) {
        std::memcpy(copy.get(), block, size);
        if (internalType == kEffectCustomForce && size >= sizeof(DICUSTOMFORCE)) {
            DICUSTOMFORCE custom;
            std::memcpy(&custom, copy.get(), sizeof custom);
            result = ReplaceArray<LONG>(custom.rglForceData, custom.cSamples, samples, sampleCount);
            custom.rglForceData = samples.get();
            std::memcpy(copy.get(), &custom, sizeof custom);
        }
    }
    if (FAILED(result)) {
        typeSpecific_.reset();
        typeSpecificSize_ = 0;
        samples_.reset();
        sampleCount_ = 0;
        effect.lpvTypeSpecificParams = nullptr;
        return result;
    }
    typeSpecific_ = std::move(copy);
    typeSpecificSize_ = size;
    samples_ = std::move(samples);
    sampleCount_ = sampleCount;
    effect.lpvTypeSpecificParams = typeSpecific_.get();
    effect.cbTypeSpecificParams = size;
    return S_OK;
}

} // namespace torvex
