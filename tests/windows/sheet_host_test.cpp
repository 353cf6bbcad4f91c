// The property sheet as the game controllers control panel shows it, under
// Wine and Xvfb: this program plays the control panel. It creates the sheet
// through TorvexPS.dll's exports, builds a real property sheet from the
// sheet's page records and drives it — tabs, the wheel, "Set" and "Default"
// — while the simulated DirectInput (our dinput.dll, loaded in place of
// Wine's) serves the wheel's input and hands the effect page's force to the
// real TorvexFF.dll, which writes it to a named pipe standing in for the
// wheel. Each tab is saved as a PNG picture next to the test program.
//
// The sheet runs as the Windows that Wine reports when that is one of the
// wheel's (98, Me, 2000, XP: the i686 tests set each in turn), otherwise as
// XP, and its calibration is read back where that Windows keeps it. Wine
// reads the version and the DLL overrides of a program when it starts, so
// main() runs this program again with the version and the local dinput.dll
// set for it. As 98 or Me, TorvexPS.dll's calls are held to the rules 9x
// keeps (tests/support/win9x_personality.h).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "controls/axes_control.h"
#include "controls/lamp_control.h"
#include "controls/pov_control.h"
#include "controls/rumble_control.h"
#include "platform/sim/registry_file.h"
#include "platform/win32/win32_registry.h"
#include "tests/support/calibration_layouts.h"
#include "tests/support/dib_surface.h"
#include "tests/support/fixtures.h"
#include "tests/support/installed_server.h"
#include "tests/support/pipe_wheel.h"
#include "tests/support/registry_apply.h"
#include "tests/support/win9x_personality.h"
#include "tests/support/wine_probe.h"
#include "tests/support/wine_wheel_registry.h"

// After the Windows headers it builds on.
#include <commctrl.h>

namespace torvex::testing {
namespace {

constexpr const char* kSheetDll = TORVEX_PS_DLL;
constexpr const char* kDriverDll = TORVEX_FF_DLL;
// Run with --installed (by the installation's tests): both DLLs are the
// installed ones, found by their classes as the control panel and
// DirectInput find them, with the installation's registry entries.
bool gInstalled = false;
constexpr const char* kAsControlPanelSwitch = "--as-control-panel";
const CLSID kSheetClass = {0xC1615263, 0x565A, 0x478F, {0x99, 0x48, 0x9A, 0xC3, 0xA8, 0xD0, 0x21, 0x10}};
constexpr const char* kDriverServerKey = "CLSID\\{AF8D694E-457D-4284-A357-07B9FB497739}\\InprocServer32";
constexpr BYTE kHatCentred = 15;
const std::string kFullLeftReport("\x00\x00\x00\x7F\x00", 5);
const std::string kQuietReport(5, '\0');

using GetClassObjectFunction = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using SetWheelFunction = void(WINAPI*)(BYTE, BYTE, BYTE, BYTE, WORD);

template <typename Function> Function Entry(HMODULE module, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// Runs the window messages of this thread for `ms` milliseconds: the
// sheet's timers, painting, the dialog manager.
void Pump(HWND sheet, DWORD ms)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < until) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (sheet != nullptr && PropSheet_IsDialogMessage(sheet, &message))
                continue;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

// The window's pixels as the screen shows them, as a PNG file.
bool SaveScreenshot(HWND window, const std::string& path)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0)
        return false;
    DibSurface shot(width, height);
    HDC screen = GetDC(nullptr);
    const bool copied =
        shot.ready() && BitBlt(shot.dc(), 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    return copied && shot.Canvas().SavePng(path);
}

class SheetHostTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char display[256] = {};
        if (GetEnvironmentVariableA("DISPLAY", display, sizeof display) == 0)
            GTEST_SKIP() << "no display to show the property sheet on";
        ASSERT_TRUE(wheel_.serving());
        ASSERT_NO_FATAL_FAILURE(WriteRegistry());

