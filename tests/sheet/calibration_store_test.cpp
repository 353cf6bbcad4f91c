#include "sheet/calibration_store.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/sim/sim_version.h"
#include "tests/sheet/calibration_records.h"
#include "tests/support/calibration_layouts.h"
#include "tests/support/fixtures.h"

namespace torvex {
namespace {

using testing::CalibratedRecord;
using testing::SetAxis;

using testing::ImportFixture;
using Bytes = std::vector<BYTE>;

// The instance GUIDs DirectInput gave two wheels (as in the fixtures).
const GUID kFirstWheel = {0x913C5EA0, 0xB422, 0x11D1, {0x80, 0x01, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID kSecondWheel = {0xA24D6FB1, 0xC533, 0x11E2, {0x91, 0x12, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID kUnknownWheel = {0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x44, 0x44, 0x44, 0x44, 0x44, 0x44}};

const std::string kSettingsKey =
    "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\MediaResources\\Joystick"
    "\\DINPUT.DLL\\CurrentJoystickSettings";
const std::string kCalibrationKey =
    "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\DirectInput"
    "\\VID_6D2A&PID_0005\\Calibration";
const std::string kHidClass = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\DeviceClasses\\{"
                              "4d1e55b2-f16f-11cf-88cb-001111000030}";
const char* const kAxisKeys[] = {"0", "1", "2", "5"};

Bytes Words(std::initializer_list<DWORD> words)
{
    Bytes bytes;
    for (const DWORD word : words)
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<BYTE>(word >> shift));
    return bytes;
}

// The 12-byte "Calibration" value: minimum, centre, maximum.
Bytes Calibration(DWORD min, DWORD centre, DWORD max)
{
    return Words({min, centre, max});
}

// The page's "Default" button: 0, 128 and 255 on every axis.
std::unique_ptr<DIJOYCONFIG_DX5> DefaultRecord()
{
    auto config = CalibratedRecord();
    for (DWORD JOYPOS::*axis : {&JOYPOS::dwX, &JOYPOS::dwY, &JOYPOS::dwZ, &JOYPOS::dwR})
        SetAxis(config->hwc.hwv.jrvHardware, axis, 0, 128, 255);
    return config;
}

// The Windows 98 value, word by word in the order DirectInput reads it.
Bytes HardwareConfigurationValue(const JOYREGHWCONFIG& hwc)
{
    Bytes value = Words({hwc.hws.dwFlags, hwc.hws.dwNumButtons, hwc.dwUsageSettings});
    const JOYRANGE& range = hwc.hwv.jrvHardware;
    for (const JOYPOS* p : {&range.jpMin, &range.jpMax, &range.jpCenter}) {
        const Bytes words = Words({p->dwX, p->dwY, p->dwZ, p->dwR, p->dwU, p->dwV});
        value.insert(value.end(), words.begin(), words.end());
    }
    const DWORD* pov = hwc.hwv.dwPOVValues;
    const Bytes tail =
        Words({pov[0], pov[1], pov[2], pov[3], hwc.hwv.dwCalFlags, hwc.dwType, hwc.dwReserved});
    value.insert(value.end(), tail.begin(), tail.end());
    return value;
}

class CalibrationStore : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(registry.OpenKeyCount(), 0) << "a key was left open"; }

    void OnWindows98() { version.Set(VER_PLATFORM_WIN32_WINDOWS, 4, 10); }
    void OnWindowsMe() { version.Set(VER_PLATFORM_WIN32_WINDOWS, 4, 90); }
    void OnWindows2000() { version.Set(VER_PLATFORM_WIN32_NT, 5, 0); }
    void OnWindowsXp() { version.Set(VER_PLATFORM_WIN32_NT, 5, 1); }

    LONG Write(const GUID& guid, DWORD flags = DIJC_REGHWCONFIGTYPE, DWORD joystickId = 0)
    {
        return WriteJoystickCalibration(registry, version, Record(), flags, guid, joystickId);
    }
    // Held on the heap at its own 1160 bytes, so that a read past it shows
    // under the address sanitizer.
    const DIJOYCONFIG_DX5& Record() const { return *config; }

    std::optional<Bytes> Binary(const std::string& path, const std::string& name) const
    {
        const auto value = registry.GetValueAt(path, name);
        if (!value)
            return std::nullopt;
        EXPECT_EQ(value->type, static_cast<DWORD>(REG_BINARY)) << path << " " << name;
        return value->data;
    }
    std::optional<Bytes> AxisValue(const std::string& axes, const char* axis) const
    {
        return Binary(axes + "\\" + axis, "Calibration");
    }
    // The whole tree at and below `path`, as regedit would export it.
    std::string Snapshot(const std::string& path = "HKEY_LOCAL_MACHINE") const
    {
        return WriteRegistryFile(registry.Export(path));
    }

    SimRegistry registry;
    SimVersion version;
    std::unique_ptr<DIJOYCONFIG_DX5> config = CalibratedRecord();
};

// ---------------------------------------------------------------------------
// Windows 2000 and XP keep one value per axis below a device key found by
// the instance GUID; only the place of the device keys differs.

struct AxisLayout {
    const char* name;
    const char* fixture;
    DWORD minor; // of Windows NT 5
    // Device keys in the fixture: the first wheel's, the second wheel's,
    // the second wheel's stale duplicate, and those holding 15 and 17 bytes
    // of the second wheel's GUID.
    std::string firstWheel, secondWheel, duplicate, shortGuid, longGuid;
    std::string axesBelowDevice;
    DeviceKeyLookup lookup;

    std::string Axes(const std::string& device) const { return device + "\\" + axesBelowDevice; }
};

void PrintTo(const AxisLayout& layout, std::ostream* os)
{
    *os << layout.name;
}

std::string HidInterface(int instance)
{
    return kHidClass + "\\##?#HID#Vid_6d2a&Pid_0005#7&1a000" + std::to_string(instance) +
           "&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";
}

// The Windows tests' layouts, as paths of the in-memory registry.
AxisLayout InMemory(const testing::NtLayout& nt, const char* name, DWORD minor, DeviceKeyLookup lookup)
{
    const auto at = [](const std::string& path) { return "HKEY_LOCAL_MACHINE\\" + path; };
    return {name,
            nt.fixture,
            minor,
            at(nt.firstWheel),
            at(nt.secondWheel),
            at(nt.duplicate),
            at(nt.shortGuid),
            at(nt.longGuid),
            nt.axesBelowDevice,
            lookup};
}

const AxisLayout kWindowsXp = InMemory(testing::kWindowsXp, "WindowsXp", 1, FindCalibrationKey);
const AxisLayout kWindows2000 = InMemory(testing::kWindows2000, "Windows2000", 0, FindHidInterfaceKey);

class AxisCalibrationStore : public CalibrationStore, public ::testing::WithParamInterface<AxisLayout> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ImportFixture(registry, layout().fixture));
        version.Set(VER_PLATFORM_WIN32_NT, 5, layout().minor);
    }
    const AxisLayout& layout() const { return GetParam(); }
};

