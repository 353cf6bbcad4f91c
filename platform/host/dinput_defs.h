// The DirectInput vocabulary (DirectX 5 view) for builds without the Windows
// SDK: the records, flags, result codes, GUID names and interfaces that the
// effect driver and the property sheet use, with the names, field order,
// values and vtable slot order of mingw-w64's dinput.h and dinputd.h built
// with DIRECTINPUT_VERSION 0x0500. A name that the Windows build lacks is
// deliberately absent here too, so that code compiling on the host also
// compiles for Windows. Where the SDK's macro has an unusual type (an
// unsigned literal for a result code, a LONG for a field offset), ours has
// the same type, so comparisons warn, or don't, alike on both builds.
#pragma once

#include "platform/host/win_base.h"
#include "platform/host/win_user.h"

// ---------------------------------------------------------------------------
// Win32 names beyond win_base.h that the DirectInput records and the
// property sheet need.

#ifndef MAX_PATH
#define MAX_PATH 260
#endif

// winnt.h's FIELD_OFFSET yields a LONG, not a size_t.
#ifndef FIELD_OFFSET
#define FIELD_OFFSET(type, field) (static_cast<LONG>(offsetof(type, field)))
#endif

struct OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    CHAR szCSDVersion[128];
};
using POSVERSIONINFOA = OSVERSIONINFOA*;
using LPOSVERSIONINFOA = OSVERSIONINFOA*;

#define VER_PLATFORM_WIN32s 0
#define VER_PLATFORM_WIN32_WINDOWS 1
#define VER_PLATFORM_WIN32_NT 2

// ---------------------------------------------------------------------------
// Result codes. Those the SDK builds from a Win32 error (MAKE_HRESULT with
// FACILITY_WIN32) or from a COM code are HRESULTs; the 0x8004020x family is
// a bare unsigned literal there, and so it is here.

#define DI_OK S_OK
#define DI_NOTATTACHED S_FALSE
#define DI_BUFFEROVERFLOW S_FALSE
#define DI_PROPNOEFFECT S_FALSE
#define DI_NOEFFECT S_FALSE
#define DI_POLLEDDEVICE (static_cast<HRESULT>(0x00000002))
#define DI_DOWNLOADSKIPPED (static_cast<HRESULT>(0x00000003))
#define DI_EFFECTRESTARTED (static_cast<HRESULT>(0x00000004))
#define DI_TRUNCATED (static_cast<HRESULT>(0x00000008))
#define DI_TRUNCATEDANDRESTARTED (static_cast<HRESULT>(0x0000000C))

#define DIERR_OLDDIRECTINPUTVERSION (static_cast<HRESULT>(0x8007047Eu))  // ERROR_OLD_WIN_VERSION
#define DIERR_BETADIRECTINPUTVERSION (static_cast<HRESULT>(0x80070481u)) // ERROR_RMODE_APP
#define DIERR_BADDRIVERVER (static_cast<HRESULT>(0x80070077u))           // ERROR_BAD_DRIVER_LEVEL
#define DIERR_DEVICENOTREG (static_cast<HRESULT>(0x80040154u))           // REGDB_E_CLASSNOTREG
#define DIERR_NOTFOUND (static_cast<HRESULT>(0x80070002u))               // ERROR_FILE_NOT_FOUND
#define DIERR_OBJECTNOTFOUND (static_cast<HRESULT>(0x80070002u))
#define DIERR_INVALIDPARAM E_INVALIDARG
#define DIERR_NOINTERFACE E_NOINTERFACE
#define DIERR_GENERIC E_FAIL
#define DIERR_OUTOFMEMORY E_OUTOFMEMORY
#define DIERR_UNSUPPORTED E_NOTIMPL
#define DIERR_NOTINITIALIZED (static_cast<HRESULT>(0x80070015u))     // ERROR_NOT_READY
#define DIERR_ALREADYINITIALIZED (static_cast<HRESULT>(0x800704DFu)) // ERROR_ALREADY_INITIALIZED
#define DIERR_NOAGGREGATION CLASS_E_NOAGGREGATION
#define DIERR_OTHERAPPHASPRIO (static_cast<HRESULT>(0x80070005u)) // E_ACCESSDENIED
#define DIERR_INPUTLOST (static_cast<HRESULT>(0x8007001Eu))       // ERROR_READ_FAULT
#define DIERR_ACQUIRED (static_cast<HRESULT>(0x800700AAu))        // ERROR_BUSY
#define DIERR_NOTACQUIRED (static_cast<HRESULT>(0x8007000Cu))     // ERROR_INVALID_ACCESS
#define DIERR_READONLY (static_cast<HRESULT>(0x80070005u))
#define DIERR_HANDLEEXISTS (static_cast<HRESULT>(0x80070005u))
#define DIERR_INSUFFICIENTPRIVS 0x80040200u
#define DIERR_DEVICEFULL 0x80040201u
#define DIERR_MOREDATA 0x80040202u
#define DIERR_NOTDOWNLOADED 0x80040203u
#define DIERR_HASEFFECTS 0x80040204u
#define DIERR_NOTEXCLUSIVEACQUIRED 0x80040205u
#define DIERR_INCOMPLETEEFFECT 0x80040206u
#define DIERR_NOTBUFFERED 0x80040207u
#define DIERR_EFFECTPLAYING 0x80040208u
#define DIERR_UNPLUGGED 0x80040209u
#define DIERR_REPORTFULL 0x8004020Au

// ---------------------------------------------------------------------------
// Enumeration, device types and capabilities.

