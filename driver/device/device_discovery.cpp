#include "driver/device/device_discovery.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "common/format_text.h"
#include "common/os_version.h"

namespace torvex {

namespace {

constexpr const char* kHidClassKey =
    "System\\CurrentControlSet\\Control\\DeviceClasses\\{4d1e55b2-f16f-11cf-88cb-001111000030}";
constexpr const char* kDirectXSubkey = "#\\Device Parameters\\DirectX";
// The registry limits key names to 255 characters; a longer name cannot be
// enumerated into this buffer, so it fails like any other enumeration.
constexpr DWORD kMaxKeyName = 255;

// Numbers are read as their 4 raw bytes and GUIDs as their 16, whatever
// the value's registry type.
bool ReadDword(const RegistryKey& key, const char* name, DWORD* value)
{
    return key.ReadExactly(name, value, sizeof *value);
}

bool ReadGuid(const RegistryKey& key, const char* name, GUID* guid)
{
    return key.ReadExactly(name, guid, sizeof *guid);
}

// The subkey names of an open key, enumerated by index.
class SubkeyNames {
public:
    // False when the key cannot say how many subkeys it has.
    bool Query(RegistryPort& registry, HKEY key)
    {
        DWORD longest = 0;
        if (registry.QueryInfoKey(key, &count_, &longest) != ERROR_SUCCESS)
            return false;
        name_.assign(std::min(longest, kMaxKeyName) + 1, '\0');
        return true;
    }
    DWORD count() const { return count_; }
    LONG Enum(RegistryPort& registry, HKEY key, DWORD index)
    {
        return registry.EnumKey(key, index, name_.data(), static_cast<DWORD>(name_.size()));
    }
    const char* name() const { return name_.data(); }

private:
    DWORD count_ = 0;
    std::vector<char> name_;
};

std::string InterfaceKeyPath(std::string_view instanceName, DWORD vendorId, DWORD productId)
{
    char prefix[160];
    FormatText(prefix, sizeof prefix, "%s\\##?#Hid#Vid_%.4x&Pid_%.4x#", kHidClassKey,
               static_cast<unsigned>(vendorId), static_cast<unsigned>(productId));
    return std::string(prefix) + std::string(instanceName) + "#{4d1e55b2-f16f-11cf-88cb-001111000030}";
}

} // namespace

void FindDevicePath(RegistryPort& registry, VersionPort& version, DevicePathBuffer path, DWORD vendorId,
                    DWORD productId, DWORD joystickId)
{
    path[0] = '\0';
    switch (OsVersionClass(version)) {
    case kOsWindows98:
    case kOsWindowsMe:
        FindDevicePath9x(registry, path, joystickId);
        break;
    case kOsWindows2000:
    case kOsWindowsXp:
        FindDevicePathNt(registry, path, vendorId, productId, joystickId);
        break;
    default:
        break;
    }
}

void FindDevicePath9x(RegistryPort& registry, DevicePathBuffer path, DWORD joystickId)
{
    path[0] = '\0';
    RegistryKey classKey(registry);
    if (classKey.Open(HKEY_LOCAL_MACHINE, kHidClassKey) != ERROR_SUCCESS)
        return;
    SubkeyNames names;
    if (!names.Query(registry, classKey.get()) || names.count() == 0)
        return;
    // Every failing step passes over that interface and goes on with the next.
    for (DWORD index = 0; index < names.count(); ++index) {
        RegistryKey interfaceKey(registry);
        if (names.Enum(registry, classKey.get(), index) != ERROR_SUCCESS ||
            interfaceKey.Open(classKey, names.name()) != ERROR_SUCCESS)
            continue;
        RegistryKey directX(registry);
        DWORD id = 0;
        DWORD refCount = 0;
        if (directX.Open(interfaceKey, kDirectXSubkey) != ERROR_SUCCESS ||
            !ReadDword(directX, "Joystick Id", &id))
            continue;
        if (!ReadDword(interfaceKey, "RefCount", &refCount) || id != joystickId || refCount == 0)
            continue;
        if (ReadSymbolicLink(registry, path, interfaceKey.get()))
            return;
    }
}

void FindDevicePathNt(RegistryPort& registry, DevicePathBuffer path, DWORD vendorId, DWORD productId,
                      DWORD joystickId)
{
    path[0] = '\0';
    vendorId &= 0xFFFF;
    productId &= 0xFFFF;
    char enumPath[96];
    FormatText(enumPath, sizeof enumPath, "System\\CurrentControlSet\\Enum\\Hid\\Vid_%04x&Pid_%04x",
               static_cast<unsigned>(vendorId), static_cast<unsigned>(productId));
    RegistryKey enumKey(registry);
    if (enumKey.Open(HKEY_LOCAL_MACHINE, enumPath) != ERROR_SUCCESS)
        return;
    SubkeyNames names;
    if (!names.Query(registry, enumKey.get()))
        return;
    for (DWORD index = 0; index < names.count(); ++index) {
        if (names.Enum(registry, enumKey.get(), index) != ERROR_SUCCESS)
            return;
        if (!IsWantedInterface(registry, names.name(), vendorId, productId, joystickId))
            continue;
        RegistryKey interfaceKey(registry);
        if (interfaceKey.Open(HKEY_LOCAL_MACHINE,
                              InterfaceKeyPath(names.name(), vendorId, productId).c_str()) != ERROR_SUCCESS)
            continue;
        if (ReadSymbolicLink(registry, path, interfaceKey.get()))
            return;
    }
}

bool IsWantedInterface(RegistryPort& registry, std::string_view instanceName, DWORD vendorId, DWORD productId,
                       DWORD joystickId)
{
    RegistryKey interfaceKey(registry);
    if (interfaceKey.Open(HKEY_LOCAL_MACHINE, InterfaceKeyPath(instanceName, vendorId, productId).c_str()) !=
        ERROR_SUCCESS)
        return false;
    RegistryKey control(registry);
    DWORD referenceCount = 0;
    if (control.Open(interfaceKey, "Control") != ERROR_SUCCESS ||
        !ReadDword(control, "ReferenceCount", &referenceCount) || referenceCount == 0)
        return false;
    RegistryKey directX(registry);
    if (directX.Open(interfaceKey, kDirectXSubkey) != ERROR_SUCCESS)
        return false;
    DWORD id = 0;
    if (ReadDword(directX, "Joystick Id", &id))
        return id == joystickId;
    GUID guid{};
    if (!ReadGuid(directX, "GUID", &guid))
        return false;
    return CalibrationIdMatches(registry, guid, vendorId, productId, joystickId);
}

bool CalibrationIdMatches(RegistryPort& registry, const GUID& guid, DWORD vendorId, DWORD productId,
                          DWORD joystickId)
{
    char calibrationPath[160];
    FormatText(calibrationPath, sizeof calibrationPath,
               "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\DirectInput"
               "\\Vid_%.4x&Pid_%.4x\\Calibration",
               static_cast<unsigned>(vendorId & 0xFFFF), static_cast<unsigned>(productId & 0xFFFF));
    RegistryKey calibration(registry);
    if (calibration.Open(HKEY_LOCAL_MACHINE, calibrationPath) != ERROR_SUCCESS)
        return false;
    SubkeyNames names;
    if (!names.Query(registry, calibration.get()))
        return false;
    for (DWORD index = 0; index < names.count(); ++index) {
        RegistryKey entry(registry);
        if (names.Enum(registry, calibration.get(), index) != ERROR_SUCCESS ||
            entry.Open(calibration, names.name()) != ERROR_SUCCESS)
            return false;
        GUID entryGuid{};
        DWORD id = 0;
        if (!ReadGuid(entry, "GUID", &entryGuid) || std::memcmp(&entryGuid, &guid, sizeof guid) != 0)
            continue;
        if (!ReadDword(entry, "Joystick Id", &id))
            continue;
        return id == joystickId;
    }
    return false;
}

bool ReadSymbolicLink(RegistryPort& registry, DevicePathBuffer path, HKEY interfaceKey)
{
    path[0] = '\0';
    RegistryKey linkKey(registry);
    if (linkKey.Open(interfaceKey, "#") != ERROR_SUCCESS)
        return false;
    // A link that does not fit the path buffer is of no use: it is not read.
    std::array<char, kDevicePathSize + 1> link{};
    DWORD size = 0;
    if (registry.QueryValue(linkKey.get(), "SymbolicLink", nullptr, nullptr, &size) != ERROR_SUCCESS ||
        size > kDevicePathSize)
        return false;
    if (linkKey.QueryValue("SymbolicLink", link.data(), size, &size) != ERROR_SUCCESS ||
        size > kDevicePathSize)
        return false;
    link[size] = '\0'; // a value stored without its terminator
    const std::size_t length = std::strlen(link.data());
    if (length >= kDevicePathSize)
        return false;
    std::memcpy(path.data(), link.data(), length + 1);
    return true;
}

} // namespace torvex
