// Storing the calibration page's recorded ranges where DirectInput keeps
// joystick calibration on the running Windows: the whole hardware
// configuration on Windows 98/Me, one 12-byte value per axis on Windows
// 2000 (below the HID interface key) and XP (below DirectInput's
// per-product calibration key). Other versions get E_FAIL and nothing is
// written.
//
// The page's record is the DirectX 5 DIJOYCONFIG_DX5 (1160 bytes); only its
// `hwc` is read.
#pragma once

#include "platform/registry.h"
#include "platform/version.h"

namespace torvex {

// The calibration page's save step: asks the sheet's joystick
// configuration for the joystick's instance GUID and writes `config.hwc`
// for it. Writes nothing when that GUID cannot be had; reports nothing.
void SaveCalibration(RegistryPort& registry, VersionPort& version, const DIJOYCONFIG_DX5& config,
                     IDIGameCntrlPropSheet* sheet);

// 0, a Win32 registry error, or E_FAIL. Only DIJC_REGHWCONFIGTYPE of
// `flags` counts, and only on Windows 2000 and XP. The low 16 bits of
// `joystickId`, read as a signed number, name the joystick.
LONG WriteJoystickCalibration(RegistryPort& registry, VersionPort& version, const DIJOYCONFIG_DX5& config,
                              DWORD flags, GUID instanceGuid, DWORD joystickId);

// Windows 98/Me: "Joystick<id + 1>Configuration", the 112 bytes of
// `config.hwc`, in the existing joystick settings key.
LONG WriteJoystickConfigValue(RegistryPort& registry, DWORD joystickId, const DIJOYCONFIG_DX5& config);

// Finds the device key whose "GUID" is `instanceGuid`: an open key in
// `*deviceKey` (closed by the caller) and 0, or no key and the walk's error.
using DeviceKeyLookup = LONG (*)(RegistryPort& registry, const GUID& instanceGuid, HKEY* deviceKey);

// Windows 2000/XP: "Calibration" values of X, Y, Z and Rz below
// `axesPath` of the device key. The result is that of opening or creating
// the last axis key (Rz); E_FAIL when there is no device key.
LONG WriteAxisCalibration(RegistryPort& registry, const GUID& instanceGuid, const DIJOYCONFIG_DX5& config,
                          DWORD flags, DeviceKeyLookup lookup, const char* axesPath);

// Windows 2000: the HID interface key whose "#\Device Parameters\DirectX"
// holds the GUID. Windows XP: the subkey of DirectInput's per-product
// calibration key that holds it. The first match in enumeration order wins.
LONG FindHidInterfaceKey(RegistryPort& registry, const GUID& instanceGuid, HKEY* deviceKey);
LONG FindCalibrationKey(RegistryPort& registry, const GUID& instanceGuid, HKEY* deviceKey);

} // namespace torvex
