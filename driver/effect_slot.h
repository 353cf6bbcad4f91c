// One downloaded effect: its DirectInput parameters, held as copies the slot
// owns, and its playback state. The copies carry their own lengths, because
// the parameters arrive piecemeal (a merge may change the axis count without
// the arrays, or the effect type's block without its size matching the
// type), and the force computation must never read past what it was given.
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <span>

#include "platform/windows_api.h"

namespace torvex {

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

class EffectSlot {
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

    // Replace the owned copies, or free them when the source is null. Like
    // a merge of the corresponding DIEP flag, they set effect.cAxes (or
    // effect.cbTypeSpecificParams) to the source's count in both cases. On
    // E_OUTOFMEMORY the slot holds no copy of that kind and the count in
    // `effect` is left as it was.
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
    struct BlockDeleter {
        void operator()(void* block) const { ::operator delete(block); }
    };

    std::unique_ptr<DWORD[]> axes_;
    std::size_t axisCount_ = 0;
    std::unique_ptr<LONG[]> directions_;
    std::size_t directionCount_ = 0;
    std::unique_ptr<DIENVELOPE> envelope_;
    std::unique_ptr<void, BlockDeleter> typeSpecific_;
    std::size_t typeSpecificSize_ = 0;
    std::unique_ptr<LONG[]> samples_;
    std::size_t sampleCount_ = 0;
};

} // namespace torvex