        const std::string sheetDll = gInstalled ? InstalledServer(kSheetClassText) : kSheetDll;
        sheetDll_ = LoadLibraryA(sheetDll.c_str());
        ASSERT_NE(sheetDll_, nullptr) << sheetDll << ": " << GetLastError();
        ASSERT_TRUE(Win9xPersonality::ApplyOnWindows9x(sheetDll_));
        if (gInstalled) {
            ASSERT_TRUE(LoadedFromSystemFolder(sheetDll_)) << ModuleFile(sheetDll_);
        }
        HMODULE dinput = GetModuleHandleA("dinput.dll");
        ASSERT_NE(dinput, nullptr);
        setWheel_ = Entry<SetWheelFunction>(dinput, "SimDinputSetWheel");
        ASSERT_NE(setWheel_, nullptr) << "Wine's own dinput.dll was loaded, not the test's";
        SetWheel(128, 128, 0);
        ASSERT_NO_FATAL_FAILURE(CreateSheet());
    }

    void TearDown() override
    {
        CloseSheet();
        Win9xPersonality::FailForBrokenRules();
    }

    // The sheet from TorvexPS.dll's class factory, shown.
    void CreateSheet()
    {
        const auto getClassObject = Entry<GetClassObjectFunction>(sheetDll_, "DllGetClassObject");
        IClassFactory* factory = nullptr;
        ASSERT_EQ(getClassObject(kSheetClass, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
        ASSERT_EQ(
            factory->CreateInstance(nullptr, IID_IDIGameCntrlPropSheet, reinterpret_cast<void**>(&sheet_)),
            S_OK);
        factory->Release();
        sheet_->SetID(0);
        ASSERT_NO_FATAL_FAILURE(ShowSheet());
    }

    // Everything of the sheet released and the DLL freed, as the control
    // panel leaves it when its window closes.
    void CloseSheet()
    {
        if (window_ != nullptr)
            DestroyWindow(window_);
        window_ = nullptr;
        Pump(nullptr, 100);
        if (sheet_ != nullptr)
            sheet_->Release();
        sheet_ = nullptr;
        if (sheetDll_ != nullptr)
            FreeLibrary(sheetDll_);
        sheetDll_ = nullptr;
    }

    // The installation's entries with TorvexFF.dll where this build made
    // it (unless installed), the wheel as joystick 0 at the pipe's path,
    // and DirectInput's calibration entries as the running Windows keeps
    // them, the wheel's among them as the first wheel's.
    void WriteRegistry()
    {
        RemoveLeftoverWheel();
        RemoveCalibrationLeftovers();
        std::string text = "REGEDIT4\n";
        if (!gInstalled)
            text += "\n[HKEY_CLASSES_ROOT\\" + std::string(kDriverServerKey) +
                    "]\n@=" + RegistryString(kDriverDll) + "\n";
        std::vector<std::string> files{
            FixturePath(RunningNtLayout() != nullptr ? RunningNtLayout()->fixture : kWindows9xFixture)};
        if (!gInstalled)
            files.insert(files.end(), {InstallFilePath(), std::string(TORVEX_INSTALL_DIR) + "/TorvexPS.reg"});
        for (const std::string& file : files) {
            RegistryFile entries;
            RegistryFileError error;
            ASSERT_TRUE(LoadRegistryFile(file, &entries, &error)) << file << ": " << error.message;
            ASSERT_TRUE(applied_.Apply(entries));
        }
        for (const std::string& more : {WheelRegistryText(wheel_.path(), 0), text}) {
            RegistryFile entries;
            RegistryFileError error;
            ASSERT_TRUE(ParseRegistryFile(more, &entries, &error)) << error.line << ": " << error.message;
            ASSERT_TRUE(applied_.Apply(entries));
        }
    }

    // The property sheet the control panel builds from the page records.
    void ShowSheet()
    {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_TAB_CLASSES};
        InitCommonControlsEx(&controls);
        LPDIGCSHEETINFO info = nullptr;
        LPDIGCPAGEINFO records = nullptr;
        sheet_->GetSheetInfo(&info);
        sheet_->GetPageInfo(&records);
        for (int page = 0; page < info->nNumPages && page < 3; ++page) {
            PROPSHEETPAGEA& made = pages_[page];
            made.dwSize = sizeof made;
            made.dwFlags = PSP_DEFAULT;
            made.hInstance = records[page].hInstance;
            made.pszTemplate = reinterpret_cast<LPCSTR>(records[page].lpwszTemplate);
            made.pfnDlgProc = records[page].fpPageProc;
            made.lParam = records[page].lParam;
        }
        caption_.resize(64);
        WideCharToMultiByte(CP_ACP, 0, info->lpwszSheetCaption, -1, caption_.data(), 64, nullptr, nullptr);
        PROPSHEETHEADERA header{};
        header.dwSize = sizeof header;
        header.dwFlags = PSH_PROPSHEETPAGE | PSH_MODELESS | PSH_NOAPPLYNOW;
        header.hInstance = sheetDll_;
        header.pszCaption = caption_.c_str();
        header.nPages = 3;
        header.ppsp = pages_;
        window_ = reinterpret_cast<HWND>(PropertySheetA(&header));
        ASSERT_NE(window_, nullptr);
        Pump(window_, 300);
    }

    void SetWheel(BYTE wheel, BYTE accelerator, BYTE brake, WORD buttons = 0)
    {
        setWheel_(wheel, accelerator, brake, kHatCentred, buttons);
    }

    HWND Tab(int index)
    {
        PropSheet_SetCurSel(window_, nullptr, index);
        Pump(window_, 200);
        return PropSheet_GetCurrentPageHwnd(window_);
    }

    std::string Text(HWND page, int control)
    {
        char text[128] = {};
        GetDlgItemTextA(page, control, text, sizeof text);
        return text;
    }

    // The layout of the Windows this runs as; null for 98 and Me.
    static const NtLayout* RunningNtLayout()
    {
        const WheelWindows* running = ReportedWheelWindows();
        for (const NtLayout* layout : {&kWindowsXp, &kWindows2000})
            if (running != nullptr && std::strcmp(layout->wineVersion, running->wineVersion) == 0)
                return layout;
        return nullptr;
    }

    static std::vector<BYTE> Binary(const std::string& path, const char* name)
    {
        std::vector<BYTE> bytes(sizeof(JOYREGHWCONFIG));
        DWORD size = static_cast<DWORD>(bytes.size());
        HKEY key = nullptr;
        if (RegOpenKeyA(HKEY_LOCAL_MACHINE, path.c_str(), &key) != ERROR_SUCCESS)
            return {};
        const LONG read = RegQueryValueExA(key, name, nullptr, nullptr, bytes.data(), &size);
        RegCloseKey(key);
        bytes.resize(size);
        return read == ERROR_SUCCESS ? bytes : std::vector<BYTE>{};
    }

    // The wheel's range of one axis (its key below DirectInput's axes, and
    // its word of the hardware configuration) where the running Windows
    // keeps it: minimum, centre, maximum.
    static std::vector<BYTE> AxisCalibration(const char* axisKey, DWORD JOYPOS::*word)
    {
        if (const NtLayout* layout = RunningNtLayout())
            return Binary(layout->Axes(layout->firstWheel) + "\\" + axisKey, "Calibration");
        const std::vector<BYTE> value = Binary(kSettingsKey, "Joystick1Configuration");
        JOYREGHWCONFIG configuration{};
        if (value.size() != sizeof configuration)
            return {};
        std::memcpy(&configuration, value.data(), sizeof configuration);
        const JOYRANGE& range = configuration.hwv.jrvHardware;
        return Calibration(range.jpMin.*word, range.jpCenter.*word, range.jpMax.*word);
    }

    void Screenshot(const char* name)
    {
        const std::string path = ProgramDirectory() + name;
        EXPECT_TRUE(SaveScreenshot(window_, path)) << path;
    }

    bool WheelGot(const std::string& report)
    {
        for (const WheelWrite& write : wheel_.Writes())
            if (write.bytes == report)
                return true;
        return false;
    }

    Win32Registry registry_;
    AppliedRegistryFile applied_{registry_};
    PipeWheel wheel_{"\\\\.\\pipe\\torvex-sheet-" + std::to_string(GetCurrentProcessId())};
    HMODULE sheetDll_ = nullptr;
    SetWheelFunction setWheel_ = nullptr;
    IDIGameCntrlPropSheet* sheet_ = nullptr;
    PROPSHEETPAGEA pages_[3]{};
    std::string caption_;
    HWND window_ = nullptr;
};

