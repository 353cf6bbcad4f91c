// Compile-time checks of the records that cross a process or module
// boundary: DirectInput, the control panel and the registry read them by
// byte offset, so a wrong size or field order here is a crash or garbage
// there. Records without pointers have one layout everywhere (LLP64 keeps
// DWORD and LONG at 32 bits), so those checks hold on every build and hold
// our host headers to the platform's layout. Records with pointers are
// checked per pointer width: the 32-bit Windows build is the wheel's own
// target, and the 64-bit Windows and 64-bit host layouts coincide.
#include <cstddef>
#include <cstdint>

#include "platform/windows_api.h"

namespace {

// --- The same on every build -----------------------------------------------

static_assert(sizeof(GUID) == 16);
static_assert(sizeof(DWORD) == 4 && sizeof(LONG) == 4 && sizeof(WORD) == 2);
static_assert(sizeof(WCHAR) == 2);

static_assert(sizeof(DICONSTANTFORCE) == 4);
static_assert(sizeof(DIRAMPFORCE) == 8);
static_assert(sizeof(DIPERIODIC) == 16);
static_assert(sizeof(DICONDITION) == 24);
static_assert(sizeof(DIENVELOPE) == 20);
static_assert(sizeof(DIEFFECTATTRIBUTES) == 20);
static_assert(sizeof(DIFFDEVICEATTRIBUTES) == 12);
static_assert(sizeof(DIDRIVERVERSIONS) == 16);
static_assert(sizeof(DIDEVICESTATE) == 12);
static_assert(sizeof(DIOBJECTCALIBRATION) == 12);
static_assert(sizeof(DIPROPHEADER) == 16);
static_assert(sizeof(DIPROPDWORD) == 20);
static_assert(sizeof(DIJOYSTATE) == 80);
static_assert(sizeof(JOYREGHWCONFIG) == 112);
static_assert(sizeof(DIJOYCONFIG_DX5) == 1160);
static_assert(sizeof(DIJOYCONFIG) == sizeof(DIJOYCONFIG_DX5) + sizeof(GUID));
static_assert(sizeof(OSVERSIONINFOA) == 148);

// The effect record up to the axis count; the pointers follow.
static_assert(offsetof(DIEFFECT, dwSize) == 0);
static_assert(offsetof(DIEFFECT, dwFlags) == 4);
static_assert(offsetof(DIEFFECT, dwDuration) == 8);
static_assert(offsetof(DIEFFECT, dwSamplePeriod) == 12);
static_assert(offsetof(DIEFFECT, dwGain) == 16);
static_assert(offsetof(DIEFFECT, dwTriggerButton) == 20);
static_assert(offsetof(DIEFFECT, dwTriggerRepeatInterval) == 24);
static_assert(offsetof(DIEFFECT, cAxes) == 28);

static_assert(offsetof(DIPERIODIC, lOffset) == 4);
static_assert(offsetof(DIPERIODIC, dwPeriod) == 12);
static_assert(offsetof(DICONDITION, lNegativeCoefficient) == 8);
static_assert(offsetof(DICONDITION, lDeadBand) == 20);
static_assert(offsetof(DIENVELOPE, dwFadeTime) == 16);
static_assert(offsetof(DIEFFECTATTRIBUTES, dwCoords) == 16);

// The DirectX 5 joystick configuration as the registry and the joystick
// configuration interface exchange it.
static_assert(offsetof(DIJOYCONFIG_DX5, guidInstance) == 4);
static_assert(offsetof(DIJOYCONFIG_DX5, hwc) == 20);
static_assert(offsetof(DIJOYCONFIG_DX5, dwGain) == 132);
static_assert(offsetof(DIJOYCONFIG_DX5, wszType) == 136);
static_assert(offsetof(DIJOYCONFIG_DX5, wszCallout) == 648);
static_assert(offsetof(JOYREGHWCONFIG, dwUsageSettings) == 8);
static_assert(offsetof(JOYREGHWCONFIG, hwv) == 12);
static_assert(offsetof(JOYREGHWCONFIG, dwType) == 104);
static_assert(offsetof(JOYREGHWCONFIG, dwReserved) == 108);

static_assert(offsetof(DIJOYSTATE, rglSlider) == 24);
static_assert(offsetof(DIJOYSTATE, rgdwPOV) == 32);
static_assert(offsetof(DIJOYSTATE, rgbButtons) == 48);

// --- 32-bit Windows: the wheel's own target --------------------------------

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(DIEFFECT) == 52);
static_assert(offsetof(DIEFFECT, rgdwAxes) == 32);
static_assert(offsetof(DIEFFECT, rglDirection) == 36);
static_assert(offsetof(DIEFFECT, lpEnvelope) == 40);
static_assert(offsetof(DIEFFECT, cbTypeSpecificParams) == 44);
static_assert(offsetof(DIEFFECT, lpvTypeSpecificParams) == 48);
static_assert(sizeof(DIENVELOPE) == 20);
static_assert(sizeof(DIEFFECTATTRIBUTES) == 20);
static_assert(sizeof(DIDRIVERVERSIONS) == 16);
static_assert(sizeof(DIJOYSTATE) == 80);
static_assert(sizeof(DIJOYCONFIG_DX5) == 1160);
static_assert(sizeof(JOYREGHWCONFIG) == 112);
static_assert(sizeof(DIPROPDWORD) == 20);
static_assert(sizeof(DIOBJECTCALIBRATION) == 12);
static_assert(sizeof(OSVERSIONINFOA) == 148);
static_assert(sizeof(DIEFFESCAPE) == 24);
static_assert(sizeof(DICUSTOMFORCE) == 16);

static_assert(sizeof(DIGCSHEETINFO) == 20);
static_assert(offsetof(DIGCSHEETINFO, nNumPages) == 4);
static_assert(offsetof(DIGCSHEETINFO, lpwszSheetCaption) == 8);
static_assert(offsetof(DIGCSHEETINFO, fSheetIconFlag) == 12);
static_assert(offsetof(DIGCSHEETINFO, lpwszSheetIcon) == 16);
static_assert(sizeof(DIGCPAGEINFO) == 40);
static_assert(offsetof(DIGCPAGEINFO, fpPageProc) == 8);
static_assert(offsetof(DIGCPAGEINFO, fProcFlag) == 12);
static_assert(offsetof(DIGCPAGEINFO, fpPrePostProc) == 16);
static_assert(offsetof(DIGCPAGEINFO, lpwszTemplate) == 28);
static_assert(offsetof(DIGCPAGEINFO, lParam) == 32);
static_assert(offsetof(DIGCPAGEINFO, hInstance) == 36);
#endif

// --- 64-bit: Windows x64 and the 64-bit host agree -------------------------

#if UINTPTR_MAX == UINT64_MAX
static_assert(sizeof(DIEFFECT) == 72);
static_assert(offsetof(DIEFFECT, rgdwAxes) == 32);
static_assert(offsetof(DIEFFECT, lpEnvelope) == 48);
static_assert(offsetof(DIEFFECT, cbTypeSpecificParams) == 56);
static_assert(offsetof(DIEFFECT, lpvTypeSpecificParams) == 64);
static_assert(sizeof(DIEFFESCAPE) == 40);
static_assert(sizeof(DICUSTOMFORCE) == 24);
static_assert(sizeof(DIDATAFORMAT) == 32);
static_assert(sizeof(DIOBJECTDATAFORMAT) == 24);
static_assert(sizeof(DIGCSHEETINFO) == 32);
static_assert(sizeof(DIGCPAGEINFO) == 80);
static_assert(offsetof(DIGCPAGEINFO, hInstance) == 72);
#endif

} // namespace
