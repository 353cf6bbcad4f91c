#include "sheet/calibration_store.h"

#include <array>
#include <cstring>
#include <limits>

#include "common/format_text.h"
#include "common/os_version.h"

namespace torvex {

namespace {

// DirectInput's joystick driver on Windows 98/Me keeps the configuration of
// every joystick in this key of its own.
constexpr const char* kJoystickSettingsKey =
    "System\\CurrentControlSet\\Control\\MediaResources\\Joystick\\DINPUT.DLL\\CurrentJoystickSettings";
// Windows 2000: the HID device-interface class; each interface key holds
// DirectInput's instance GUID in "#\Device Parameters\DirectX".
constexpr const char* kHidInterfaceClassKey =
    "SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\{4d1e55b2-f16f-11cf-88cb-001111000030}";
constexpr const char* kHidGuidSubkey = "#\\Device Parameters\\DirectX";
constexpr const char* kHidAxesPath = "#\\Device Parameters\\DirectX\\Type\\Axes";
// Windows XP: DirectInput's per-product calibration entries of the wheel,
// one subkey per joystick instance with its "GUID".
constexpr const char* kWheelCalibrationKey =
    "SYSTEM\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\DirectInput\\VID_6D2A&PID_0005"
    "\\Calibration";
constexpr const char* kCalibrationAxesPath = "Type\\Axes";

constexpr const char* kGuidValue = "GUID";
constexpr const char* kCalibrationValue = "Calibration";
// RegEnumKeyA's name buffer; registry key names are far shorter.
constexpr DWORD kKeyNameBufferSize = 2048;

// The 98/Me value is the record exactly as DirectInput keeps it in memory.
static_assert(sizeof(JOYREGHWCONFIG) == 112);

// DIOBJECTCALIBRATION: lMin, lCenter, lMax as little-endian 32-bit words.
constexpr DWORD kAxisCalibrationSize = 12;
using AxisCalibration = std::array<BYTE, kAxisCalibrationSize>;

// The page's four axes: the key DirectInput gives each axis object, and the
// JOYPOS member that holds its range.
struct AxisSlot {
    const char* keyName;
    DWORD JOYPOS::*position;
};
constexpr std::array<AxisSlot, 4> kAxes{{
    {"0", &JOYPOS::dwX},
    {"1", &JOYPOS::dwY},
    {"2", &JOYPOS::dwZ},
    {"5", &JOYPOS::dwR},
}};

const LONG kFailed = static_cast<LONG>(E_FAIL);

// The control panel numbers joysticks with 16 bits, and 0xFFFF is the
// sheet's "no id yet", which reads as -1.
int SignedJoystickId(DWORD joystickId)
{
    return static_cast<SHORT>(static_cast<USHORT>(joystickId & 0xFFFF));
}

void PutWord(AxisCalibration& bytes, std::size_t offset, DWORD word)
{
    for (std::size_t i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<BYTE>(word >> (8 * i));
}

AxisCalibration EncodeAxis(const JOYRANGE& range, const AxisSlot& axis)
{
    AxisCalibration bytes{};
    PutWord(bytes, 0, range.jpMin.*axis.position);
    PutWord(bytes, 4, range.jpCenter.*axis.position);
    PutWord(bytes, 8, range.jpMax.*axis.position);
    return bytes;
}

// DirectInput's keys may not exist yet below a device key that does.
LONG OpenOrCreate(RegistryKey& key, HKEY parent, const char* subKey)
{
    const LONG opened = key.Open(parent, subKey);
    return opened == ERROR_FILE_NOT_FOUND ? key.Create(parent, subKey) : opened;
}

// Writes one axis's "Calibration"; the result is that of getting its key.
LONG WriteAxis(const RegistryKey& axes, const AxisSlot& axis, const JOYRANGE& range)
{
    RegistryKey key(axes.registry());
    const LONG result = OpenOrCreate(key, axes.get(), axis.keyName);
    if (result == ERROR_SUCCESS) {
        const AxisCalibration bytes = EncodeAxis(range, axis);
        key.SetValue(kCalibrationValue, REG_BINARY, bytes.data(), kAxisCalibrationSize);
    }
    return result;
}

// Whether `candidate` (or its `guidSubkey`, when given) holds a "GUID" of
// exactly 16 bytes equal to `instanceGuid`.
bool HoldsInstanceGuid(const RegistryKey& candidate, const char* guidSubkey, const GUID& instanceGuid)
{
    RegistryKey subkey(candidate.registry());
    const RegistryKey* holder = &candidate;
    if (guidSubkey != nullptr) {
        if (subkey.Open(candidate, guidSubkey) != ERROR_SUCCESS)
            return false;
        holder = &subkey;
    }
    std::array<BYTE, sizeof(GUID)> stored{};
    return holder->ReadExactly(kGuidValue, stored.data(), sizeof(GUID)) &&
           std::memcmp(stored.data(), &instanceGuid, sizeof(GUID)) == 0;
}

// The walk both lookups share: the first subkey of `rootPath` in
// enumeration order that holds the GUID. An enumeration or open error ends
// the walk with that error; ERROR_NO_MORE_ITEMS when nothing matched.
LONG FindDeviceKey(RegistryPort& registry, const char* rootPath, const char* guidSubkey,
                   const GUID& instanceGuid, HKEY* deviceKey)
{
    if (deviceKey == nullptr)
        return ERROR_INVALID_PARAMETER;
    *deviceKey = nullptr;
    RegistryKey root(registry);
    if (const LONG result = root.Open(HKEY_LOCAL_MACHINE, rootPath); result != ERROR_SUCCESS)
        return result;
    std::array<char, kKeyNameBufferSize> name{};
    for (DWORD index = 0; index != std::numeric_limits<DWORD>::max(); ++index) {
        if (const LONG result = registry.EnumKey(root.get(), index, name.data(), kKeyNameBufferSize);
            result != ERROR_SUCCESS)
            return result;
        name.back() = '\0'; // whatever the port wrote, the name ends inside the buffer
        RegistryKey candidate(registry);
        if (const LONG result = candidate.Open(root, name.data()); result != ERROR_SUCCESS)
            return result;
        if (HoldsInstanceGuid(candidate, guidSubkey, instanceGuid)) {
            *deviceKey = candidate.release();
            return ERROR_SUCCESS;
        }
    }
    return ERROR_NO_MORE_ITEMS;
}

} // namespace

void SaveCalibration(RegistryPort& registry, VersionPort& version, const DIJOYCONFIG_DX5& config,
                     IDIGameCntrlPropSheet* sheet)
{
    // The sheet lends its interface: no reference is taken or given back.
    IDirectInputJoyConfig* joyConfig = nullptr;
    if (sheet == nullptr || FAILED(sheet->GetJoyConfig(&joyConfig)) || joyConfig == nullptr)
        return;
    const UINT joystickId = SignedJoystickId(*sheet);
    DIJOYCONFIG_DX5 identity{};
    identity.dwSize = sizeof identity;
    if (joyConfig->GetConfig(joystickId, reinterpret_cast<DIJOYCONFIG*>(&identity), DIJC_GUIDINSTANCE) !=
        S_OK)
        return;
    WriteJoystickCalibration(registry, version, config, DIJC_REGHWCONFIGTYPE, identity.guidInstance,
                             joystickId);
}

LONG WriteJoystickCalibration(RegistryPort& registry, VersionPort& version, const DIJOYCONFIG_DX5& config,
                              DWORD flags, GUID instanceGuid, DWORD joystickId)
{
    switch (OsVersionClass(version)) {
    case kOsWindows98:
    case kOsWindowsMe:
        return WriteJoystickConfigValue(registry, joystickId, config);
    case kOsWindows2000:
        return WriteAxisCalibration(registry, instanceGuid, config, flags, FindHidInterfaceKey, kHidAxesPath);
    case kOsWindowsXp:
        return WriteAxisCalibration(registry, instanceGuid, config, flags, FindCalibrationKey,
                                    kCalibrationAxesPath);
    default:
        return kFailed;
    }
}

LONG WriteJoystickConfigValue(RegistryPort& registry, DWORD joystickId, const DIJOYCONFIG_DX5& config)
{
    // The key belongs to DirectInput's joystick driver: without it there is
    // no joystick configuration to update, so it is never created.
    RegistryKey settings(registry);
    if (const LONG result = settings.Open(HKEY_LOCAL_MACHINE, kJoystickSettingsKey); result != ERROR_SUCCESS)
        return result;
    char valueName[48]; // room for any int, though the id has only 16 bits
    FormatText(valueName, sizeof valueName, "Joystick%dConfiguration", SignedJoystickId(joystickId) + 1);
    return settings.SetValue(valueName, REG_BINARY, &config.hwc, sizeof config.hwc);
}

LONG WriteAxisCalibration(RegistryPort& registry, const GUID& instanceGuid, const DIJOYCONFIG_DX5& config,
                          DWORD flags, DeviceKeyLookup lookup, const char* axesPath)
{
    if (lookup == nullptr || axesPath == nullptr)
        return kFailed;
    HKEY found = nullptr;
    const LONG lookupResult = lookup(registry, instanceGuid, &found);
    RegistryKey device(registry);
    device.Adopt(found); // closed on every return, also when the lookup failed
    if (lookupResult != ERROR_SUCCESS || found == nullptr)
        return kFailed;
    if ((flags & DIJC_REGHWCONFIGTYPE) == 0)
        return ERROR_SUCCESS;
    RegistryKey axes(registry);
    if (const LONG result = OpenOrCreate(axes, device.get(), axesPath); result != ERROR_SUCCESS)
        return result;
    // An axis whose key cannot be had is skipped; only the last one's
    // outcome is reported.
    LONG lastAxis = ERROR_SUCCESS;
    for (const AxisSlot& axis : kAxes)
        lastAxis = WriteAxis(axes, axis, config.hwc.hwv.jrvHardware);
    return lastAxis;
}

LONG FindHidInterfaceKey(RegistryPort& registry, const GUID& instanceGuid, HKEY* deviceKey)
{
    return FindDeviceKey(registry, kHidInterfaceClassKey, kHidGuidSubkey, instanceGuid, deviceKey);
}

LONG FindCalibrationKey(RegistryPort& registry, const GUID& instanceGuid, HKEY* deviceKey)
{
    return FindDeviceKey(registry, kWheelCalibrationKey, nullptr, instanceGuid, deviceKey);
}

} // namespace torvex