TEST_P(AxisCalibrationStore, EachAxisGetsItsMinimumCentreAndMaximum)
{
    EXPECT_EQ(Write(kFirstWheel), ERROR_SUCCESS);
    const std::string axes = layout().Axes(layout().firstWheel);
    EXPECT_EQ(AxisValue(axes, "0"), (Bytes{0x0A, 0, 0, 0, 0x78, 0, 0, 0, 0xFA, 0, 0, 0}));
    EXPECT_EQ(AxisValue(axes, "1"), Calibration(0, 5, 255));
    EXPECT_EQ(AxisValue(axes, "2"), Calibration(3, 3, 200));
    EXPECT_EQ(AxisValue(axes, "5"), Calibration(0, 0, 180));
}

TEST_P(AxisCalibrationStore, RxRyAndOtherValuesOfTheAxisKeysKeepTheirContents)
{
    const std::string axes = layout().Axes(layout().firstWheel);
    const std::string rx = Snapshot(axes + "\\3");
    const std::string ry = Snapshot(axes + "\\4");
    const auto attributes = Binary(axes + "\\0", "Attributes");
    ASSERT_TRUE(attributes);
    EXPECT_EQ(Write(kFirstWheel), ERROR_SUCCESS);
    EXPECT_EQ(Snapshot(axes + "\\3"), rx);
    EXPECT_EQ(Snapshot(axes + "\\4"), ry);
    EXPECT_EQ(Binary(axes + "\\0", "Attributes"), attributes);
    EXPECT_EQ(registry.SubkeyNames(axes).size(), 6u);
}

