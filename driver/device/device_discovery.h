// Finding the file-system path of the wheel's HID device interface in the
// Plug and Play entries of the registry. Windows 98/Me and 2000/XP keep
// those entries in different layouts; other versions have none we know.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

#include "platform/registry.h"
#include "platform/version.h"

namespace torvex {

constexpr std::size_t kDevicePathSize = 1024;
using DevicePathBuffer = std::span<char, kDevicePathSize>;

// Writes the device path of joystick `joystickId` into `path`, or leaves it
// empty when the wheel is not found. Reads the registry, never writes it.
void FindDevicePath(RegistryPort& registry, VersionPort& version, DevicePathBuffer path, DWORD vendorId,
                    DWORD productId, DWORD joystickId);

// Windows 98/Me: the first active HID interface with the joystick id.
void FindDevicePath9x(RegistryPort& registry, DevicePathBuffer path, DWORD joystickId);
// Windows 2000/XP: the first wanted interface among the device's instances.
void FindDevicePathNt(RegistryPort& registry, DevicePathBuffer path, DWORD vendorId, DWORD productId,
                      DWORD joystickId);
bool IsWantedInterface(RegistryPort& registry, std::string_view instanceName, DWORD vendorId, DWORD productId,
                       DWORD joystickId);
// Whether DirectInput's calibration entry with `guid` belongs to the joystick.
bool CalibrationIdMatches(RegistryPort& registry, const GUID& guid, DWORD vendorId, DWORD productId,
                          DWORD joystickId);
// Copies the "SymbolicLink" below `interfaceKey` into `path`; false, with
// the path empty, when it cannot be read or does not fit.
bool ReadSymbolicLink(RegistryPort& registry, DevicePathBuffer path, HKEY interfaceKey);

} // namespace torvex
