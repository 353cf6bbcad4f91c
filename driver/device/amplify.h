// The installation's amplification of every shaped force, read from the
// wheel's OEM key each time an effect starts, so a changed setting takes
// effect without reloading the driver.
#pragma once

#include "driver/driver_state.h"

namespace torvex {

// Sets the module's AmplifyFactor from the "Amplify" value (thousandths);
// 1.0 when the key or a 4-byte value is missing. Never fails.
void ReadAmplify(DriverModule& module);

} // namespace torvex
