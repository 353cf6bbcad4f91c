// The two scalings the driver does on an application's thread: the device
// gain (ten-thousandths) and the registry's amplification (thousandths).
#pragma once

#include <atomic>

#include "platform/windows_api.h"

namespace torvex {

// Stores amount × scale, rounded once to a double, as with the x87 unit's
// default settings on Windows (53-bit precision, round to nearest), whatever
// the calling thread set: a game whose Direct3D device keeps the unit in
// single precision, or one that rounds toward zero, gets the same force as
// any other. `scale` is read where it lies: a copy could pass through the
// x87 unit before its settings are made.
void StoreScaledAmount(std::atomic<double>& target, DWORD amount, const double& scale);

} // namespace torvex
