// The calibration store against Wine's real registry, with Wine reporting
// Windows 98, 2000, XP and other versions to a probe program: the same
// fixtures get the same bytes as in the in-memory registry.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <optional>
#include <string>
#include <vector>

#include "common/os_version.h"
#include "platform/win32/win32_registry.h"
#include "tests/support/calibration_layouts.h"
#include "tests/support/fixtures.h"
#include "tests/support/registry_apply.h"
#include "tests/support/wine_probe.h"

namespace torvex::testing {
namespace {

using Bytes = std::vector<BYTE>;

constexpr const char* kProbe = "calibration_probe.exe";
constexpr const char* kFirstWheel = "{913C5EA0-B422-11D1-8001-444553540000}";
constexpr const char* kSecondWheel = "{A24D6FB1-C533-11E2-9112-444553540000}";
constexpr const char* kUnknownWheel = "{11111111-2222-3333-4444-444444444444}";
const long kFailed = static_cast<long>(E_FAIL);

struct ProbeResult {
    int versionClass = -1;
    long result = 0;
    Bytes hardwareConfiguration; // the 112 bytes the probe stored from
};

Bytes FromHex(const std::string& text)
{
    Bytes bytes;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2)
        bytes.push_back(static_cast<BYTE>(std::stoul(text.substr(i, 2), nullptr, 16)));
    return bytes;
}

ProbeResult RunProbe(const char* guid, DWORD joystickId, DWORD flags = DIJC_REGHWCONFIGTYPE)
{
    std::istringstream in(RunProbeProgram(kProbe, std::string(guid) + " " + std::to_string(joystickId) + " " +
                                                      std::to_string(flags)));
    ProbeResult result;
    std::string hex;
    in >> result.versionClass >> result.result >> hex;
    result.hardwareConfiguration = FromHex(hex);
    return result;
}

class WineCalibration : public ::testing::Test {
protected:
    void SetUp() override { RemoveCalibrationLeftovers(); }

    void Load(const char* fixture)
    {
        RegistryFile file;
        RegistryFileError error;
        ASSERT_TRUE(LoadRegistryFile(FixturePath(fixture), &file, &error)) << error.message;
        ASSERT_TRUE(applied_.Apply(file));
    }

    bool KeyExists(const std::string& path)
    {
        RegistryKey key(registry_);
        return key.Open(HKEY_LOCAL_MACHINE, path.c_str()) == ERROR_SUCCESS;
    }

    std::optional<Bytes> Value(const std::string& path, const char* name)
    {
        RegistryKey key(registry_);
        DWORD type = REG_NONE;
        DWORD size = 0;
        if (key.Open(HKEY_LOCAL_MACHINE, path.c_str()) != ERROR_SUCCESS ||
            registry_.QueryValue(key.get(), name, &type, nullptr, &size) != ERROR_SUCCESS)
            return std::nullopt;
        Bytes data(size);
        if (key.QueryValue(name, data.data(), size, &size) != ERROR_SUCCESS)
            return std::nullopt;
        EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY)) << path << " " << name;
        data.resize(size);
        return data;
    }

    Win32Registry registry_;
    AppliedRegistryFile applied_{registry_};
};

// ---------------------------------------------------------------------------
// Windows 2000 and XP: one value per axis below the device key that holds
// the instance GUID.

class WineAxisCalibration : public WineCalibration, public ::testing::WithParamInterface<NtLayout> {
protected:
    const NtLayout& layout() const { return GetParam(); }
};

TEST_P(WineAxisCalibration, EachAxisOfTheMatchingDeviceGetsItsRange)
{
    Load(layout().fixture);
    WineVersionFor version(kProbe, layout().wineVersion);
    const std::string axes = layout().Axes(layout().firstWheel);
    const auto attributes = Value(axes + "\\0", "Attributes");
    const auto rx = Value(axes + "\\3", "Calibration");
    const auto ry = Value(axes + "\\4", "Calibration");
    ASSERT_TRUE(attributes && rx && ry);

    const ProbeResult first = RunProbe(kFirstWheel, 0);
    EXPECT_EQ(first.versionClass, layout().versionClass);
    EXPECT_EQ(first.result, ERROR_SUCCESS);
    EXPECT_EQ(Value(axes + "\\0", "Calibration"), (Bytes{0x0A, 0, 0, 0, 0x78, 0, 0, 0, 0xFA, 0, 0, 0}));
    EXPECT_EQ(Value(axes + "\\1", "Calibration"), Calibration(0, 5, 255));
    EXPECT_EQ(Value(axes + "\\2", "Calibration"), Calibration(3, 3, 200));
    EXPECT_EQ(Value(axes + "\\5", "Calibration"), Calibration(0, 0, 180));
    EXPECT_EQ(Value(axes + "\\0", "Attributes"), attributes);
    EXPECT_EQ(Value(axes + "\\3", "Calibration"), rx);
    EXPECT_EQ(Value(axes + "\\4", "Calibration"), ry);
}

