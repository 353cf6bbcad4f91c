#include "driver/effect_driver.h"

#include "driver/device/amplify.h"
#include "driver/device/force_report.h"
#include "driver/device/playback_tick.h"
#include "driver/effect_params.h"
#include "driver/scaled_amount.h"

namespace torvex {

namespace {

constexpr double kGainScale = 0.0001;
constexpr DWORD kDriverRevision = 1;

bool IsKnownCommand(DWORD command)
{
    switch (command) {
    case DISFFC_RESET:
    case DISFFC_STOPALL:
    case DISFFC_PAUSE:
    case DISFFC_CONTINUE:
    case DISFFC_SETACTUATORSON:
    case DISFFC_SETACTUATORSOFF:
        return true;
    default:
        return false;
    }
}

} // namespace

EffectDriver* EffectDriver::Create(DriverModule& module)
{
    return new (std::nothrow) EffectDriver(module);
}

EffectDriver::EffectDriver(DriverModule& module) : store(module), module_(module)
{
    for (DWORD index = 0; index < kEffectAttributeRecords; ++index)
        ReadEffectAttributes(*module_.ports.registry, index, &attributes[index]);
    module_.ModuleLockCount.fetch_add(1);
}

EffectDriver::~EffectDriver()
{
    module_.ModuleLockCount.fetch_sub(1);
    if (module_.PlaybackTimerStarted.load()) {
        module_.StopPlaybackRequested.store(true);
        module_.ports.clock->Sleep(kPlaybackStopWaitMs);
    }
    // The flag alone leaves a timer whose callback was late, and a tick
    // that is still running; neither may outlive the driver.
    StopPlaybackTimer();
    // Still open only when Release could not get the lock.
    if (IsOpenDevice(hDevice))
        module_.ports.device->Close(hDevice);
    // The path, then the store (under the lock), go with the members.
}

HRESULT EffectDriver::QueryInterface(REFIID riid, void** ppvObject)
{
    if (ppvObject == nullptr)
        return E_POINTER;
    *ppvObject = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDirectInputEffectDriver))
        return E_NOINTERFACE;
    *ppvObject = static_cast<IDirectInputEffectDriver*>(this);
    AddRef();
    return S_OK;
}

ULONG EffectDriver::AddRef()
{
    cRef.fetch_add(1);
    return 0;
}

ULONG EffectDriver::Release()
{
    StopAndCloseDevice();
    // Under the module's instance lock, so CreateInstance never hands out
    // a driver that is being destroyed, and never makes a second one while
    // this one still runs its timer.
    const CriticalSectionGuard guard(module_.InstanceLock);
    if (cRef.fetch_sub(1) == 1) {
        if (module_.DriverInstance == this)
            module_.DriverInstance = nullptr;
        delete this;
    }
    return 0;
}

void EffectDriver::StopAndCloseDevice()
{
    const StoreLock lock(store);
    if (!lock.held())
        return;
    store.StopAll();
    if (IsOpenDevice(hDevice)) {
        SendForceReport(module_, hDevice, true);
        SendForceReport(module_, hDevice, false);
        module_.ports.device->Close(hDevice);
        hDevice = nullptr;
    }
}

HRESULT EffectDriver::DeviceID(DWORD /*dwDirectInputVersion*/, DWORD dwExternalID, DWORD /*fBegin*/,
                               DWORD /*dwInternalID*/, LPVOID /*lpReserved*/)
{
    if (pszDevicePath != nullptr)
        ReleaseBinding();

    EffectMemory<char> path = AllocateEffectArray<char>(kDevicePathSize);
    if (path == nullptr)
        return E_OUTOFMEMORY;
    path.get()[0] = '\0';
    const DriverPorts& ports = module_.ports;
    FindDevicePath(*ports.registry, *ports.version, DevicePathBuffer(path.get(), kDevicePathSize), kWheelVendorId,
                   kWheelProductId, dwExternalID);
    pszDevicePath = std::move(path);
    hDevice = ports.device->Open(pszDevicePath.get());

    // The id is stored before the first callback can look for it.
    const CriticalSectionGuard guard(module_.PlaybackLock);
    const UINT timerId = ports.timer->StartPeriodic(kPlaybackPeriodMs, kPlaybackPeriodMs, PlaybackTimerCallback,
                                                    reinterpret_cast<DWORD_PTR>(&module_));
    module_.PlaybackTimerId = timerId;
    module_.PlaybackDriver = timerId != 0 ? this : nullptr;
    module_.StopPlaybackRequested.store(false);
    module_.PlaybackTimerStarted.store(true);
    // Without its timer the driver would never play a force; say so.
    return timerId != 0 ? S_OK : E_FAIL;
}

void EffectDriver::ReleaseBinding()
{
    StopPlaybackTimer();
    // With the timer gone only this thread uses the handle; the lock, when
    // it can be had, keeps a Release elsewhere in the process out of it.
    const StoreLock lock(store);
    if (IsOpenDevice(hDevice))
        module_.ports.device->Close(hDevice);
    hDevice = nullptr;
    pszDevicePath.reset();
}

void EffectDriver::StopPlaybackTimer()
{
    UINT timerId = 0;
    {
        const CriticalSectionGuard guard(module_.PlaybackLock);
        if (module_.PlaybackDriver == this) {
            timerId = module_.PlaybackTimerId;
            module_.PlaybackDriver = nullptr;
            module_.PlaybackTimerId = 0;
        }
    }
    // The callback may have killed it already; a second kill is harmless.
    if (timerId != 0)
        module_.ports.timer->Kill(timerId);
    // A tick that began before is over once the lock can be had.
    const CriticalSectionGuard drained(module_.PlaybackLock);
}