#define DIENUM_STOP 0
#define DIENUM_CONTINUE 1

#define DIEDFL_ALLDEVICES 0x00000000
#define DIEDFL_ATTACHEDONLY 0x00000001
#define DIEDFL_FORCEFEEDBACK 0x00000100

#define DIDEVTYPE_DEVICE 1
#define DIDEVTYPE_MOUSE 2
#define DIDEVTYPE_KEYBOARD 3
#define DIDEVTYPE_JOYSTICK 4
#define DIDEVTYPE_HID 0x00010000

#define DIDEVTYPEJOYSTICK_UNKNOWN 1
#define DIDEVTYPEJOYSTICK_TRADITIONAL 2
#define DIDEVTYPEJOYSTICK_FLIGHTSTICK 3
#define DIDEVTYPEJOYSTICK_GAMEPAD 4
#define DIDEVTYPEJOYSTICK_RUDDER 5
#define DIDEVTYPEJOYSTICK_WHEEL 6
#define DIDEVTYPEJOYSTICK_HEADTRACKER 7

#define DIDC_ATTACHED 0x00000001
#define DIDC_POLLEDDEVICE 0x00000002
#define DIDC_EMULATED 0x00000004
#define DIDC_POLLEDDATAFORMAT 0x00000008
#define DIDC_FORCEFEEDBACK 0x00000100
#define DIDC_FFATTACK 0x00000200
#define DIDC_FFFADE 0x00000400
#define DIDC_SATURATION 0x00000800
#define DIDC_POSNEGCOEFFICIENTS 0x00001000
#define DIDC_POSNEGSATURATION 0x00002000
#define DIDC_DEADBAND 0x00004000

struct DIDEVCAPS {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwDevType;
    DWORD dwAxes;
    DWORD dwButtons;
    DWORD dwPOVs;
    DWORD dwFFSamplePeriod;
    DWORD dwFFMinTimeResolution;
    DWORD dwFirmwareRevision;
    DWORD dwHardwareRevision;
    DWORD dwFFDriverVersion;
};
using LPDIDEVCAPS = DIDEVCAPS*;

struct DIDEVICEINSTANCEA {
    DWORD dwSize;
    GUID guidInstance;
    GUID guidProduct;
    DWORD dwDevType;
    CHAR tszInstanceName[MAX_PATH];
    CHAR tszProductName[MAX_PATH];
    GUID guidFFDriver;
    WORD wUsagePage;
    WORD wUsage;
};
using LPDIDEVICEINSTANCEA = DIDEVICEINSTANCEA*;
using LPCDIDEVICEINSTANCEA = const DIDEVICEINSTANCEA*;

struct DIDEVICEOBJECTINSTANCEA {
    DWORD dwSize;
    GUID guidType;
    DWORD dwOfs;
    DWORD dwType;
    DWORD dwFlags;
    CHAR tszName[MAX_PATH];
    DWORD dwFFMaxForce;
    DWORD dwFFForceResolution;
    WORD wCollectionNumber;
    WORD wDesignatorIndex;
    WORD wUsagePage;
    WORD wUsage;
    DWORD dwDimension;
    WORD wExponent;
    WORD wReportId;
};
using LPDIDEVICEOBJECTINSTANCEA = DIDEVICEOBJECTINSTANCEA*;
using LPCDIDEVICEOBJECTINSTANCEA = const DIDEVICEOBJECTINSTANCEA*;

// Before DirectX 8 a buffered input event carries no application data.
struct DIDEVICEOBJECTDATA {
    DWORD dwOfs;
    DWORD dwData;
    DWORD dwTimeStamp;
    DWORD dwSequence;
};
using LPDIDEVICEOBJECTDATA = DIDEVICEOBJECTDATA*;
using LPCDIDEVICEOBJECTDATA = const DIDEVICEOBJECTDATA*;

// ---------------------------------------------------------------------------
// Data formats and the joystick state.

#define DIDFT_ALL 0x00000000
#define DIDFT_RELAXIS 0x00000001
#define DIDFT_ABSAXIS 0x00000002
#define DIDFT_AXIS 0x00000003
#define DIDFT_PSHBUTTON 0x00000004
#define DIDFT_TGLBUTTON 0x00000008
#define DIDFT_BUTTON 0x0000000C
#define DIDFT_POV 0x00000010
#define DIDFT_COLLECTION 0x00000040
#define DIDFT_NODATA 0x00000080
#define DIDFT_ANYINSTANCE 0x00FFFF00
#define DIDFT_INSTANCEMASK DIDFT_ANYINSTANCE
#define DIDFT_MAKEINSTANCE(n) (static_cast<WORD>(n) << 8)
#define DIDFT_GETTYPE(n) (static_cast<BYTE>(static_cast<DWORD_PTR>(n) & 0xFF))
#define DIDFT_GETINSTANCE(n) (static_cast<WORD>(static_cast<DWORD_PTR>((n) >> 8) & 0xFFFF))
#define DIDFT_FFACTUATOR 0x01000000
#define DIDFT_FFEFFECTTRIGGER 0x02000000
#define DIDFT_OPTIONAL 0x80000000
#define DIDFT_ENUMCOLLECTION(n) (static_cast<WORD>(n) << 8)
#define DIDFT_NOCOLLECTION 0x00FFFF00

#define DIDF_ABSAXIS 0x00000001
#define DIDF_RELAXIS 0x00000002

#define DIGDD_PEEK 0x00000001

