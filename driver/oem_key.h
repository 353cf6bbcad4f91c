// The wheel's OEM key under HKEY_LOCAL_MACHINE, where its installation keeps
// the amplification and the effect attribute records.
#pragma once

#include <string>

namespace torvex {

// "System\CurrentControlSet\...\Joystick\OEM\VID_6D2A&PID_0005"
std::string OemKeyPath();

} // namespace torvex
