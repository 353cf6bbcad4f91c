// What a person runs to install and remove the wheel's software, run under
// Wine as they would run it on Windows: install.cmd copies both DLLs into
// the system folder and imports the registry files with regedit; COM then
// finds each class's server by name and the control panel finds the sheet
// through the wheel's OEM key. uninstall.cmd takes all of it away again.
#include <gtest/gtest.h>

#include <string>

#include "platform/windows_api.h"
#include "tests/support/wine_probe.h"

namespace torvex::testing {
namespace {

constexpr const char* kInstallDir = TORVEX_INSTALL_DIR;
constexpr const char* kDriverDll = TORVEX_FF_DLL;
constexpr const char* kSheetDll = TORVEX_PS_DLL;
const char* const kDriverClassKey = "CLSID\\{AF8D694E-457D-4284-A357-07B9FB497739}\\InprocServer32";
const char* const kSheetClassKey = "CLSID\\{C1615263-565A-478F-9948-9AC3A8D02110}\\InprocServer32";
const char* const kOemKey =
    "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick\\OEM\\VID_6D2A&PID_0005";
const CLSID kDriverClass = {0xAF8D694E, 0x457D, 0x4284, {0xA3, 0x57, 0x07, 0xB9, 0xFB, 0x49, 0x77, 0x39}};

std::string Text(HKEY root, const char* path, const char* name)
{
    char text[MAX_PATH] = {};
    DWORD size = sizeof text - 1;
    HKEY key = nullptr;
    if (RegOpenKeyA(root, path, &key) != ERROR_SUCCESS)
        return {};
    const LONG read = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size);
    RegCloseKey(key);
    return read == ERROR_SUCCESS ? std::string(text) : std::string();
}

bool KeyExists(HKEY root, const char* path)
{
    HKEY key = nullptr;
    if (RegOpenKeyA(root, path, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::string SystemFile(const char* name)
{
    char folder[MAX_PATH] = {};
    GetSystemDirectoryA(folder, sizeof folder);
    return std::string(folder) + "\\" + name;
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// cmd.exe running one of the installation's scripts, as a person would.
long RunScript(const std::string& script, const std::string& argument = "")
{
    std::string command = "cmd.exe /c \"\"" + std::string(kInstallDir) + "\\" + script + "\"";
    if (!argument.empty())
        command += " \"" + argument + "\"";
    command += "\"";
    ChildProcess run(command, false);
    return run.Finish(60000);
}

class InstallationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The two DLLs side by side, as a person gets them.
        char temp[MAX_PATH] = {};
        GetTempPathA(sizeof temp, temp);
        package_ = std::string(temp) + "torvex-package-" + std::to_string(GetCurrentProcessId());
        ASSERT_TRUE(CreateDirectoryA(package_.c_str(), nullptr));
        ASSERT_TRUE(CopyFileA(kDriverDll, (package_ + "\\TorvexFF.dll").c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(kSheetDll, (package_ + "\\TorvexPS.dll").c_str(), FALSE));
    }
    void TearDown() override
    {
        RunScript("uninstall.cmd");
        DeleteFileA((package_ + "\\TorvexFF.dll").c_str());
        DeleteFileA((package_ + "\\TorvexPS.dll").c_str());
        RemoveDirectoryA(package_.c_str());
    }

    std::string package_;
};

TEST_F(InstallationTest, InstallMakesBothClassesFindableAndUninstallTakesEverythingAway)
{
    ASSERT_EQ(RunScript("install.cmd", package_), 0);
    EXPECT_TRUE(FileExists(SystemFile("TorvexFF.dll")));
    EXPECT_TRUE(FileExists(SystemFile("TorvexPS.dll")));
    EXPECT_EQ(Text(HKEY_CLASSES_ROOT, kDriverClassKey, ""), "TorvexFF.dll");
    EXPECT_EQ(Text(HKEY_CLASSES_ROOT, kSheetClassKey, ""), "TorvexPS.dll");
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, kOemKey, "ConfigCLSID"), "{C1615263-565A-478F-9948-9AC3A8D02110}");
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, (std::string(kOemKey) + "\\OEMForceFeedback").c_str(), "CLSID"),
              "{AF8D694E-457D-4284-A357-07B9FB497739}");

    // The server COM would load for the driver's class, found by its name.
    HMODULE driver = LoadLibraryA(Text(HKEY_CLASSES_ROOT, kDriverClassKey, "").c_str());
    ASSERT_NE(driver, nullptr);
    using GetClassObjectFunction = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    const auto getClassObject = reinterpret_cast<GetClassObjectFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(driver, "DllGetClassObject")));
    ASSERT_NE(getClassObject, nullptr);
    IClassFactory* factory = nullptr;
    EXPECT_EQ(getClassObject(kDriverClass, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    if (factory != nullptr)
        factory->Release();
    FreeLibrary(driver);

    ASSERT_EQ(RunScript("uninstall.cmd"), 0);
    EXPECT_FALSE(FileExists(SystemFile("TorvexFF.dll")));
    EXPECT_FALSE(FileExists(SystemFile("TorvexPS.dll")));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "CLSID\\{AF8D694E-457D-4284-A357-07B9FB497739}"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "CLSID\\{C1615263-565A-478F-9948-9AC3A8D02110}"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kOemKey));
}

TEST_F(InstallationTest, InstallRefusesAFolderWithoutTheDlls)
{
    EXPECT_NE(RunScript("install.cmd", package_ + "\\missing"), 0);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kOemKey));
}

} // namespace
} // namespace torvex::testing
