#include "driver/device/amplify.h"

#include <atomic>

#include "driver/oem_key.h"

namespace torvex {

namespace {

constexpr double kAmplifyScale = 0.001;
constexpr double kNoAmplification = 1.0;

double QueryAmplify(RegistryPort& registry)
{
    RegistryKey key(registry);
    if (key.Open(HKEY_LOCAL_MACHINE, OemKeyPath().c_str()) != ERROR_SUCCESS)
        return kNoAmplification;
    // A value of any other size is no 32-bit amount; it counts as missing
    // rather than being read in part.
    DWORD thousandths = 0;
    if (!key.ReadExactly("Amplify", &thousandths, sizeof thousandths))
        return kNoAmplification;
    return thousandths * kAmplifyScale;
}

} // namespace

void ReadAmplify(DriverModule& module)
{
    module.AmplifyFactor.store(QueryAmplify(*module.ports.registry), std::memory_order_relaxed);
}

} // namespace torvex