TEST_F(SheetHostTest, TestPageShowsTheWheelAndItsButtons)
{
    HWND page = Tab(0);
    ASSERT_NE(page, nullptr);
    SetWheel(0, 255, 0, 0x0001);
    Pump(window_, 300);
    EXPECT_EQ(Text(page, 1024), "The device is connected.");
    EXPECT_EQ(GetWindowLongPtrA(GetDlgItem(page, 1000), GWLP_USERDATA), 255);
    EXPECT_EQ(GetWindowLongPtrA(GetDlgItem(page, 1001), GWLP_USERDATA), 64);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrA(GetDlgItem(page, 1012), GWLP_USERDATA)), 0x0000FFFFu);
    Screenshot("sheet-test-page.png");
}

// Windows NT keeps a DLL's window classes when the DLL is unloaded: loaded
// again elsewhere, the sheet's controls must not find the classes of the
// copy that is gone, whose window procedures now point at nothing.
TEST_F(SheetHostTest, SheetShowsAgainAfterTheDllWasFreedAndLoadedElsewhere)
{
    ASSERT_NE(Tab(0), nullptr);
    char path[MAX_PATH] = {};
    GetModuleFileNameA(sheetDll_, path, sizeof path);
    const auto* firstBase = reinterpret_cast<const BYTE*>(sheetDll_);
    const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        firstBase + reinterpret_cast<const IMAGE_DOS_HEADER*>(firstBase)->e_lfanew);
    const SIZE_T imageSize = headers->OptionalHeader.SizeOfImage;
    CloseSheet();
    ASSERT_EQ(GetModuleHandleA(path), nullptr) << "the DLL stayed loaded";
    for (const char* name : {kLampControlClass, kAxesControlClass, kPovControlClass, kRumbleControlClass}) {
        WNDCLASSA stale{};
        EXPECT_FALSE(GetClassInfoA(reinterpret_cast<HINSTANCE>(const_cast<BYTE*>(firstBase)), name, &stale))
            << name << " outlived the DLL";
    }

    void* occupied = VirtualAlloc(const_cast<BYTE*>(firstBase), imageSize, MEM_RESERVE, PAGE_NOACCESS);
    ASSERT_NE(occupied, nullptr) << GetLastError();
    sheetDll_ = LoadLibraryA(path);
    ASSERT_NE(sheetDll_, nullptr) << GetLastError();
    ASSERT_TRUE(Win9xPersonality::ApplyOnWindows9x(sheetDll_));
    EXPECT_NE(reinterpret_cast<const BYTE*>(sheetDll_), firstBase);
    ASSERT_NO_FATAL_FAILURE(CreateSheet());
    HWND page = Tab(0);
    ASSERT_NE(page, nullptr);
    SetWheel(0, 255, 0, 0x0001);
    Pump(window_, 300);
    EXPECT_EQ(GetWindowLongPtrA(GetDlgItem(page, 1000), GWLP_USERDATA), 255);
    CloseSheet();
    VirtualFree(occupied, 0, MEM_RELEASE);
}