#define DIDOI_FFACTUATOR 0x00000001
#define DIDOI_FFEFFECTTRIGGER 0x00000002
#define DIDOI_POLLED 0x00008000
#define DIDOI_ASPECTPOSITION 0x00000100
#define DIDOI_ASPECTVELOCITY 0x00000200
#define DIDOI_ASPECTACCEL 0x00000300
#define DIDOI_ASPECTFORCE 0x00000400
#define DIDOI_ASPECTMASK 0x00000F00

struct DIOBJECTDATAFORMAT {
    const GUID* pguid;
    DWORD dwOfs;
    DWORD dwType;
    DWORD dwFlags;
};
using LPDIOBJECTDATAFORMAT = DIOBJECTDATAFORMAT*;
using LPCDIOBJECTDATAFORMAT = const DIOBJECTDATAFORMAT*;

struct DIDATAFORMAT {
    DWORD dwSize;
    DWORD dwObjSize;
    DWORD dwFlags;
    DWORD dwDataSize;
    DWORD dwNumObjs;
    LPDIOBJECTDATAFORMAT rgodf;
};
using LPDIDATAFORMAT = DIDATAFORMAT*;
using LPCDIDATAFORMAT = const DIDATAFORMAT*;

struct DIJOYSTATE {
    LONG lX;
    LONG lY;
    LONG lZ;
    LONG lRx;
    LONG lRy;
    LONG lRz;
    LONG rglSlider[2];
    DWORD rgdwPOV[4];
    BYTE rgbButtons[32];
};
using LPDIJOYSTATE = DIJOYSTATE*;

#define DIJOFS_X FIELD_OFFSET(DIJOYSTATE, lX)
#define DIJOFS_Y FIELD_OFFSET(DIJOYSTATE, lY)
#define DIJOFS_Z FIELD_OFFSET(DIJOYSTATE, lZ)
#define DIJOFS_RX FIELD_OFFSET(DIJOYSTATE, lRx)
#define DIJOFS_RY FIELD_OFFSET(DIJOYSTATE, lRy)
#define DIJOFS_RZ FIELD_OFFSET(DIJOYSTATE, lRz)
#define DIJOFS_SLIDER(n) (FIELD_OFFSET(DIJOYSTATE, rglSlider) + (n) * sizeof(LONG))
#define DIJOFS_POV(n) (FIELD_OFFSET(DIJOYSTATE, rgdwPOV) + (n) * sizeof(DWORD))
#define DIJOFS_BUTTON(n) (FIELD_OFFSET(DIJOYSTATE, rgbButtons) + (n))
#define DIJOFS_BUTTON0 DIJOFS_BUTTON(0)
#define DIJOFS_BUTTON1 DIJOFS_BUTTON(1)
#define DIJOFS_BUTTON2 DIJOFS_BUTTON(2)
#define DIJOFS_BUTTON3 DIJOFS_BUTTON(3)
#define DIJOFS_BUTTON4 DIJOFS_BUTTON(4)
#define DIJOFS_BUTTON5 DIJOFS_BUTTON(5)
#define DIJOFS_BUTTON6 DIJOFS_BUTTON(6)
#define DIJOFS_BUTTON7 DIJOFS_BUTTON(7)

// The standard joystick format, from dinput's import library on Windows.
extern "C" const DIDATAFORMAT c_dfDIJoystick;

// ---------------------------------------------------------------------------
// Properties. A property's GUID reference is really a small integer posing
// as an address; DirectInput compares the address, never the GUID bytes.
// The SDK uses the bare number (DIPROP_DEADZONE sits at address 5); here it
// is scaled by the GUID's alignment, because binding a reference to a
// misaligned address stops a sanitized host build. Code that compares
// addresses (&rguidProp == &DIPROP_DEADZONE) or asks whether the address is
// below 0x10000 behaves the same on both builds; code must never compare
// the address with the number itself.

struct DIPROPHEADER {
    DWORD dwSize;
    DWORD dwHeaderSize;
    DWORD dwObj;
    DWORD dwHow;
};
using LPDIPROPHEADER = DIPROPHEADER*;
using LPCDIPROPHEADER = const DIPROPHEADER*;

#define DIPH_DEVICE 0
#define DIPH_BYOFFSET 1
#define DIPH_BYID 2

struct DIPROPDWORD {
    DIPROPHEADER diph;
    DWORD dwData;
};
using LPDIPROPDWORD = DIPROPDWORD*;
using LPCDIPROPDWORD = const DIPROPDWORD*;

struct DIPROPRANGE {
    DIPROPHEADER diph;
    LONG lMin;
    LONG lMax;
};
using LPDIPROPRANGE = DIPROPRANGE*;
using LPCDIPROPRANGE = const DIPROPRANGE*;

#define DIPROPRANGE_NOMIN (static_cast<LONG>(0x80000000))
#define DIPROPRANGE_NOMAX (static_cast<LONG>(0x7FFFFFFF))

#define MAKEDIPROP(prop) (*reinterpret_cast<const GUID*>(static_cast<ULONG_PTR>(prop) * alignof(GUID)))
#define DIPROP_BUFFERSIZE MAKEDIPROP(1)
#define DIPROP_AXISMODE MAKEDIPROP(2)
#define DIPROP_GRANULARITY MAKEDIPROP(3)
#define DIPROP_RANGE MAKEDIPROP(4)
#define DIPROP_DEADZONE MAKEDIPROP(5)
#define DIPROP_SATURATION MAKEDIPROP(6)
#define DIPROP_FFGAIN MAKEDIPROP(7)
#define DIPROP_FFLOAD MAKEDIPROP(8)
#define DIPROP_AUTOCENTER MAKEDIPROP(9)
#define DIPROP_CALIBRATIONMODE MAKEDIPROP(10)

