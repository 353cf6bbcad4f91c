// The object DirectInput drives: the wheel's IDirectInputEffectDriver. It
// keeps the downloaded effects, owns the wheel's device file and starts the
// playback timer. There is one per process (DriverModule::DriverInstance).
#pragma once

#include "driver/device/device_discovery.h"
#include "driver/driver_state.h"
#include "driver/effect_attributes.h"
#include "driver/effect_store.h"

namespace torvex {

// The playback period: timer delay and resolution.
constexpr UINT kPlaybackPeriodMs = 25;
// How long the destruction gives the timer to notice it must stop.
constexpr DWORD kPlaybackStopWaitMs = 100;
// How long DISFFC_RESET lets the stopped effects settle before deleting them.
constexpr DWORD kResetSettleMs = 50;
// What an operation answers when DriverLock could not be had within its
// bounded wait: HRESULT_FROM_WIN32(ERROR_TIMEOUT). The operation then has
// changed nothing.
constexpr HRESULT kDriverLockUnavailable = static_cast<HRESULT>(0x800705B4u);

class EffectDriver final : public IDirectInputEffectDriver, public HookAllocated {
public:
    static EffectDriver* Create(DriverModule& module);

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDirectInputEffectDriver
    HRESULT STDMETHODCALLTYPE DeviceID(DWORD dwDirectInputVersion, DWORD dwExternalID, DWORD fBegin,
                                       DWORD dwInternalID, LPVOID lpReserved) override;
    HRESULT STDMETHODCALLTYPE GetVersions(LPDIDRIVERVERSIONS pvers) override;
    HRESULT STDMETHODCALLTYPE Escape(DWORD dwID, DWORD dwEffect, LPDIEFFESCAPE pesc) override;
    HRESULT STDMETHODCALLTYPE SetGain(DWORD dwID, DWORD dwGain) override;
    HRESULT STDMETHODCALLTYPE SendForceFeedbackCommand(DWORD dwID, DWORD dwCommand) override;
    HRESULT STDMETHODCALLTYPE GetForceFeedbackState(DWORD dwID, LPDIDEVICESTATE pds) override;
    HRESULT STDMETHODCALLTYPE DownloadEffect(DWORD dwID, DWORD dwEffectId, LPDWORD pdwEffect, LPCDIEFFECT peff,
                                             DWORD dwFlags) override;
    HRESULT STDMETHODCALLTYPE DestroyEffect(DWORD dwID, DWORD dwEffect) override;
    HRESULT STDMETHODCALLTYPE StartEffect(DWORD dwID, DWORD dwEffect, DWORD dwMode, DWORD dwCount) override;
    HRESULT STDMETHODCALLTYPE StopEffect(DWORD dwID, DWORD dwEffect) override;
    HRESULT STDMETHODCALLTYPE GetEffectStatus(DWORD dwID, DWORD dwEffect, LPDWORD pdwStatus) override;

    DriverModule& module() const { return module_; }
    LONG ReferenceCount() const { return cRef.load(); }

    HANDLE hDevice = nullptr;
    EffectStore store;
    DIEFFECTATTRIBUTES attributes[kEffectAttributeRecords]{};
    BOOL fNoEffects = TRUE;
    // The device path discovery found; null until DeviceID.
    EffectMemory<char> pszDevicePath;

private:
    explicit EffectDriver(DriverModule& module);
    ~EffectDriver();

    // The record a new effect of `internalType` gets: the table's record of
    // that index, else the record whose effect id is the type (the custom
    // force's 0x100), else an empty one.
    DIEFFECTATTRIBUTES AttributesFor(DWORD internalType) const;
    HRESULT CreateEffect(DWORD internalType, LPDWORD handle, const DIEFFECT& effect, DWORD flags);
    // Every Release: stop the effects, send the last reports and let go of
    // the device file.
    void StopAndCloseDevice();
    // What a second DeviceID releases before it binds again.
    void ReleaseBinding();
    void StopPlaybackTimer();
    void UpdateNoEffects() { fNoEffects = store.IsEmpty(); }

    DriverModule& module_;
    std::atomic<LONG> cRef{1};
};

} // namespace torvex
