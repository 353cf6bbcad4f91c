#include "tools/lab/lab_registry.h"

#include <cstring>

#include "platform/guid_text.h"

namespace torvex::lab {

namespace {

constexpr const char* kOemKey = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\MediaProperties\\"
                                "PrivateProperties\\Joystick\\OEM\\VID_6D2A&PID_0005";
constexpr const char* kHidEnumKey =
    "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Enum\\Hid\\Vid_6d2a&Pid_0005";
constexpr const char* kHidClassKey = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\DeviceClasses\\"
                                     "{4d1e55b2-f16f-11cf-88cb-001111000030}";
// {AF8D694E-457D-4284-A357-07B9FB497739}, TorvexFF's class.
constexpr CLSID kTorvexFFClass = {
    0xAF8D694E, 0x457D, 0x4284, {0xA3, 0x57, 0x07, 0xB9, 0xFB, 0x49, 0x77, 0x39}};

std::string InterfaceKey(const std::string& instance)
{
    return std::string(kHidClassKey) + "\\##?#Hid#Vid_6d2a&Pid_0005#" + instance +
           "#{4d1e55b2-f16f-11cf-88cb-001111000030}";
}

std::vector<BYTE> DwordBytes(DWORD value)
{
    std::vector<BYTE> bytes(sizeof value);
    std::memcpy(bytes.data(), &value, sizeof value);
    return bytes;
}

std::vector<BYTE> StringBytes(const std::string& text)
{
    return std::vector<BYTE>(text.c_str(), text.c_str() + text.size() + 1);
}

std::optional<DWORD> DwordAt(const SimRegistry& registry, const std::string& path, const char* name)
{
    const auto value = registry.GetValueAt(path, name);
    if (!value || value->data.size() != sizeof(DWORD))
        return std::nullopt;
    DWORD number = 0;
    std::memcpy(&number, value->data.data(), sizeof number);
    return number;
}

// A string value without the terminators it was stored with.
std::string StringAt(const SimRegistry& registry, const std::string& path, const char* name)
{
    const auto value = registry.GetValueAt(path, name);
    if (!value)
        return {};
    std::string text(value->data.begin(), value->data.end());
    return text.substr(0, text.find('\0'));
}

bool Imported(SimRegistry& registry, const std::string& file, std::string* error)
{
    RegistryFileError fault;
    if (registry.ImportFile(file, &fault))
        return true;
    *error = file + ":" + std::to_string(fault.line) + ": " + fault.message;
    return false;
}

} // namespace

bool SetUpInstalledWheel(SimRegistry& registry, const std::string& installFile, const std::string& devicePath,
                         std::string* error)
{
    if (!Imported(registry, installFile, error))
        return false;
    AddWheelDeviceEntry(registry, devicePath, kLabJoystickId);
    return true;
}

bool SetUpRegistryFile(SimRegistry& registry, const std::string& file, std::string* error)
{
    return Imported(registry, file, error);
}

void AddWheelDeviceEntry(SimRegistry& registry, const std::string& devicePath, DWORD joystickId,
                         const std::string& instance)
{
    registry.SetValueAt(std::string(kHidEnumKey) + "\\" + instance, "DeviceDesc", REG_SZ,
                        StringBytes("ZK-5120 Force Feedback Wheel"));
    const std::string interfaceKey = InterfaceKey(instance);
    registry.SetValueAt(interfaceKey + "\\#", "SymbolicLink", REG_SZ, StringBytes(devicePath));
    registry.SetValueAt(interfaceKey + "\\#\\Device Parameters\\DirectX", "Joystick Id", REG_DWORD,
                        DwordBytes(joystickId));
    registry.SetValueAt(interfaceKey + "\\Control", "ReferenceCount", REG_DWORD, DwordBytes(1));
}

std::string WheelPathIn(const SimRegistry& registry)
{
    std::string undecided;
    for (const std::string& instance : registry.SubkeyNames(kHidEnumKey)) {
        const std::string interfaceKey = InterfaceKey(instance);
        const auto references = DwordAt(registry, interfaceKey + "\\Control", "ReferenceCount");
        const std::string path = StringAt(registry, interfaceKey + "\\#", "SymbolicLink");
        if (!references || *references == 0 || path.empty())
            continue;
        const auto id = DwordAt(registry, interfaceKey + "\\#\\Device Parameters\\DirectX", "Joystick Id");
        if (id && *id == kLabJoystickId)
            return path;
        if (!id && undecided.empty())
            undecided = path;
    }
    return undecided;
}

DWORD EffectIdIn(const SimRegistry& registry, EffectType type)
{
    std::string guid = "{13541C20-8E33-11D0-9AD0-00A0C9A06E35}";
    guid[8] = "0123456789AB"[static_cast<std::size_t>(type)];
    const auto record =
        registry.GetValueAt(std::string(kOemKey) + "\\OEMForceFeedback\\Effects\\" + guid, "Attributes");
    if (!record || record->data.size() < sizeof(DWORD))
        return InstalledEffectId(type);
    DWORD id = 0;
    std::memcpy(&id, record->data.data(), sizeof id);
    return id;
}

CLSID DriverClassIn(const SimRegistry& registry)
{
    CLSID clsid = kTorvexFFClass;
    ParseGuid(StringAt(registry, std::string(kOemKey) + "\\OEMForceFeedback", "CLSID"), &clsid);
    return clsid;
}

void SetAmplify(SimRegistry& registry, std::optional<DWORD> thousandths)
{
    if (thousandths)
        registry.SetValueAt(kOemKey, "Amplify", REG_DWORD, DwordBytes(*thousandths));
    else
        registry.DeleteValueAt(kOemKey, "Amplify");
}

} // namespace torvex::lab