TEST_F(SheetHostTest, CalibrationPageStoresWhatTheWheelDidAndTheFullRange)
{
    HWND page = Tab(1);
    ASSERT_NE(page, nullptr);
    for (const BYTE wheel : {BYTE{0}, BYTE{255}, BYTE{128}}) {
        SetWheel(wheel, 0, 0);
        Pump(window_, 150);
    }
    SetWheel(128, 255, 255);
    Pump(window_, 150);
    SetWheel(128, 0, 0);
    Pump(window_, 150);
    EXPECT_EQ(Text(page, 1016), "128");
    EXPECT_EQ(Text(page, 1025), "The device is connected.");
    Screenshot("sheet-calibration-page.png");

    SendMessageA(GetDlgItem(page, 1022), BM_CLICK, 0, 0);
    Pump(window_, 100);
    const std::vector<BYTE> wheelRange = {0, 0, 0, 0, 0x80, 0, 0, 0, 0xFF, 0, 0, 0};
    const std::vector<BYTE> pedalRange = {0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0, 0, 0};
    EXPECT_EQ(AxisCalibration("0", &JOYPOS::dwX), wheelRange);
    EXPECT_EQ(AxisCalibration("1", &JOYPOS::dwY), pedalRange);
    EXPECT_EQ(AxisCalibration("5", &JOYPOS::dwR), pedalRange);

    SendMessageA(GetDlgItem(page, 1021), BM_CLICK, 0, 0);
    Pump(window_, 100);
    const std::pair<const char*, DWORD JOYPOS::*> axes[] = {
        {"0", &JOYPOS::dwX}, {"1", &JOYPOS::dwY}, {"2", &JOYPOS::dwZ}, {"5", &JOYPOS::dwR}};
    for (const auto& [key, word] : axes)
        EXPECT_EQ(AxisCalibration(key, word), wheelRange) << key;
    // The device was reopened after each store: the page still reads it.
    Pump(window_, 200);
    EXPECT_EQ(Text(page, 1025), "The device is connected.");
}

