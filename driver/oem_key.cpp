#include "driver/oem_key.h"

#include "common/format_text.h"
#include "driver/driver_state.h"

namespace torvex {

std::string OemKeyPath()
{
    char path[128];
    FormatText(path, sizeof path,
               "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick\\OEM"
               "\\VID_%.4X&PID_%.4X",
               static_cast<unsigned>(kWheelVendorId), static_cast<unsigned>(kWheelProductId));
    return path;
}

} // namespace torvex
