// dinput.dll for the Windows tests: the simulated DirectInput in front of a
// simulated ZK-5120, loaded by a test host in place of Wine's own (an
// application-local DLL with a DLL override). The sheet reads the wheel
// through it; the forces it is given go, as with DirectInput, to the
// effect driver the installation names — the real TorvexFF.dll, which
// writes them to the wheel's device file.
//
// Beside DirectInputCreateA it exports SimDinputSetWheel, through which the
// test moves the wheel, the pedals, the hat and the buttons.
#include <string>

#include "driver/oem_key.h"
#include "platform/registry.h"
#include "platform/sim/sim_direct_input.h"
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_registry.h"

namespace {

using namespace torvex;

// The wheel's instance GUID as this DirectInput reports it for joystick 0:
// the first wheel's of the calibration fixtures.
constexpr GUID kWheelInstance = {
    0x913C5EA0, 0xB422, 0x11D1, {0x80, 0x01, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

using GetClassObjectFunction = SimDirectInput::GetClassObjectFunction;

std::string ReadText(RegistryPort& registry, HKEY root, const std::string& path, const char* name)
{
    RegistryKey key(registry);
    char text[MAX_PATH] = {};
    if (key.Open(root, path.c_str()) != ERROR_SUCCESS ||
        key.QueryValue(name, text, sizeof text - 1) != ERROR_SUCCESS)
        return {};
    return text;
}

// The effect driver's DllGetClassObject: the in-process server COM has for
// the class the wheel's OEM key names.
GetClassObjectFunction LoadEffectDriver(RegistryPort& registry)
{
    const std::string clsid =
        ReadText(registry, HKEY_LOCAL_MACHINE, OemKeyPath() + "\\OEMForceFeedback", "CLSID");
    const std::string server =
        ReadText(registry, HKEY_CLASSES_ROOT, "CLSID\\" + clsid + "\\InprocServer32", "");
    HMODULE driver = server.empty() ? nullptr : LoadLibraryA(server.c_str());
    if (driver == nullptr)
        return nullptr;
    return reinterpret_cast<GetClassObjectFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(driver, "DllGetClassObject")));
}

// Made at the first call and kept until the process ends, as DirectInput's
// own state is.
struct World {
    World()
    {
        SimJoystick joystick;
        joystick.id = 0;
        joystick.guidInstance = kWheelInstance;
        joystick.hwc.hws.dwFlags = 0x00080042; // a car controller with a hat and pedals on Y and R
        joystick.hwc.hws.dwNumButtons = 12;
        directInput.AddJoystick(joystick);
        if (const GetClassObjectFunction entry = LoadEffectDriver(registry))
            directInput.UseEffectDriver(entry);
    }

    Win32Clock clock;
    SimWheel wheel{clock};
    Win32Registry registry;
    SimDirectInput directInput{wheel, registry, OemKeyPath()};
};

World& TheWorld()
{
    static World* world = new World;
    return *world;
}

} // namespace

extern "C" HRESULT WINAPI DirectInputCreateA(HINSTANCE instance, DWORD version, LPDIRECTINPUTA* out,
                                             LPUNKNOWN outer)
{
    return TheWorld().directInput.CreateDirectInput(instance, version, out, outer);
}

extern "C" void WINAPI SimDinputSetWheel(BYTE wheel, BYTE accelerator, BYTE brake, BYTE hat, WORD buttons)
{
    WheelInputState state;
    state.wheel = wheel;
    state.accelerator = accelerator;
    state.brake = brake;
    state.hat = hat;
    state.buttons = buttons;
    TheWorld().wheel.SetInputState(state);
}