TEST_P(AxisCalibrationStore, OnlyTheFirstDeviceKeyWithExactlyTheGuidIsWritten)
{
    config = DefaultRecord();
    const std::string untouched[] = {Snapshot(layout().shortGuid), Snapshot(layout().longGuid),
                                     Snapshot(layout().duplicate), Snapshot(layout().firstWheel)};
    // The second wheel's device key has no axes yet: they are created.
    EXPECT_EQ(Write(kSecondWheel), ERROR_SUCCESS);
    for (const char* axis : kAxisKeys)
        EXPECT_EQ(AxisValue(layout().Axes(layout().secondWheel), axis), Calibration(0, 128, 255)) << axis;
    const std::string now[] = {Snapshot(layout().shortGuid), Snapshot(layout().longGuid),
                               Snapshot(layout().duplicate), Snapshot(layout().firstWheel)};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(now[i], untouched[i]) << i;
}

TEST_P(AxisCalibrationStore, GuidsOfFifteenOrSeventeenBytesNeverMatch)
{
    registry.DeleteKeyAt(layout().secondWheel);
    registry.DeleteKeyAt(layout().duplicate);
    const std::string before = Snapshot();
    EXPECT_EQ(Write(kSecondWheel), E_FAIL);
    EXPECT_EQ(Snapshot(), before);
    HKEY device = reinterpret_cast<HKEY>(0x1);
    EXPECT_EQ(layout().lookup(registry, kSecondWheel, &device), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(device, nullptr);
}

TEST_P(AxisCalibrationStore, AGuidThatDiffersOnlyInItsLastByteIsAnotherDevice)
{
    GUID neighbour = kSecondWheel;
    neighbour.Data4[7] ^= 0x01;
    const std::string before = Snapshot();
    EXPECT_EQ(Write(neighbour), E_FAIL);
    EXPECT_EQ(Snapshot(), before);
    neighbour = kFirstWheel;
    neighbour.Data1 ^= 0x80000000u;
    EXPECT_EQ(Write(neighbour), E_FAIL);
    EXPECT_EQ(Snapshot(), before);
}

TEST_P(AxisCalibrationStore, WithoutTheHardwareConfigurationFlagTheDeviceKeyIsOnlyLookedUp)
{
    const std::string before = Snapshot();
    EXPECT_EQ(Write(kFirstWheel, 0), ERROR_SUCCESS);
    EXPECT_EQ(Write(kFirstWheel, DIJC_GUIDINSTANCE | DIJC_GAIN), ERROR_SUCCESS);
    EXPECT_EQ(Write(kUnknownWheel, 0), E_FAIL);
    EXPECT_EQ(Snapshot(), before);
}

TEST_P(AxisCalibrationStore, TheLookupHandsOutTheDeviceKeyOpen)
{
    HKEY device = nullptr;
    ASSERT_EQ(layout().lookup(registry, kSecondWheel, &device), ERROR_SUCCESS);
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(registry.OpenKeyCount(), 1);
    // It is the device key itself: its axes are written below it.
    HKEY axes = nullptr;
    ASSERT_EQ(registry.CreateKey(device, layout().axesBelowDevice.c_str(), &axes), ERROR_SUCCESS);
    registry.CloseKey(axes);
    registry.CloseKey(device);
    EXPECT_TRUE(registry.KeyExists(layout().Axes(layout().secondWheel)));
    EXPECT_FALSE(registry.KeyExists(layout().Axes(layout().duplicate)));
}

INSTANTIATE_TEST_SUITE_P(Layouts, AxisCalibrationStore, ::testing::Values(kWindowsXp, kWindows2000),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// What goes wrong on the way on Windows XP (the walk and the writing are
// the same code on Windows 2000).

class AxisCalibrationFailures : public CalibrationStore {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ImportFixture(registry, "registry/calibration_winxp.reg"));
        OnWindowsXp();
    }
    const std::string axes = kCalibrationKey + "\\0\\Type\\Axes";
};

