// What the installation's registry file gives DirectInput and COM, read back
// through the registry port: from the in-memory registry everywhere, and
// from the real registry under Wine after the file has been written into it.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "driver/device/render_effect.h"
#include "driver/effect_slot.h"
#include "platform/registry.h"
#include "platform/sim/registry_file.h"
#include "platform/sim/sim_registry.h"
#include "platform/wheel_input_report.h"
#include "tests/support/registry_apply.h"

#if defined(_WIN32)
#include "platform/win32/win32_registry.h"
#endif

namespace torvex {
namespace {

const std::string kInstallFile = std::string(TORVEX_INSTALL_DIR) + "/TorvexFF.reg";
constexpr const char* kDriverClsid = "{AF8D694E-457D-4284-A357-07B9FB497739}";
const std::string kClassKey = std::string("CLSID\\") + kDriverClsid;
const std::string kOemKey = "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick"
                            "\\OEM\\VID_6D2A&PID_0005";
const std::string kFeedbackKey = kOemKey + "\\OEMForceFeedback";
const std::string kEffectsKey = kFeedbackKey + "\\Effects";

// The conditions have no computation of their own in the driver; it pushes
// the same fixed force for all four, so they only need ids of their own.
constexpr DWORD kEffectSpring = 7, kEffectDamper = 8, kEffectInertia = 9, kEffectFriction = 10;

struct InstalledEffect {
    const char* guid;
    DWORD effectId; // what DownloadEffect will be handed, so what the driver computes
    DWORD baseType; // DIEFT_GETTYPE of dwEffType: DirectInput checks effects against it
};

const std::array<InstalledEffect, 12> kEffects = {{
    {"{13541C20-8E33-11D0-9AD0-00A0C9A06E35}", kEffectConstantForce, DIEFT_CONSTANTFORCE},
    {"{13541C21-8E33-11D0-9AD0-00A0C9A06E35}", kEffectRampForce, DIEFT_RAMPFORCE},
    {"{13541C22-8E33-11D0-9AD0-00A0C9A06E35}", kEffectSquare, DIEFT_PERIODIC},
    {"{13541C23-8E33-11D0-9AD0-00A0C9A06E35}", kEffectSine, DIEFT_PERIODIC},
    {"{13541C24-8E33-11D0-9AD0-00A0C9A06E35}", kEffectTriangle, DIEFT_PERIODIC},
    {"{13541C25-8E33-11D0-9AD0-00A0C9A06E35}", kEffectSawtoothUp, DIEFT_PERIODIC},
    {"{13541C26-8E33-11D0-9AD0-00A0C9A06E35}", kEffectSawtoothDown, DIEFT_PERIODIC},
    {"{13541C27-8E33-11D0-9AD0-00A0C9A06E35}", kEffectSpring, DIEFT_CONDITION},
    {"{13541C28-8E33-11D0-9AD0-00A0C9A06E35}", kEffectDamper, DIEFT_CONDITION},
    {"{13541C29-8E33-11D0-9AD0-00A0C9A06E35}", kEffectInertia, DIEFT_CONDITION},
    {"{13541C2A-8E33-11D0-9AD0-00A0C9A06E35}", kEffectFriction, DIEFT_CONDITION},
    {"{13541C2B-8E33-11D0-9AD0-00A0C9A06E35}", kEffectCustomForce, DIEFT_CUSTOMFORCE},
}};

std::vector<BYTE> Text(const char* text)
{
    return {text, text + std::strlen(text) + 1};
}

struct ExpectedValue {
    HKEY root;
    std::string key;
    const char* name;
    DWORD type;
    std::vector<BYTE> data;
};

std::vector<ExpectedValue> ExpectedValues()
{
    return {
        {HKEY_CLASSES_ROOT, kClassKey + "\\InprocServer32", "", REG_SZ, Text("TorvexFF.dll")},
        {HKEY_CLASSES_ROOT, kClassKey + "\\InprocServer32", "ThreadingModel", REG_SZ, Text("Both")},
        {HKEY_LOCAL_MACHINE, kOemKey, "OEMName", REG_SZ, Text("ZK-5120 Force Feedback Wheel")},
        {HKEY_LOCAL_MACHINE, kOemKey, "Amplify", REG_DWORD, {0xE8, 0x03, 0, 0}}, // 1000: as the game asked
        {HKEY_LOCAL_MACHINE, kFeedbackKey, "CLSID", REG_SZ, Text(kDriverClsid)},
    };
}

void ExpectValues(RegistryPort& registry)
{
    for (const ExpectedValue& expected : ExpectedValues()) {
        SCOPED_TRACE(expected.key + " \"" + expected.name + "\"");
        RegistryKey key(registry);
        ASSERT_EQ(key.Open(expected.root, expected.key.c_str()), ERROR_SUCCESS);
        std::vector<BYTE> data(256);
        DWORD size = 0;
        DWORD type = REG_NONE;
        ASSERT_EQ(key.QueryValue(expected.name, data.data(), static_cast<DWORD>(data.size()), &size, &type),
                  ERROR_SUCCESS);
        data.resize(size);
        EXPECT_EQ(type, expected.type);
        EXPECT_EQ(data, expected.data);
    }
}

void ExpectDeviceRecords(RegistryPort& registry)
{
    RegistryKey oem(registry);
    ASSERT_EQ(oem.Open(HKEY_LOCAL_MACHINE, kOemKey.c_str()), ERROR_SUCCESS);
    JOYREGHWSETTINGS settings{};
    ASSERT_TRUE(oem.ReadExactly("OEMData", &settings, sizeof settings));
    EXPECT_EQ(settings.dwNumButtons, kWheelButtonCount);

    RegistryKey feedback(registry);
    ASSERT_EQ(feedback.Open(HKEY_LOCAL_MACHINE, kFeedbackKey.c_str()), ERROR_SUCCESS);
    DIFFDEVICEATTRIBUTES device{};
    ASSERT_TRUE(feedback.ReadExactly("Attributes", &device, sizeof device));
    EXPECT_EQ(device.dwFlags, 0u);
    // Games read the sample period to learn how finely forces change: the
    // playback tick's 25 ms.
    EXPECT_EQ(device.dwFFSamplePeriod, 25u * kMicrosecondsPerTick);
}

// Both registries list the effects in the file's (GUID) order, and no more.
void ExpectEffects(RegistryPort& registry)
{
    RegistryKey effects(registry);
    ASSERT_EQ(effects.Open(HKEY_LOCAL_MACHINE, kEffectsKey.c_str()), ERROR_SUCCESS);
    std::set<DWORD> ids;
    std::array<char, 64> name{};
    for (DWORD index = 0; index < kEffects.size(); ++index) {
        const InstalledEffect& effect = kEffects[index];
        SCOPED_TRACE(effect.guid);
        ASSERT_EQ(registry.EnumKey(effects.get(), index, name.data(), static_cast<DWORD>(name.size())),
                  ERROR_SUCCESS);
        EXPECT_STREQ(name.data(), effect.guid);
        RegistryKey key(registry);
        ASSERT_EQ(key.Open(effects, effect.guid), ERROR_SUCCESS);
        DIEFFECTATTRIBUTES attributes{};
        ASSERT_TRUE(key.ReadExactly("Attributes", &attributes, sizeof attributes));
        EXPECT_EQ(attributes.dwEffectId, effect.effectId);
        ids.insert(attributes.dwEffectId);
        EXPECT_EQ(DIEFT_GETTYPE(attributes.dwEffType), effect.baseType);
        // The driver honours every parameter and feature it claims: an
        // envelope, except on conditions, which push a fixed small force and
        // so have neither envelope nor saturation, deadband or coefficients.
        const bool condition = effect.baseType == DIEFT_CONDITION;
        const DWORD features = condition ? 0 : DIEFT_FFATTACK | DIEFT_FFFADE;
        const DWORD claimable = condition ? kEffectParameterFlags & ~DIEP_ENVELOPE : kEffectParameterFlags;
        EXPECT_EQ(attributes.dwEffType & ~0xFFu & ~features, 0u);
        EXPECT_EQ(attributes.dwStaticParams & ~claimable, 0u);
        EXPECT_EQ(attributes.dwDynamicParams & ~attributes.dwStaticParams, 0u);
        EXPECT_NE(attributes.dwCoords & DIEFF_CARTESIAN, 0u);
    }
    EXPECT_EQ(registry.EnumKey(effects.get(), static_cast<DWORD>(kEffects.size()), name.data(),
                               static_cast<DWORD>(name.size())),
              ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(ids.size(), kEffects.size()) << "two effects share an id";
}

void ExpectInstalled(RegistryPort& registry)
{
    ExpectValues(registry);
    ExpectDeviceRecords(registry);
    ExpectEffects(registry);
}

::testing::AssertionResult Load(RegistryFile* file)
{
    RegistryFileError error;
    if (!LoadRegistryFile(kInstallFile, file, &error))
        return ::testing::AssertionFailure() << kInstallFile << ":" << error.line << ": " << error.message;
    return ::testing::AssertionSuccess();
}

TEST(InstallationRegistry, GivesDirectInputAndComWhatTheyReadInTheSimulatedRegistry)
{
    RegistryFile file;
    ASSERT_TRUE(Load(&file));
    SimRegistry registry;
    registry.Import(file);
    ExpectInstalled(registry);
    EXPECT_FALSE(registry.GetValueAt("HKEY_LOCAL_MACHINE\\" + kOemKey, "Delay").has_value());
    EXPECT_EQ(registry.OpenKeyCount(), 0);
}

// The property sheet's file: COM finds TorvexPS.dll, and the control panel
// finds the sheet's class under the same OEM key the driver's file fills.
TEST(InstallationRegistry, NamesThePropertySheetAsTheWheelsControlPanelPages)
{
    const std::string sheetFile = std::string(TORVEX_INSTALL_DIR) + "/TorvexPS.reg";
    constexpr const char* kSheetClsid = "{C1615263-565A-478F-9948-9AC3A8D02110}";
    RegistryFile driver;
    RegistryFile sheet;
    RegistryFileError error;
    ASSERT_TRUE(Load(&driver));
    ASSERT_TRUE(LoadRegistryFile(sheetFile, &sheet, &error))
        << sheetFile << ":" << error.line << ": " << error.message;
    SimRegistry registry;
    registry.Import(driver);
    registry.Import(sheet);
    const std::string server = std::string("HKEY_CLASSES_ROOT\\CLSID\\") + kSheetClsid + "\\InprocServer32";
    EXPECT_EQ(registry.GetValueAt(server, "")->data, Text("TorvexPS.dll"));
    EXPECT_EQ(registry.GetValueAt(server, "ThreadingModel")->data, Text("Apartment"));
    EXPECT_EQ(registry.GetValueAt("HKEY_LOCAL_MACHINE\\" + kOemKey, "ConfigCLSID")->data, Text(kSheetClsid));
    ExpectInstalled(registry);
}

#if defined(_WIN32)
TEST(InstallationRegistry, ImportsIntoTheRealRegistry)
{
    RegistryFile file;
    ASSERT_TRUE(Load(&file));
    Win32Registry registry;
    testing::AppliedRegistryFile applied(registry);
    ASSERT_TRUE(applied.Apply(file));
    ExpectInstalled(registry);
}
#endif

} // namespace
} // namespace torvex
