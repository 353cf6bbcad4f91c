// TorvexPS's module file: the one place where the property sheet meets the
// real platform. It builds the module state with the platform's ports and
// answers the two exports the control panel calls.
//
// On Windows the ports are the Win32 ones, and DeviceOpenLock, a critical
// section, lives from process attach to process detach. On Linux there is
// no registry, no DirectInput and no window system: the module starts with
// an empty registry, no DirectInput and the simulated window system, and
// the process that loads the library (an end-to-end test) hands in its own
// with TorvexPSUsePlatform before the first DllGetClassObject.
#include <optional>

#include "controls/axes_control.h"
#include "controls/control_platform.h"
#include "controls/lamp_control.h"
#include "controls/pov_control.h"
#include "controls/rumble_control.h"
#include "resources/sheet_resources.h"
#include "sheet/class_factory.h"
#include "sheet/page_link.h"

#if defined(_WIN32)
#include "platform/win32/win32_critical_section.h"
#include "platform/win32/win32_dialogs.h"
#include "platform/win32/win32_direct_input.h"
#include "platform/win32/win32_gdi.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_resources.h"
#include "platform/win32/win32_version.h"
#include "platform/win32/win32_window_system.h"
#else
#include "platform/posix/posix_critical_section.h"
#include "platform/sim/sim_registry.h"
#include "platform/sim/sim_resources.h"
#include "platform/sim/sim_version.h"
#include "platform/sim/sim_window_system.h"
#endif

namespace {

using namespace torvex;

#if defined(_WIN32)
Win32Registry registry;
Win32Version version;
Win32DirectInput directInput;
Win32Resources resources;
Win32WindowSystem windows;
Win32Gdi gdi;
Win32Dialogs dialogs;
std::optional<Win32CriticalSection> deviceOpenLock;
#else
// DirectInput is not there: creating it fails as on a system without it.
class AbsentDirectInput final : public DirectInputPort {
public:
    HRESULT CreateDirectInput(HINSTANCE, DWORD, LPDIRECTINPUTA* out, LPUNKNOWN) override
    {
        if (out != nullptr)
            *out = nullptr;
        return DIERR_DEVICENOTREG;
    }
};

SimRegistry registry;
SimVersion version;
AbsentDirectInput directInput;
SimResources resources({{IDS_SHEET_CAPTION, SHEET_CAPTION_TEXT}});
SimWindowSystem windows;
PosixCriticalSection deviceOpenLock;
#endif

const SheetPorts ownPorts
{
    .registry = &registry, .version = &version, .directInput = &directInput, .resources = &resources,
    .windows = &windows,
#if defined(_WIN32)
    .gdi = &gdi, .dialogs = &dialogs, .deviceOpenLock = nullptr
}; // made at process attach
#else
    .gdi = &windows, .dialogs = &windows, .deviceOpenLock = &deviceOpenLock
};
#endif
SheetModule module(ownPorts);

// The controls and the pages are called by the window system with nothing
// of ours but a window: they find the module's ports process-wide.
void ShareWithWindowProcedures()
{
    UseControlPorts({.windows = module.ports.windows, .gdi = module.ports.gdi});
    UsePageModule(&module);
}

#if !defined(_WIN32)
const bool shared = (ShareWithWindowProcedures(), true);
#endif

} // namespace

#if defined(_WIN32)

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        module.ModuleInstance = instance;
        deviceOpenLock.emplace();
        module.ports.deviceOpenLock = &*deviceOpenLock;
        ShareWithWindowProcedures();
    } else if (reason == DLL_PROCESS_DETACH) {
        // Freed while the process goes on (the control panel closed the
        // sheet): Windows NT keeps a DLL's window classes after the DLL is
        // gone, and a copy loaded again elsewhere would find them pointing
        // at window procedures that no longer exist. Nothing of the module
        // is in use by now, so no control of these classes is left. At
        // process exit there is nothing to keep clean.
        if (reserved == nullptr) {
            for (const char* name :
                 {kLampControlClass, kAxesControlClass, kPovControlClass, kRumbleControlClass})
                ::UnregisterClassA(name, instance);
        }
        module.ports.deviceOpenLock = nullptr;
        deviceOpenLock.reset();
    }
    return TRUE;
}

#else

// The module works through `ports` from now on; a null member (or a null
// `ports`) stands for the module's own port. Only while nothing of the
// module is alive: E_UNEXPECTED otherwise.
extern "C" HRESULT TorvexPSUsePlatform(const torvex::SheetPorts* ports)
{
    if (module.ModuleLockCount.load() != 0)
        return E_UNEXPECTED;
    const SheetPorts given = ports != nullptr ? *ports : SheetPorts{};
    const auto either = [](auto* chosen, auto* own) { return chosen != nullptr ? chosen : own; };
    module.ports = {.registry = either(given.registry, ownPorts.registry),
                    .version = either(given.version, ownPorts.version),
                    .directInput = either(given.directInput, ownPorts.directInput),
                    .resources = either(given.resources, ownPorts.resources),
                    .windows = either(given.windows, ownPorts.windows),
                    .gdi = either(given.gdi, ownPorts.gdi),
                    .dialogs = either(given.dialogs, ownPorts.dialogs),
                    .deviceOpenLock = either(given.deviceOpenLock, ownPorts.deviceOpenLock)};
    ShareWithWindowProcedures();
    return S_OK;
}

#endif

extern "C" HRESULT STDMETHODCALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv)
{
    return GetSheetClassObject(module, rclsid, riid, ppv);
}

extern "C" HRESULT STDMETHODCALLTYPE DllCanUnloadNow()
{
    return CanUnloadSheet(module);
}