TEST_P(WineAxisCalibration, OnlyTheFirstDeviceKeyWithExactlyTheGuidIsWritten)
{
    Load(layout().fixture);
    WineVersionFor version(kProbe, layout().wineVersion);
    EXPECT_EQ(RunProbe(kSecondWheel, 1).result, ERROR_SUCCESS);
    EXPECT_EQ(Value(layout().Axes(layout().secondWheel) + "\\5", "Calibration"), Calibration(0, 0, 180));
    EXPECT_FALSE(KeyExists(layout().Axes(layout().duplicate)));
    EXPECT_FALSE(KeyExists(layout().Axes(layout().shortGuid)));
    EXPECT_FALSE(KeyExists(layout().Axes(layout().longGuid)));
    EXPECT_FALSE(KeyExists(layout().Axes(layout().firstWheel) + "\\5"));
}

TEST_P(WineAxisCalibration, WithoutTheFlagOrAMatchingGuidNothingIsWritten)
{
    Load(layout().fixture);
    WineVersionFor version(kProbe, layout().wineVersion);
    EXPECT_EQ(RunProbe(kSecondWheel, 1, 0).result, ERROR_SUCCESS);
    EXPECT_EQ(RunProbe(kUnknownWheel, 1, 0).result, kFailed);
    EXPECT_EQ(RunProbe(kUnknownWheel, 1).result, kFailed);
    EXPECT_FALSE(KeyExists(layout().Axes(layout().secondWheel)));
    EXPECT_FALSE(KeyExists(layout().Axes(layout().firstWheel) + "\\5"));
}

INSTANTIATE_TEST_SUITE_P(Layouts, WineAxisCalibration, ::testing::Values(kWindowsXp, kWindows2000),
                         [](const auto& info) { return std::string(info.param.wineVersion); });

// ---------------------------------------------------------------------------
// Windows 98/Me: the whole hardware configuration per joystick.

TEST_F(WineCalibration, Windows98StoresTheWholeHardwareConfiguration)
{
    Load(kWindows9xFixture);
    const auto otherJoystick = Value(kSettingsKey, "Joystick2Configuration");
    ASSERT_TRUE(otherJoystick);
    WineVersionFor version(kProbe, "win98");
    const ProbeResult joystick0 = RunProbe(kUnknownWheel, 0, 0);
    EXPECT_EQ(joystick0.versionClass, kOsWindows98);
    EXPECT_EQ(joystick0.result, ERROR_SUCCESS);
    ASSERT_EQ(joystick0.hardwareConfiguration.size(), 112u);
    const auto written = Value(kSettingsKey, "Joystick1Configuration");
    EXPECT_EQ(written, joystick0.hardwareConfiguration);
    ASSERT_TRUE(written && written->size() == 112);
    EXPECT_EQ(Bytes(written->begin() + 12, written->begin() + 16), Bytes({10, 0, 0, 0}));  // minimum of X
    EXPECT_EQ(Bytes(written->begin() + 36, written->begin() + 40), Bytes({250, 0, 0, 0})); // maximum of X
    EXPECT_EQ(Bytes(written->begin() + 60, written->begin() + 64), Bytes({120, 0, 0, 0})); // centre of X
    EXPECT_EQ(Value(kSettingsKey, "Joystick2Configuration"), otherJoystick);

    EXPECT_EQ(RunProbe(kUnknownWheel, 0xFFFF).result, ERROR_SUCCESS);
    EXPECT_EQ(Value(kSettingsKey, "Joystick0Configuration"), joystick0.hardwareConfiguration);
}

TEST_F(WineCalibration, Windows98NeverCreatesTheSettingsKey)
{
    ASSERT_FALSE(KeyExists(kSettingsKey));
    WineVersionFor version(kProbe, "win98");
    const ProbeResult result = RunProbe(kFirstWheel, 0);
    EXPECT_EQ(result.versionClass, kOsWindows98);
    EXPECT_EQ(result.result, ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(KeyExists(kSettingsKey));
}

TEST_F(WineCalibration, OtherVersionsFailAndWriteNothing)
{
    Load(kWindows9xFixture);
    Load("registry/calibration_win2000.reg");
    Load("registry/calibration_winxp.reg");
    const auto joystick1 = Value(kSettingsKey, "Joystick1Configuration");
    for (const char* name : {"win95", "nt40", "vista", "win7"}) {
        SCOPED_TRACE(name);
        WineVersionFor version(kProbe, name);
        const ProbeResult result = RunProbe(kFirstWheel, 0);
        EXPECT_EQ(result.versionClass, std::string(name) == "win95"  ? kOsWindows95
                                       : std::string(name) == "nt40" ? kOsWindowsNt4
                                                                     : kOsUnknown);
        EXPECT_EQ(result.result, kFailed);
    }
    EXPECT_EQ(Value(kSettingsKey, "Joystick1Configuration"), joystick1);
    EXPECT_FALSE(Value(kSettingsKey, "Joystick0Configuration"));
    EXPECT_FALSE(KeyExists(kWindowsXp.Axes(kWindowsXp.firstWheel) + "\\5"));
    EXPECT_FALSE(KeyExists(kWindows2000.Axes(kWindows2000.firstWheel) + "\\5"));
}

} // namespace
} // namespace torvex::testing
