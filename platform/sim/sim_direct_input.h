// DirectInput on the host, over the simulated ZK-5120: what the property
// sheet calls (DirectInputCreateA, IDirectInputA, IDirectInputJoyConfig,
// IDirectInputDevice2A, IDirectInputEffect) behaving as DirectInput does
// for a joystick with force feedback.
//
// - Joysticks come from a table: id, instance GUID and the hardware
//   configuration that GetConfig reports.
// - A device reads the wheel's input report into DIJOYSTATE: X the wheel,
//   Y the accelerator, Rz the brake, each byte b as b × 257 on DirectInput's
//   default range 0 to 65535, after the dead zone the sheet sets (values
//   within it read as the centre 32768); Z, Rx, Ry and the sliders are not
//   on the wheel and read 0; POV 0 is the hat, the other three centred;
//   buttons 1 to 12 read 0x80 when pressed. Acquire and the state read fail
//   while the wheel is unplugged.
// - Effects go to the real effect driver, created through its module's
//   DllGetClassObject with the class the installation names under the
//   wheel's OEM key, and told its joystick id with DeviceID. CreateEffect
//   downloads with handle 0 and the effect id of the effect's attribute
//   record; SetParameters downloads the fields it names with the caller's
//   flags; Start and Stop start and stop; the effect's last Release
//   destroys it; the device's last Release releases the driver.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/direct_input.h"
#include "platform/registry.h"
#include "platform/sim/sim_wheel.h"

namespace torvex {

struct SimJoystick {
    UINT id = 0;
    GUID guidInstance{};
    JOYREGHWCONFIG hwc{}; // what GetConfig with DIJC_REGHWCONFIGTYPE reports
};

// What happened to one device the sheet created, for tests to look at.
struct SimDeviceLog {
    GUID guidInstance{};
    UINT joystickId = 0;
    bool joystickFormat = false; // SetDataFormat with c_dfDIJoystick
    HWND cooperativeWindow = nullptr;
    DWORD cooperativeFlags = 0;
    std::vector<std::pair<DWORD, DWORD>> deadZones; // (object offset, dwData) in call order
    bool acquired = false;
    bool released = false;
    bool acquiredWhenReleased = false;
    int acquireCalls = 0;
    int stateReads = 0;
    int effectsCreated = 0;
};

struct SimJoyConfigLog {
    int acquires = 0;
    int unacquires = 0;
    int getConfigCalls = 0;
    bool released = false;
};

class SimDirectInput final : public DirectInputPort {
public:
    // DllGetClassObject, as the effect driver module exports it.
    using GetClassObjectFunction = HRESULT(STDMETHODCALLTYPE*)(REFCLSID, REFIID, void**);

    // `oemKeyPath` is the wheel's OEM key below HKEY_LOCAL_MACHINE, where the
    // installation names the effect driver's class and the effect records.
    SimDirectInput(SimWheel& wheel, RegistryPort& registry, std::string oemKeyPath);
    ~SimDirectInput() override;
    SimDirectInput(const SimDirectInput&) = delete;
    SimDirectInput& operator=(const SimDirectInput&) = delete;

    void AddJoystick(const SimJoystick& joystick);
    // The effect driver module's DllGetClassObject; without one CreateEffect
    // fails with DIERR_UNSUPPORTED, as for a device without force feedback.
    void UseEffectDriver(GetClassObjectFunction getClassObject);
    // Every following DirectInputCreateA / CreateDevice / CreateEffect fails
    // with `result`; S_OK returns to normal.
    void FailDirectInputCreate(HRESULT result);
    void FailCreateDevice(HRESULT result);
    void FailCreateEffect(HRESULT result);
    // Every following GetConfig that asks for the hardware configuration
    // (DIJC_REGHWCONFIGTYPE) fails with `result`, as where the joystick's
    // configuration cannot be read; S_OK returns to normal.
    void FailHardwareConfig(HRESULT result);

    HRESULT CreateDirectInput(HINSTANCE instance, DWORD version, LPDIRECTINPUTA* out,
                              LPUNKNOWN outer) override;

    int DirectInputCreateCount() const;
    // DirectInput objects, joystick configurations, devices and effects alive.
    int LiveObjectCount() const;
    // Every device and joystick configuration made, oldest first.
    std::vector<std::shared_ptr<const SimDeviceLog>> Devices() const;
    std::vector<std::shared_ptr<const SimJoyConfigLog>> JoyConfigs() const;

    struct State;

private:
    std::shared_ptr<State> state_;
};

} // namespace torvex
