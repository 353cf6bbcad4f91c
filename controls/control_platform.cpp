#include "controls/control_platform.h"

namespace torvex {

namespace {

ControlPorts& Ports()
{
    static ControlPorts ports;
    return ports;
}

} // namespace

void UseControlPorts(const ControlPorts& ports)
{
    Ports() = ports;
}

const ControlPorts& ControlPlatform()
{
    return Ports();
}

} // namespace torvex
