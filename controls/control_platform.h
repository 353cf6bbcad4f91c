// The window system and drawing the custom controls work through. The
// window system calls a control's window procedure with nothing of ours but
// the window, so the ports its paint uses are process-wide: the module that
// registers the control classes (the property sheet, a test) sets them
// before the first window is made.
#pragma once

#include "platform/gdi.h"
#include "platform/window_system.h"

namespace torvex {

struct ControlPorts {
    WindowSystemPort* windows = nullptr;
    GdiPort* gdi = nullptr;
};

void UseControlPorts(const ControlPorts& ports);
const ControlPorts& ControlPlatform();

} // namespace torvex
