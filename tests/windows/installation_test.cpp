// The wheel's software installed as Windows installs it: zk5120.inf run by
// setupapi (rundll32 setupapi,InstallHinfSection, what right-click →
// Install runs), with the two DLLs beside it as the package holds them.
// Installing must leave exactly the registry entries of TorvexFF.reg and
// TorvexPS.reg and both DLLs in the system folder; the driver and the sheet
// must then run as DirectInput and the control panel find them, by class;
// removing, from Add/Remove Programs once the package is gone, must take it
// all away and leave DirectInput's calibration and Windows' own OEM values.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/sim/registry_file.h"
#include "platform/windows_api.h"
// After the Windows headers, which it needs.
#include <setupapi.h>
#include "tests/support/installed_server.h"
#include "tests/support/wine_probe.h"
#include "torvex_version.h"

namespace torvex::testing {
namespace {

constexpr const char* kInstallDir = TORVEX_INSTALL_DIR;
constexpr const char* kDriverDll = TORVEX_FF_DLL;
constexpr const char* kSheetDll = TORVEX_PS_DLL;
constexpr const char* kInfName = "zk5120.inf";
constexpr DWORD kGenerousWaitMs = 120000;
constexpr const char* kInfFolderCopy = "C:\\windows\\inf\\zk5120.inf";
constexpr const char* kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZK5120Wheel";

// Where the installation writes: each class and the wheel's OEM key, with
// everything below them.
const char* const kInstalledKeys[] = {
    "HKEY_CLASSES_ROOT\\CLSID\\{AF8D694E-457D-4284-A357-07B9FB497739}",
    "HKEY_CLASSES_ROOT\\CLSID\\{C1615263-565A-478F-9948-9AC3A8D02110}",
    "HKEY_LOCAL_"
    "MACHINE\\System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick\\OEM"
    "\\VID_6D2A&PID_0005",
};

// Calibration as DirectInput keeps it on Windows XP and on Windows 98: it
// belongs to DirectInput, not to the installation. The tests remove the
// first from its wheel's calibration key on, and the second's value.
struct StoredCalibration {
    const char* key;
    const char* value;
};
const StoredCalibration kCalibrations[] = {
    {"SYSTEM\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\DirectInput\\VID_6D2A&PID_0005"
     "\\Calibration\\0\\Type\\Axes\\0",
     "Calibration"},
    {"System\\CurrentControlSet\\Control\\MediaResources\\Joystick\\DINPUT.DLL\\CurrentJoystickSettings",
     "Joystick1Configuration"},
};
const char* const kWheelCalibrationKey =
    "SYSTEM\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\DirectInput\\VID_6D2A&PID_0005"
    "\\Calibration\\0";
const BYTE kCalibrationBytes[12] = {3, 0, 0, 0, 120, 0, 0, 0, 250, 0, 0, 0};

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// A registry subtree as a comparable value: each key's full path (in lower
// case, as the registry compares names) with its values' types and bytes.
using Value = std::pair<DWORD, std::vector<BYTE>>;
using Tree = std::map<std::string, std::map<std::string, Value>>;

void ReadTree(HKEY key, const std::string& path, Tree* tree)
{
    auto& values = (*tree)[Lower(path)];
    for (DWORD index = 0;; ++index) {
        char name[256] = {};
        DWORD nameSize = sizeof name;
        DWORD type = 0;
        std::vector<BYTE> data(4096);
        DWORD dataSize = static_cast<DWORD>(data.size());
        if (RegEnumValueA(key, index, name, &nameSize, nullptr, &type, data.data(), &dataSize) !=
            ERROR_SUCCESS)
            break;
        data.resize(dataSize);
        values[name] = {type, data};
    }
    for (DWORD index = 0;; ++index) {
        char name[256] = {};
        DWORD nameSize = sizeof name;
        if (RegEnumKeyExA(key, index, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        HKEY subkey = nullptr;
        if (RegOpenKeyExA(key, name, 0, KEY_READ, &subkey) == ERROR_SUCCESS) {
            ReadTree(subkey, path + "\\" + name, tree);
            RegCloseKey(subkey);
        }
    }
}

// What Wine's registry holds below the installation's keys now.
Tree InstalledTree()
{
    Tree tree;
    for (const std::string path : kInstalledKeys) {
        const std::size_t slash = path.find('\\');
        HKEY key = nullptr;
        if (RegOpenKeyExA(RegistryRootFromName(path.substr(0, slash)), path.substr(slash + 1).c_str(), 0,
                          KEY_READ, &key) != ERROR_SUCCESS)
            continue;
        ReadTree(key, path, &tree);
        RegCloseKey(key);
    }
    return tree;
}

// What the registry files say the installation writes, with the keys that
// lie between the installation's keys and the files' own.
Tree ExpectedTree()
{
    Tree tree;
    for (const char* file : {"TorvexFF.reg", "TorvexPS.reg"}) {
        RegistryFile entries;
        RegistryFileError error;
        const std::string path = std::string(kInstallDir) + "/" + file;
        EXPECT_TRUE(LoadRegistryFile(path, &entries, &error))
            << path << ":" << error.line << ": " << error.message;
        for (const RegistryFileKey& key : entries.keys) {
            auto& values = tree[Lower(key.path)];
            for (const RegistryFileValue& value : key.values)
                values[value.name] = {value.type, value.data};
        }
    }
    // The keys made on the way to the files' own, within the installation's.
    const auto installed = [](const std::string& path) {
        return std::any_of(std::begin(kInstalledKeys), std::end(kInstalledKeys), [&](const std::string& top) {
            return path.compare(0, top.size(), Lower(top)) == 0;
        });
    };
    for (const auto& [path, values] : Tree(tree)) {
        for (std::size_t slash = path.find('\\'); slash != std::string::npos;
             slash = path.find('\\', slash + 1)) {
            if (installed(path.substr(0, slash)))
                tree[path.substr(0, slash)];
        }
    }
    return tree;
}

const char* const kOemKey = std::strchr(kInstalledKeys[2], '\\') + 1;

// What Windows writes for the wheel when it is first plugged in, as the
// installation writes it again: removing keeps it.
Tree WindowsOwnTree()
{
    const std::string oem = Lower(kInstalledKeys[2]);
    auto values = ExpectedTree()[oem];
    std::erase_if(values,
                  [](const auto& value) { return value.first != "OEMName" && value.first != "OEMData"; });
    return {{oem, values}};
}

// The fields of `key` in `section` (of every line when `key` is null), with
// the strings substituted as the parser hands them to setupx and setupapi.
std::vector<std::string> Fields(HINF inf, const std::string& section, const char* key)
{
    std::vector<std::string> fields;
    INFCONTEXT line;
    for (BOOL found = SetupFindFirstLineA(inf, section.c_str(), key, &line); found;
         found = SetupFindNextMatchLineA(&line, key, &line))
        for (DWORD index = 1; index <= SetupGetFieldCount(&line); ++index) {
            char text[512] = {};
            SetupGetStringFieldA(&line, index, text, sizeof text, nullptr);
            fields.push_back(text);
        }
    return fields;
}

std::string StoredText(const char* value)
{
    char text[512] = {};
    DWORD size = sizeof text;
    return RegGetValueA(HKEY_LOCAL_MACHINE, kUninstallKey, value, RRF_RT_REG_SZ, nullptr, text, &size) ? ""
                                                                                                       : text;
}

std::string FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<BYTE> StoredBytes(const StoredCalibration& calibration)
{
    HKEY key = nullptr;
    if (RegOpenKeyA(HKEY_LOCAL_MACHINE, calibration.key, &key) != ERROR_SUCCESS)
        return {};
    std::vector<BYTE> data(64);
    DWORD size = static_cast<DWORD>(data.size());
    const LONG read = RegQueryValueExA(key, calibration.value, nullptr, nullptr, data.data(), &size);
    RegCloseKey(key);
    data.resize(read == ERROR_SUCCESS ? size : 0);
    return data;
}

class InstallationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The INF and the two DLLs side by side, where README.TXT has the
        // package unpacked.
        package_ = "C:\\zk5120-wheel-" TORVEX_VERSION_TEXT "-win32";
        ASSERT_TRUE(CreateDirectoryA(package_.c_str(), nullptr));
        ASSERT_TRUE(CopyFileA((std::string(kInstallDir) + "\\" + kInfName).c_str(),
                              Packaged(kInfName).c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(kDriverDll, Packaged("TorvexFF.dll").c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(kSheetDll, Packaged("TorvexPS.dll").c_str(), FALSE));
        for (const StoredCalibration& calibration : kCalibrations) {
            HKEY key = nullptr;
            ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, calibration.key, &key), ERROR_SUCCESS);
            RegSetValueExA(key, calibration.value, 0, REG_BINARY, kCalibrationBytes,
                           sizeof kCalibrationBytes);
            RegCloseKey(key);
        }
        const Tree windows = WindowsOwnTree();
        for (const auto& [name, value] : windows.begin()->second)
            RegSetKeyValueA(HKEY_LOCAL_MACHINE, kOemKey, name.c_str(), value.first, value.second.data(),
                            static_cast<DWORD>(value.second.size()));
    }

    void TearDown() override
    {
        Run("DefaultUninstall");
        for (const char* file : {kInfName, "TorvexFF.dll", "TorvexPS.dll"})
            DeleteFileA(Packaged(file).c_str());
        RemoveDirectoryA(package_.c_str());
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kWheelCalibrationKey);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kOemKey);
        HKEY settings = nullptr;
        if (RegOpenKeyA(HKEY_LOCAL_MACHINE, kCalibrations[1].key, &settings) == ERROR_SUCCESS) {
            RegDeleteValueA(settings, kCalibrations[1].value);
            RegCloseKey(settings);
        }
    }

