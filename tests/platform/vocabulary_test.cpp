// The values and calling layout that the effect driver and the property
// sheet rely on. On the host these check our own headers; the same program
// built for Windows checks mingw-w64's, so a host value that disagrees with
// the platform fails in one of the two runs.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/guid_text.h"
#include "platform/windows_api.h"

namespace torvex {
namespace {

// Flags are plain int or unsigned literals, differently per name; compare
// them as the DWORDs they travel in.
template <typename T> constexpr DWORD AsDword(T value)
{
    return static_cast<DWORD>(value);
}

TEST(DirectInputValues, EffectParameterFlags)
{
    EXPECT_EQ(AsDword(DIEP_DURATION), 0x001u);
    EXPECT_EQ(AsDword(DIEP_SAMPLEPERIOD), 0x002u);
    EXPECT_EQ(AsDword(DIEP_GAIN), 0x004u);
    EXPECT_EQ(AsDword(DIEP_TRIGGERBUTTON), 0x008u);
    EXPECT_EQ(AsDword(DIEP_TRIGGERREPEATINTERVAL), 0x010u);
    EXPECT_EQ(AsDword(DIEP_AXES), 0x020u);
    EXPECT_EQ(AsDword(DIEP_DIRECTION), 0x040u);
    EXPECT_EQ(AsDword(DIEP_ENVELOPE), 0x080u);
    EXPECT_EQ(AsDword(DIEP_TYPESPECIFICPARAMS), 0x100u);
    // The DirectX 5 "everything" is exactly the nine parameters above; a
    // driver that sees a bit outside it was handed a later DIEFFECT.
    EXPECT_EQ(AsDword(DIEP_ALLPARAMS), AsDword(DIEP_DURATION | DIEP_SAMPLEPERIOD | DIEP_GAIN |
                                               DIEP_TRIGGERBUTTON | DIEP_TRIGGERREPEATINTERVAL | DIEP_AXES |
                                               DIEP_DIRECTION | DIEP_ENVELOPE | DIEP_TYPESPECIFICPARAMS));
    EXPECT_EQ(AsDword(DIEP_START), 0x20000000u);
    EXPECT_EQ(AsDword(DIEP_NORESTART), 0x40000000u);
    EXPECT_EQ(AsDword(DIEP_NODOWNLOAD), 0x80000000u);
    EXPECT_EQ(AsDword(DIEP_ALLPARAMS & (DIEP_START | DIEP_NORESTART | DIEP_NODOWNLOAD)), 0u);
}

TEST(DirectInputValues, EffectPlaybackAndDeviceCommands)
{
    EXPECT_EQ(AsDword(DIES_SOLO), 1u);
    EXPECT_EQ(AsDword(DIES_NODOWNLOAD), 0x80000000u);
    EXPECT_EQ(AsDword(DIEGES_PLAYING), 1u);
    EXPECT_EQ(AsDword(DIEGES_EMULATED), 2u);
    EXPECT_EQ(AsDword(DEV_STS_EFFECT_RUNNING), AsDword(DIEGES_PLAYING));
    EXPECT_EQ(AsDword(DIEB_NOTRIGGER), 0xFFFFFFFFu);

    EXPECT_EQ(AsDword(DISFFC_RESET), 0x01u);
    EXPECT_EQ(AsDword(DISFFC_STOPALL), 0x02u);
    EXPECT_EQ(AsDword(DISFFC_PAUSE), 0x04u);
    EXPECT_EQ(AsDword(DISFFC_CONTINUE), 0x08u);
    EXPECT_EQ(AsDword(DISFFC_SETACTUATORSON), 0x10u);
    EXPECT_EQ(AsDword(DISFFC_SETACTUATORSOFF), 0x20u);

    EXPECT_EQ(AsDword(DIGFFS_EMPTY), 0x001u);
    EXPECT_EQ(AsDword(DIGFFS_STOPPED), 0x002u);
    EXPECT_EQ(AsDword(DIGFFS_PAUSED), 0x004u);
    EXPECT_EQ(AsDword(DIGFFS_ACTUATORSON), 0x010u);
    EXPECT_EQ(AsDword(DIGFFS_ACTUATORSOFF), 0x020u);
    EXPECT_EQ(AsDword(DIGFFS_POWERON), 0x040u);
    EXPECT_EQ(AsDword(DIGFFS_POWEROFF), 0x080u);
    EXPECT_EQ(AsDword(DIGFFS_SAFETYSWITCHON), 0x100u);
    EXPECT_EQ(AsDword(DIGFFS_USERFFSWITCHON), 0x400u);
    EXPECT_EQ(AsDword(DIGFFS_DEVICELOST), 0x80000000u);

    EXPECT_EQ(DI_FFNOMINALMAX, 10000);
    EXPECT_EQ(DI_DEGREES, 100);
    EXPECT_EQ(DI_SECONDS, 1000000);
}

TEST(DirectInputValues, EffectTypesAndCoordinates)
{
    EXPECT_EQ(AsDword(DIEFT_CONSTANTFORCE), 1u);
    EXPECT_EQ(AsDword(DIEFT_RAMPFORCE), 2u);
    EXPECT_EQ(AsDword(DIEFT_PERIODIC), 3u);
    EXPECT_EQ(AsDword(DIEFT_CONDITION), 4u);
    EXPECT_EQ(AsDword(DIEFT_CUSTOMFORCE), 5u);
    EXPECT_EQ(AsDword(DIEFT_HARDWARE), 0xFFu);
    EXPECT_EQ(AsDword(DIEFT_GETTYPE(DIEFT_CONDITION | DIEFT_SATURATION | DIEFT_DEADBAND)),
              AsDword(DIEFT_CONDITION));

    EXPECT_EQ(AsDword(DIEFF_OBJECTIDS), 0x01u);
    EXPECT_EQ(AsDword(DIEFF_OBJECTOFFSETS), 0x02u);
    EXPECT_EQ(AsDword(DIEFF_CARTESIAN), 0x10u);
    EXPECT_EQ(AsDword(DIEFF_POLAR), 0x20u);
    EXPECT_EQ(AsDword(DIEFF_SPHERICAL), 0x40u);
}

TEST(DirectInputValues, JoystickConfigurationAndCooperation)
{
    EXPECT_EQ(AsDword(DIJC_GUIDINSTANCE), 1u);
    EXPECT_EQ(AsDword(DIJC_REGHWCONFIGTYPE), 2u);
    EXPECT_EQ(AsDword(DIJC_GAIN), 4u);
    EXPECT_EQ(AsDword(DIJC_CALLOUT), 8u);

    EXPECT_EQ(AsDword(DISCL_EXCLUSIVE), 1u);
    EXPECT_EQ(AsDword(DISCL_NONEXCLUSIVE), 2u);
    EXPECT_EQ(AsDword(DISCL_FOREGROUND), 4u);
    EXPECT_EQ(AsDword(DISCL_BACKGROUND), 8u);

    EXPECT_EQ(AsDword(DIPH_DEVICE), 0u);
    EXPECT_EQ(AsDword(DIPH_BYOFFSET), 1u);
    EXPECT_EQ(AsDword(DIPH_BYID), 2u);

    EXPECT_EQ(VER_PLATFORM_WIN32s, 0);
    EXPECT_EQ(VER_PLATFORM_WIN32_WINDOWS, 1);
    EXPECT_EQ(VER_PLATFORM_WIN32_NT, 2);
}

TEST(DirectInputValues, ResultCodes)
{
    EXPECT_EQ(DI_OK, S_OK);
    EXPECT_EQ(DI_NOEFFECT, S_FALSE);
    EXPECT_EQ(DI_PROPNOEFFECT, S_FALSE);
    EXPECT_EQ(DI_DOWNLOADSKIPPED, 3);
    EXPECT_EQ(DI_EFFECTRESTARTED, 4);
    EXPECT_EQ(DI_TRUNCATED, 8);
    EXPECT_EQ(DI_TRUNCATEDANDRESTARTED, DI_EFFECTRESTARTED | DI_TRUNCATED);

    EXPECT_EQ(DIERR_INVALIDPARAM, E_INVALIDARG);
    EXPECT_EQ(DIERR_UNSUPPORTED, E_NOTIMPL);
    EXPECT_EQ(DIERR_OUTOFMEMORY, E_OUTOFMEMORY);
    EXPECT_EQ(DIERR_GENERIC, E_FAIL);
    EXPECT_EQ(DIERR_NOAGGREGATION, CLASS_E_NOAGGREGATION);
    EXPECT_EQ(static_cast<std::uint32_t>(DIERR_NOTINITIALIZED), 0x80070015u);
    EXPECT_EQ(static_cast<std::uint32_t>(DIERR_INPUTLOST), 0x8007001Eu);
    EXPECT_EQ(static_cast<std::uint32_t>(DIERR_NOTFOUND), 0x80070002u);
    EXPECT_EQ(static_cast<std::uint32_t>(DIERR_ACQUIRED), 0x800700AAu);
    EXPECT_EQ(static_cast<std::uint32_t>(DIERR_NOTACQUIRED), 0x8007000Cu);
    EXPECT_EQ(static_cast<std::uint32_t>(DIERR_OTHERAPPHASPRIO), 0x80070005u);

    // The 0x8004020x family is a bare unsigned constant in the SDK; what the
    // caller sees is the HRESULT it converts to.
    const HRESULT deviceFull = static_cast<HRESULT>(DIERR_DEVICEFULL);
    EXPECT_EQ(static_cast<std::uint32_t>(deviceFull), 0x80040201u);
    EXPECT_TRUE(FAILED(deviceFull));
    EXPECT_EQ(static_cast<std::uint32_t>(DIERR_NOTDOWNLOADED), 0x80040203u);
    EXPECT_EQ(static_cast<std::uint32_t>(DIERR_INCOMPLETEEFFECT), 0x80040206u);
    EXPECT_EQ(static_cast<std::uint32_t>(DIERR_EFFECTPLAYING), 0x80040208u);
    EXPECT_EQ(static_cast<std::uint32_t>(DIERR_UNPLUGGED), 0x80040209u);
    EXPECT_EQ(static_cast<std::uint32_t>(DIERR_REPORTFULL), 0x8004020Au);
}

TEST(DirectInputGuids, TheTwelveStandardEffectsDifferOnlyInTheirLastDigit)
{
    const GUID* const effects[] = {
        &GUID_ConstantForce, &GUID_RampForce, &GUID_Square, &GUID_Sine,    &GUID_Triangle, &GUID_SawtoothUp,
        &GUID_SawtoothDown,  &GUID_Spring,    &GUID_Damper, &GUID_Inertia, &GUID_Friction, &GUID_CustomForce};
    for (DWORD i = 0; i < 12; ++i) {
        GUID expected = GUID_ConstantForce;
        expected.Data1 = 0x13541C20 + i;
        EXPECT_TRUE(*effects[i] == expected) << "effect " << i << " is " << GuidToString(*effects[i]);
    }
    EXPECT_EQ(GuidToString(GUID_ConstantForce), "{13541C20-8E33-11D0-9AD0-00A0C9A06E35}");
}

TEST(DirectInputGuids, InterfaceIdentifiers)
{
    EXPECT_EQ(GuidToString(IID_IDirectInputA), "{89521360-AA8A-11CF-BFC7-444553540000}");
    EXPECT_EQ(GuidToString(IID_IDirectInputDeviceA), "{5944E680-C92E-11CF-BFC7-444553540000}");
    EXPECT_EQ(GuidToString(IID_IDirectInputDevice2A), "{5944E682-C92E-11CF-BFC7-444553540000}");
    EXPECT_EQ(GuidToString(IID_IDirectInputEffect), "{E7E1F7C0-88D2-11D0-9AD0-00A0C9A06E35}");
    EXPECT_EQ(GuidToString(IID_IDirectInputEffectDriver), "{02538130-898F-11D0-9AD0-00A0C9A06E35}");
    EXPECT_EQ(GuidToString(IID_IDirectInputJoyConfig), "{1DE12AB1-C9F5-11CF-BFC7-444553540000}");
    EXPECT_EQ(GuidToString(GUID_XAxis), "{A36D02E0-C9F3-11CF-BFC7-444553540000}");
    EXPECT_EQ(GuidToString(GUID_RzAxis), "{A36D02E3-C9F3-11CF-BFC7-444553540000}");
    EXPECT_EQ(GuidToString(GUID_POV), "{A36D02F2-C9F3-11CF-BFC7-444553540000}");
}

TEST(DirectInputProperties, ArePredefinedIdentitiesNotGuids)
{
    // A device tells predefined properties apart by address and takes a
    // small address as "predefined"; the GUID behind it is never read.
    const GUID* const properties[] = {&DIPROP_BUFFERSIZE,     &DIPROP_AXISMODE, &DIPROP_GRANULARITY,
                                      &DIPROP_RANGE,          &DIPROP_DEADZONE, &DIPROP_SATURATION,
                                      &DIPROP_FFGAIN,         &DIPROP_FFLOAD,   &DIPROP_AUTOCENTER,
                                      &DIPROP_CALIBRATIONMODE};
    for (std::size_t i = 0; i < std::size(properties); ++i) {
        const auto address = reinterpret_cast<ULONG_PTR>(properties[i]);
        EXPECT_NE(address, 0u) << i;
        EXPECT_LT(address, 0x10000u) << i;
        for (std::size_t j = 0; j < i; ++j)
            EXPECT_NE(properties[i], properties[j]) << i << " and " << j;
    }
    EXPECT_EQ(&DIPROP_DEADZONE, &MAKEDIPROP(5));
    EXPECT_EQ(&DIPROP_SATURATION, &MAKEDIPROP(6));
}

TEST(DirectInputJoystickState, OffsetsNameTheStateFields)
{
    EXPECT_EQ(DIJOFS_X, 0);
    EXPECT_EQ(DIJOFS_Y, 4);
    EXPECT_EQ(DIJOFS_Z, 8);
    EXPECT_EQ(DIJOFS_RX, 12);
    EXPECT_EQ(DIJOFS_RY, 16);
    EXPECT_EQ(DIJOFS_RZ, 20);
    EXPECT_EQ(DIJOFS_SLIDER(1), 28u);
    EXPECT_EQ(DIJOFS_POV(0), 32u);
    EXPECT_EQ(DIJOFS_POV(3), 44u);
    EXPECT_EQ(DIJOFS_BUTTON(0), 48u);
    EXPECT_EQ(DIJOFS_BUTTON(31), 79u);
    static_assert(std::is_same_v<decltype(DIJOFS_X), LONG>, "a field offset is a LONG");
}

TEST(DirectInputJoystickState, StandardFormatCoversTheStateRecord)
{
    const DIDATAFORMAT& format = c_dfDIJoystick;
    EXPECT_EQ(format.dwSize, sizeof(DIDATAFORMAT));
    EXPECT_EQ(format.dwObjSize, sizeof(DIOBJECTDATAFORMAT));
    EXPECT_EQ(format.dwDataSize, sizeof(DIJOYSTATE));
    EXPECT_EQ(format.dwFlags & DIDF_ABSAXIS, static_cast<DWORD>(DIDF_ABSAXIS));
    ASSERT_NE(format.rgodf, nullptr);

    int axes = 0, povs = 0, buttons = 0;
    bool buttonAt[32] = {};
    for (DWORD i = 0; i < format.dwNumObjs; ++i) {
        const DIOBJECTDATAFORMAT& object = format.rgodf[i];
        EXPECT_LT(object.dwOfs, format.dwDataSize) << "object " << i;
        if (object.dwType & DIDFT_AXIS) {
            ++axes;
            EXPECT_EQ(object.dwOfs % sizeof(LONG), 0u) << "axis " << i;
            EXPECT_LT(object.dwOfs, static_cast<DWORD>(DIJOFS_POV(0))) << "axis " << i;
        } else if (object.dwType & DIDFT_POV) {
            ++povs;
            EXPECT_TRUE(object.pguid != nullptr && *object.pguid == GUID_POV) << "POV " << i;
        } else if (object.dwType & DIDFT_BUTTON) {
            ++buttons;
            const DWORD button = object.dwOfs - static_cast<DWORD>(DIJOFS_BUTTON(0));
            ASSERT_LT(button, 32u) << "object " << i;
            buttonAt[button] = true;
        }
    }
    EXPECT_EQ(axes, 8);
    EXPECT_EQ(povs, 4);
    EXPECT_EQ(buttons, 32);
    for (int n = 0; n < 32; ++n)
        EXPECT_TRUE(buttonAt[n]) << "no object for button " << n;

    // The wheel's steering reaches applications as the X axis.
    ASSERT_GE(format.dwNumObjs, 1u);
    ASSERT_NE(format.rgodf[0].pguid, nullptr);
    EXPECT_TRUE(*format.rgodf[0].pguid == GUID_XAxis);
    EXPECT_EQ(format.rgodf[0].dwOfs, static_cast<DWORD>(DIJOFS_X));
}

// ---------------------------------------------------------------------------
// Slot order. DirectInput and the control panel reach our servers through a
// table of entry points, by position, passing the object as the first
// argument: the C view of a COM object. These tables spell that view out,
// and each test calls every slot through it, checking that the intended
// method runs with its arguments intact. A slot out of place in a header
// makes the wrong method run (or the stack unbalance, on 32-bit).

using CallArgs = std::vector<std::uintptr_t>;

template <typename T> std::uintptr_t AsArg(T value)
{
    if constexpr (std::is_pointer_v<T>)
        return reinterpret_cast<std::uintptr_t>(value);
    else
        return static_cast<std::uintptr_t>(value);
}

// What a recording implementation saw last.
struct CallLog {
    std::string method;
    CallArgs args;