#define DIPROPAXISMODE_ABS 0
#define DIPROPAXISMODE_REL 1
#define DIPROPAUTOCENTER_OFF 0
#define DIPROPAUTOCENTER_ON 1
#define DIPROPCALIBRATIONMODE_COOKED 0
#define DIPROPCALIBRATIONMODE_RAW 1

// ---------------------------------------------------------------------------
// Cooperation and force feedback.

#define DISCL_EXCLUSIVE 0x00000001
#define DISCL_NONEXCLUSIVE 0x00000002
#define DISCL_FOREGROUND 0x00000004
#define DISCL_BACKGROUND 0x00000008

#define DISFFC_RESET 0x00000001
#define DISFFC_STOPALL 0x00000002
#define DISFFC_PAUSE 0x00000004
#define DISFFC_CONTINUE 0x00000008
#define DISFFC_SETACTUATORSON 0x00000010
#define DISFFC_SETACTUATORSOFF 0x00000020

#define DIGFFS_EMPTY 0x00000001
#define DIGFFS_STOPPED 0x00000002
#define DIGFFS_PAUSED 0x00000004
#define DIGFFS_ACTUATORSON 0x00000010
#define DIGFFS_ACTUATORSOFF 0x00000020
#define DIGFFS_POWERON 0x00000040
#define DIGFFS_POWEROFF 0x00000080
#define DIGFFS_SAFETYSWITCHON 0x00000100
#define DIGFFS_SAFETYSWITCHOFF 0x00000200
#define DIGFFS_USERFFSWITCHON 0x00000400
#define DIGFFS_USERFFSWITCHOFF 0x00000800
#define DIGFFS_DEVICELOST 0x80000000

#define DIEFT_ALL 0x00000000
#define DIEFT_CONSTANTFORCE 0x00000001
#define DIEFT_RAMPFORCE 0x00000002
#define DIEFT_PERIODIC 0x00000003
#define DIEFT_CONDITION 0x00000004
#define DIEFT_CUSTOMFORCE 0x00000005
#define DIEFT_HARDWARE 0x000000FF
#define DIEFT_FFATTACK 0x00000200
#define DIEFT_FFFADE 0x00000400
#define DIEFT_SATURATION 0x00000800
#define DIEFT_POSNEGCOEFFICIENTS 0x00001000
#define DIEFT_POSNEGSATURATION 0x00002000
#define DIEFT_DEADBAND 0x00004000
#define DIEFT_GETTYPE(n) (static_cast<BYTE>(static_cast<DWORD_PTR>(n) & 0xFF))

#define DIEFF_OBJECTIDS 0x00000001
#define DIEFF_OBJECTOFFSETS 0x00000002
#define DIEFF_CARTESIAN 0x00000010
#define DIEFF_POLAR 0x00000020
#define DIEFF_SPHERICAL 0x00000040

// DirectX 5 knows no start delay: DIEP_STARTDELAY and DIEP_ALLPARAMS_DX5
// arrive with DirectX 6, and DIEP_ALLPARAMS covers the nine below.
#define DIEP_DURATION 0x00000001
#define DIEP_SAMPLEPERIOD 0x00000002
#define DIEP_GAIN 0x00000004
#define DIEP_TRIGGERBUTTON 0x00000008
#define DIEP_TRIGGERREPEATINTERVAL 0x00000010
#define DIEP_AXES 0x00000020
#define DIEP_DIRECTION 0x00000040
#define DIEP_ENVELOPE 0x00000080
#define DIEP_TYPESPECIFICPARAMS 0x00000100
#define DIEP_ALLPARAMS 0x000001FF
#define DIEP_START 0x20000000
#define DIEP_NORESTART 0x40000000
#define DIEP_NODOWNLOAD 0x80000000
#define DIEB_NOTRIGGER 0xFFFFFFFF

#define DIES_SOLO 0x00000001
#define DIES_NODOWNLOAD 0x80000000

#define DIEGES_PLAYING 0x00000001
#define DIEGES_EMULATED 0x00000002

#define DI_DEGREES 100
#define DI_FFNOMINALMAX 10000
#define DI_SECONDS 1000000

struct DICONSTANTFORCE {
    LONG lMagnitude;
};
using LPDICONSTANTFORCE = DICONSTANTFORCE*;
using LPCDICONSTANTFORCE = const DICONSTANTFORCE*;

struct DIRAMPFORCE {
    LONG lStart;
    LONG lEnd;
};
using LPDIRAMPFORCE = DIRAMPFORCE*;
using LPCDIRAMPFORCE = const DIRAMPFORCE*;

struct DIPERIODIC {
    DWORD dwMagnitude;
    LONG lOffset;
    DWORD dwPhase;
    DWORD dwPeriod;
};
using LPDIPERIODIC = DIPERIODIC*;
using LPCDIPERIODIC = const DIPERIODIC*;

struct DICONDITION {
    LONG lOffset;
    LONG lPositiveCoefficient;
    LONG lNegativeCoefficient;
    DWORD dwPositiveSaturation;
    DWORD dwNegativeSaturation;
    LONG lDeadBand;
};
using LPDICONDITION = DICONDITION*;
using LPCDICONDITION = const DICONDITION*;