TEST_F(AxisCalibrationFailures, AnAxesKeyThatCannotBeHadIsTheResultAndNothingIsWritten)
{
    const std::string before = Snapshot();
    registry.InjectFailure(
        {RegistryOperation::OpenKey, axes, std::nullopt, std::nullopt, ERROR_ACCESS_DENIED});
    EXPECT_EQ(Write(kFirstWheel), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Snapshot(), before);

    registry.ClearFailures();
    registry.DeleteKeyAt(kCalibrationKey + "\\0\\Type");
    const std::string withoutAxes = Snapshot();
    registry.InjectFailure({RegistryOperation::CreateKey, axes, std::nullopt, std::nullopt, ERROR_CANTWRITE});
    EXPECT_EQ(Write(kFirstWheel), ERROR_CANTWRITE);
    EXPECT_EQ(Snapshot(), withoutAxes);
}

TEST_F(AxisCalibrationFailures, AnAxisKeyThatCannotBeHadIsSkipped)
{
    registry.InjectFailure(
        {RegistryOperation::OpenKey, axes + "\\1", std::nullopt, std::nullopt, ERROR_ACCESS_DENIED});
    EXPECT_EQ(Write(kFirstWheel), ERROR_SUCCESS);
    EXPECT_EQ(AxisValue(axes, "0"), Calibration(10, 120, 250));
    EXPECT_FALSE(registry.KeyExists(axes + "\\1"));
    EXPECT_EQ(AxisValue(axes, "2"), Calibration(3, 3, 200));
    EXPECT_EQ(AxisValue(axes, "5"), Calibration(0, 0, 180));
}

TEST_F(AxisCalibrationFailures, OnlyTheRzKeyDecidesTheResult)
{
    registry.InjectFailure(
        {RegistryOperation::CreateKey, axes + "\\5", std::nullopt, std::nullopt, ERROR_CANTWRITE});
    registry.InjectFailure(
        {RegistryOperation::SetValue, axes + "\\0", std::nullopt, "Calibration", ERROR_CANTWRITE});
    EXPECT_EQ(Write(kFirstWheel), ERROR_CANTWRITE);
    EXPECT_EQ(AxisValue(axes, "1"), Calibration(0, 5, 255));
    EXPECT_FALSE(registry.KeyExists(axes + "\\5"));

    // A value that cannot be set on an axis key that could be had is not
    // reported.
    registry.ClearFailures();
    registry.InjectFailure(
        {RegistryOperation::SetValue, axes + "\\5", std::nullopt, "Calibration", ERROR_CANTWRITE});
    EXPECT_EQ(Write(kFirstWheel), ERROR_SUCCESS);
    EXPECT_FALSE(AxisValue(axes, "5"));
}

TEST_F(AxisCalibrationFailures, AnEnumerationOrOpenErrorEndsTheWalk)
{
    HKEY device = nullptr;
    registry.InjectFailure({RegistryOperation::EnumKey, kCalibrationKey, 2, std::nullopt, ERROR_GEN_FAILURE});
    EXPECT_EQ(FindCalibrationKey(registry, kSecondWheel, &device), ERROR_GEN_FAILURE);
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(Write(kSecondWheel), E_FAIL);
    EXPECT_EQ(FindCalibrationKey(registry, kFirstWheel, &device), ERROR_SUCCESS);
    registry.CloseKey(device);

    registry.ClearFailures();
    registry.InjectFailure({RegistryOperation::OpenKey, kCalibrationKey + "\\1", std::nullopt, std::nullopt,
                            ERROR_ACCESS_DENIED});
    EXPECT_EQ(FindCalibrationKey(registry, kSecondWheel, &device), ERROR_ACCESS_DENIED);
    EXPECT_EQ(device, nullptr);
}

