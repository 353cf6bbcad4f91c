// The game controllers control panel's property sheet interface. Neither
// mingw-w64 nor our host headers declare it, so it is declared here for
// every build; its records and slot order are the ABI that the control
// panel applet reads.
#pragma once

#include "platform/windows_api.h"
#include "platform/platform_guids.h"

// The SDK's dinputd.h names this pointer; mingw-w64's does not.
interface IDirectInputJoyConfig;
using LPDIRECTINPUTJOYCONFIG = IDirectInputJoyConfig*;

// One page of the sheet: its title, dialog template, icon and dialog
// procedure, from which the control panel builds the property page.
struct DIGCPAGEINFO {
    DWORD dwSize;
    LPWSTR lpwszPageTitle;
    DLGPROC fpPageProc;
    BOOL fProcFlag;
    DLGPROC fpPrePostProc;
    BOOL fIconFlag;
    LPWSTR lpwszPageIcon;
    LPWSTR lpwszTemplate;
    LPARAM lParam;
    HINSTANCE hInstance;
};
using LPDIGCPAGEINFO = DIGCPAGEINFO*;

// The sheet as a whole: how many pages GetPageInfo hands back, and the
// caption and icon of the sheet.
struct DIGCSHEETINFO {
    DWORD dwSize;
    USHORT nNumPages;
    LPWSTR lpwszSheetCaption;
    BOOL fSheetIconFlag;
    LPWSTR lpwszSheetIcon;
};
using LPDIGCSHEETINFO = DIGCSHEETINFO*;

interface IDIGameCntrlPropSheet : public IUnknown {
    STDMETHOD(GetSheetInfo)(LPDIGCSHEETINFO* ppSheetInfo) PURE;
    STDMETHOD(GetPageInfo)(LPDIGCPAGEINFO* ppPageInfo) PURE;
    STDMETHOD(SetID)(USHORT nID) PURE;
    STDMETHOD(Initialize)() PURE;
    // The joystick id itself, not an HRESULT: the control panel calls this
    // slot with no argument and reads a 16-bit result.
    STDMETHOD_(USHORT, GetID)() PURE;
    STDMETHOD(GetDevice)(LPDIRECTINPUTDEVICE2A* ppDevice) PURE;
    STDMETHOD(SetDevice)(LPDIRECTINPUTDEVICE2A pDevice) PURE;
    STDMETHOD(GetJoyConfig)(LPDIRECTINPUTJOYCONFIG* ppJoyConfig) PURE;
    STDMETHOD(SetJoyConfig)(LPDIRECTINPUTJOYCONFIG pJoyConfig) PURE;

protected:
    ~IDIGameCntrlPropSheet() = default;
};

// DirectInput numbers joysticks with a UINT: the sheet's 16-bit id widens
// with its sign, so 0xFFFF (no id assigned yet) stands for -1.
inline UINT SignedJoystickId(IDIGameCntrlPropSheet& sheet)
{
    return static_cast<UINT>(static_cast<LONG>(static_cast<SHORT>(sheet.GetID())));
}