struct DICUSTOMFORCE {
    DWORD cChannels;
    DWORD dwSamplePeriod;
    DWORD cSamples;
    LPLONG rglForceData;
};
using LPDICUSTOMFORCE = DICUSTOMFORCE*;
using LPCDICUSTOMFORCE = const DICUSTOMFORCE*;

struct DIENVELOPE {
    DWORD dwSize;
    DWORD dwAttackLevel;
    DWORD dwAttackTime;
    DWORD dwFadeLevel;
    DWORD dwFadeTime;
};
using LPDIENVELOPE = DIENVELOPE*;
using LPCDIENVELOPE = const DIENVELOPE*;

// The DirectX 5 effect: thirteen fields, no dwStartDelay.
struct DIEFFECT {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwDuration;
    DWORD dwSamplePeriod;
    DWORD dwGain;
    DWORD dwTriggerButton;
    DWORD dwTriggerRepeatInterval;
    DWORD cAxes;
    LPDWORD rgdwAxes;
    LPLONG rglDirection;
    LPDIENVELOPE lpEnvelope;
    DWORD cbTypeSpecificParams;
    LPVOID lpvTypeSpecificParams;
};
using LPDIEFFECT = DIEFFECT*;
using LPCDIEFFECT = const DIEFFECT*;

struct DIEFFECTINFOA {
    DWORD dwSize;
    GUID guid;
    DWORD dwEffType;
    DWORD dwStaticParams;
    DWORD dwDynamicParams;
    CHAR tszName[MAX_PATH];
};
using LPDIEFFECTINFOA = DIEFFECTINFOA*;
using LPCDIEFFECTINFOA = const DIEFFECTINFOA*;

struct DIEFFESCAPE {
    DWORD dwSize;
    DWORD dwCommand;
    LPVOID lpvInBuffer;
    DWORD cbInBuffer;
    LPVOID lpvOutBuffer;
    DWORD cbOutBuffer;
};
using LPDIEFFESCAPE = DIEFFESCAPE*;

// ---------------------------------------------------------------------------
// What DirectInput hands an effect driver, and what the driver registers.

struct DIOBJECTATTRIBUTES {
    DWORD dwFlags;
    WORD wUsagePage;
    WORD wUsage;
};
using LPDIOBJECTATTRIBUTES = DIOBJECTATTRIBUTES*;
using LPCDIOBJECTATTRIBUTES = const DIOBJECTATTRIBUTES*;

struct DIFFOBJECTATTRIBUTES {
    DWORD dwFFMaxForce;
    DWORD dwFFForceResolution;
};
using LPDIFFOBJECTATTRIBUTES = DIFFOBJECTATTRIBUTES*;
using LPCDIFFOBJECTATTRIBUTES = const DIFFOBJECTATTRIBUTES*;

struct DIOBJECTCALIBRATION {
    LONG lMin;
    LONG lCenter;
    LONG lMax;
};
using LPDIOBJECTCALIBRATION = DIOBJECTCALIBRATION*;
using LPCDIOBJECTCALIBRATION = const DIOBJECTCALIBRATION*;

struct DIPOVCALIBRATION {
    LONG lMin[5];
    LONG lMax[5];
};
using LPDIPOVCALIBRATION = DIPOVCALIBRATION*;
using LPCDIPOVCALIBRATION = const DIPOVCALIBRATION*;

struct DIEFFECTATTRIBUTES {
    DWORD dwEffectId;
    DWORD dwEffType;
    DWORD dwStaticParams;
    DWORD dwDynamicParams;
    DWORD dwCoords;
};
using LPDIEFFECTATTRIBUTES = DIEFFECTATTRIBUTES*;
using LPCDIEFFECTATTRIBUTES = const DIEFFECTATTRIBUTES*;

struct DIFFDEVICEATTRIBUTES {
    DWORD dwFlags;
    DWORD dwFFSamplePeriod;
    DWORD dwFFMinTimeResolution;
};
using LPDIFFDEVICEATTRIBUTES = DIFFDEVICEATTRIBUTES*;
using LPCDIFFDEVICEATTRIBUTES = const DIFFDEVICEATTRIBUTES*;

struct DIDRIVERVERSIONS {
    DWORD dwSize;
    DWORD dwFirmwareRevision;
    DWORD dwHardwareRevision;
    DWORD dwFFDriverVersion;
};
using LPDIDRIVERVERSIONS = DIDRIVERVERSIONS*;
using LPCDIDRIVERVERSIONS = const DIDRIVERVERSIONS*;

struct DIDEVICESTATE {
    DWORD dwSize;
    DWORD dwState;
    DWORD dwLoad;
};
using LPDIDEVICESTATE = DIDEVICESTATE*;

#define DEV_STS_EFFECT_RUNNING DIEGES_PLAYING

// Newer DirectInput versions pass this as DeviceID's last argument.
struct DIHIDFFINITINFO {
    DWORD dwSize;
    LPWSTR pwszDeviceInterface;
    GUID GuidInstance;
};
using LPDIHIDFFINITINFO = DIHIDFFINITINFO*;

// ---------------------------------------------------------------------------
// Joystick configuration (dinputd.h).

struct JOYPOS {
    DWORD dwX;
    DWORD dwY;
    DWORD dwZ;
    DWORD dwR;
    DWORD dwU;
    DWORD dwV;
};
using LPJOYPOS = JOYPOS*;

struct JOYRANGE {
    JOYPOS jpMin;
    JOYPOS jpMax;
    JOYPOS jpCenter;
};
using LPJOYRANGE = JOYRANGE*;