TEST_F(AxisCalibrationFailures, AMissingOrUnreadableRootFindsNoDevice)
{
    HKEY device = nullptr;
    EXPECT_EQ(FindHidInterfaceKey(registry, kFirstWheel, &device), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(device, nullptr);
    registry.DeleteKeyAt(kCalibrationKey);
    EXPECT_EQ(FindCalibrationKey(registry, kFirstWheel, &device), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Write(kFirstWheel), E_FAIL);
    EXPECT_EQ(Write(kFirstWheel, 0), E_FAIL);
}

TEST_F(AxisCalibrationFailures, AnUnreadableGuidPassesTheKeyOver)
{
    ASSERT_TRUE(ImportFixture(registry, "registry/calibration_win2000.reg"));
    registry.InjectFailure(
        {RegistryOperation::QueryValue, kCalibrationKey + "\\3", std::nullopt, "GUID", ERROR_ACCESS_DENIED});
    registry.InjectFailure({RegistryOperation::QueryValue,
                            HidInterface(4) + "\\#\\Device Parameters\\DirectX", std::nullopt, "GUID",
                            ERROR_ACCESS_DENIED});
    OnWindowsXp();
    EXPECT_EQ(Write(kSecondWheel), ERROR_SUCCESS);
    EXPECT_TRUE(registry.KeyExists(kCalibrationKey + "\\4\\Type\\Axes\\5"));
    OnWindows2000();
    EXPECT_EQ(Write(kSecondWheel), ERROR_SUCCESS);
    EXPECT_TRUE(registry.KeyExists(HidInterface(5) + "\\#\\Device Parameters\\DirectX\\Type\\Axes\\5"));
}

// Lookups are the store's own, but the write must close whatever one hands
// out and must not trust a key it got without success.
TEST_F(AxisCalibrationFailures, AKeyHandedOutWithAnErrorIsClosedAndNotWritten)
{
    const std::string before = Snapshot();
    const DeviceKeyLookup openButFailed = [](RegistryPort& port, const GUID&, HKEY* key) -> LONG {
        port.OpenKey(HKEY_LOCAL_MACHINE, kCalibrationKey.substr(sizeof "HKEY_LOCAL_MACHINE").c_str(), key);
        return ERROR_MORE_DATA;
    };
    const DeviceKeyLookup successWithoutKey = [](RegistryPort&, const GUID&, HKEY* key) -> LONG {
        *key = nullptr;
        return ERROR_SUCCESS;
    };
    EXPECT_EQ(WriteAxisCalibration(registry, kFirstWheel, Record(), DIJC_REGHWCONFIGTYPE, openButFailed,
                                   "Type\\Axes"),
              E_FAIL);
    EXPECT_EQ(registry.OpenKeyCount(), 0);
    EXPECT_EQ(WriteAxisCalibration(registry, kFirstWheel, Record(), DIJC_REGHWCONFIGTYPE, successWithoutKey,
                                   "Type\\Axes"),
              E_FAIL);
    EXPECT_EQ(
        WriteAxisCalibration(registry, kFirstWheel, Record(), DIJC_REGHWCONFIGTYPE, nullptr, "Type\\Axes"),
        E_FAIL);
    EXPECT_EQ(Snapshot(), before);
}

// ---------------------------------------------------------------------------
// Windows 98 and Me keep the whole hardware configuration per joystick.

class JoystickConfigStore : public CalibrationStore {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ImportFixture(registry, "registry/calibration_win98.reg"));
        OnWindows98();
    }
};

TEST_F(JoystickConfigStore, JoystickZeroGetsTheWhole112BytesAsJoystick1Configuration)
{
    const auto otherJoystick = Binary(kSettingsKey, "Joystick2Configuration");
    ASSERT_TRUE(otherJoystick);
    // The flags and the GUID play no part here.
    EXPECT_EQ(Write(kUnknownWheel, 0, 0), ERROR_SUCCESS);
    const auto written = Binary(kSettingsKey, "Joystick1Configuration");
    ASSERT_TRUE(written);
    EXPECT_EQ(written->size(), 112u);
    EXPECT_EQ(*written, HardwareConfigurationValue(config->hwc));
    EXPECT_EQ((Bytes(written->begin() + 12, written->begin() + 16)), Words({10}));  // minimum of X
    EXPECT_EQ((Bytes(written->begin() + 48, written->begin() + 52)), Words({180})); // maximum of Rz
    EXPECT_EQ((Bytes(written->begin() + 60, written->begin() + 64)), Words({120})); // centre of X
    EXPECT_EQ(Binary(kSettingsKey, "Joystick2Configuration"), otherJoystick);
    EXPECT_EQ(registry.GetValueAt(kSettingsKey, "Joystick1OEMName")->data.size(), sizeof "VID_6D2A&PID_0005");
}

