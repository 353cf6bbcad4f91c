// TorvexFF's module file: the one place where the driver meets the real
// platform. It builds the module state with the platform's ports and
// answers the two exports DirectInput calls.
//
// On Windows the ports are the Win32 ones and DriverLock, the named event
// every process that loads the driver shares, is created at process attach.
// On Linux there is no registry and no Plug and Play: the ports are the
// POSIX ones (clock, timer thread, device node, named semaphore) with an
// empty registry, and the process that loads the library (the lab, an
// end-to-end test) may hand in its own with TorvexFFUsePlatform before the
// first DllGetClassObject.
#include <optional>

#include "driver/class_factory.h"

#if defined(_WIN32)
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_device_file.h"
#include "platform/win32/win32_named_event.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_timer.h"
#include "platform/win32/win32_version.h"
#else
#include "platform/posix/posix_clock.h"
#include "platform/posix/posix_device_file.h"
#include "platform/posix/posix_named_semaphore.h"
#include "platform/posix/posix_timer_thread.h"
#include "platform/sim/sim_registry.h"
#include "platform/sim/sim_version.h"
#endif

namespace {

using namespace torvex;

// The wheel's hardware id names the lock, so every process that drives the
// wheel finds the same one.
constexpr const char* kDriverLockName = "VID_6D2A&PID_0005";

#if defined(_WIN32)
Win32Registry registry;
Win32Version version;
Win32Clock clock;
Win32DeviceFile device;
// Never destroyed: when a process exits with the driver still playing, its
// timer thread is already gone and waiting for its callbacks would hang the
// exit; a module that is unloaded normally has no timer left.
Win32Timer& timer = *new Win32Timer;
std::optional<Win32NamedEvent> driverLock;
#else
SimRegistry registry;
SimVersion version;
PosixClock clock;
PosixDeviceFile device;
extern PosixTimerThread timer;
PosixNamedSemaphore driverLock(kDriverLockName);
#endif

const DriverPorts ownPorts{.registry = &registry,
                           .version = &version,
                           .clock = &clock,
                           .device = &device,
                           .timer = &timer,
#if defined(_WIN32)
                           .lock = nullptr}; // made at process attach
#else
                           .lock = &driverLock};
#endif
DriverModule module(ownPorts);

#if !defined(_WIN32)
// Made after the module and so destroyed before it: a library unloaded or a
// process ending with a timer still running joins the timer's thread while
// the module its ticks use is still there.
PosixTimerThread timer;
#endif

} // namespace

#if defined(_WIN32)

extern "C" BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD reason, LPVOID /*reserved*/)
{
    // Creating the event opens it when another process made it first. A
    // failed creation still loads the module; every wait then fails at once.
    if (reason == DLL_PROCESS_ATTACH) {
        driverLock.emplace(kDriverLockName);
        module.ports.lock = &*driverLock;
    } else if (reason == DLL_PROCESS_DETACH) {
        module.ports.lock = nullptr;
        driverLock.reset();
    }
    return TRUE;
}

#else

// The module works through `ports` from now on; a null member (or a null
// `ports`) stands for the module's own POSIX or empty port. Only while
// nothing of the module is alive: E_UNEXPECTED otherwise.
extern "C" HRESULT TorvexFFUsePlatform(const torvex::DriverPorts* ports)
{
    if (module.ModuleLockCount.load() != 0)
        return E_UNEXPECTED;
    const DriverPorts given = ports != nullptr ? *ports : DriverPorts{};
    const auto either = [](auto* chosen, auto* own) { return chosen != nullptr ? chosen : own; };
    module.ports = {.registry = either(given.registry, ownPorts.registry),
                    .version = either(given.version, ownPorts.version),
                    .clock = either(given.clock, ownPorts.clock),
                    .device = either(given.device, ownPorts.device),
                    .timer = either(given.timer, ownPorts.timer),
                    .lock = either(given.lock, ownPorts.lock)};
    return S_OK;
}

#endif

extern "C" HRESULT STDMETHODCALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv)
{
    return GetDriverClassObject(module, rclsid, riid, ppv);
}

extern "C" HRESULT STDMETHODCALLTYPE DllCanUnloadNow()
{
    return CanUnloadDriver(module);
}
