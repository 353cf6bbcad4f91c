// The sheet server as the control panel meets it: the class object, the
// module's unload answer, the sheet's creation, its records and caption,
// and what its destruction gives back.
#include <string>

#include "sheet/calibration_page.h"
#include "sheet/effect_page.h"
#include "sheet/test_page.h"
#include "tests/sheet/sheet_test_support.h"

namespace torvex::testing {
namespace {

std::u16string Caption(WheelPropSheet& sheet)
{
    LPDIGCSHEETINFO info = nullptr;
    sheet.GetSheetInfo(&info);
    return info->lpwszSheetCaption != nullptr
               ? std::u16string(reinterpret_cast<const char16_t*>(info->lpwszSheetCaption))
               : std::u16string();
}

IClassFactory* Factory(SheetModule& module)
{
    IClassFactory* factory = nullptr;
    EXPECT_EQ(GetSheetClassObject(module, CLSID_WheelPropSheet, IID_IClassFactory,
                                  reinterpret_cast<void**>(&factory)),
              S_OK);
    return factory;
}

using SheetServerTest = SheetTest;

TEST_F(SheetServerTest, ClassObjectOnlyForTheSheetClassAndOnlyAsAFactory)
{
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(GetSheetClassObject(module, IID_IUnknown, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(GetSheetClassObject(module, CLSID_WheelPropSheet, IID_IUnknown, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(CanUnloadSheet(module), S_OK);

    IClassFactory* first = Factory(module);
    IClassFactory* second = Factory(module);
    EXPECT_NE(first, second); // every call makes a new factory
    EXPECT_EQ(module.ModuleLockCount.load(), 2);
    first->Release();
    second->Release();
    EXPECT_EQ(CanUnloadSheet(module), S_OK);
}

TEST_F(SheetServerTest, ModuleStaysWhileAFactoryASheetOrAServerLockLives)
{
    IClassFactory* factory = Factory(module);
    EXPECT_EQ(CanUnloadSheet(module), S_FALSE);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    IDIGameCntrlPropSheet* made = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDIGameCntrlPropSheet, reinterpret_cast<void**>(&made)),
              S_OK);
    factory->Release();
    EXPECT_EQ(CanUnloadSheet(module), S_FALSE);
    made->Release();
    EXPECT_EQ(CanUnloadSheet(module), S_FALSE); // the server lock
    factory = Factory(module);
    factory->LockServer(FALSE);
    factory->Release();
    EXPECT_EQ(CanUnloadSheet(module), S_OK);
}

TEST_F(SheetServerTest, CreateInstanceRefusesAggregationAndDestroysARefusedSheet)
{
    IClassFactory* factory = Factory(module);
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(reinterpret_cast<IUnknown*>(&out), IID_IUnknown, &out),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(module.ModuleLockCount.load(), 1); // only the factory
    EXPECT_EQ(resources.LiveBlockCount(), 0);    // the refused sheet's caption went with it
    factory->Release();
}

TEST_F(SheetServerTest, FreshSheetDescribesItselfAndItsThreePages)
{
    WheelPropSheet& made = *MakeSheet(kNoJoystickId);
    EXPECT_EQ(made.GetID(), kNoJoystickId);
    EXPECT_EQ(made.SetID(0x8001), S_OK);
    EXPECT_EQ(made.GetID(), 0x8001); // all 16 bits, the top one too
    made.SetID(kNoJoystickId);

    LPDIGCSHEETINFO info = nullptr;
    ASSERT_EQ(made.GetSheetInfo(&info), S_OK);
    EXPECT_EQ(info->dwSize, sizeof(DIGCSHEETINFO));
    EXPECT_EQ(info->nNumPages, 3);
    EXPECT_EQ(info->fSheetIconFlag, TRUE);
    EXPECT_EQ(info->lpwszSheetIcon, MAKEINTRESOURCEW(32517));
    EXPECT_EQ(Caption(made), u"ZK-5120 Force Feedback Wheel");

    LPDIGCPAGEINFO pages = nullptr;
    ASSERT_EQ(made.GetPageInfo(&pages), S_OK);
    const WORD templates[] = {107, 109, 108};
    const DLGPROC procedures[] = {TestPageProc, CalibrationPageProc, EffectPageProc};
    for (int page = 0; page < 3; ++page) {
        SCOPED_TRACE(page);
        EXPECT_EQ(pages[page].dwSize, sizeof(DIGCPAGEINFO));
        EXPECT_EQ(pages[page].lpwszPageTitle, nullptr);
        EXPECT_EQ(pages[page].fpPageProc, procedures[page]);
        EXPECT_EQ(pages[page].fProcFlag, FALSE);
        EXPECT_EQ(pages[page].fpPrePostProc, nullptr);
        EXPECT_EQ(pages[page].fIconFlag, TRUE);
        EXPECT_EQ(pages[page].lpwszPageIcon, MAKEINTRESOURCEW(102));
        EXPECT_EQ(pages[page].lpwszTemplate, MAKEINTRESOURCEW(templates[page]));
        EXPECT_EQ(pages[page].lParam, reinterpret_cast<LPARAM>(static_cast<IDIGameCntrlPropSheet*>(&made)));
        EXPECT_EQ(pages[page].hInstance, module.ModuleInstance);
    }
    EXPECT_EQ(resources.LastModule(), module.ModuleInstance);
}

TEST_F(SheetServerTest, ReferenceCountsAreReturnedAndTheSheetAnswersOnlyItsInterfaces)
{
    WheelPropSheet& made = *MakeSheet();
    EXPECT_EQ(made.AddRef(), 2u);
    EXPECT_EQ(made.Release(), 1u);
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(made.QueryInterface(IID_IClassFactory, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    ASSERT_EQ(made.QueryInterface(IID_IUnknown, &out), S_OK);
    EXPECT_EQ(out, static_cast<IDIGameCntrlPropSheet*>(&made));
    made.Release();
}

TEST_F(SheetServerTest, LongCaptionIsCutTo63Characters)
{
    resources.SetString(IDS_SHEET_CAPTION, std::string(100, 'W'));
    EXPECT_EQ(Caption(*MakeSheet()), std::u16string(63, u'W'));
}

TEST_F(SheetServerTest, CaptionFollowsTheAnsiCodePage)
{
    resources.SetString(IDS_SHEET_CAPTION, "Lenkrad f\xFCr Spiele \x80");
    EXPECT_EQ(Caption(*MakeSheet()), u"Lenkrad f\u00FCr Spiele \u20AC");
}

TEST_F(SheetServerTest, OutOfMemoryForTheCaptionFailsCreationAndRegistersNoClass)
{
    resources.FailAllocationsAfter(0);
    IClassFactory* factory = Factory(module);
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDIGameCntrlPropSheet, &out), E_OUTOFMEMORY);
    EXPECT_EQ(out, nullptr);
    factory->Release();
    EXPECT_EQ(CanUnloadSheet(module), S_OK);
    EXPECT_EQ(windows.CreateControl(frame, "LampControl", "1", 1, 20, 20), nullptr);
}

TEST_F(SheetServerTest, InitializeAgainReplacesTheCaptionWithoutLosingMemory)
{
    WheelPropSheet& made = *MakeSheet();
    EXPECT_EQ(made.Initialize(), S_OK);
    EXPECT_EQ(Caption(made), u"ZK-5120 Force Feedback Wheel");
    EXPECT_EQ(resources.LiveBlockCount(), 1);
    made.Release();
    sheet = nullptr;
    EXPECT_EQ(resources.LiveBlockCount(), 0);
    EXPECT_EQ(resources.InvalidFreeCount(), 0);
}

TEST_F(SheetServerTest, InitializeRegistersTheFourControlClasses)
{
    MakeSheet();
    for (const char* control : {"LampControl", "AxesControl", "PovControl", "RumbleControl"})
        EXPECT_NE(windows.CreateControl(frame, control, "", 1, 20, 20), nullptr) << control;
    sheet->Release();
    sheet = nullptr;
    MakeSheet(); // a second sheet leaves the registrations as they are
}

TEST_F(SheetServerTest, DestructionGivesUpTheDeviceAndConfigurationUnacquired)
{
    WheelPropSheet& made = *MakeSheet();
    made.Release();
    sheet = nullptr;
    EXPECT_TRUE(directInput.Devices().empty()); // nothing held, nothing touched
    EXPECT_EQ(directInput.LiveObjectCount(), 0);

    HWND page = OpenPage(107);
    Activate(page);
    Tick();
    ASSERT_EQ(directInput.Devices().size(), 1u);
    EXPECT_TRUE(directInput.Devices()[0]->acquired);
    sheet->Release();
    sheet = nullptr;
    EXPECT_TRUE(directInput.Devices()[0]->released);
    EXPECT_FALSE(directInput.Devices()[0]->acquiredWhenReleased);
    EXPECT_TRUE(directInput.JoyConfigs()[0]->released);
    EXPECT_EQ(directInput.JoyConfigs()[0]->unacquires, 1);
    EXPECT_EQ(directInput.LiveObjectCount(), 0);
}

} // namespace
} // namespace torvex::testing