    std::string Packaged(const char* file) const { return package_ + "\\" + file; }

    // What right-click → Install (or Remove) runs on Windows 2000 and XP, as
    // README.TXT has the user type it.
    long Run(const char* section) const
    {
        ChildProcess run(std::string("rundll32 setupapi,InstallHinfSection ") + section + " 132 " +
                             Packaged(kInfName),
                         false);
        return run.Finish(kGenerousWaitMs);
    }

    void ExpectInstalled() const
    {
        const Tree installed = InstalledTree();
        const Tree expected = ExpectedTree();
        EXPECT_EQ(installed.size(), expected.size());
        for (const auto& [path, values] : expected) {
            const auto found = installed.find(path);
            if (found == installed.end()) {
                ADD_FAILURE() << "missing key " << path;
                continue;
            }
            EXPECT_EQ(found->second, values) << "values of " << path;
        }
        for (const auto& [path, values] : installed)
            EXPECT_EQ(expected.count(path), 1u) << "key the registry files do not have: " << path;
        for (const char* file : {"TorvexFF.dll", "TorvexPS.dll"}) {
            const std::string installedFile = SystemFolder() + "\\" + file;
            EXPECT_TRUE(FileExists(installedFile)) << installedFile;
            EXPECT_EQ(FileBytes(installedFile), FileBytes(Packaged(file))) << installedFile;
        }
    }