struct JOYREGUSERVALUES {
    DWORD dwTimeOut;
    JOYRANGE jrvRanges;
    JOYPOS jpDeadZone;
};
using LPJOYREGUSERVALUES = JOYREGUSERVALUES*;

struct JOYREGHWSETTINGS {
    DWORD dwFlags;
    DWORD dwNumButtons;
};
using LPJOYHWSETTINGS = JOYREGHWSETTINGS*;

struct JOYREGHWVALUES {
    JOYRANGE jrvHardware;
    DWORD dwPOVValues[4];
    DWORD dwCalFlags;
};
using LPJOYREGHWVALUES = JOYREGHWVALUES*;

struct JOYREGHWCONFIG {
    JOYREGHWSETTINGS hws;
    DWORD dwUsageSettings;
    JOYREGHWVALUES hwv;
    DWORD dwType;
    DWORD dwReserved;
};
using LPJOYREGHWCONFIG = JOYREGHWCONFIG*;

#define MAX_JOYSTRING 256
#define MAX_JOYSTICKOEMVXDNAME 260

#define DITC_REGHWSETTINGS 0x00000001
#define DITC_CLSIDCONFIG 0x00000002
#define DITC_DISPLAYNAME 0x00000004
#define DITC_CALLOUT 0x00000008
#define DITC_HARDWAREID 0x00000010
#define DITC_FLAGS1 0x00000020
#define DITC_FLAGS2 0x00000040
#define DITC_MAPFILE 0x00000080

struct DIJOYTYPEINFO_DX5 {
    DWORD dwSize;
    JOYREGHWSETTINGS hws;
    CLSID clsidConfig;
    WCHAR wszDisplayName[MAX_JOYSTRING];
    WCHAR wszCallout[MAX_JOYSTICKOEMVXDNAME];
};
using LPDIJOYTYPEINFO_DX5 = DIJOYTYPEINFO_DX5*;
using LPCDIJOYTYPEINFO_DX5 = const DIJOYTYPEINFO_DX5*;

// The type record that GetTypeInfo/SetTypeInfo take: mingw-w64 declares
// the full, later layout under the plain name.
struct DIJOYTYPEINFO {
    DWORD dwSize;
    JOYREGHWSETTINGS hws;
    CLSID clsidConfig;
    WCHAR wszDisplayName[MAX_JOYSTRING];
    WCHAR wszCallout[MAX_JOYSTICKOEMVXDNAME];
    WCHAR wszHardwareId[MAX_JOYSTRING];
    DWORD dwFlags1;
    DWORD dwFlags2;
    WCHAR wszMapFile[MAX_JOYSTRING];
};
using LPDIJOYTYPEINFO = DIJOYTYPEINFO*;
using LPCDIJOYTYPEINFO = const DIJOYTYPEINFO*;

#define DIJC_GUIDINSTANCE 0x00000001
#define DIJC_REGHWCONFIGTYPE 0x00000002
#define DIJC_GAIN 0x00000004
#define DIJC_CALLOUT 0x00000008

// The configuration record as DirectX 5 knows it. The plain DIJOYCONFIG,
// which GetConfig/SetConfig are declared with, has a trailing guidGameport;
// a DirectX 5 caller passes the smaller record with dwSize saying which.
struct DIJOYCONFIG_DX5 {
    DWORD dwSize;
    GUID guidInstance;
    JOYREGHWCONFIG hwc;
    DWORD dwGain;
    WCHAR wszType[MAX_JOYSTRING];
    WCHAR wszCallout[MAX_JOYSTRING];
};
using LPDIJOYCONFIG_DX5 = DIJOYCONFIG_DX5*;
using LPCDIJOYCONFIG_DX5 = const DIJOYCONFIG_DX5*;

struct DIJOYCONFIG {
    DWORD dwSize;
    GUID guidInstance;
    JOYREGHWCONFIG hwc;
    DWORD dwGain;
    WCHAR wszType[MAX_JOYSTRING];
    WCHAR wszCallout[MAX_JOYSTRING];
    GUID guidGameport;
};
using LPDIJOYCONFIG = DIJOYCONFIG*;
using LPCDIJOYCONFIG = const DIJOYCONFIG*;

#define DIJU_USERVALUES 0x00000001
#define DIJU_GLOBALDRIVER 0x00000002
#define DIJU_GAMEPORTEMULATOR 0x00000004

struct DIJOYUSERVALUES {
    DWORD dwSize;
    JOYREGUSERVALUES ruv;
    WCHAR wszGlobalDriver[MAX_JOYSTRING];
    WCHAR wszGameportEmulator[MAX_JOYSTRING];
};
using LPDIJOYUSERVALUES = DIJOYUSERVALUES*;
using LPCDIJOYUSERVALUES = const DIJOYUSERVALUES*;

// EnumTypes takes its callback as an LPVOID in mingw-w64's declaration.
using LPDIJOYTYPECALLBACK = WINBOOL(WINAPI*)(LPCWSTR, LPVOID);

// ---------------------------------------------------------------------------
// GUIDs: interfaces, object types, and the twelve standard effects.

