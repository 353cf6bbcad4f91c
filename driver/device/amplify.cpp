#include "driver/device/amplify.h"

#include <array>
#include <atomic>
#include <cstdio>
#include <cstring>

namespace torvex {

namespace {

constexpr double kAmplifyScale = 0.001;
constexpr double kNoAmplification = 1.0;

double QueryAmplify(RegistryPort& registry)
{
    char keyPath[128];
    std::snprintf(keyPath, sizeof keyPath,
                  "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick\\OEM"
                  "\\VID_%.4X&PID_%.4X",
                  static_cast<unsigned>(kWheelVendorId), static_cast<unsigned>(kWheelProductId));
    RegistryKey key(registry);
    if (key.Open(HKEY_LOCAL_MACHINE, keyPath) != ERROR_SUCCESS)
        return kNoAmplification;
    // A value of any other size is no 32-bit amount; it counts as missing
    // rather than being read in part.
    std::array<BYTE, 4> bytes{};
    DWORD size = 0;
    if (key.QueryValue("Amplify", bytes.data(), sizeof bytes, &size) != ERROR_SUCCESS || size != sizeof bytes)
        return kNoAmplification;
    DWORD thousandths = 0;
    std::memcpy(&thousandths, bytes.data(), sizeof thousandths);
    return thousandths * kAmplifyScale;
}

} // namespace

void ReadAmplify(DriverModule& module)
{
    module.AmplifyFactor.store(QueryAmplify(*module.ports.registry), std::memory_order_relaxed);
}

} // namespace torvex
