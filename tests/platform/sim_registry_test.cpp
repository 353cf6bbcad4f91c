#include "platform/sim/sim_registry.h"

#include <gtest/gtest.h>

#include <array>

#include "tests/platform/registry_contract.h"

namespace torvex::testing {
namespace {

constexpr const char* kScratchPath = "HKEY_CURRENT_USER\\Software\\TorvexContract";

class SimRegistryWorld final : public RegistryWorld {
public:
    SimRegistryWorld() { registry_.CreateKey(HKEY_CURRENT_USER, "Software\\TorvexContract", &scratch_); }
    ~SimRegistryWorld() override
    {
        // Every key a contract test opened through RegistryKey was closed.
        EXPECT_EQ(registry_.OpenKeyCount(), 1);
        registry_.CloseKey(scratch_);
    }
    RegistryPort& registry() override { return registry_; }
    HKEY scratch() override { return scratch_; }

private:
    SimRegistry registry_;
    HKEY scratch_ = nullptr;
};

INSTANTIATE_TEST_SUITE_P(InMemory, RegistryContract,
                         ::testing::Values(+[]() -> std::unique_ptr<RegistryWorld> {
                             return std::make_unique<SimRegistryWorld>();
                         }));

std::vector<BYTE> Dword(DWORD value)
{
    return {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
            static_cast<BYTE>(value >> 24)};
}

TEST(SimRegistry, CountsEveryOpenKeyUntilItIsClosed)
{
    SimRegistry registry;
    registry.CreateKeyPath("HKEY_LOCAL_MACHINE\\System\\CurrentControlSet");
    EXPECT_EQ(registry.OpenKeyCount(), 0);
    {
        RegistryKey system(registry);
        ASSERT_EQ(system.Open(HKEY_LOCAL_MACHINE, "System"), ERROR_SUCCESS);
        RegistryKey control(registry);
        ASSERT_EQ(control.Open(system, "CurrentControlSet"), ERROR_SUCCESS);
        EXPECT_EQ(registry.OpenKeyCount(), 2);
        HKEY handed = control.release();
        EXPECT_EQ(registry.OpenKeyCount(), 2);
        EXPECT_EQ(registry.CloseKey(handed), ERROR_SUCCESS);
        EXPECT_EQ(registry.OpenKeyCount(), 1);
    }
    EXPECT_EQ(registry.OpenKeyCount(), 0);
    // Roots are never counted and closing one is harmless.
    EXPECT_EQ(registry.CloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
    EXPECT_EQ(registry.OpenKeyCount(), 0);
}

TEST(SimRegistry, RejectsHandlesItNeverGaveOrAlreadyClosed)
{
    SimRegistry registry;
    HKEY key = nullptr;
    ASSERT_EQ(registry.CreateKey(HKEY_LOCAL_MACHINE, "Software", &key), ERROR_SUCCESS);
    ASSERT_EQ(registry.CloseKey(key), ERROR_SUCCESS);
    DWORD count = 0;
    EXPECT_EQ(registry.QueryInfoKey(key, &count, nullptr), ERROR_INVALID_HANDLE);
    EXPECT_EQ(registry.CloseKey(key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(registry.OpenKey(nullptr, "Software", &key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(registry.OpenKey(HKEY_LOCAL_MACHINE, "Software", nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(registry.OpenKey(HKEY_LOCAL_MACHINE, "Software\\\\Bad", &key), 161);
}

TEST(SimRegistry, AKeyDeletedWhileOpenAnswersKeyDeleted)
{
    SimRegistry registry;
    registry.SetValueAt("HKEY_LOCAL_MACHINE\\Device", "RefCount", REG_DWORD, Dword(1));
    RegistryKey key(registry);
    ASSERT_EQ(key.Open(HKEY_LOCAL_MACHINE, "Device"), ERROR_SUCCESS);
    registry.DeleteKeyAt("HKEY_LOCAL_MACHINE\\Device");
    DWORD value = 0;
    EXPECT_EQ(key.QueryValue("RefCount", &value, sizeof value), ERROR_KEY_DELETED);
    EXPECT_FALSE(registry.KeyExists("HKEY_LOCAL_MACHINE\\Device"));
    key.Close();
    EXPECT_EQ(registry.OpenKeyCount(), 0);
}

TEST(SimRegistry, EnumeratesSubkeysInCreationOrder)
{
    SimRegistry registry;
    for (const char* name : {"Zeta", "alpha", "Mid"})
        registry.CreateKeyPath(std::string("HKEY_LOCAL_MACHINE\\List\\") + name);
    RegistryKey list(registry);
    ASSERT_EQ(list.Open(HKEY_LOCAL_MACHINE, "List"), ERROR_SUCCESS);
    std::array<char, 8> name{};
    ASSERT_EQ(registry.EnumKey(list.get(), 0, name.data(), sizeof name), ERROR_SUCCESS);
    EXPECT_STREQ(name.data(), "Zeta");
    ASSERT_EQ(registry.EnumKey(list.get(), 2, name.data(), sizeof name), ERROR_SUCCESS);
    EXPECT_STREQ(name.data(), "Mid");
}

TEST(SimRegistry, FailsTheChosenEnumerationIndexOnly)
{
    SimRegistry registry;
    for (const char* name : {"a", "b", "c", "d"})
        registry.CreateKeyPath(std::string("HKEY_LOCAL_MACHINE\\Enum\\") + name);
    registry.InjectFailure(
        {RegistryOperation::EnumKey, "hkey_local_machine\\ENUM", 2, std::nullopt, ERROR_GEN_FAILURE});
    RegistryKey key(registry);
    ASSERT_EQ(key.Open(HKEY_LOCAL_MACHINE, "Enum"), ERROR_SUCCESS);
    std::array<char, 4> name{};
    EXPECT_EQ(registry.EnumKey(key.get(), 1, name.data(), sizeof name), ERROR_SUCCESS);
    EXPECT_EQ(registry.EnumKey(key.get(), 2, name.data(), sizeof name), ERROR_GEN_FAILURE);
    EXPECT_EQ(registry.EnumKey(key.get(), 3, name.data(), sizeof name), ERROR_SUCCESS);
    EXPECT_STREQ(name.data(), "d");
    registry.ClearFailures();
    EXPECT_EQ(registry.EnumKey(key.get(), 2, name.data(), sizeof name), ERROR_SUCCESS);
}

TEST(SimRegistry, FailsOpensAndValueReadsOfTheChosenKey)
{
    SimRegistry registry;
    registry.SetValueAt("HKEY_LOCAL_MACHINE\\OEM", "Amplify", REG_DWORD, Dword(1000));
    registry.SetValueAt("HKEY_LOCAL_MACHINE\\OEM", "Delay", REG_DWORD, Dword(25));
    registry.InjectFailure({RegistryOperation::QueryValue, "HKEY_LOCAL_MACHINE\\OEM", std::nullopt,
                            std::string("amplify"), ERROR_ACCESS_DENIED});
    registry.InjectFailure({RegistryOperation::OpenKey, "HKEY_LOCAL_MACHINE\\Other", std::nullopt,
                            std::nullopt, ERROR_ACCESS_DENIED});

    RegistryKey oem(registry);
    ASSERT_EQ(oem.Open(HKEY_LOCAL_MACHINE, "OEM"), ERROR_SUCCESS);
    DWORD value = 0;
    EXPECT_EQ(oem.QueryValue("Amplify", &value, sizeof value), ERROR_ACCESS_DENIED);
    EXPECT_EQ(oem.QueryValue("Delay", &value, sizeof value), ERROR_SUCCESS);
    RegistryKey other(registry);
    EXPECT_EQ(other.Open(HKEY_LOCAL_MACHINE, "Other"), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(other.is_open());
    EXPECT_EQ(registry.OpenKeyCount(), 1);
}

TEST(SimRegistry, RegistryKeyNeverOwnsTheParentItWasHandedBack)
{
    SimRegistry registry;
    RegistryKey parent(registry);
    ASSERT_EQ(parent.Create(HKEY_LOCAL_MACHINE, "Parent"), ERROR_SUCCESS);
    RegistryKey same(registry);
    EXPECT_NE(same.Open(parent, ""), ERROR_SUCCESS);
    EXPECT_FALSE(same.is_open());
    same.Close();
    DWORD count = 0;
    EXPECT_EQ(registry.QueryInfoKey(parent.get(), &count, nullptr), ERROR_SUCCESS);
}

TEST(SimRegistry, MovedKeysCloseExactlyOnce)
{
    SimRegistry registry;
    RegistryKey a(registry);
    ASSERT_EQ(a.Create(HKEY_LOCAL_MACHINE, "A"), ERROR_SUCCESS);
    RegistryKey b = std::move(a);
    EXPECT_FALSE(a.is_open());
    RegistryKey c(registry);
    ASSERT_EQ(c.Create(HKEY_LOCAL_MACHINE, "C"), ERROR_SUCCESS);
    c = std::move(b);
    EXPECT_EQ(registry.OpenKeyCount(), 1);
    c.Close();
    EXPECT_EQ(registry.OpenKeyCount(), 0);
}

TEST(SimRegistry, ImportsAndExportsTheRegistryFileFormat)
{
    const char text[] =
        "REGEDIT4\n"
        "\n"
        "[HKEY_LOCAL_"
        "MACHINE\\System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick"
        "\\OEM\\VID_6D2A&PID_0005]\n"
        "\"Amplify\"=dword:000003e8\n"
        "\"OEMName\"=\"ZK-5120 Force Feedback Wheel\"\n"
        "\n"
        "[HKEY_LOCAL_MACHINE\\Gone]\n"
        "\"x\"=hex:01\n"
        "\n"
        "[-HKEY_LOCAL_MACHINE\\Gone]\n";
    RegistryFile file;
    RegistryFileError error;
    ASSERT_TRUE(ParseRegistryFile(text, &file, &error)) << error.message;
    SimRegistry registry;
    registry.Import(file);

    const std::string oem =
        "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick"
        "\\OEM\\VID_6D2A&PID_0005";
    const auto amplify = registry.GetValueAt(oem, "amplify");
    ASSERT_TRUE(amplify.has_value());
    EXPECT_EQ(amplify->type, REG_DWORD);
    EXPECT_EQ(amplify->data, Dword(1000));
    EXPECT_FALSE(registry.KeyExists("HKEY_LOCAL_MACHINE\\Gone"));

    const RegistryFile exported = registry.Export(oem);
    ASSERT_EQ(exported.keys.size(), 1u);
    EXPECT_EQ(exported.keys[0].path, oem);
    ASSERT_EQ(exported.keys[0].values.size(), 2u);
    EXPECT_EQ(exported.keys[0].values[1].name, "OEMName");

    SimRegistry copy;
    RegistryFile reread;
    ASSERT_TRUE(ParseRegistryFile(WriteRegistryFile(registry.Export("HKEY_LOCAL_MACHINE")), &reread, &error));
    copy.Import(reread);
    const auto name = copy.GetValueAt(oem, "OEMName");
    ASSERT_TRUE(name.has_value());
    EXPECT_EQ(name->data, registry.GetValueAt(oem, "OEMName")->data);
    EXPECT_EQ(copy.GetValueAt(oem, "Amplify")->data, Dword(1000));
}

} // namespace
} // namespace torvex::testing