    template <typename... Args> HRESULT Record(const char* name, Args... values)
    {
        method = name;
        args = {AsArg(values)...};
        return S_OK;
    }
};

template <typename Entries, typename Interface> const Entries& EntriesOf(Interface* object)
{
    return **reinterpret_cast<const Entries* const*>(object);
}

template <typename Interface> class RecordingUnknown : public Interface {
public:
    CallLog log;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        return log.Record("QueryInterface", &riid, ppv);
    }
    ULONG STDMETHODCALLTYPE AddRef() override
    {
        log.Record("AddRef");
        return 2;
    }
    ULONG STDMETHODCALLTYPE Release() override
    {
        log.Record("Release");
        return 1;
    }
};

class RecordingEffectDriver final : public RecordingUnknown<IDirectInputEffectDriver> {
public:
    HRESULT STDMETHODCALLTYPE DeviceID(DWORD a, DWORD b, DWORD c, DWORD d, LPVOID e) override
    {
        return log.Record("DeviceID", a, b, c, d, e);
    }
    HRESULT STDMETHODCALLTYPE GetVersions(LPDIDRIVERVERSIONS a) override
    {
        return log.Record("GetVersions", a);
    }
    HRESULT STDMETHODCALLTYPE Escape(DWORD a, DWORD b, LPDIEFFESCAPE c) override
    {
        return log.Record("Escape", a, b, c);
    }
    HRESULT STDMETHODCALLTYPE SetGain(DWORD a, DWORD b) override { return log.Record("SetGain", a, b); }
    HRESULT STDMETHODCALLTYPE SendForceFeedbackCommand(DWORD a, DWORD b) override
    {
        return log.Record("SendForceFeedbackCommand", a, b);
    }
    HRESULT STDMETHODCALLTYPE GetForceFeedbackState(DWORD a, LPDIDEVICESTATE b) override
    {
        return log.Record("GetForceFeedbackState", a, b);
    }
    HRESULT STDMETHODCALLTYPE DownloadEffect(DWORD a, DWORD b, LPDWORD c, LPCDIEFFECT d, DWORD e) override
    {
        return log.Record("DownloadEffect", a, b, c, d, e);
    }
    HRESULT STDMETHODCALLTYPE DestroyEffect(DWORD a, DWORD b) override
    {
        return log.Record("DestroyEffect", a, b);
    }
    HRESULT STDMETHODCALLTYPE StartEffect(DWORD a, DWORD b, DWORD c, DWORD d) override
    {
        return log.Record("StartEffect", a, b, c, d);
    }
    HRESULT STDMETHODCALLTYPE StopEffect(DWORD a, DWORD b) override { return log.Record("StopEffect", a, b); }
    HRESULT STDMETHODCALLTYPE GetEffectStatus(DWORD a, DWORD b, LPDWORD c) override
    {
        return log.Record("GetEffectStatus", a, b, c);
    }
};

struct EffectDriverEntries {
    using Self = IDirectInputEffectDriver*;
    HRESULT(STDMETHODCALLTYPE* QueryInterface)(Self, REFIID, void**);
    ULONG(STDMETHODCALLTYPE* AddRef)(Self);
    ULONG(STDMETHODCALLTYPE* Release)(Self);
    HRESULT(STDMETHODCALLTYPE* DeviceID)(Self, DWORD, DWORD, DWORD, DWORD, LPVOID);
    HRESULT(STDMETHODCALLTYPE* GetVersions)(Self, LPDIDRIVERVERSIONS);
    HRESULT(STDMETHODCALLTYPE* Escape)(Self, DWORD, DWORD, LPDIEFFESCAPE);
    HRESULT(STDMETHODCALLTYPE* SetGain)(Self, DWORD, DWORD);
    HRESULT(STDMETHODCALLTYPE* SendForceFeedbackCommand)(Self, DWORD, DWORD);
    HRESULT(STDMETHODCALLTYPE* GetForceFeedbackState)(Self, DWORD, LPDIDEVICESTATE);
    HRESULT(STDMETHODCALLTYPE* DownloadEffect)(Self, DWORD, DWORD, LPDWORD, LPCDIEFFECT, DWORD);
    HRESULT(STDMETHODCALLTYPE* DestroyEffect)(Self, DWORD, DWORD);
    HRESULT(STDMETHODCALLTYPE* StartEffect)(Self, DWORD, DWORD, DWORD, DWORD);
    HRESULT(STDMETHODCALLTYPE* StopEffect)(Self, DWORD, DWORD);
    HRESULT(STDMETHODCALLTYPE* GetEffectStatus)(Self, DWORD, DWORD, LPDWORD);
};

TEST(InterfaceSlots, EffectDriverAsDirectInputCallsIt)
{
    RecordingEffectDriver driver;
    IDirectInputEffectDriver* self = &driver;
    const auto& entries = EntriesOf<EffectDriverEntries>(self);
    const CallLog& log = driver.log;
    DIDRIVERVERSIONS versions{};
    DIEFFESCAPE escape{};
    DIDEVICESTATE state{};
    DIEFFECT effect{};
    DWORD handle = 0;
    void* reserved = &handle;

    EXPECT_EQ(entries.QueryInterface(self, IID_IDirectInputEffectDriver, &reserved), S_OK);
    EXPECT_EQ(log.method, "QueryInterface");
    EXPECT_EQ(log.args, (CallArgs{AsArg(&IID_IDirectInputEffectDriver), AsArg(&reserved)}));
    EXPECT_EQ(entries.AddRef(self), 2u);
    EXPECT_EQ(log.method, "AddRef");
    EXPECT_EQ(entries.Release(self), 1u);
    EXPECT_EQ(log.method, "Release");

    entries.DeviceID(self, 0x0500, 1, 1, 7, reserved);
    EXPECT_EQ(log.method, "DeviceID");
    EXPECT_EQ(log.args, (CallArgs{0x0500, 1, 1, 7, AsArg(reserved)}));
    entries.GetVersions(self, &versions);
    EXPECT_EQ(log.method, "GetVersions");
    EXPECT_EQ(log.args, (CallArgs{AsArg(&versions)}));
    entries.Escape(self, 7, 3, &escape);
    EXPECT_EQ(log.method, "Escape");
    EXPECT_EQ(log.args, (CallArgs{7, 3, AsArg(&escape)}));
    entries.SetGain(self, 7, 5000);
    EXPECT_EQ(log.method, "SetGain");
    EXPECT_EQ(log.args, (CallArgs{7, 5000}));
    entries.SendForceFeedbackCommand(self, 7, DISFFC_STOPALL);
    EXPECT_EQ(log.method, "SendForceFeedbackCommand");
    EXPECT_EQ(log.args, (CallArgs{7, DISFFC_STOPALL}));
    entries.GetForceFeedbackState(self, 7, &state);
    EXPECT_EQ(log.method, "GetForceFeedbackState");
    EXPECT_EQ(log.args, (CallArgs{7, AsArg(&state)}));
    entries.DownloadEffect(self, 7, 11, &handle, &effect, DIEP_ALLPARAMS);
    EXPECT_EQ(log.method, "DownloadEffect");
    EXPECT_EQ(log.args, (CallArgs{7, 11, AsArg(&handle), AsArg(&effect), DIEP_ALLPARAMS}));
    entries.DestroyEffect(self, 7, 2);
    EXPECT_EQ(log.method, "DestroyEffect");
    EXPECT_EQ(log.args, (CallArgs{7, 2}));
    entries.StartEffect(self, 7, 2, DIES_SOLO, 3);
    EXPECT_EQ(log.method, "StartEffect");
    EXPECT_EQ(log.args, (CallArgs{7, 2, DIES_SOLO, 3}));
    entries.StopEffect(self, 7, 2);
    EXPECT_EQ(log.method, "StopEffect");
    EXPECT_EQ(log.args, (CallArgs{7, 2}));
    entries.GetEffectStatus(self, 7, 2, &handle);
    EXPECT_EQ(log.method, "GetEffectStatus");
    EXPECT_EQ(log.args, (CallArgs{7, 2, AsArg(&handle)}));
}

class RecordingPropSheet final : public RecordingUnknown<IDIGameCntrlPropSheet> {
public:
    HRESULT STDMETHODCALLTYPE GetSheetInfo(LPDIGCSHEETINFO* a) override
    {
        return log.Record("GetSheetInfo", a);
    }
    HRESULT STDMETHODCALLTYPE GetPageInfo(LPDIGCPAGEINFO* a) override { return log.Record("GetPageInfo", a); }
    HRESULT STDMETHODCALLTYPE SetID(USHORT a) override { return log.Record("SetID", a); }
    HRESULT STDMETHODCALLTYPE Initialize() override { return log.Record("Initialize"); }
    USHORT STDMETHODCALLTYPE GetID() override
    {
        log.Record("GetID");
        return 0xFFFE;
    }
    HRESULT STDMETHODCALLTYPE GetDevice(LPDIRECTINPUTDEVICE2A* a) override
    {
        return log.Record("GetDevice", a);
    }
    HRESULT STDMETHODCALLTYPE SetDevice(LPDIRECTINPUTDEVICE2A a) override
    {
        return log.Record("SetDevice", a);
    }
    HRESULT STDMETHODCALLTYPE GetJoyConfig(LPDIRECTINPUTJOYCONFIG* a) override
    {
        return log.Record("GetJoyConfig", a);
    }
    HRESULT STDMETHODCALLTYPE SetJoyConfig(LPDIRECTINPUTJOYCONFIG a) override
    {
        return log.Record("SetJoyConfig", a);
    }
};

struct PropSheetEntries {
    using Self = IDIGameCntrlPropSheet*;
    HRESULT(STDMETHODCALLTYPE* QueryInterface)(Self, REFIID, void**);
    ULONG(STDMETHODCALLTYPE* AddRef)(Self);
    ULONG(STDMETHODCALLTYPE* Release)(Self);
    HRESULT(STDMETHODCALLTYPE* GetSheetInfo)(Self, LPDIGCSHEETINFO*);
    HRESULT(STDMETHODCALLTYPE* GetPageInfo)(Self, LPDIGCPAGEINFO*);
    HRESULT(STDMETHODCALLTYPE* SetID)(Self, USHORT);
    HRESULT(STDMETHODCALLTYPE* Initialize)(Self);
    USHORT(STDMETHODCALLTYPE* GetID)(Self);
    HRESULT(STDMETHODCALLTYPE* GetDevice)(Self, LPDIRECTINPUTDEVICE2A*);
    HRESULT(STDMETHODCALLTYPE* SetDevice)(Self, LPDIRECTINPUTDEVICE2A);
    HRESULT(STDMETHODCALLTYPE* GetJoyConfig)(Self, LPDIRECTINPUTJOYCONFIG*);
    HRESULT(STDMETHODCALLTYPE* SetJoyConfig)(Self, LPDIRECTINPUTJOYCONFIG);
};

TEST(InterfaceSlots, PropertySheetAsTheControlPanelCallsIt)
{
    RecordingPropSheet sheet;
    IDIGameCntrlPropSheet* self = &sheet;
    const auto& entries = EntriesOf<PropSheetEntries>(self);
    const CallLog& log = sheet.log;
    LPDIGCSHEETINFO sheetInfo = nullptr;
    LPDIGCPAGEINFO pageInfo = nullptr;
    LPDIRECTINPUTDEVICE2A device = nullptr;
    LPDIRECTINPUTJOYCONFIG joyConfig = nullptr;
    // Stand-ins: only the pointer values travel, nothing is called on them.
    const auto fakeDevice = reinterpret_cast<LPDIRECTINPUTDEVICE2A>(&device);
    const auto fakeJoyConfig = reinterpret_cast<LPDIRECTINPUTJOYCONFIG>(&joyConfig);

    EXPECT_EQ(entries.AddRef(self), 2u);
    EXPECT_EQ(log.method, "AddRef");
    EXPECT_EQ(entries.Release(self), 1u);
    EXPECT_EQ(log.method, "Release");

    entries.GetSheetInfo(self, &sheetInfo);
    EXPECT_EQ(log.method, "GetSheetInfo");
    EXPECT_EQ(log.args, (CallArgs{AsArg(&sheetInfo)}));
    entries.GetPageInfo(self, &pageInfo);
    EXPECT_EQ(log.method, "GetPageInfo");
    EXPECT_EQ(log.args, (CallArgs{AsArg(&pageInfo)}));
    entries.SetID(self, 3);
    EXPECT_EQ(log.method, "SetID");
    EXPECT_EQ(log.args, (CallArgs{3}));
    entries.Initialize(self);
    EXPECT_EQ(log.method, "Initialize");
    EXPECT_TRUE(log.args.empty());
    EXPECT_EQ(entries.GetID(self), 0xFFFE);
    EXPECT_EQ(log.method, "GetID");
    EXPECT_TRUE(log.args.empty());
    entries.GetDevice(self, &device);
    EXPECT_EQ(log.method, "GetDevice");
    EXPECT_EQ(log.args, (CallArgs{AsArg(&device)}));
    entries.SetDevice(self, fakeDevice);
    EXPECT_EQ(log.method, "SetDevice");
    EXPECT_EQ(log.args, (CallArgs{AsArg(fakeDevice)}));
    entries.GetJoyConfig(self, &joyConfig);
    EXPECT_EQ(log.method, "GetJoyConfig");
    EXPECT_EQ(log.args, (CallArgs{AsArg(&joyConfig)}));
    entries.SetJoyConfig(self, fakeJoyConfig);
    EXPECT_EQ(log.method, "SetJoyConfig");
    EXPECT_EQ(log.args, (CallArgs{AsArg(fakeJoyConfig)}));
}

} // namespace
} // namespace torvex
