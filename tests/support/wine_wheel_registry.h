// The wheel as the registries of Windows 98 and Me and of Windows 2000 and XP
// know it, for the Windows tests that put it into Wine's real registry: its
// device instance and HID interface with the device path the test serves.
// "RefCount" on the interface key marks it active for Windows 98 and Me,
// "Control\ReferenceCount" for Windows 2000 and XP.
#pragma once

#include <cstdio>
#include <string>

#include "platform/windows_api.h"

namespace torvex::testing {

// A string as the registry file format quotes it.
inline std::string RegistryString(const std::string& text)
{
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '\\' || c == '"')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

// The wheel's device instance and HID interface keys, below
// HKEY_LOCAL_MACHINE. The instance name is the Windows tests' own.
inline const std::string kWheelInstanceKey =
    "System\\CurrentControlSet\\Enum\\Hid\\Vid_6d2a&Pid_0005\\7&5a1d0e&0&0000";
inline const std::string kWheelInterfaceKey =
    "System\\CurrentControlSet\\Control\\DeviceClasses\\{4d1e55b2-f16f-11cf-88cb-001111000030}"
    "\\##?#Hid#Vid_6d2a&Pid_0005#7&5a1d0e&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";

// The wheel as joystick `joystickId` with its HID interface at
// `devicePath`, in the registry file format.
inline std::string WheelRegistryText(const std::string& devicePath, DWORD joystickId)
{
    const auto section = [](const std::string& key, const std::string& value) {
        return "\n[HKEY_LOCAL_MACHINE\\" + key + "]\n" + value + "\n";
    };
    char joystick[24];
    std::snprintf(joystick, sizeof joystick, "dword:%08lx", static_cast<unsigned long>(joystickId));
    return "REGEDIT4\n" + section(kWheelInstanceKey, "\"DeviceDesc\"=\"ZK-5120 Force Feedback Wheel\"") +
           section(kWheelInterfaceKey, "\"RefCount\"=dword:00000001") +
           section(kWheelInterfaceKey + "\\#", "\"SymbolicLink\"=" + RegistryString(devicePath)) +
           section(kWheelInterfaceKey + "\\#\\Device Parameters\\DirectX",
                   std::string("\"Joystick Id\"=") + joystick) +
           section(kWheelInterfaceKey + "\\Control", "\"ReferenceCount\"=dword:00000001");
}

// A run that crashed left its wheel behind, which would stand beside the
// wheels of the other tests that use this registry.
inline void RemoveLeftoverWheel()
{
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kWheelInterfaceKey.c_str());
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kWheelInstanceKey.c_str());
}

} // namespace torvex::testing
