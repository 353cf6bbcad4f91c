#include "driver/device/force_report.h"

namespace torvex {

namespace {

BYTE ChannelByte(LONG peak)
{
    if (peak < kSmallestChannelStrength)
        return 0;
    return static_cast<BYTE>(peak & 0xFF);
}

// Whether the whole report reached the wheel.
bool WriteReport(DevicePort& port, HANDLE device, const ForceReport& report)
{
    DWORD written = 0;
    port.Write(device, report.data(), static_cast<DWORD>(report.size()), &written);
    return written == report.size();
}

// Why a write fell short. A device that delivers part of a report without
// setting an error has still failed, and must not be reported as success.
DWORD WriteError(DevicePort& port)
{
    const DWORD error = port.LastError();
    return error != ERROR_SUCCESS ? error : static_cast<DWORD>(ERROR_GEN_FAILURE);
}

void ResetMix(ForceMixState& mix)
{
    mix.channelPeak[0] = mix.channelPeak[1] = 0;
    mix.lastSent[0] = mix.lastSent[1] = 0;
}

DWORD DriveWheel(DevicePort& port, ForceMixState& mix, HANDLE device)
{
    ForceReport report{};
    report[kChannelByteOffset] = ChannelByte(mix.channelPeak[0]);
    report[kChannelByteOffset + 1] = ChannelByte(mix.channelPeak[1]);
    const bool unchanged =
        report[kChannelByteOffset] == mix.lastSent[0] && report[kChannelByteOffset + 1] == mix.lastSent[1];
    if (unchanged) {
        if (mix.repeatCount < kMaxRepeatedReports) {
            ++mix.repeatCount;
            if (!WriteReport(port, device, report))
                return WriteError(port);
        }
    } else {
        mix.repeatCount = 0;
        const bool delivered = WriteReport(port, device, report);
        mix.lastSent[0] = report[kChannelByteOffset];
        mix.lastSent[1] = report[kChannelByteOffset + 1];
        if (!delivered)
            return WriteError(port);
    }
    mix.deviceDriven = true;
    ResetMix(mix);
    return ERROR_SUCCESS;
}

// Three quiet reports in a row, so that the wheel lets go even if one of
// them is lost; only the last of each three has to arrive.
DWORD StopWheel(DevicePort& port, ForceMixState& mix, HANDLE device)
{
    mix.deviceDriven = false;
    const ForceReport quiet{};
    for (int attempt = 0; attempt < kStopBurstAttempts; ++attempt) {
        WriteReport(port, device, quiet);
        WriteReport(port, device, quiet);
        if (WriteReport(port, device, quiet)) {
            ResetMix(mix);
            return ERROR_SUCCESS;
        }
    }
    return WriteError(port);
}

} // namespace

DWORD SendForceReport(DriverModule& module, HANDLE device, bool anyPlaying)
{
    ForceMixState& mix = module.ForceMix;
    DevicePort& port = *module.ports.device;
    for (LONG& peak : mix.channelPeak) {
        if (peak > kLargestChannelStrength)
            peak = kLargestChannelStrength;
    }
    if (anyPlaying)
        return DriveWheel(port, mix, device);
    if (!mix.deviceDriven) {
        ResetMix(mix);
        return ERROR_SUCCESS;
    }
    return StopWheel(port, mix, device);
}

} // namespace torvex