    void ExpectRemovedWithCalibrationKept() const
    {
        EXPECT_EQ(InstalledTree(), WindowsOwnTree());
        EXPECT_EQ(StoredText("DisplayName"), "") << "the Add/Remove Programs entry";
        EXPECT_FALSE(FileExists(kInfFolderCopy));
        for (const char* file : {"TorvexFF.dll", "TorvexPS.dll"})
            EXPECT_FALSE(FileExists(SystemFolder() + "\\" + file)) << file;
        for (const StoredCalibration& calibration : kCalibrations)
            EXPECT_EQ(StoredBytes(calibration),
                      std::vector<BYTE>(std::begin(kCalibrationBytes), std::end(kCalibrationBytes)))
                << calibration.key;
        HKEY classes = nullptr;
        ASSERT_EQ(RegOpenKeyA(HKEY_CLASSES_ROOT, "CLSID", &classes), ERROR_SUCCESS) << "other classes stay";
        RegCloseKey(classes);
    }

    std::string package_;
};

TEST_F(InstallationTest, InstallingWritesExactlyTheRegistryFilesEntriesAndBothDlls)
{
    ASSERT_EQ(Run("DefaultInstall"), 0);
    ExpectInstalled();
}

// The driver plays a force on the pipe wheel and the sheet runs its pages in
// a real property sheet, each loaded by its class from the installed entries
// (the test programs' --installed runs).
TEST_F(InstallationTest, TheInstalledDriverAndSheetRunFoundByTheirClasses)
{
    ASSERT_EQ(Run("DefaultInstall"), 0);
    const std::string driverRun =
        std::string("\"") + TORVEX_DRIVER_DLL_TESTS + "\" " + kInstalledSwitch +
        " --gtest_fail_if_no_tests "
        "--gtest_filter=DriverDllTest.AConstantForcePushesTheWheelEvery25Milliseconds";
    ChildProcess driver(driverRun, true);
    EXPECT_EQ(driver.Finish(kGenerousWaitMs), 0) << driverRun;
    const std::string sheetRun =
        std::string("\"") + TORVEX_SHEET_HOST_TESTS + "\" " + kInstalledSwitch +
        " --gtest_fail_if_no_tests --gtest_filter=SheetHostTest.EffectPagePullsTheWheelUntilItIsLeft";
    ChildProcess sheet(sheetRun, true);
    EXPECT_EQ(sheet.Finish(kGenerousWaitMs), 0) << sheetRun;
}

