// The registry contents the lab hands the driver: the installation's
// entries plus the Plug and Play entries of one wheel, the way Windows XP
// keeps them, or a whole registry file the user brings.
#pragma once

#include <optional>
#include <string>

#include "platform/sim/sim_registry.h"
#include "tools/lab/scenario.h"

namespace torvex::lab {

// The wheel the lab adds is joystick 0: the id it binds the driver with.
constexpr DWORD kLabJoystickId = 0;
// The device instance of the lab's wheel; any name Plug and Play could give.
inline constexpr const char* kLabInstance = "7&1ab0&0&0000";

// Imports the installation's registry file and adds a device entry for a
// wheel whose HID interface is at `devicePath`. False, with the file's
// line and fault in `*error`, when the file cannot be read.
bool SetUpInstalledWheel(SimRegistry& registry, const std::string& installFile, const std::string& devicePath,
                         std::string* error);
// Takes the whole registry from `file`.
bool SetUpRegistryFile(SimRegistry& registry, const std::string& file, std::string* error);

// One active HID interface of the wheel, in the Windows XP layout: the
// device instance, its interface key with "ReferenceCount" 1, "Joystick Id"
// and "SymbolicLink".
// `instance` names the device instance; the lab's wheel has one of its own.
void AddWheelDeviceEntry(SimRegistry& registry, const std::string& devicePath, DWORD joystickId,
                         const std::string& instance = kLabInstance);

// The interface path a registry file gives the wheel that is joystick 0:
// the first active interface (in enumeration order) that names that id,
// else the first active one whose id DirectInput's calibration entries
// decide. Empty when there is none.
std::string WheelPathIn(const SimRegistry& registry);

// The effect id the installation's record for `type` gives (its first four
// bytes), as DirectInput hands it to DownloadEffect; the id the
// installation normally writes when the record is missing or short.
DWORD EffectIdIn(const SimRegistry& registry, EffectType type);

// The class the wheel's "OEMForceFeedback" key names as its effect driver,
// as DirectInput looks it up; TorvexFF's own class when the key has none.
CLSID DriverClassIn(const SimRegistry& registry);

// Sets or (with nothing) removes the installation's "Amplify" value.
void SetAmplify(SimRegistry& registry, std::optional<DWORD> thousandths);

} // namespace torvex::lab
