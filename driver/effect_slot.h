// One downloaded effect: its DirectInput parameters, held as copies the slot
// owns, and its playback state. The copies carry their own lengths, because
// the parameters arrive piecemeal (a merge may change the axis count without
// the arrays, or the effect type's block without its size matching the
// type), and the force computation must never read past what it was given.
#pragma once

#include <cstddef>
#include <new>
#include <span>

#include "driver/effect_memory.h"
#include "platform/clock.h"
#include "platform/windows_api.h"

namespace torvex {

struct DriverModule;

// Internal effect types, the effect ids DirectInput passes to DownloadEffect
// from the installation's attribute records. Ids without an entry here (the
// conditions among them) have no force computation of their own.
constexpr DWORD kEffectConstantForce = 0;
constexpr DWORD kEffectRampForce = 1;
constexpr DWORD kEffectSquare = 2;
constexpr DWORD kEffectSine = 3;
constexpr DWORD kEffectTriangle = 4;
constexpr DWORD kEffectSawtoothUp = 5;
constexpr DWORD kEffectSawtoothDown = 6;
constexpr DWORD kEffectCustomForce = 0x100;

// The effect record as the driver keeps it: DirectX 5's DIEFFECT, without a
// start delay (52 bytes on 32-bit Windows).
constexpr DWORD kEffectRecordSize = sizeof(DIEFFECT);

// Bounds on what an application may hand in. DirectInput checks effects
// against the device before they reach the driver, but the driver lives in
// the game's process and trusts no count: these are far above anything the
// wheel can use and far below what would exhaust memory or wrap a size.
constexpr DWORD kMaxEffectAxes = 32;
constexpr DWORD kMaxTypeSpecificBytes = 64 * 1024;
constexpr DWORD kMaxCustomSamples = 1024 * 1024;

// The DIEP flags that carry parameters, merged in this order.
constexpr DWORD kEffectParameterFlags = DIEP_DURATION | DIEP_SAMPLEPERIOD | DIEP_GAIN | DIEP_TRIGGERBUTTON |
                                        DIEP_TRIGGERREPEATINTERVAL | DIEP_AXES | DIEP_DIRECTION | DIEP_ENVELOPE |
                                        DIEP_TYPESPECIFICPARAMS;

// Copies the scalar fields that `flags` name (duration, sample period,
// gain, trigger button, trigger repeat interval).
void CopyFlaggedScalars(DIEFFECT& target, const DIEFFECT& source, DWORD flags);

// Stopping an effect waits this long with the driver lock held, so the
// stop has reached the wheel before anything else is played.
constexpr DWORD kStopSettleMs = 25;

class EffectSlot : public HookAllocated {
public:
    EffectSlot();
    virtual ~EffectSlot();
    EffectSlot(const EffectSlot&) = delete;
    EffectSlot& operator=(const EffectSlot&) = delete;

    DWORD dwHandle = 0;
    EffectSlot* pPrev = nullptr;
    EffectSlot* pNext = nullptr;
    // Every pointer in it refers to one of the slot's own copies.
    DIEFFECT effect{};
    DIEFFECTATTRIBUTES attributes{};
    DWORD dwInternalType = 0;
    DWORD dwLastTick = 0;
    DWORD dwIterationsLeft = 0;
    DWORD dwElapsed = 0;
    BOOL fPlaying = FALSE;

    // Plays from the beginning, `count` iterations.
    void Start(DWORD count);
    // Ends playing at once and gives the wheel time to take the stop.
    void Stop(ClockPort& clock);
    // One playback step: a held trigger button restarts the effect, then
    // it renders its force. The render's result.
    HRESULT Step(DriverModule& module);
    // Whether the effect's trigger button is down in the module's latest
    // input report.
    bool IsTriggerPressed(const DriverModule& module) const;

    // Takes the fields of `source` that `flags` name, in the order envelope,
    // axes, directions, type-specific block, then the scalars. Stops at the
    // first failure (E_OUTOFMEMORY, or E_INVALIDARG for a count beyond the
    // bounds above); what was merged before it stays.
    HRESULT MergeParams(const DIEFFECT& source, DWORD flags);

    // Replace the owned copies, or free them when the source is null. Like
    // a merge of the corresponding DIEP flag, they set effect.cAxes (or
    // effect.cbTypeSpecificParams) to the source's count in both cases. On
    // failure the slot holds no copy of that kind and the count in `effect`
    // is left as it was.
    HRESULT SetAxes(const DWORD* axes, DWORD count);
    HRESULT SetDirections(const LONG* directions, DWORD count);
    HRESULT SetEnvelope(const DIENVELOPE* envelope);
    // For a custom force (internalType kEffectCustomForce) the samples that
    // the block's rglForceData points to are copied too, and the copied
    // block points at the slot's copy: the application's buffer is never
    // read again.
    HRESULT SetTypeSpecific(const void* block, DWORD size, DWORD internalType);

    std::span<const DWORD> Axes() const { return {axes_.get(), axisCount_}; }
    std::span<const LONG> Directions() const { return {directions_.get(), directionCount_}; }
    const DIENVELOPE* Envelope() const { return envelope_.get(); }
    // The type-specific block read as T, or null when the slot holds none or
    // one too short to be a T.
    template <class T> const T* TypeSpecific() const
    {
        if (typeSpecific_ == nullptr || typeSpecificSize_ < sizeof(T))
            return nullptr;
        return static_cast<const T*>(static_cast<const void*>(typeSpecific_.get()));
    }
    std::span<const LONG> CustomSamples() const { return {samples_.get(), sampleCount_}; }

private:
    void DropTypeSpecific();

    EffectMemory<DWORD> axes_;
    std::size_t axisCount_ = 0;
    EffectMemory<LONG> directions_;
    std::size_t directionCount_ = 0;
    EffectMemory<DIENVELOPE> envelope_;
    EffectMemory<BYTE> typeSpecific_;
    std::size_t typeSpecificSize_ = 0;
    EffectMemory<LONG> samples_;
    std::size_t sampleCount_ = 0;
};

} // namespace torvex
