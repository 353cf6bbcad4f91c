#include "tests/platform/registry_contract.h"

#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace torvex::testing {
namespace {

std::vector<BYTE> Bytes(std::initializer_list<int> values)
{
    std::vector<BYTE> bytes;
    for (int v : values)
        bytes.push_back(static_cast<BYTE>(v));
    return bytes;
}

TEST_P(RegistryContract, CreatesMissingKeysOnTheWayAndOpensThemByAnyCase)
{
    RegistryKey created(registry());
    ASSERT_EQ(created.Create(scratch(), "Enum\\Hid\\Vid_6d2a&Pid_0005"), ERROR_SUCCESS);

    RegistryKey opened(registry());
    EXPECT_EQ(opened.Open(scratch(), "ENUM\\hid\\VID_6D2A&PID_0005"), ERROR_SUCCESS);
    EXPECT_EQ(opened.Open(scratch(), "Enum\\Hid"), ERROR_SUCCESS);

    RegistryKey child(registry());
    EXPECT_EQ(child.Open(opened, "vid_6d2a&pid_0005"), ERROR_SUCCESS);
}

TEST_P(RegistryContract, OpeningAMissingKeyFailsWithFileNotFoundAndCreatesNothing)
{
    HKEY key = nullptr;
    EXPECT_EQ(registry().OpenKey(scratch(), "Missing\\Below", &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(registry().OpenKey(scratch(), "Missing", &key), ERROR_FILE_NOT_FOUND);
    DWORD subKeys = 99;
    ASSERT_EQ(registry().QueryInfoKey(scratch(), &subKeys, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(subKeys, 0u);
}

TEST_P(RegistryContract, AnEmptySubKeyNameGivesBackTheKeyItself)
{
    HKEY same = nullptr;
    ASSERT_EQ(registry().OpenKey(scratch(), "", &same), ERROR_SUCCESS);
    EXPECT_EQ(same, scratch());
    ASSERT_EQ(registry().OpenKey(scratch(), nullptr, &same), ERROR_SUCCESS);
    EXPECT_EQ(same, scratch());
}

TEST_P(RegistryContract, ValuesKeepTheirTypeAndRawBytes)
{
    RegistryKey key(registry());
    ASSERT_EQ(key.Create(scratch(), "Values"), ERROR_SUCCESS);
    const auto binary = Bytes({0x0A, 0x00, 0x00, 0x00, 0x78, 0x00, 0x00, 0x00, 0xFA, 0x00, 0x00, 0x00});
    ASSERT_EQ(key.SetValue("Calibration", REG_BINARY, binary.data(), static_cast<DWORD>(binary.size())),
              ERROR_SUCCESS);
    const DWORD amplify = 1500;
    ASSERT_EQ(key.SetValue("Amplify", REG_DWORD, &amplify, sizeof amplify), ERROR_SUCCESS);
    const char link[] = "\\\\?\\hid#vid_6d2a&pid_0005#1&2&3#{4d1e55b2-f16f-11cf-88cb-001111000030}";
    ASSERT_EQ(key.SetValue("SymbolicLink", REG_SZ, link, sizeof link), ERROR_SUCCESS);

    std::array<BYTE, 64> buffer{};
    DWORD size = 0;
    DWORD type = 0;
    ASSERT_EQ(key.QueryValue("calibration", buffer.data(), sizeof buffer, &size, &type), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_EQ(std::vector<BYTE>(buffer.begin(), buffer.begin() + size), binary);

    ASSERT_EQ(key.QueryValue("AMPLIFY", buffer.data(), sizeof buffer, &size, &type), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(std::vector<BYTE>(buffer.begin(), buffer.begin() + size), Bytes({0xDC, 0x05, 0x00, 0x00}));

    ASSERT_EQ(key.QueryValue("SymbolicLink", buffer.data(), sizeof buffer, &size, &type), ERROR_MORE_DATA);
    EXPECT_EQ(size, sizeof link);
    std::vector<char> text(size);
    ASSERT_EQ(key.QueryValue("SymbolicLink", text.data(), size, &size, &type), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_STREQ(text.data(), link);
}

TEST_P(RegistryContract, ASizeQueryWithoutABufferReportsTheSizeAndType)
{
    RegistryKey key(registry());
    ASSERT_EQ(key.Create(scratch(), "Sizes"), ERROR_SUCCESS);
    const auto guid = Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17});
    ASSERT_EQ(key.SetValue("GUID", REG_BINARY, guid.data(), static_cast<DWORD>(guid.size())), ERROR_SUCCESS);

    DWORD type = 0;
    DWORD size = 0;
    ASSERT_EQ(registry().QueryValue(key.get(), "GUID", &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 17u);
    EXPECT_EQ(type, REG_BINARY);

    std::array<BYTE, 16> exact{};
    EXPECT_EQ(key.QueryValue("GUID", exact.data(), sizeof exact, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 17u);
}

TEST_P(RegistryContract, MissingValuesAndTheUnsetDefaultAreNotFound)
{
    RegistryKey key(registry());
    ASSERT_EQ(key.Create(scratch(), "Empty"), ERROR_SUCCESS);
    DWORD size = 0;
    std::array<BYTE, 4> buffer{};
    EXPECT_EQ(key.QueryValue("Joystick Id", buffer.data(), sizeof buffer, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key.QueryValue(nullptr, buffer.data(), sizeof buffer, &size), ERROR_FILE_NOT_FOUND);
}

TEST_P(RegistryContract, TheDefaultValueIsNamedByNullOrEmpty)
{
    RegistryKey key(registry());
    ASSERT_EQ(key.Create(scratch(), "InprocServer32"), ERROR_SUCCESS);
    const char path[] = "TorvexFF.dll";
    ASSERT_EQ(key.SetValue(nullptr, REG_SZ, path, sizeof path), ERROR_SUCCESS);
    std::array<char, 32> buffer{};
    DWORD size = 0;
    ASSERT_EQ(key.QueryValue("", buffer.data(), sizeof buffer, &size), ERROR_SUCCESS);
    EXPECT_STREQ(buffer.data(), path);
}

TEST_P(RegistryContract, SettingAValueAgainReplacesTypeAndSize)
{
    RegistryKey key(registry());
    ASSERT_EQ(key.Create(scratch(), "Replace"), ERROR_SUCCESS);
    const DWORD id = 3;
    ASSERT_EQ(key.SetValue("Joystick Id", REG_DWORD, &id, sizeof id), ERROR_SUCCESS);
    const auto two = Bytes({7, 0});
    ASSERT_EQ(key.SetValue("joystick id", REG_BINARY, two.data(), 2), ERROR_SUCCESS);
    const auto none = Bytes({});
    ASSERT_EQ(key.SetValue("Empty", REG_BINARY, none.data(), 0), ERROR_SUCCESS);

    std::array<BYTE, 8> buffer{};
    DWORD size = 0;
    DWORD type = 0;
    ASSERT_EQ(key.QueryValue("Joystick Id", buffer.data(), sizeof buffer, &size, &type), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_EQ(size, 2u);
    ASSERT_EQ(key.QueryValue("Empty", buffer.data(), sizeof buffer, &size, &type), ERROR_SUCCESS);
    EXPECT_EQ(size, 0u);
}

TEST_P(RegistryContract, EnumerationNamesEverySubkeyThenReportsNoMoreItems)
{
    RegistryKey parent(registry());
    ASSERT_EQ(parent.Create(scratch(), "Calibration"), ERROR_SUCCESS);
    // Created in sorted order: Windows enumerates sorted, the in-memory
    // registry in creation order, and this contract holds for both.
    for (const char* name : {"0", "1", "Wheel"}) {
        RegistryKey child(registry());
        ASSERT_EQ(child.Create(parent, name), ERROR_SUCCESS);
    }

    DWORD count = 0;
    DWORD longest = 0;
    ASSERT_EQ(registry().QueryInfoKey(parent.get(), &count, &longest), ERROR_SUCCESS);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(longest, 5u);

    std::array<char, 16> name{};
    std::vector<std::string> names;
    DWORD index = 0;
    while (registry().EnumKey(parent.get(), index, name.data(), sizeof name) == ERROR_SUCCESS) {
        names.emplace_back(name.data());
        ++index;
    }
    EXPECT_EQ(names, (std::vector<std::string>{"0", "1", "Wheel"}));
    EXPECT_EQ(registry().EnumKey(parent.get(), 3, name.data(), sizeof name), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(registry().EnumKey(parent.get(), 1000, name.data(), sizeof name), ERROR_NO_MORE_ITEMS);
}

TEST_P(RegistryContract, EnumeratingIntoATooSmallBufferFailsWithMoreData)
{
    RegistryKey parent(registry());
    ASSERT_EQ(parent.Create(scratch(), "Long"), ERROR_SUCCESS);
    RegistryKey child(registry());
    ASSERT_EQ(child.Create(parent, "VID_6D2A&PID_0005"), ERROR_SUCCESS);

    std::array<char, 17> small{}; // the 17 characters, but no room for the terminator
    EXPECT_EQ(registry().EnumKey(parent.get(), 0, small.data(), sizeof small), ERROR_MORE_DATA);
    std::array<char, 18> fits{};
    EXPECT_EQ(registry().EnumKey(parent.get(), 0, fits.data(), sizeof fits), ERROR_SUCCESS);
    EXPECT_STREQ(fits.data(), "VID_6D2A&PID_0005");
}

TEST_P(RegistryContract, AKeyWithoutSubkeysCountsZero)
{
    RegistryKey key(registry());
    ASSERT_EQ(key.Create(scratch(), "Leaf"), ERROR_SUCCESS);
    DWORD count = 7;
    DWORD longest = 7;
    ASSERT_EQ(registry().QueryInfoKey(key.get(), &count, &longest), ERROR_SUCCESS);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(longest, 0u);
    std::array<char, 8> name{};
    EXPECT_EQ(registry().EnumKey(key.get(), 0, name.data(), sizeof name), ERROR_NO_MORE_ITEMS);
}

TEST_P(RegistryContract, CreatingAnExistingKeyOpensItWithItsValues)
{
    RegistryKey first(registry());
    ASSERT_EQ(first.Create(scratch(), "Type\\Axes\\0"), ERROR_SUCCESS);
    const DWORD marker = 42;
    ASSERT_EQ(first.SetValue("Marker", REG_DWORD, &marker, sizeof marker), ERROR_SUCCESS);

    RegistryKey again(registry());
    ASSERT_EQ(again.Create(scratch(), "type\\axes\\0"), ERROR_SUCCESS);
    DWORD read = 0;
    DWORD size = 0;
    ASSERT_EQ(again.QueryValue("Marker", &read, sizeof read, &size), ERROR_SUCCESS);
    EXPECT_EQ(read, 42u);
}

} // namespace
} // namespace torvex::testing