TEST_F(SheetHostTest, EffectPagePullsTheWheelUntilItIsLeft)
{
    HWND page = Tab(2);
    ASSERT_NE(page, nullptr);
    SetWheel(0, 128, 0);
    Pump(window_, 400);
    EXPECT_EQ(Text(page, 1026), "The device is connected.");
    EXPECT_TRUE(WheelGot(kFullLeftReport));
    Screenshot("sheet-effect-page.png");

    Tab(0);
    Pump(window_, 200);
    wheel_.ClearWrites();
    Pump(window_, 200);
    for (const WheelWrite& write : wheel_.Writes())
        EXPECT_EQ(write.bytes, kQuietReport);
    EXPECT_EQ(wheel_.OpenNow(), 0);
}

// Wine applies a program's DLL overrides when it starts: the tests run in
// a second process with the local dinput.dll.
int RunAgainAsControlPanel(int argc, char** argv)
{
    const std::string key = "Software\\Wine\\AppDefaults\\" + ProgramFileName() + "\\DllOverrides";
    HKEY overrides = nullptr;
    RegCreateKeyA(HKEY_CURRENT_USER, key.c_str(), &overrides);
    RegSetValueExA(overrides, "dinput", 0, REG_SZ, reinterpret_cast<const BYTE*>("native"), 7);
    RegCloseKey(overrides);
    return RunAgainAsWheelWindows(kAsControlPanelSwitch, argc, argv);
}

} // namespace
} // namespace torvex::testing

int main(int argc, char** argv)
{
    using namespace torvex::testing;
    gInstalled = HasSwitch(argc, argv, kInstalledSwitch);
    if (argc < 2 || std::strcmp(argv[1], kAsControlPanelSwitch) != 0)
        return RunAgainAsControlPanel(argc, argv);
    std::printf("The sheet runs as %s.\n",
                ReportedWheelWindows() ? ReportedWheelWindows()->name : "another Windows");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