// The entry Add/Remove Programs shows, removed by Wine's own Add/Remove
// Programs after the unpacked package is deleted; its command, run again,
// finds nothing left to remove. As Windows 98 or Me, Wine's setupapi takes
// the undecorated sections, which store setupx's command; Wine has no
// setupx, so there its setupapi removes with those sections from the copy.
TEST_F(InstallationTest, RemovingTakesAwayTheDllsAndEntriesAndLeavesTheCalibration)
{
    ASSERT_EQ(Run("DefaultInstall"), 0);
    const bool windows9x = (GetVersion() & 0x80000000u) != 0;
    const std::string setupapiRemoval =
        std::string("RunDll32 setupapi.dll,InstallHinfSection DefaultUninstall 132 ") + kInfFolderCopy;
    const std::pair<const char*, std::string> entry[] = {
        {"DisplayName", "ZK-5120 Force Feedback Wheel"},
        {"DisplayVersion", TORVEX_VERSION_TEXT},
        {"UninstallString",
         windows9x ? "RunDll setupx.dll,InstallHinfSection DefaultUninstall 4 zk5120.inf" : setupapiRemoval},
    };
    for (const auto& [value, text] : entry)
        EXPECT_EQ(StoredText(value), text) << value;
    EXPECT_EQ(FileBytes(kInfFolderCopy), FileBytes(Packaged(kInfName)));
    for (const char* file : {kInfName, "TorvexFF.dll", "TorvexPS.dll"})
        ASSERT_TRUE(DeleteFileA(Packaged(file).c_str()));
    ASSERT_TRUE(RemoveDirectoryA(package_.c_str()));

    const std::string removal = windows9x ? setupapiRemoval : "uninstaller.exe --remove ZK5120Wheel";
    EXPECT_EQ(ChildProcess(removal, false).Finish(kGenerousWaitMs), 0);
    ExpectRemovedWithCalibrationKept();
    EXPECT_EQ(ChildProcess(setupapiRemoval, false).Finish(kGenerousWaitMs), 0);
    ExpectRemovedWithCalibrationKept();
}

// Windows 98 and Me take the undecorated sections, with setupx, which no
// test here runs. Read as the parser substitutes them, they store the
// removal command of setupx, and otherwise copy (the INF into directory id
// 17, as the test above sees), write and remove as the .NT sections do.
TEST_F(InstallationTest, The98AndMeSectionsStoreTheRemovalCommandOfSetupxAndOtherwiseMatchTheNtOnes)
{
    const HINF inf = SetupOpenInfFileA(Packaged(kInfName).c_str(), nullptr, INF_STYLE_WIN4, nullptr);
    ASSERT_NE(inf, INVALID_HANDLE_VALUE);
    for (const auto& [section, key] : {std::pair{"DefaultInstall", "CopyFiles"},
                                       {"DefaultUninstall", "DelFiles"},
                                       {"DefaultUninstall", "DelReg"}})
        EXPECT_EQ(Fields(inf, section, key), Fields(inf, section + std::string(".NT"), key))
            << section << " " << key;
    std::vector<std::string> addReg = Fields(inf, "DefaultInstall", "AddReg");
    const std::vector<std::string> ntAddReg = Fields(inf, "DefaultInstall.NT", "AddReg");
    ASSERT_FALSE(addReg.empty());
    EXPECT_EQ(
        Fields(inf, addReg.back(), nullptr),
        (std::vector<std::string>{"HKLM", kUninstallKey, "UninstallString", "0x00000000",
                                  "RunDll setupx.dll,InstallHinfSection DefaultUninstall 4 zk5120.inf"}));
    addReg.back() = ntAddReg.back();
    EXPECT_EQ(addReg, ntAddReg) << "all but the command";
    SetupCloseInfFile(inf);
}

TEST_F(InstallationTest, RemovingWhatIsNotInstalledAndInstallingTwiceDoNoHarm)
{
    EXPECT_EQ(Run("DefaultUninstall"), 0);
    ExpectRemovedWithCalibrationKept();
    EXPECT_EQ(Run("DefaultInstall"), 0);
    EXPECT_EQ(Run("DefaultInstall"), 0);
    ExpectInstalled();
    EXPECT_EQ(Run("DefaultUninstall"), 0);
    EXPECT_EQ(Run("DefaultUninstall"), 0);
    ExpectRemovedWithCalibrationKept();
}

} // namespace
} // namespace torvex::testing