HRESULT EffectDriver::GetVersions(LPDIDRIVERVERSIONS pvers)
{
    if (pvers == nullptr)
        return E_POINTER;
    if (pvers->dwSize != sizeof(DIDRIVERVERSIONS))
        return E_INVALIDARG;
    pvers->dwFirmwareRevision = kDriverRevision;
    pvers->dwHardwareRevision = kDriverRevision;
    pvers->dwFFDriverVersion = kDriverRevision;
    return S_OK;
}

HRESULT EffectDriver::Escape(DWORD /*dwID*/, DWORD /*dwEffect*/, LPDIEFFESCAPE /*pesc*/)
{
    return S_OK;
}

HRESULT EffectDriver::SetGain(DWORD /*dwID*/, DWORD dwGain)
{
    StoreScaledAmount(module_.DeviceGainFactor, dwGain, kGainScale);
    return S_OK;
}

HRESULT EffectDriver::SendForceFeedbackCommand(DWORD /*dwID*/, DWORD dwCommand)
{
    if (!IsKnownCommand(dwCommand))
        return E_FAIL;
    const StoreLock lock(store);
    if (!lock.held())
        return kDriverLockUnavailable;
    if (dwCommand == DISFFC_RESET) {
        store.StopAll();
        module_.ports.clock->Sleep(kResetSettleMs);
        store.RemoveAll();
        UpdateNoEffects();
    } else if (dwCommand == DISFFC_STOPALL) {
        store.StopAll();
        UpdateNoEffects();
    }
    return S_OK;
}

HRESULT EffectDriver::GetForceFeedbackState(DWORD /*dwID*/, LPDIDEVICESTATE /*pds*/)
{
    return S_OK;
}

DIEFFECTATTRIBUTES EffectDriver::AttributesFor(DWORD internalType) const
{
    if (internalType < kEffectAttributeRecords)
        return attributes[internalType];
    for (const DIEFFECTATTRIBUTES& record : attributes)
        if (record.dwEffectId == internalType)
            return record;
    return {};
}

HRESULT EffectDriver::CreateEffect(DWORD internalType, LPDWORD handle, const DIEFFECT& effect, DWORD flags)
{
    const StoreLock lock(store);
    if (!lock.held())
        return kDriverLockUnavailable;
    DWORD created = 0;
    const HRESULT result = store.CreateSlot(internalType, effect, AttributesFor(internalType), flags, &created);
    if (FAILED(result))
        return result;
    fNoEffects = FALSE;
    *handle = created;
    return S_OK;
}

HRESULT EffectDriver::DownloadEffect(DWORD dwID, DWORD dwEffectId, LPDWORD pdwEffect, LPCDIEFFECT peff,
                                     DWORD dwFlags)
{
    if ((dwFlags & DIEP_NODOWNLOAD) != 0)
        return S_OK;
    if (peff == nullptr)
        return E_INVALIDARG;
    if (pdwEffect == nullptr)
        return E_POINTER;

    HRESULT result;
    if (*pdwEffect == 0) {
        result = CreateEffect(dwEffectId, pdwEffect, *peff, dwFlags);
    } else {
        const StoreLock lock(store);
        result = lock.held() ? CopyEffectParams(store, *pdwEffect, peff, dwFlags) : kDriverLockUnavailable;
    }
    if (FAILED(result))
        return result;
    // The lock is not re-entrant: the start takes it anew.
    if ((dwFlags & DIEP_START) != 0)
        return StartEffect(dwID, *pdwEffect, 0, 1);
    return S_OK;
}

HRESULT EffectDriver::DestroyEffect(DWORD /*dwID*/, DWORD dwEffect)
{
    const StoreLock lock(store);
    if (!lock.held())
        return kDriverLockUnavailable;
    if (EffectSlot* slot = store.FindSlot(dwEffect); slot != nullptr) {
        slot->Stop(*module_.ports.clock);
        store.RemoveSlot(dwEffect);
    }
    UpdateNoEffects();
    return S_OK;
}

HRESULT EffectDriver::StartEffect(DWORD /*dwID*/, DWORD dwEffect, DWORD dwMode, DWORD dwCount)
{
    ReadAmplify(module_);
    const StoreLock lock(store);
    if (!lock.held())
        return kDriverLockUnavailable;
    if (dwMode == DIES_SOLO)
        store.StopAll();
    if (EffectSlot* slot = store.FindSlot(dwEffect); slot != nullptr)
        slot->Start(dwCount);
    return S_OK;
}

HRESULT EffectDriver::StopEffect(DWORD /*dwID*/, DWORD dwEffect)
{
    const StoreLock lock(store);
    if (!lock.held())
        return kDriverLockUnavailable;
    if (EffectSlot* slot = store.FindSlot(dwEffect); slot != nullptr)
        slot->Stop(*module_.ports.clock);
    UpdateNoEffects();
    return S_OK;
}

HRESULT EffectDriver::GetEffectStatus(DWORD /*dwID*/, DWORD dwEffect, LPDWORD pdwStatus)
{
    if (pdwStatus == nullptr)
        return E_POINTER;
    *pdwStatus = 0;
    const StoreLock lock(store);
    if (!lock.held())
        return kDriverLockUnavailable;
    const EffectSlot* slot = store.FindSlot(dwEffect);
    if (slot != nullptr && slot->fPlaying != FALSE)
        *pdwStatus = DIEGES_PLAYING;
    return S_OK;
}

} // namespace torvex
