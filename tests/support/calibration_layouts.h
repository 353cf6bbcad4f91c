// Where each of the wheel's Windows keeps joystick calibration, as the
// fixtures tests/fixtures/registry/calibration_*.reg lay it out below
// HKEY_LOCAL_MACHINE: for the tests that read back what the calibration
// store wrote, into Wine's real registry or the in-memory one.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "common/os_version.h"
#include "platform/windows_api.h"

namespace torvex::testing {

// Windows 98 and Me: DirectInput's joystick driver keeps joystick n's whole
// hardware configuration (112 bytes) in "Joystick<n+1>Configuration" here.
inline const std::string kSettingsKey =
    "System\\CurrentControlSet\\Control\\MediaResources\\Joystick\\DINPUT.DLL\\CurrentJoystickSettings";
constexpr const char* kWindows9xFixture = "registry/calibration_win98.reg";

inline const std::string kCalibrationKey = "System\\CurrentControlSet\\Control\\MediaProperties"
                                           "\\PrivateProperties\\DirectInput\\VID_6D2A&PID_0005\\Calibration";
inline const std::string kHidClass =
    "System\\CurrentControlSet\\Control\\DeviceClasses\\{4d1e55b2-f16f-11cf-88cb-001111000030}";
inline const std::string kInterfaceSuffix = "#{4d1e55b2-f16f-11cf-88cb-001111000030}";

inline std::string HidInterface(int instance)
{
    return kHidClass + "\\##?#HID#Vid_6d2a&Pid_0005#7&1a000" + std::to_string(instance) + "&0&0000" +
           kInterfaceSuffix;
}

// The 12-byte "Calibration" value of an axis: minimum, centre, maximum.
inline std::vector<BYTE> Calibration(DWORD min, DWORD centre, DWORD max)
{
    std::vector<BYTE> bytes;
    for (const DWORD word : {min, centre, max})
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<BYTE>(word >> shift));
    return bytes;
}

// Windows 2000 and XP: one value per axis below the device key that holds
// the instance GUID. The fixture's device keys: the first wheel's
// (joystick 0), the second wheel's, its stale duplicate, and those holding
// 15 and 17 bytes of the second wheel's GUID.
struct NtLayout {
    const char* wineVersion;
    int versionClass;
    const char* fixture;
    std::string firstWheel, secondWheel, duplicate, shortGuid, longGuid;
    std::string axesBelowDevice;

    std::string Axes(const std::string& device) const { return device + "\\" + axesBelowDevice; }
};

inline void PrintTo(const NtLayout& layout, std::ostream* os)
{
    *os << layout.wineVersion;
}

inline const NtLayout kWindowsXp{"winxp",
                                 kOsWindowsXp,
                                 "registry/calibration_winxp.reg",
                                 kCalibrationKey + "\\0",
                                 kCalibrationKey + "\\3",
                                 kCalibrationKey + "\\4",
                                 kCalibrationKey + "\\1",
                                 kCalibrationKey + "\\2",
                                 "Type\\Axes"};
inline const NtLayout kWindows2000{
    "win2k",         kOsWindows2000,  "registry/calibration_win2000.reg",
    HidInterface(1), HidInterface(4), HidInterface(5),
    HidInterface(2), HidInterface(3), "#\\Device Parameters\\DirectX\\Type\\Axes"};

#if defined(_WIN32)
// A run that crashed left the fixtures' keys behind, which would stand
// beside the keys of the next run and change what the store's walks find.
inline void RemoveCalibrationLeftovers()
{
    for (int entry = 0; entry <= 4; ++entry)
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, (kCalibrationKey + "\\" + std::to_string(entry)).c_str());
    for (int instance = 1; instance <= 5; ++instance)
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, HidInterface(instance).c_str());
    RegDeleteTreeA(HKEY_LOCAL_MACHINE,
                   (kHidClass + "\\##?#HID#Vid_045e&Pid_0040#6&0b11aa&0&0000" + kInterfaceSuffix).c_str());
    RegDeleteTreeA(HKEY_LOCAL_MACHINE,
                   "System\\CurrentControlSet\\Control\\MediaResources\\Joystick\\DINPUT.DLL");
}
#endif

} // namespace torvex::testing
