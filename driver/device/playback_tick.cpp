#include "driver/device/playback_tick.h"

#include "driver/device/force_report.h"
#include "driver/effect_driver.h"

namespace torvex {

void CALLBACK PlaybackTimerCallback(UINT timerId, UINT /*message*/, DWORD_PTR user, DWORD_PTR /*reserved1*/,
                                    DWORD_PTR /*reserved2*/)
{
    DriverModule& module = *reinterpret_cast<DriverModule*>(user);
    const CriticalSectionGuard guard(module.PlaybackLock);
    if (module.StopPlaybackRequested.load() || timerId != module.PlaybackTimerId ||
        module.PlaybackDriver == nullptr) {
        module.ports.timer->Kill(timerId);
        return;
    }
    PlaybackTick(*module.PlaybackDriver);
}

void PlaybackTick(EffectDriver& driver)
{
    DriverModule& module = driver.module();
    DevicePort& device = *module.ports.device;
    // The device handle is opened and closed under the lock too, so the
    // tick never races a Release that writes the last reports.
    const StoreLock lock(driver.store);
    if (!lock.held())
        return;

    if (driver.fNoEffects != FALSE) {
        if (IsOpenDevice(driver.hDevice)) {
            // The last effect went (destroyed, or removed by a reset) while
            // the wheel was still being driven: without a stop it would keep
            // pushing with the last force for as long as it stays plugged in.
            SendForceReport(module, driver.hDevice, false);
            device.Close(driver.hDevice);
        }
        driver.hDevice = nullptr;
        return;
    }
    if (!IsOpenDevice(driver.hDevice)) {
        const HANDLE opened = driver.pszDevicePath != nullptr ? device.Open(driver.pszDevicePath.get()) : nullptr;
        if (!IsOpenDevice(opened)) {
            driver.hDevice = nullptr;
            return;
        }
        driver.hDevice = opened;
    }

    module.AnyEffectPlaying = false;
    ReadInputReport(module, driver.hDevice);
    driver.store.StepAll();
    if (SendForceReport(module, driver.hDevice, module.AnyEffectPlaying) == ERROR_DEVICE_NOT_CONNECTED) {
        device.Close(driver.hDevice);
        driver.hDevice = nullptr;
    }
}

void ReadInputReport(DriverModule& module, HANDLE device)
{
    if (device == nullptr)
        return;
    InputReport report{};
    DWORD read = 0;
    if (module.ports.device->Read(device, report.data(), kInputReportSize, &read, kInputReportWaitMs) != FALSE &&
        read == kInputReportSize)
        module.LatestInputReport = report;
}

} // namespace torvex
