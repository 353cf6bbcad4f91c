#include "sheet/wheel_prop_sheet.h"

#include <memory>
#include <new>

#include "controls/axes_control.h"
#include "controls/lamp_control.h"
#include "controls/pov_control.h"
#include "controls/rumble_control.h"
#include "sheet/calibration_page.h"
#include "sheet/effect_page.h"
#include "sheet/test_page.h"

namespace torvex {

const CLSID CLSID_WheelPropSheet = {
    0xC1615263, 0x565A, 0x478F, {0x99, 0x48, 0x9A, 0xC3, 0xA8, 0xD0, 0x21, 0x10}};

namespace {

struct PageRow {
    WORD templateId;
    DLGPROC procedure;
};

// In tab order.
constexpr PageRow kPages[kSheetPageCount] = {
    {kTestPageTemplateId, TestPageProc},
    {kCalibrationPageTemplateId, CalibrationPageProc},
    {kEffectPageTemplateId, EffectPageProc},
};

// Writes `value` to a caller's out-pointer, which may be null.
template <typename T> HRESULT HandOut(T* out, T value)
{
    if (out == nullptr)
        return E_POINTER;
    *out = value;
    return S_OK;
}

} // namespace

WheelPropSheet* WheelPropSheet::Create(SheetModule& module)
{
    WheelPropSheet* sheet = new (std::nothrow) WheelPropSheet(module);
    if (sheet != nullptr)
        sheet->AddRef();
    return sheet;
}

WheelPropSheet::WheelPropSheet(SheetModule& module) : module_(module)
{
    module_.ModuleLockCount.fetch_add(1);
}

WheelPropSheet::~WheelPropSheet()
{
    // A sheet closed while its effect page was the active tab never told
    // that page to let go: the force it plays goes before its device does.
    ReleaseTestForce(effectPage);
    if (device_ != nullptr) {
        device_->Unacquire();
        device_->Release();
        device_ = nullptr;
    }
    if (joyConfig_ != nullptr) {
        joyConfig_->Unacquire();
        joyConfig_->Release();
        joyConfig_ = nullptr;
    }
    // The caption lives as long as the sheet record that points to it.
    if (sheetInfo_.lpwszSheetCaption != nullptr)
        module_.ports.resources->LocalFreeBlock(sheetInfo_.lpwszSheetCaption);
    module_.ModuleLockCount.fetch_sub(1);
}

HRESULT WheelPropSheet::QueryInterface(REFIID riid, void** ppvObject)
{
    if (ppvObject == nullptr)
        return E_POINTER;
    *ppvObject = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDIGameCntrlPropSheet))
        return E_NOINTERFACE;
    *ppvObject = static_cast<IDIGameCntrlPropSheet*>(this);
    AddRef();
    return S_OK;
}

ULONG WheelPropSheet::AddRef()
{
    return static_cast<ULONG>(static_cast<LONG>(static_cast<SHORT>(cRef.fetch_add(1) + 1)));
}

ULONG WheelPropSheet::Release()
{
    const SHORT left = static_cast<SHORT>(cRef.fetch_sub(1) - 1);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(static_cast<LONG>(left));
}

HRESULT WheelPropSheet::GetSheetInfo(LPDIGCSHEETINFO* ppSheetInfo)
{
    return HandOut(ppSheetInfo, &sheetInfo_);
}

HRESULT WheelPropSheet::GetPageInfo(LPDIGCPAGEINFO* ppPageInfo)
{
    return HandOut(ppPageInfo, pageInfo_);
}

HRESULT WheelPropSheet::SetID(USHORT nID)
{
    id_ = nID;
    return S_OK;
}

USHORT WheelPropSheet::GetID()
{
    return id_;
}

HRESULT WheelPropSheet::GetDevice(LPDIRECTINPUTDEVICE2A* ppDevice)
{
    return HandOut(ppDevice, device_);
}

HRESULT WheelPropSheet::SetDevice(LPDIRECTINPUTDEVICE2A pDevice)
{
    device_ = pDevice;
    return S_OK;
}

HRESULT WheelPropSheet::GetJoyConfig(LPDIRECTINPUTJOYCONFIG* ppJoyConfig)
{
    return HandOut(ppJoyConfig, joyConfig_);
}

HRESULT WheelPropSheet::SetJoyConfig(LPDIRECTINPUTJOYCONFIG pJoyConfig)
{
    joyConfig_ = pJoyConfig;
    return S_OK;
}

HRESULT WheelPropSheet::Initialize()
{
    FillRecords();
    if (const HRESULT result = LoadCaption(); FAILED(result))
        return result;
    RegisterControlClasses();
    return S_OK;
}

void WheelPropSheet::FillRecords()
{
    for (int page = 0; page < kSheetPageCount; ++page) {
        DIGCPAGEINFO& info = pageInfo_[page];
        info.dwSize = sizeof(DIGCPAGEINFO);
        info.lpwszPageTitle = nullptr; // the tab shows the template's title
        info.fpPageProc = kPages[page].procedure;
        info.fProcFlag = FALSE;
        info.fpPrePostProc = nullptr;
        info.fIconFlag = TRUE;
        info.lpwszPageIcon = MAKEINTRESOURCEW(kPageIconGroup);
        info.lpwszTemplate = MAKEINTRESOURCEW(kPages[page].templateId);
        info.lParam = reinterpret_cast<LPARAM>(static_cast<IDIGameCntrlPropSheet*>(this));
        info.hInstance = module_.ModuleInstance;
    }
    sheetInfo_.dwSize = sizeof(DIGCSHEETINFO);
    sheetInfo_.nNumPages = kSheetPageCount;
    sheetInfo_.fSheetIconFlag = TRUE;
    sheetInfo_.lpwszSheetIcon = MAKEINTRESOURCEW(kSheetIcon);
}

HRESULT WheelPropSheet::LoadCaption()
{
    ResourcePort& resources = *module_.ports.resources;
    const std::unique_ptr<char[]> narrow(new (std::nothrow) char[kSheetCaptionChars]);
    if (narrow == nullptr)
        return E_OUTOFMEMORY;
    auto* wide = static_cast<WCHAR*>(resources.LocalAllocZeroed(kSheetCaptionChars * sizeof(WCHAR)));
    if (wide == nullptr)
        return E_OUTOFMEMORY;
    const int length =
        resources.LoadText(module_.ModuleInstance, kSheetCaptionString, narrow.get(), kSheetCaptionChars);
    // The terminator comes from the zeroed buffer; one wide character is
    // kept for it whatever the conversion makes of the text.
    if (length > 0)
        resources.ToWide(narrow.get(), length, wide, kSheetCaptionChars - 1);
    // A second Initialize replaces the caption; the one it replaces is no
    // longer reachable through the record.
    if (sheetInfo_.lpwszSheetCaption != nullptr)
        resources.LocalFreeBlock(sheetInfo_.lpwszSheetCaption);
    sheetInfo_.lpwszSheetCaption = wide;
    return S_OK;
}

void WheelPropSheet::RegisterControlClasses() const
{
    // A class registered by an earlier sheet of the process stays in force.
    RegisterLampControl(module_.ModuleInstance);
    RegisterAxesControl(module_.ModuleInstance);
    RegisterPovControl(module_.ModuleInstance);
    RegisterRumbleControl(module_.ModuleInstance);
}

} // namespace torvex
