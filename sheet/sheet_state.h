// TorvexPS's module-wide state: the ports the sheet and its pages work
// through, the module's instance handle and the count of live objects and
// server locks. One per loaded module; tests make their own.
#pragma once

#include <atomic>

#include "platform/critical_section.h"
#include "platform/dialog.h"
#include "platform/direct_input.h"
#include "platform/gdi.h"
#include "platform/registry.h"
#include "platform/resources.h"
#include "platform/version.h"
#include "platform/window_system.h"

namespace torvex {

struct SheetPorts {
    RegistryPort* registry = nullptr;
    VersionPort* version = nullptr;
    DirectInputPort* directInput = nullptr;
    ResourcePort* resources = nullptr;
    WindowSystemPort* windows = nullptr;
    GdiPort* gdi = nullptr;
    DialogPort* dialogs = nullptr;
    // DeviceOpenLock: serialises opening the sheet's device and the
    // calibration page's widening of the recorded ranges.
    CriticalSectionPort* deviceOpenLock = nullptr;
};

struct SheetModule {
    explicit SheetModule(const SheetPorts& given) : ports(given) {}
    SheetModule(const SheetModule&) = delete;
    SheetModule& operator=(const SheetModule&) = delete;

    SheetPorts ports;
    HINSTANCE ModuleInstance = nullptr;
    std::atomic<LONG> ModuleLockCount{0};
};

} // namespace torvex