TEST_F(JoystickConfigStore, TheLow16BitsOfTheIdCountAsASignedNumber)
{
    EXPECT_EQ(Write(kFirstWheel, DIJC_REGHWCONFIGTYPE, 0xFFFF), ERROR_SUCCESS);
    EXPECT_EQ(Binary(kSettingsKey, "Joystick0Configuration"), HardwareConfigurationValue(config->hwc));
    EXPECT_EQ(Write(kFirstWheel, DIJC_REGHWCONFIGTYPE, 0x00010001), ERROR_SUCCESS);
    EXPECT_EQ(Binary(kSettingsKey, "Joystick2Configuration"), HardwareConfigurationValue(config->hwc));
    OnWindowsMe();
    EXPECT_EQ(Write(kFirstWheel, DIJC_REGHWCONFIGTYPE, 2), ERROR_SUCCESS);
    EXPECT_EQ(Binary(kSettingsKey, "Joystick3Configuration"), HardwareConfigurationValue(config->hwc));
}

TEST_F(JoystickConfigStore, AMissingSettingsKeyIsNeverCreated)
{
    registry.DeleteKeyAt("HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\MediaResources");
    const std::string before = Snapshot();
    EXPECT_EQ(Write(kFirstWheel), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Snapshot(), before);
    EXPECT_FALSE(registry.KeyExists(kSettingsKey));
}

TEST_F(JoystickConfigStore, AValueThatCannotBeSetIsTheResult)
{
    registry.InjectFailure(
        {RegistryOperation::SetValue, kSettingsKey, std::nullopt, "Joystick1Configuration", ERROR_CANTWRITE});
    EXPECT_EQ(Write(kFirstWheel), ERROR_CANTWRITE);
}

// ---------------------------------------------------------------------------

TEST_F(CalibrationStore, OtherWindowsVersionsFailAndLeaveTheRegistryAlone)
{
    ASSERT_TRUE(ImportFixture(registry, "registry/calibration_win98.reg"));
    ASSERT_TRUE(ImportFixture(registry, "registry/calibration_win2000.reg"));
    ASSERT_TRUE(ImportFixture(registry, "registry/calibration_winxp.reg"));
    const std::string before = Snapshot();
    struct Version {
        DWORD platform, major, minor;
    };
    for (const Version v : {Version{VER_PLATFORM_WIN32_WINDOWS, 4, 0}, Version{VER_PLATFORM_WIN32_NT, 4, 0},
                            Version{VER_PLATFORM_WIN32_NT, 3, 51}, Version{VER_PLATFORM_WIN32s, 3, 10},
                            Version{VER_PLATFORM_WIN32_NT, 5, 2}, Version{VER_PLATFORM_WIN32_NT, 6, 0},
                            Version{VER_PLATFORM_WIN32_NT, 10, 0}}) {
        version.Set(v.platform, v.major, v.minor);
        EXPECT_EQ(Write(kFirstWheel), E_FAIL) << v.platform << " " << v.major << "." << v.minor;
    }
    version.Fail();
    EXPECT_EQ(Write(kFirstWheel), E_FAIL);
    EXPECT_EQ(Snapshot(), before);
}

// ---------------------------------------------------------------------------
// The page's save step, with the sheet and DirectInput's joystick
// configuration played by doubles.

class FakeJoyConfig final : public IDirectInputJoyConfig {
public:
    struct Call {
        UINT joystick;
        DWORD recordSize;
        DWORD flags;
    };

    HRESULT result = S_OK;
    GUID instance = kFirstWheel;
    std::vector<Call> calls;
    LONG references = 1;