extern "C" {
extern const IID IID_IDirectInputA;
extern const IID IID_IDirectInputDeviceA;
extern const IID IID_IDirectInputDevice2A;
extern const IID IID_IDirectInputEffect;
extern const IID IID_IDirectInputEffectDriver;
extern const IID IID_IDirectInputJoyConfig;

extern const GUID GUID_XAxis;
extern const GUID GUID_YAxis;
extern const GUID GUID_ZAxis;
extern const GUID GUID_RxAxis;
extern const GUID GUID_RyAxis;
extern const GUID GUID_RzAxis;
extern const GUID GUID_Slider;
extern const GUID GUID_Button;
extern const GUID GUID_POV;
extern const GUID GUID_Unknown;

extern const GUID GUID_ConstantForce;
extern const GUID GUID_RampForce;
extern const GUID GUID_Square;
extern const GUID GUID_Sine;
extern const GUID GUID_Triangle;
extern const GUID GUID_SawtoothUp;
extern const GUID GUID_SawtoothDown;
extern const GUID GUID_Spring;
extern const GUID GUID_Damper;
extern const GUID GUID_Inertia;
extern const GUID GUID_Friction;
extern const GUID GUID_CustomForce;
}

// ---------------------------------------------------------------------------
// Interfaces. Slot order is the ABI: DirectInput and the control panel call
// through the vtable by position, so every slot keeps the platform's place
// and argument list.

interface IDirectInputEffect;
interface IDirectInputDeviceA;
interface IDirectInputDevice2A;
using LPDIRECTINPUTEFFECT = IDirectInputEffect*;
using LPDIRECTINPUTDEVICEA = IDirectInputDeviceA*;
using LPDIRECTINPUTDEVICE2A = IDirectInputDevice2A*;

using LPDIENUMDEVICESCALLBACKA = WINBOOL(CALLBACK*)(LPCDIDEVICEINSTANCEA, LPVOID);
using LPDIENUMDEVICEOBJECTSCALLBACKA = WINBOOL(CALLBACK*)(LPCDIDEVICEOBJECTINSTANCEA, LPVOID);
using LPDIENUMEFFECTSCALLBACKA = WINBOOL(CALLBACK*)(LPCDIEFFECTINFOA, LPVOID);
using LPDIENUMCREATEDEFFECTOBJECTSCALLBACK = WINBOOL(CALLBACK*)(LPDIRECTINPUTEFFECT, LPVOID);

// What DirectInput calls in a force feedback driver. Every call names the
// device by the joystick id DirectInput handed to DeviceID.
interface IDirectInputEffectDriver : public IUnknown {
    STDMETHOD(DeviceID)
    (DWORD dwDirectInputVersion, DWORD dwExternalID, DWORD fBegin, DWORD dwInternalID,
     LPVOID lpReserved) PURE;
    STDMETHOD(GetVersions)(LPDIDRIVERVERSIONS pvers) PURE;
    STDMETHOD(Escape)(DWORD dwID, DWORD dwEffect, LPDIEFFESCAPE pesc) PURE;
    STDMETHOD(SetGain)(DWORD dwID, DWORD dwGain) PURE;
    STDMETHOD(SendForceFeedbackCommand)(DWORD dwID, DWORD dwCommand) PURE;
    STDMETHOD(GetForceFeedbackState)(DWORD dwID, LPDIDEVICESTATE pds) PURE;
    STDMETHOD(DownloadEffect)
    (DWORD dwID, DWORD dwEffectId, LPDWORD pdwEffect, LPCDIEFFECT peff, DWORD dwFlags) PURE;
    STDMETHOD(DestroyEffect)(DWORD dwID, DWORD dwEffect) PURE;
    STDMETHOD(StartEffect)(DWORD dwID, DWORD dwEffect, DWORD dwMode, DWORD dwCount) PURE;
    STDMETHOD(StopEffect)(DWORD dwID, DWORD dwEffect) PURE;
    STDMETHOD(GetEffectStatus)(DWORD dwID, DWORD dwEffect, LPDWORD pdwStatus) PURE;

protected:
    ~IDirectInputEffectDriver() = default;
};

interface IDirectInputEffect : public IUnknown {
    STDMETHOD(Initialize)(HINSTANCE hinst, DWORD dwVersion, REFGUID rguid) PURE;
    STDMETHOD(GetEffectGuid)(LPGUID pguid) PURE;
    STDMETHOD(GetParameters)(LPDIEFFECT peff, DWORD dwFlags) PURE;
    STDMETHOD(SetParameters)(LPCDIEFFECT peff, DWORD dwFlags) PURE;
    STDMETHOD(Start)(DWORD dwIterations, DWORD dwFlags) PURE;
    STDMETHOD(Stop)() PURE;
    STDMETHOD(GetEffectStatus)(LPDWORD pdwFlags) PURE;
    STDMETHOD(Download)() PURE;
    STDMETHOD(Unload)() PURE;
    STDMETHOD(Escape)(LPDIEFFESCAPE pesc) PURE;

protected:
    ~IDirectInputEffect() = default;
};

