// The real TorvexPS.dll under Wine, loaded by path and driven through its
// two exports the way the game controllers control panel drives it: the
// class object, the sheet with its caption from the module's own string
// table, its page records pointing into the module, the control classes it
// registers, and the module's unload answer.
#include <gtest/gtest.h>

#include <string>

#include "platform/windows_api.h"
#include "tests/support/win9x_personality.h"

namespace torvex::testing {
namespace {

constexpr const char* kSheetDll = TORVEX_PS_DLL;

// The class the installation registers for TorvexPS.dll.
const CLSID kSheetClass = {0xC1615263, 0x565A, 0x478F, {0x99, 0x48, 0x9A, 0xC3, 0xA8, 0xD0, 0x21, 0x10}};

using GetClassObjectFunction = HRESULT(STDMETHODCALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNowFunction = HRESULT(STDMETHODCALLTYPE*)();

class SheetDllTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        module = LoadLibraryA(kSheetDll);
        ASSERT_NE(module, nullptr) << kSheetDll << ": " << GetLastError();
        getClassObject = reinterpret_cast<GetClassObjectFunction>(
            reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
        canUnloadNow = reinterpret_cast<CanUnloadNowFunction>(
            reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
        ASSERT_NE(getClassObject, nullptr);
        ASSERT_NE(canUnloadNow, nullptr);
        ASSERT_TRUE(Win9xPersonality::ApplyOnWindows9x(module));
    }
    void TearDown() override
    {
        if (module != nullptr)
            FreeLibrary(module);
        Win9xPersonality::FailForBrokenRules();
    }

    IDIGameCntrlPropSheet* CreateSheet()
    {
        IClassFactory* factory = nullptr;
        EXPECT_EQ(getClassObject(kSheetClass, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
        if (factory == nullptr)
            return nullptr;
        IDIGameCntrlPropSheet* sheet = nullptr;
        EXPECT_EQ(
            factory->CreateInstance(nullptr, IID_IDIGameCntrlPropSheet, reinterpret_cast<void**>(&sheet)),
            S_OK);
        factory->Release();
        return sheet;
    }

    bool InModule(const void* address) const
    {
        MEMORY_BASIC_INFORMATION info{};
        return VirtualQuery(address, &info, sizeof info) != 0 && info.AllocationBase == module;
    }

    HMODULE module = nullptr;
    GetClassObjectFunction getClassObject = nullptr;
    CanUnloadNowFunction canUnloadNow = nullptr;
};

TEST_F(SheetDllTest, ClassObjectAnswersOnlyTheSheetClassAsAFactory)
{
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(getClassObject(IID_IUnknown, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(getClassObject(kSheetClass, IID_IUnknown, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(canUnloadNow(), S_OK);
}

TEST_F(SheetDllTest, SheetCarriesTheModulesCaptionAndItsThreePages)
{
    IDIGameCntrlPropSheet* sheet = CreateSheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(canUnloadNow(), S_FALSE);

    EXPECT_EQ(sheet->GetID(), 0xFFFF);

    LPDIGCSHEETINFO info = nullptr;
    ASSERT_EQ(sheet->GetSheetInfo(&info), S_OK);
    EXPECT_EQ(info->dwSize, sizeof(DIGCSHEETINFO));
    EXPECT_EQ(info->nNumPages, 3);
    EXPECT_EQ(info->fSheetIconFlag, TRUE);
    EXPECT_EQ(info->lpwszSheetIcon, MAKEINTRESOURCEW(32517));
    ASSERT_NE(info->lpwszSheetCaption, nullptr);
    EXPECT_EQ(std::wstring(info->lpwszSheetCaption), L"ZK-5120 Force Feedback Wheel");

    LPDIGCPAGEINFO pages = nullptr;
    ASSERT_EQ(sheet->GetPageInfo(&pages), S_OK);
    const WORD templates[] = {107, 109, 108};
    for (int page = 0; page < 3; ++page) {
        SCOPED_TRACE(page);
        EXPECT_EQ(pages[page].dwSize, sizeof(DIGCPAGEINFO));
        EXPECT_EQ(pages[page].lpwszTemplate, MAKEINTRESOURCEW(templates[page]));
        EXPECT_EQ(pages[page].lpwszPageIcon, MAKEINTRESOURCEW(102));
        EXPECT_EQ(pages[page].hInstance, module);
        EXPECT_EQ(pages[page].lParam, reinterpret_cast<LPARAM>(sheet));
        EXPECT_TRUE(InModule(reinterpret_cast<const void*>(pages[page].fpPageProc)));
        // The control panel builds each page from the module's own template.
        EXPECT_NE(FindResourceA(module, MAKEINTRESOURCEA(templates[page]), MAKEINTRESOURCEA(5)), nullptr);
    }
    EXPECT_NE(FindResourceA(module, MAKEINTRESOURCEA(102), MAKEINTRESOURCEA(14)), nullptr); // RT_GROUP_ICON

    // The four control classes the pages' templates name are registered.
    for (const char* control : {"LampControl", "AxesControl", "PovControl", "RumbleControl"}) {
        WNDCLASSA windowClass{};
        EXPECT_TRUE(GetClassInfoA(module, control, &windowClass)) << control;
    }

    EXPECT_EQ(sheet->Release(), 0u);
    EXPECT_EQ(canUnloadNow(), S_OK);
}

TEST_F(SheetDllTest, ServerLockKeepsTheModule)
{
    IClassFactory* factory = nullptr;
    ASSERT_EQ(getClassObject(kSheetClass, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory->Release();
    EXPECT_EQ(canUnloadNow(), S_FALSE);
    ASSERT_EQ(getClassObject(kSheetClass, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    factory->LockServer(FALSE);
    factory->Release();
    EXPECT_EQ(canUnloadNow(), S_OK);
}

} // namespace
} // namespace torvex::testing