    HRESULT STDMETHODCALLTYPE GetConfig(UINT joystick, LPDIJOYCONFIG record, DWORD flags) override
    {
        calls.push_back({joystick, record->dwSize, flags});
        // Filled even when the call reports anything but S_OK, which the
        // caller must not trust.
        record->guidInstance = instance;
        return result;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--references); }
    HRESULT STDMETHODCALLTYPE Acquire() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Unacquire() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SendNotify() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumTypes(LPVOID, LPVOID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(LPCWSTR, LPDIJOYTYPEINFO, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetTypeInfo(LPCWSTR, LPCDIJOYTYPEINFO, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeleteType(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetConfig(UINT, LPCDIJOYCONFIG, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeleteConfig(UINT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetUserValues(LPDIJOYUSERVALUES, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetUserValues(LPCDIJOYUSERVALUES, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AddNewHardware(HWND, REFGUID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OpenTypeKey(LPCWSTR, DWORD, HKEY*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OpenConfigKey(UINT, DWORD, HKEY*) override { return E_NOTIMPL; }
};

class FakeSheet final : public IDIGameCntrlPropSheet {
public:
    IDirectInputJoyConfig* joyConfig = nullptr;
    USHORT id = 0;
    LONG references = 1;

    HRESULT STDMETHODCALLTYPE GetJoyConfig(LPDIRECTINPUTJOYCONFIG* out) override
    {
        *out = joyConfig;
        return S_OK;
    }
    USHORT STDMETHODCALLTYPE GetID() override { return id; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--references); }
    HRESULT STDMETHODCALLTYPE GetSheetInfo(LPDIGCSHEETINFO*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPageInfo(LPDIGCPAGEINFO*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetID(USHORT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Initialize() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDevice(LPDIRECTINPUTDEVICE2A*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetDevice(LPDIRECTINPUTDEVICE2A) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetJoyConfig(LPDIRECTINPUTJOYCONFIG) override { return E_NOTIMPL; }
};

class SaveCalibrationStep : public CalibrationStore {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ImportFixture(registry, "registry/calibration_win98.reg"));
        ASSERT_TRUE(ImportFixture(registry, "registry/calibration_winxp.reg"));
        sheet.joyConfig = &joyConfig;
    }
    void TearDown() override
    {
        EXPECT_EQ(joyConfig.references, 1) << "the sheet lends its interface";
        EXPECT_EQ(sheet.references, 1);
        CalibrationStore::TearDown();
    }
    void Save() { SaveCalibration(registry, version, Record(), &sheet); }

    FakeJoyConfig joyConfig;
    FakeSheet sheet;
};

TEST_F(SaveCalibrationStep, WritesTheRangesOfTheJoystickWithTheSheetsInstanceGuid)
{
    OnWindowsXp();
    joyConfig.instance = kSecondWheel;
    sheet.id = 1;
    Save();
    ASSERT_EQ(joyConfig.calls.size(), 1u);
    EXPECT_EQ(joyConfig.calls[0].joystick, 1u);
    EXPECT_EQ(joyConfig.calls[0].recordSize, 1160u);
    EXPECT_EQ(joyConfig.calls[0].flags, static_cast<DWORD>(DIJC_GUIDINSTANCE));
    EXPECT_EQ(AxisValue(kCalibrationKey + "\\3\\Type\\Axes", "0"), Calibration(10, 120, 250));
    EXPECT_EQ(AxisValue(kCalibrationKey + "\\3\\Type\\Axes", "5"), Calibration(0, 0, 180));
    EXPECT_FALSE(registry.KeyExists(kCalibrationKey + "\\0\\Type\\Axes\\5"));
}

TEST_F(SaveCalibrationStep, ASheetWithoutIdAsksForJoystickMinusOne)
{
    OnWindows98();
    sheet.id = 0xFFFF;
    Save();
    ASSERT_EQ(joyConfig.calls.size(), 1u);
    EXPECT_EQ(joyConfig.calls[0].joystick, 0xFFFFFFFFu);
    EXPECT_EQ(Binary(kSettingsKey, "Joystick0Configuration"), HardwareConfigurationValue(config->hwc));
}

TEST_F(SaveCalibrationStep, NothingIsWrittenWithoutTheJoysticksInstanceGuid)
{
    OnWindowsXp();
    const std::string before = Snapshot();
    for (const HRESULT failure : {E_FAIL, DIERR_INVALIDPARAM, S_FALSE}) {
        joyConfig.result = failure;
        Save();
    }
    EXPECT_EQ(joyConfig.calls.size(), 3u);
    sheet.joyConfig = nullptr;
    Save();
    SaveCalibration(registry, version, Record(), nullptr);
    EXPECT_EQ(joyConfig.calls.size(), 3u);
    EXPECT_EQ(Snapshot(), before);
}

} // namespace
} // namespace torvex
