// WheelPropSheet: what the game controllers control panel asks of the
// wheel's property sheet (caption, icon, three pages), and what the pages
// share: the joystick id, the opened DirectInput device and the joystick
// configuration, and each page's own state.
#pragma once

#include <atomic>

#include "resources/sheet_resources.h"
#include "sheet/page_state.h"
#include "sheet/sheet_state.h"

namespace torvex {

// {C1615263-565A-478F-9948-9AC3A8D02110}, the class the installation
// registers for TorvexPS.dll as the wheel's control panel page server.
extern const CLSID CLSID_WheelPropSheet;

inline constexpr int kSheetPageCount = 3;
inline constexpr UINT kSheetCaptionString = IDS_SHEET_CAPTION;
inline constexpr int kSheetCaptionChars = 64; // the terminator included
inline constexpr WORD kPageIconGroup = IDI_WHEEL;
inline constexpr WORD kSheetIcon = 32517; // the system's Windows logo, IDI_WINLOGO
inline constexpr USHORT kNoJoystickId = 0xFFFF;

class WheelPropSheet final : public IDIGameCntrlPropSheet {
public:
    // A sheet with one reference, or null when memory runs out.
    static WheelPropSheet* Create(SheetModule& module);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetSheetInfo(LPDIGCSHEETINFO* ppSheetInfo) override;
    HRESULT STDMETHODCALLTYPE GetPageInfo(LPDIGCPAGEINFO* ppPageInfo) override;
    HRESULT STDMETHODCALLTYPE SetID(USHORT nID) override;
    HRESULT STDMETHODCALLTYPE Initialize() override;
    USHORT STDMETHODCALLTYPE GetID() override;
    HRESULT STDMETHODCALLTYPE GetDevice(LPDIRECTINPUTDEVICE2A* ppDevice) override;
    HRESULT STDMETHODCALLTYPE SetDevice(LPDIRECTINPUTDEVICE2A pDevice) override;
    HRESULT STDMETHODCALLTYPE GetJoyConfig(LPDIRECTINPUTJOYCONFIG* ppJoyConfig) override;
    HRESULT STDMETHODCALLTYPE SetJoyConfig(LPDIRECTINPUTJOYCONFIG pJoyConfig) override;

    SheetModule& module() const { return module_; }

    // The pages' own state, started afresh when a page's dialog is created.
    TestPageState testPage;
    CalibrationPageState calibrationPage;
    EffectPageState effectPage;

private:
    explicit WheelPropSheet(SheetModule& module);
    ~WheelPropSheet();

    void FillRecords();
    HRESULT LoadCaption();
    void RegisterControlClasses() const;

    SheetModule& module_;
    DIGCSHEETINFO sheetInfo_{};
    DIGCPAGEINFO pageInfo_[kSheetPageCount]{};
    LPDIRECTINPUTDEVICE2A device_ = nullptr;
    LPDIRECTINPUTJOYCONFIG joyConfig_ = nullptr;
    std::atomic<SHORT> cRef{0};
    USHORT id_ = kNoJoystickId;
};

} // namespace torvex
