#include "driver/effect_slot.h"

#include <algorithm>
#include <cstring>

#include "driver/device/render_effect.h"
#include "driver/driver_state.h"

namespace torvex {

namespace {

// A fresh copy of `count` elements of `source`. The old copy is replaced only
// after the new one is filled, so a source that is the slot's own copy stays
// readable; on failure the old copy goes anyway, as the merge of a DIEP flag
// frees it before it allocates.
template <class T>
HRESULT ReplaceArray(const T* source, DWORD count, DWORD limit, EffectMemory<T>& owned, std::size_t& ownedCount)
{
    if (source == nullptr) {
        owned.reset();
        ownedCount = 0;
        return S_OK;
    }
    EffectMemory<T> copy;
    HRESULT result = E_INVALIDARG;
    if (count <= limit) {
        copy = AllocateEffectArray<T>(count);
        result = copy != nullptr ? S_OK : E_OUTOFMEMORY;
    }
    if (FAILED(result)) {
        owned.reset();
        ownedCount = 0;
        return result;
    }
    std::copy_n(source, count, copy.get());
    owned = std::move(copy);
    ownedCount = count;
    return S_OK;
}

} // namespace

void CopyFlaggedScalars(DIEFFECT& target, const DIEFFECT& source, DWORD flags)
{
    if ((flags & DIEP_DURATION) != 0)
        target.dwDuration = source.dwDuration;
    if ((flags & DIEP_SAMPLEPERIOD) != 0)
        target.dwSamplePeriod = source.dwSamplePeriod;
    if ((flags & DIEP_GAIN) != 0)
        target.dwGain = source.dwGain;
    if ((flags & DIEP_TRIGGERBUTTON) != 0)
        target.dwTriggerButton = source.dwTriggerButton;
    if ((flags & DIEP_TRIGGERREPEATINTERVAL) != 0)
        target.dwTriggerRepeatInterval = source.dwTriggerRepeatInterval;
}

EffectSlot::EffectSlot() = default;

EffectSlot::~EffectSlot() = default;

void EffectSlot::Start(DWORD count)
{
    fPlaying = TRUE;
    dwIterationsLeft = count;
    dwElapsed = 0;
    dwLastTick = 0;
}

void EffectSlot::Stop(ClockPort& clock)
{
    fPlaying = FALSE;
    dwLastTick = 0;
    dwIterationsLeft = 0;
    dwElapsed = 0;
    clock.Sleep(kStopSettleMs);
}

HRESULT EffectSlot::Step(DriverModule& module)
{
    // While the button stays down the effect keeps replaying its beginning.
    if (IsTriggerPressed(module))
        Start(1);
    return RenderEffect(module, *this);
}

bool EffectSlot::IsTriggerPressed(const DriverModule& module) const
{
    // The button's instance number sits in bits 8 to 23 of its object id;
    // DIEB_NOTRIGGER's instance (0xFFFF) names no button of the wheel.
    const DWORD button = (effect.dwTriggerButton >> 8) & 0xFFFF;
    return IsWheelButtonPressed(module.LatestInputReport, button);
}

HRESULT EffectSlot::MergeParams(const DIEFFECT& source, DWORD flags)
{
    HRESULT result = S_OK;
    if ((flags & DIEP_ENVELOPE) != 0)
        result = SetEnvelope(source.lpEnvelope);
    if (SUCCEEDED(result) && (flags & DIEP_AXES) != 0)
        result = SetAxes(source.rgdwAxes, source.cAxes);
    if (SUCCEEDED(result) && (flags & DIEP_DIRECTION) != 0)
        result = SetDirections(source.rglDirection, source.cAxes);
    if (SUCCEEDED(result) && (flags & DIEP_TYPESPECIFICPARAMS) != 0)
        result = SetTypeSpecific(source.lpvTypeSpecificParams, source.cbTypeSpecificParams, dwInternalType);
    if (FAILED(result))
        return result;

    effect.dwSize = kEffectRecordSize;
    CopyFlaggedScalars(effect, source, flags);
    return S_OK;
}

HRESULT EffectSlot::SetAxes(const DWORD* axes, DWORD count)
{
    const HRESULT result = ReplaceArray(axes, count, kMaxEffectAxes, axes_, axisCount_);
    effect.rgdwAxes = axes_.get();
    if (SUCCEEDED(result))
        effect.cAxes = count;
    return result;
}

HRESULT EffectSlot::SetDirections(const LONG* directions, DWORD count)
{
    const HRESULT result = ReplaceArray(directions, count, kMaxEffectAxes, directions_, directionCount_);
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
            envelope_ = AllocateEffectArray<DIENVELOPE>(1);
        if (envelope_ == nullptr) {
            effect.lpEnvelope = nullptr;
            return E_OUTOFMEMORY;
        }
        std::memmove(envelope_.get(), envelope, sizeof(DIENVELOPE));
    }
    effect.lpEnvelope = envelope_.get();
    return S_OK;
}

void EffectSlot::DropTypeSpecific()
{
    typeSpecific_.reset();
    typeSpecificSize_ = 0;
    samples_.reset();
    sampleCount_ = 0;
    effect.lpvTypeSpecificParams = nullptr;
}

HRESULT EffectSlot::SetTypeSpecific(const void* block, DWORD size, DWORD internalType)
{
    if (block == nullptr) {
        DropTypeSpecific();
        effect.cbTypeSpecificParams = size;
        return S_OK;
    }

    EffectMemory<BYTE> copy;
    EffectMemory<LONG> samples;
    std::size_t sampleCount = 0;
    HRESULT result = E_INVALIDARG;
    if (size <= kMaxTypeSpecificBytes) {
        copy = AllocateEffectArray<BYTE>(size);
        result = copy != nullptr ? S_OK : E_OUTOFMEMORY;
    }
    if (SUCCEEDED(result)) {
        std::memcpy(copy.get(), block, size);
        if (internalType == kEffectCustomForce && size >= sizeof(DICUSTOMFORCE)) {
            DICUSTOMFORCE custom;
            std::memcpy(&custom, copy.get(), sizeof custom);
            result = ReplaceArray<LONG>(custom.rglForceData, custom.cSamples, kMaxCustomSamples, samples,
                                        sampleCount);
            custom.rglForceData = samples.get();
            std::memcpy(copy.get(), &custom, sizeof custom);
        }
    }
    if (FAILED(result)) {
        DropTypeSpecific();
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
