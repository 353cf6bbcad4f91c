#include "driver/device/amplify.h"

#include <atomic>

#include "driver/oem_key.h"
#include "driver/scaled_amount.h"

namespace torvex {

namespace {

constexpr double kAmplifyScale = 0.001;
// 1000 × 0.001 rounds to exactly 1.
constexpr DWORD kNoAmplification = 1000;

DWORD QueryAmplifyThousandths(RegistryPort& registry)
{
    RegistryKey key(registry);
    if (key.Open(HKEY_LOCAL_MACHINE, OemKeyPath().c_str()) != ERROR_SUCCESS)
        return kNoAmplification;
    // A value of any other size is no 32-bit amount; it counts as missing
    // rather than being read in part.
    DWORD thousandths = 0;
    if (!key.ReadExactly("Amplify", &thousandths, sizeof thousandths))
        return kNoAmplification;
    return thousandths;
}

} // namespace

void ReadAmplify(DriverModule& module)
{
    StoreScaledAmount(module.AmplifyFactor, QueryAmplifyThousandths(*module.ports.registry), kAmplifyScale);
}

} // namespace torvex