interface IDirectInputDeviceA : public IUnknown {
    STDMETHOD(GetCapabilities)(LPDIDEVCAPS lpDIDevCaps) PURE;
    STDMETHOD(EnumObjects)(LPDIENUMDEVICEOBJECTSCALLBACKA lpCallback, LPVOID pvRef, DWORD dwFlags) PURE;
    STDMETHOD(GetProperty)(REFGUID rguidProp, LPDIPROPHEADER pdiph) PURE;
    STDMETHOD(SetProperty)(REFGUID rguidProp, LPCDIPROPHEADER pdiph) PURE;
    STDMETHOD(Acquire)() PURE;
    STDMETHOD(Unacquire)() PURE;
    STDMETHOD(GetDeviceState)(DWORD cbData, LPVOID lpvData) PURE;
    STDMETHOD(GetDeviceData)
    (DWORD cbObjectData, LPDIDEVICEOBJECTDATA rgdod, LPDWORD pdwInOut, DWORD dwFlags) PURE;
    STDMETHOD(SetDataFormat)(LPCDIDATAFORMAT lpdf) PURE;
    STDMETHOD(SetEventNotification)(HANDLE hEvent) PURE;
    STDMETHOD(SetCooperativeLevel)(HWND hwnd, DWORD dwFlags) PURE;
    STDMETHOD(GetObjectInfo)(LPDIDEVICEOBJECTINSTANCEA pdidoi, DWORD dwObj, DWORD dwHow) PURE;
    STDMETHOD(GetDeviceInfo)(LPDIDEVICEINSTANCEA pdidi) PURE;
    STDMETHOD(RunControlPanel)(HWND hwndOwner, DWORD dwFlags) PURE;
    STDMETHOD(Initialize)(HINSTANCE hinst, DWORD dwVersion, REFGUID rguid) PURE;

protected:
    ~IDirectInputDeviceA() = default;
};

interface IDirectInputDevice2A : public IDirectInputDeviceA {
    STDMETHOD(CreateEffect)
    (REFGUID rguid, LPCDIEFFECT lpeff, LPDIRECTINPUTEFFECT* ppdeff, LPUNKNOWN punkOuter) PURE;
    STDMETHOD(EnumEffects)(LPDIENUMEFFECTSCALLBACKA lpCallback, LPVOID pvRef, DWORD dwEffType) PURE;
    STDMETHOD(GetEffectInfo)(LPDIEFFECTINFOA pdei, REFGUID rguid) PURE;
    STDMETHOD(GetForceFeedbackState)(LPDWORD pdwOut) PURE;
    STDMETHOD(SendForceFeedbackCommand)(DWORD dwFlags) PURE;
    STDMETHOD(EnumCreatedEffectObjects)
    (LPDIENUMCREATEDEFFECTOBJECTSCALLBACK lpCallback, LPVOID pvRef, DWORD fl) PURE;
    STDMETHOD(Escape)(LPDIEFFESCAPE pesc) PURE;
    STDMETHOD(Poll)() PURE;
    STDMETHOD(SendDeviceData)
    (DWORD cbObjectData, LPCDIDEVICEOBJECTDATA rgdod, LPDWORD pdwInOut, DWORD fl) PURE;

protected:
    ~IDirectInputDevice2A() = default;
};

interface IDirectInputA : public IUnknown {
    STDMETHOD(CreateDevice)
    (REFGUID rguid, LPDIRECTINPUTDEVICEA* lplpDirectInputDevice, LPUNKNOWN pUnkOuter) PURE;
    STDMETHOD(EnumDevices)
    (DWORD dwDevType, LPDIENUMDEVICESCALLBACKA lpCallback, LPVOID pvRef, DWORD dwFlags) PURE;
    STDMETHOD(GetDeviceStatus)(REFGUID rguidInstance) PURE;
    STDMETHOD(RunControlPanel)(HWND hwndOwner, DWORD dwFlags) PURE;
    STDMETHOD(Initialize)(HINSTANCE hinst, DWORD dwVersion) PURE;

protected:
    ~IDirectInputA() = default;
};
using LPDIRECTINPUTA = IDirectInputA*;

// GetConfig/SetConfig take the plain DIJOYCONFIG and EnumTypes an LPVOID
// callback, exactly as mingw-w64 declares them; callers with a
// DIJOYCONFIG_DX5 or an LPDIJOYTYPECALLBACK cast on both builds alike.
interface IDirectInputJoyConfig : public IUnknown {
    STDMETHOD(Acquire)() PURE;
    STDMETHOD(Unacquire)() PURE;
    STDMETHOD(SetCooperativeLevel)(HWND hwnd, DWORD dwFlags) PURE;
    STDMETHOD(SendNotify)() PURE;
    STDMETHOD(EnumTypes)(LPVOID fp, LPVOID pvRef) PURE;
    STDMETHOD(GetTypeInfo)(LPCWSTR pwszTypeName, LPDIJOYTYPEINFO pjti, DWORD fl) PURE;
    STDMETHOD(SetTypeInfo)(LPCWSTR pwszTypeName, LPCDIJOYTYPEINFO pjti, DWORD fl) PURE;
    STDMETHOD(DeleteType)(LPCWSTR pwszTypeName) PURE;
    STDMETHOD(GetConfig)(UINT uiJoy, LPDIJOYCONFIG pjc, DWORD fl) PURE;
    STDMETHOD(SetConfig)(UINT uiJoy, LPCDIJOYCONFIG pjc, DWORD fl) PURE;
    STDMETHOD(DeleteConfig)(UINT uiJoy) PURE;
    STDMETHOD(GetUserValues)(LPDIJOYUSERVALUES pjuv, DWORD fl) PURE;
    STDMETHOD(SetUserValues)(LPCDIJOYUSERVALUES pjuv, DWORD fl) PURE;
    STDMETHOD(AddNewHardware)(HWND hwndOwner, REFGUID rguidClass) PURE;
    STDMETHOD(OpenTypeKey)(LPCWSTR pwszType, DWORD fl, HKEY* phk) PURE;
    STDMETHOD(OpenConfigKey)(UINT uiJoy, DWORD fl, HKEY* phk) PURE;

protected:
    ~IDirectInputJoyConfig() = default;
};
