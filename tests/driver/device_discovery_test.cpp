#include "driver/device/device_discovery.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "platform/sim/sim_version.h"
#include "tests/support/fixtures.h"

namespace torvex {
namespace {

using testing::ImportFixture;

constexpr DWORD kVendor = 0x6D2A;
constexpr DWORD kProduct = 0x0005;
const std::string kHidClass = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\DeviceClasses\\{"
                              "4d1e55b2-f16f-11cf-88cb-001111000030}";
const std::string kInterfaceSuffix = "#{4d1e55b2-f16f-11cf-88cb-001111000030}";
const std::string kEnumKey = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Enum\\Hid\\Vid_6d2a&Pid_0005";
const std::string kCalibrationKey =
    "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\DirectInput"
    "\\VID_6D2A&PID_0005\\Calibration";

std::string Link(const std::string& vidPid, const std::string& instance)
{
    return "\\\\?\\hid#" + vidPid + "#" + instance + kInterfaceSuffix;
}

std::vector<BYTE> Dword(DWORD value)
{
    return {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
            static_cast<BYTE>(value >> 24)};
}

class DeviceDiscovery : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(registry.OpenKeyCount(), 0) << "a walk left a key open"; }

    std::string Find(DWORD joystickId)
    {
        path.fill('X');
        FindDevicePath(registry, version, path, kVendor, kProduct, joystickId);
        return std::string(path.data());
    }

    void OnWindows98() { version.Set(VER_PLATFORM_WIN32_WINDOWS, 4, 10); }
    void OnWindowsXp() { version.Set(VER_PLATFORM_WIN32_NT, 5, 1); }

    static std::string InterfaceKey9x(const std::string& vidPid, const std::string& instance)
    {
        return kHidClass + "\\##?#HID#" + vidPid + "#" + instance + kInterfaceSuffix;
    }
    static std::string InterfaceKeyNt(const std::string& instance)
    {
        return kHidClass + "\\##?#Hid#Vid_6d2a&Pid_0005#" + instance + kInterfaceSuffix;
    }

    SimRegistry registry;
    SimVersion version;
    std::array<char, kDevicePathSize> path{};
};

TEST_F(DeviceDiscovery, VersionsWithoutAKnownLayoutGiveAnEmptyPath)
{
    ASSERT_TRUE(ImportFixture(registry, "registry/win98_hid.reg"));
    ASSERT_TRUE(ImportFixture(registry, "registry/winxp_hid.reg"));
    version.Set(VER_PLATFORM_WIN32_WINDOWS, 4, 0);
    EXPECT_EQ(Find(0), "");
    version.Set(VER_PLATFORM_WIN32_NT, 4, 0);
    EXPECT_EQ(Find(0), "");
    version.Set(VER_PLATFORM_WIN32_NT, 5, 2);
    EXPECT_EQ(Find(0), "");
    version.Set(VER_PLATFORM_WIN32s, 3, 1);
    EXPECT_EQ(Find(0), "");
    version.Fail();
    EXPECT_EQ(Find(0), "");
}

TEST_F(DeviceDiscovery, OnWindows98TheFirstInterfaceWithTheJoystickIdWinsWhateverItsVendor)
{
    ASSERT_TRUE(ImportFixture(registry, "registry/win98_hid.reg"));
    OnWindows98();
    EXPECT_EQ(Find(0), Link("vid_046d&pid_c294", "6&17be0a5&0&0000"));
    EXPECT_EQ(Find(1), Link("vid_045e&pid_001b", "6&3a1c2d4&0&0000"));
    version.Set(VER_PLATFORM_WIN32_WINDOWS, 4, 90); // Windows Me walks alike
    EXPECT_EQ(Find(0), Link("vid_046d&pid_c294", "6&17be0a5&0&0000"));
}

TEST_F(DeviceDiscovery, OnWindows98AnInterfaceWithRefCountZeroIsPassedOver)
{
    ASSERT_TRUE(ImportFixture(registry, "registry/win98_hid.reg"));
    OnWindows98();
    EXPECT_EQ(Find(2), Link("vid_6d2a&pid_0005", "7&2b40c7&0&0000"));
    EXPECT_EQ(Find(7), "");
}

TEST_F(DeviceDiscovery, OnWindows98AFailingEnumerationOnlySkipsThatIndex)
{
    ASSERT_TRUE(ImportFixture(registry, "registry/win98_hid.reg"));
    OnWindows98();
    registry.InjectFailure({RegistryOperation::EnumKey, kHidClass, 1, std::nullopt, ERROR_GEN_FAILURE});
    EXPECT_EQ(Find(0), Link("vid_6d2a&pid_0005", "7&3c11d2&0&0000"));
}

TEST_F(DeviceDiscovery, OnWindows98AnyUnreadableStepSkipsThatInterface)
{
    ASSERT_TRUE(ImportFixture(registry, "registry/win98_hid.reg"));
    OnWindows98();
    const std::string other = InterfaceKey9x("Vid_046d&Pid_c294", "6&17be0a5&0&0000");
    registry.InjectFailure(
        {RegistryOperation::QueryValue, other, std::nullopt, std::string("RefCount"), ERROR_ACCESS_DENIED});
    EXPECT_EQ(Find(0), Link("vid_6d2a&pid_0005", "7&3c11d2&0&0000"));
    registry.ClearFailures();
    registry.DeleteKeyAt(other + "\\#");
    EXPECT_EQ(Find(0), Link("vid_6d2a&pid_0005", "7&3c11d2&0&0000"));
}

TEST_F(DeviceDiscovery, OnWindows98AMissingClassKeyOrNoInterfacesGiveAnEmptyPath)
{
    OnWindows98();
    EXPECT_EQ(Find(0), "");
    registry.CreateKeyPath(kHidClass);
    EXPECT_EQ(Find(0), "");
}

TEST_F(DeviceDiscovery, OnWindowsXpAJoystickIdInTheDirectXKeyDecides)
{
    ASSERT_TRUE(ImportFixture(registry, "registry/winxp_hid.reg"));
    OnWindowsXp();
    EXPECT_EQ(Find(1), Link("vid_6d2a&pid_0005", "7&3c11d2&0&0000"));
    version.Set(VER_PLATFORM_WIN32_NT, 5, 0); // Windows 2000 walks alike
    EXPECT_EQ(Find(1), Link("vid_6d2a&pid_0005", "7&3c11d2&0&0000"));
}

TEST_F(DeviceDiscovery, OnWindowsXpAnInactiveInterfaceIsNeverChosen)
{
    ASSERT_TRUE(ImportFixture(registry, "registry/winxp_hid.reg"));
    OnWindowsXp();
    // Instance 1 carries joystick id 0 but its ReferenceCount is 0; joystick 0
    // is instance 2, identified through the calibration entries.
    EXPECT_EQ(Find(0), Link("vid_6d2a&pid_0005", "7&2b40c7&0&0000"));
    registry.DeleteKeyAt(kCalibrationKey + "\\1");
    EXPECT_EQ(Find(0), "");
}

TEST_F(DeviceDiscovery, OnWindowsXpACalibrationEntryWithoutJoystickIdIsPassedOver)
{
    ASSERT_TRUE(ImportFixture(registry, "registry/winxp_hid.reg"));
    OnWindowsXp();
    GUID guid{};
    const auto bytes = registry.GetValueAt(kCalibrationKey + "\\0", "GUID");
    ASSERT_TRUE(bytes.has_value());
    std::memcpy(&guid, bytes->data.data(), sizeof guid);
    EXPECT_TRUE(CalibrationIdMatches(registry, guid, kVendor, kProduct, 0));
    EXPECT_FALSE(CalibrationIdMatches(registry, guid, kVendor, kProduct, 1));
    // Without the second entry nothing names the joystick.
    registry.DeleteKeyAt(kCalibrationKey + "\\1");
    EXPECT_FALSE(CalibrationIdMatches(registry, guid, kVendor, kProduct, 0));
}

TEST_F(DeviceDiscovery, OnWindowsXpAFailingEnumerationEndsTheWalk)
{
    ASSERT_TRUE(ImportFixture(registry, "registry/winxp_hid.reg"));
    OnWindowsXp();
    registry.InjectFailure({RegistryOperation::EnumKey, kEnumKey, 1, std::nullopt, ERROR_GEN_FAILURE});
    EXPECT_EQ(Find(1), "");
    EXPECT_EQ(Find(0), "");
}

TEST_F(DeviceDiscovery, OnWindowsXpAnUnreadableLinkGoesOnWithTheNextInstance)
{
    ASSERT_TRUE(ImportFixture(registry, "registry/winxp_hid.reg"));
    OnWindowsXp();
    // Instance 2 and 3 both as joystick 1: the first is unreadable.
    registry.SetValueAt(InterfaceKeyNt("7&2b40c7&0&0000") + "\\#\\Device Parameters\\DirectX", "Joystick Id",
                        REG_DWORD, Dword(1));
    registry.DeleteValueAt(InterfaceKeyNt("7&2b40c7&0&0000") + "\\#", "SymbolicLink");
    EXPECT_EQ(Find(1), Link("vid_6d2a&pid_0005", "7&3c11d2&0&0000"));
}

TEST_F(DeviceDiscovery, ValuesOfTheWrongSizeNeverMatchAndAreNeverReadPast)
{
    ASSERT_TRUE(ImportFixture(registry, "registry/winxp_hid.reg"));
    OnWindowsXp();
    const std::string directX = InterfaceKeyNt("7&3c11d2&0&0000") + "\\#\\Device Parameters\\DirectX";
    registry.SetValueAt(directX, "Joystick Id", REG_BINARY, {1, 0});
    EXPECT_EQ(Find(1), "");
    registry.SetValueAt(directX, "Joystick Id", REG_BINARY, {1, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(Find(1), "");

    // A GUID of 15 or 17 bytes is no GUID: instance 2 is then nobody.
    const std::string directX2 = InterfaceKeyNt("7&2b40c7&0&0000") + "\\#\\Device Parameters\\DirectX";
    auto guid = registry.GetValueAt(directX2, "GUID")->data;
    auto shorter = guid;
    shorter.pop_back();
    registry.SetValueAt(directX2, "GUID", REG_BINARY, shorter);
    EXPECT_EQ(Find(0), "");
    auto longer = guid;
    longer.push_back(0);
    registry.SetValueAt(directX2, "GUID", REG_BINARY, longer);
    EXPECT_EQ(Find(0), "");
    registry.SetValueAt(directX2, "GUID", REG_BINARY, guid);
    registry.SetValueAt(kCalibrationKey + "\\1", "GUID", REG_BINARY, longer);
    EXPECT_EQ(Find(0), "");
}

TEST_F(DeviceDiscovery, AReferenceCountOfTheWrongSizeCountsAsInactive)
{
    ASSERT_TRUE(ImportFixture(registry, "registry/winxp_hid.reg"));
    OnWindowsXp();
    registry.SetValueAt(InterfaceKeyNt("7&3c11d2&0&0000") + "\\Control", "ReferenceCount", REG_BINARY, {1});
    EXPECT_EQ(Find(1), "");
}

TEST_F(DeviceDiscovery, ALinkThatDoesNotFitThePathIsNotFound)
{
    ASSERT_TRUE(ImportFixture(registry, "registry/winxp_hid.reg"));
    OnWindowsXp();
    const std::string linkKey = InterfaceKeyNt("7&3c11d2&0&0000") + "\\#";
    const std::string longest(kDevicePathSize - 1, 'a');
    registry.SetValueAt(linkKey, "SymbolicLink", REG_SZ,
                        std::vector<BYTE>(longest.begin(), longest.end() + 1));
    EXPECT_EQ(Find(1), longest);

    const std::string tooLong(kDevicePathSize, 'a');
    registry.SetValueAt(linkKey, "SymbolicLink", REG_SZ, std::vector<BYTE>(tooLong.begin(), tooLong.end()));
    EXPECT_EQ(Find(1), "");
    registry.SetValueAt(linkKey, "SymbolicLink", REG_SZ, std::vector<BYTE>(5000, 'b'));
    EXPECT_EQ(Find(1), "");
}

TEST_F(DeviceDiscovery, ALinkStoredWithoutATerminatorIsTerminated)
{
    ASSERT_TRUE(ImportFixture(registry, "registry/winxp_hid.reg"));
    OnWindowsXp();
    const std::string link = "\\\\?\\hid#raw";
    registry.SetValueAt(InterfaceKeyNt("7&3c11d2&0&0000") + "\\#", "SymbolicLink", REG_BINARY,
                        std::vector<BYTE>(link.begin(), link.end()));
    EXPECT_EQ(Find(1), link);
}

TEST_F(DeviceDiscovery, ANameLongerThanTheWalkExpectedCannotOverflowItsBuffer)
{
    ASSERT_TRUE(ImportFixture(registry, "registry/winxp_hid.reg"));
    OnWindowsXp();
    // The registry changes under the walk: a longer instance name appears
    // after the walk sized its buffer. It cannot be enumerated, which ends
    // the walk on this layout.
    class GrowingRegistry final : public RegistryPort {
    public:
        explicit GrowingRegistry(SimRegistry& inner) : inner_(inner) {}
        LONG OpenKey(HKEY p, const char* s, HKEY* r) override { return inner_.OpenKey(p, s, r); }
        LONG CreateKey(HKEY p, const char* s, HKEY* r) override { return inner_.CreateKey(p, s, r); }
        LONG EnumKey(HKEY k, DWORD i, char* n, DWORD c) override { return inner_.EnumKey(k, i, n, c); }
        LONG QueryInfoKey(HKEY k, DWORD* n, DWORD* longest) override
        {
            const LONG result = inner_.QueryInfoKey(k, n, longest);
            if (longest != nullptr)
                *longest = 3;
            return result;
        }
        LONG QueryValue(HKEY k, const char* v, DWORD* t, BYTE* d, DWORD* c) override
        {
            return inner_.QueryValue(k, v, t, d, c);
        }
        LONG SetValue(HKEY k, const char* v, DWORD t, const BYTE* d, DWORD c) override
        {
            return inner_.SetValue(k, v, t, d, c);
        }
        LONG CloseKey(HKEY k) override { return inner_.CloseKey(k); }

    private:
        SimRegistry& inner_;
    } growing(registry);
    path.fill('X');
    FindDevicePath(growing, version, path, kVendor, kProduct, 1);
    EXPECT_STREQ(path.data(), "");
    OnWindows98();
    ASSERT_TRUE(ImportFixture(registry, "registry/win98_hid.reg"));
    FindDevicePath(growing, version, path, kVendor, kProduct, 2);
    EXPECT_STREQ(path.data(), "");
}

TEST_F(DeviceDiscovery, OtherVendorAndProductIdsFormatTheirOwnKeys)
{
    OnWindowsXp();
    const std::string instance = "8&1&0&0000";
    const std::string key = kHidClass + "\\##?#Hid#Vid_00ab&Pid_0c0d#" + instance + kInterfaceSuffix;
    registry.CreateKeyPath("HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Enum\\Hid\\Vid_00ab&Pid_0c0d\\" +
                           instance);
    registry.SetValueAt(key + "\\Control", "ReferenceCount", REG_DWORD, Dword(1));
    registry.SetValueAt(key + "\\#\\Device Parameters\\DirectX", "Joystick Id", REG_DWORD, Dword(3));
    registry.SetValueAt(key + "\\#", "SymbolicLink", REG_SZ, {'p', 0});
    path.fill('X');
    // Bits above the 16-bit ids are dropped.
    FindDevicePath(registry, version, path, 0x100AB, 0xC0D, 3);
    EXPECT_STREQ(path.data(), "p");
}

} // namespace
} // namespace torvex
