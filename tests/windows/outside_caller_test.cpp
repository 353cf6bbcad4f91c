// Both DLLs as a caller outside this project calls them. DirectInput and
// the game controllers control panel know the interfaces only as tables of
// slots: which operation sits in which slot, what it takes and what it
// answers. This program knows them the same way: every table below is
// written from the interfaces' published tables, not from this project's
// headers, and every slot of the real DLLs is called through it. A slot
// whose arguments or result differ from the table shows here as a wrong
// answer or a crash, not as a test that agrees with its own mistake.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <windows.h>

namespace {

// --- The identifiers, as the installation and the platform spell them ---

constexpr GUID kIUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr GUID kIClassFactory = {
    0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr GUID kIEffectDriver = {
    0x02538130, 0x898F, 0x11D0, {0x9A, 0xD0, 0x00, 0xA0, 0xC9, 0xA0, 0x6E, 0x35}};
constexpr GUID kIPropSheet = {0x7854FB22, 0x8EE3, 0x11D0, {0xA1, 0xAC, 0x00, 0x00, 0xF8, 0x02, 0x69, 0x77}};
constexpr GUID kDriverClass = {0xAF8D694E, 0x457D, 0x4284, {0xA3, 0x57, 0x07, 0xB9, 0xFB, 0x49, 0x77, 0x39}};
constexpr GUID kSheetClass = {0xC1615263, 0x565A, 0x478F, {0x99, 0x48, 0x9A, 0xC3, 0xA8, 0xD0, 0x21, 0x10}};
// An interface neither server has.
constexpr GUID kIOther = {0x12345678, 0x9ABC, 0xDEF0, {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0}};

// --- The tables, slot by slot ----------------------------------------------

using Self = void*;

struct ClassFactoryTable {
    HRESULT(__stdcall* QueryInterface)(Self, const GUID* iid, void** out);
    ULONG(__stdcall* AddRef)(Self);
    ULONG(__stdcall* Release)(Self);
    HRESULT(__stdcall* CreateInstance)(Self, void* outer, const GUID* iid, void** out);
    HRESULT(__stdcall* LockServer)(Self, BOOL lock);
};

struct EffectDriverTable {
    HRESULT(__stdcall* QueryInterface)(Self, const GUID* iid, void** out);
    ULONG(__stdcall* AddRef)(Self);
    ULONG(__stdcall* Release)(Self);
    HRESULT(__stdcall* DeviceID)
    (Self, DWORD directInputVersion, DWORD externalId, DWORD begin, DWORD internalId, void* hidInformation);
    HRESULT(__stdcall* GetVersions)(Self, void* versions);
    HRESULT(__stdcall* Escape)(Self, DWORD device, DWORD effect, void* escape);
    HRESULT(__stdcall* SetGain)(Self, DWORD device, DWORD gain);
    HRESULT(__stdcall* SendForceFeedbackCommand)(Self, DWORD device, DWORD command);
    HRESULT(__stdcall* GetForceFeedbackState)(Self, DWORD device, void* state);
    HRESULT(__stdcall* DownloadEffect)
    (Self, DWORD device, DWORD internalType, DWORD* handle, const void* effect, DWORD flags);
    HRESULT(__stdcall* DestroyEffect)(Self, DWORD device, DWORD effect);
    HRESULT(__stdcall* StartEffect)(Self, DWORD device, DWORD effect, DWORD mode, DWORD count);
    HRESULT(__stdcall* StopEffect)(Self, DWORD device, DWORD effect);
    HRESULT(__stdcall* GetEffectStatus)(Self, DWORD device, DWORD effect, DWORD* status);
};

struct SheetRecord {
    DWORD dwSize;
    USHORT nNumPages;
    LPWSTR lpwszSheetCaption;
    BOOL fSheetIconFlag;
    LPWSTR lpwszSheetIcon;
};

struct PageRecord {
    DWORD dwSize;
    LPWSTR lpwszPageTitle;
    void* fpPageProc;
    BOOL fProcFlag;
    void* fpPrePostProc;
    BOOL fIconFlag;
    LPWSTR lpwszPageIcon;
    LPWSTR lpwszTemplate;
    LPARAM lParam;
    HINSTANCE hInstance;
};

struct PropSheetTable {
    HRESULT(__stdcall* QueryInterface)(Self, const GUID* iid, void** out);
    ULONG(__stdcall* AddRef)(Self);
    ULONG(__stdcall* Release)(Self);
    HRESULT(__stdcall* GetSheetInfo)(Self, SheetRecord** sheet);
    HRESULT(__stdcall* GetPageInfo)(Self, PageRecord** pages);
    HRESULT(__stdcall* SetID)(Self, USHORT id);
    HRESULT(__stdcall* Initialize)(Self);
    USHORT(__stdcall* GetID)(Self);
    HRESULT(__stdcall* GetDevice)(Self, void** device);
    HRESULT(__stdcall* SetDevice)(Self, void* device);
    HRESULT(__stdcall* GetJoyConfig)(Self, void** joyConfig);
    HRESULT(__stdcall* SetJoyConfig)(Self, void* joyConfig);
};

// A COM object is a pointer to its table.
template <typename Table> const Table& Slots(void* object)
{
    return **static_cast<const Table* const*>(object);
}

// The records the driver's slots read and write.
struct DriverVersions {
    DWORD dwSize, dwFirmwareRevision, dwHardwareRevision, dwFFDriverVersion;
};
struct ConstantForceEffect {
    DWORD dwSize, dwFlags, dwDuration, dwSamplePeriod, dwGain, dwTriggerButton, dwTriggerRepeatInterval,
        cAxes;
    DWORD* rgdwAxes;
    LONG* rglDirection;
    void* lpEnvelope;
    DWORD cbTypeSpecificParams;
    void* lpvTypeSpecificParams;
};

// --- The servers -----------------------------------------------------------

using GetClassObjectExport = HRESULT(__stdcall*)(const GUID* clsid, const GUID* iid, void** out);
using CanUnloadNowExport = HRESULT(__stdcall*)();

struct Server {
    const char* path;
    GUID clsid;
    GUID objectInterface;
};

const Server kDriverServer = {TORVEX_FF_DLL, kDriverClass, kIEffectDriver};
const Server kSheetServer = {TORVEX_PS_DLL, kSheetClass, kIPropSheet};

class LoadedServer {
public:
    explicit LoadedServer(const Server& server) : server_(server), module_(LoadLibraryA(server.path))
    {
        if (module_ == nullptr)
            return;
        getClassObject_ = reinterpret_cast<GetClassObjectExport>(
            reinterpret_cast<void*>(GetProcAddress(module_, "DllGetClassObject")));
        canUnloadNow_ = reinterpret_cast<CanUnloadNowExport>(
            reinterpret_cast<void*>(GetProcAddress(module_, "DllCanUnloadNow")));
    }
    ~LoadedServer()
    {
        if (module_ != nullptr)
            FreeLibrary(module_);
    }
    LoadedServer(const LoadedServer&) = delete;
    LoadedServer& operator=(const LoadedServer&) = delete;

    bool loaded() const { return getClassObject_ != nullptr && canUnloadNow_ != nullptr; }
    HMODULE module() const { return module_; }
    HRESULT CanUnloadNow() const { return canUnloadNow_(); }

    void* Factory() const
    {
        void* factory = nullptr;
        EXPECT_EQ(getClassObject_(&server_.clsid, &kIClassFactory, &factory), S_OK);
        return factory;
    }

    // The server's object, through a factory that is released again.
    void* Create() const
    {
        void* factory = Factory();
        if (factory == nullptr)
            return nullptr;
        void* object = nullptr;
        EXPECT_EQ(Slots<ClassFactoryTable>(factory).CreateInstance(factory, nullptr, &server_.objectInterface,
                                                                   &object),
                  S_OK);
        Slots<ClassFactoryTable>(factory).Release(factory);
        return object;
    }

private:
    Server server_;
    HMODULE module_;
    GetClassObjectExport getClassObject_ = nullptr;
    CanUnloadNowExport canUnloadNow_ = nullptr;
};

// --- The class factories ---------------------------------------------------

class ClassFactorySlots : public ::testing::TestWithParam<Server> {};

TEST_P(ClassFactorySlots, EverySlotAnswersAsItsTableSays)
{
    LoadedServer server(GetParam());
    ASSERT_TRUE(server.loaded()) << GetParam().path << ": " << GetLastError();
    void* factory = server.Factory();
    ASSERT_NE(factory, nullptr);
    const ClassFactoryTable& slots = Slots<ClassFactoryTable>(factory);

    void* out = &out;
    EXPECT_EQ(slots.QueryInterface(factory, &kIUnknown, &out), S_OK);
    EXPECT_EQ(out, factory);
    EXPECT_EQ(slots.Release(factory), 1u);
    out = &out;
    EXPECT_EQ(slots.QueryInterface(factory, &kIOther, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(slots.AddRef(factory), 2u);
    EXPECT_EQ(slots.Release(factory), 1u);

    out = &out;
    EXPECT_EQ(slots.CreateInstance(factory, factory, &GetParam().objectInterface, &out),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(out, nullptr);
    void* object = nullptr;
    EXPECT_EQ(slots.CreateInstance(factory, nullptr, &GetParam().objectInterface, &object), S_OK);
    ASSERT_NE(object, nullptr);
    Slots<ClassFactoryTable>(object).Release(object); // every object's slot 2 is Release

    // A server lock outlives the factory that took it.
    EXPECT_EQ(slots.LockServer(factory, TRUE), S_OK);
    EXPECT_EQ(slots.Release(factory), 0u);
    EXPECT_EQ(server.CanUnloadNow(), S_FALSE);
    void* another = server.Factory();
    ASSERT_NE(another, nullptr);
    EXPECT_EQ(Slots<ClassFactoryTable>(another).LockServer(another, FALSE), S_OK);
    Slots<ClassFactoryTable>(another).Release(another);
    EXPECT_EQ(server.CanUnloadNow(), S_OK);
}

INSTANTIATE_TEST_SUITE_P(BothServers, ClassFactorySlots, ::testing::Values(kDriverServer, kSheetServer),
                         [](const ::testing::TestParamInfo<Server>& info) {
                             return info.index == 0 ? std::string("TorvexFF") : std::string("TorvexPS");
                         });

// --- The effect driver -----------------------------------------------------

constexpr DWORD kDirectInputVersion = 0x0500;
constexpr DWORD kConstantForce = 0;            // the installation's effect id
constexpr DWORD kAllEffectFields = 0x000001FF; // every field of the DirectX 5 record
constexpr DWORD kNoDownload = 0x80000000;
constexpr DWORD kStopAll = 0x02;
constexpr DWORD kPlaying = 0x01;

TEST(EffectDriverSlots, EverySlotAnswersAsItsTableSays)
{
    LoadedServer server(kDriverServer);
    ASSERT_TRUE(server.loaded()) << kDriverServer.path << ": " << GetLastError();
    void* driver = server.Create();
    ASSERT_NE(driver, nullptr);
    const EffectDriverTable& slots = Slots<EffectDriverTable>(driver);

    void* out = &out;
    EXPECT_EQ(slots.QueryInterface(driver, &kIUnknown, &out), S_OK);
    EXPECT_EQ(out, driver);
    EXPECT_EQ(slots.Release(driver), 0u); // the driver's counts always answer 0
    out = &out;
    EXPECT_EQ(slots.QueryInterface(driver, &kIOther, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(slots.AddRef(driver), 0u);
    EXPECT_EQ(slots.Release(driver), 0u);

    EXPECT_EQ(slots.DeviceID(driver, kDirectInputVersion, 0, TRUE, 0, nullptr), S_OK);

    DriverVersions versions{sizeof(DriverVersions), 7, 7, 7};
    EXPECT_EQ(slots.GetVersions(driver, &versions), S_OK);
    EXPECT_EQ(versions.dwFirmwareRevision, 1u);
    EXPECT_EQ(versions.dwHardwareRevision, 1u);
    EXPECT_EQ(versions.dwFFDriverVersion, 1u);
    DriverVersions wrongSize{sizeof(DriverVersions) + 4, 7, 7, 7};
    EXPECT_EQ(slots.GetVersions(driver, &wrongSize), E_INVALIDARG);
    EXPECT_EQ(wrongSize.dwFirmwareRevision, 7u);

    BYTE untouched[32];
    std::memset(untouched, 0xA5, sizeof untouched);
    BYTE record[32];
    std::memcpy(record, untouched, sizeof record);
    EXPECT_EQ(slots.Escape(driver, 0, 1, record), S_OK);
    EXPECT_EQ(slots.GetForceFeedbackState(driver, 0, record), S_OK);
    EXPECT_EQ(std::memcmp(record, untouched, sizeof record), 0);
    EXPECT_EQ(slots.SetGain(driver, 0, 5000), S_OK);
    EXPECT_EQ(slots.SendForceFeedbackCommand(driver, 0, 0x40), E_FAIL);
    EXPECT_EQ(slots.SendForceFeedbackCommand(driver, 0, kStopAll), S_OK);

    DWORD axes[2] = {0, 4}; // X and Y by their offsets in the joystick state
    LONG directions[2] = {3, 4};
    LONG magnitude = 5000;
    ConstantForceEffect effect{};
    effect.dwSize = sizeof effect;
    effect.dwFlags = 0x12; // axes by object offset, Cartesian direction
    effect.dwDuration = INFINITE;
    effect.dwGain = 10000;
    effect.dwTriggerButton = 0xFFFFFFFF; // none
    effect.cAxes = 2;
    effect.rgdwAxes = axes;
    effect.rglDirection = directions;
    effect.cbTypeSpecificParams = sizeof magnitude;
    effect.lpvTypeSpecificParams = &magnitude;
    DWORD handle = 0;
    EXPECT_EQ(slots.DownloadEffect(driver, 0, kConstantForce, &handle, &effect, kNoDownload), S_OK);
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(slots.DownloadEffect(driver, 0, kConstantForce, &handle, &effect, kAllEffectFields), S_OK);
    ASSERT_NE(handle, 0u);

    DWORD status = 0xFF;
    EXPECT_EQ(slots.GetEffectStatus(driver, 0, handle, &status), S_OK);
    EXPECT_EQ(status, 0u);
    EXPECT_EQ(slots.StartEffect(driver, 0, handle, 0, 1), S_OK);
    EXPECT_EQ(slots.GetEffectStatus(driver, 0, handle, &status), S_OK);
    EXPECT_EQ(status, kPlaying);
    EXPECT_EQ(slots.StopEffect(driver, 0, handle), S_OK);
    EXPECT_EQ(slots.GetEffectStatus(driver, 0, handle, &status), S_OK);
    EXPECT_EQ(status, 0u);
    EXPECT_EQ(slots.StartEffect(driver, 0, handle, 0, 1), S_OK);
    EXPECT_EQ(slots.DestroyEffect(driver, 0, handle), S_OK);
    status = 0xFF;
    EXPECT_EQ(slots.GetEffectStatus(driver, 0, handle, &status), S_OK); // a handle of nothing: no error
    EXPECT_EQ(status, 0u);

    EXPECT_EQ(slots.Release(driver), 0u);
    EXPECT_EQ(server.CanUnloadNow(), S_OK);
}

// --- The property sheet ----------------------------------------------------

constexpr USHORT kNoId = 0xFFFF;

TEST(PropSheetSlots, EverySlotAnswersAsItsTableSays)
{
    LoadedServer server(kSheetServer);
    ASSERT_TRUE(server.loaded()) << kSheetServer.path << ": " << GetLastError();
    void* sheet = server.Create();
    ASSERT_NE(sheet, nullptr);
    const PropSheetTable& slots = Slots<PropSheetTable>(sheet);

    void* out = &out;
    EXPECT_EQ(slots.QueryInterface(sheet, &kIUnknown, &out), S_OK);
    EXPECT_EQ(out, sheet);
    EXPECT_EQ(slots.Release(sheet), 1u);
    out = &out;
    EXPECT_EQ(slots.QueryInterface(sheet, &kIOther, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(slots.AddRef(sheet), 2u);
    EXPECT_EQ(slots.Release(sheet), 1u);

    EXPECT_EQ(slots.GetID(sheet), kNoId);
    EXPECT_EQ(slots.SetID(sheet, 0x8002), S_OK);
    EXPECT_EQ(slots.GetID(sheet), 0x8002);
    EXPECT_EQ(slots.Initialize(sheet), S_OK);
    EXPECT_EQ(slots.GetID(sheet), 0x8002); // Initialize keeps the id

    SheetRecord* record = nullptr;
    ASSERT_EQ(slots.GetSheetInfo(sheet, &record), S_OK);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->dwSize, sizeof(SheetRecord));
    EXPECT_EQ(record->nNumPages, 3);
    ASSERT_NE(record->lpwszSheetCaption, nullptr);
    EXPECT_EQ(std::wstring(record->lpwszSheetCaption), L"ZK-5120 Force Feedback Wheel");
    EXPECT_TRUE(record->fSheetIconFlag);
    EXPECT_EQ(record->lpwszSheetIcon, MAKEINTRESOURCEW(32517));

    PageRecord* pages = nullptr;
    ASSERT_EQ(slots.GetPageInfo(sheet, &pages), S_OK);
    ASSERT_NE(pages, nullptr);
    const WORD templates[3] = {107, 109, 108};
    for (int page = 0; page < 3; ++page) {
        SCOPED_TRACE(page);
        EXPECT_EQ(pages[page].dwSize, sizeof(PageRecord));
        EXPECT_EQ(pages[page].lpwszTemplate, MAKEINTRESOURCEW(templates[page]));
        EXPECT_EQ(pages[page].lpwszPageIcon, MAKEINTRESOURCEW(102));
        EXPECT_TRUE(pages[page].fIconFlag);
        EXPECT_NE(pages[page].fpPageProc, nullptr);
        EXPECT_EQ(pages[page].lParam, reinterpret_cast<LPARAM>(sheet));
        EXPECT_EQ(pages[page].hInstance, server.module());
    }

    // The held interfaces are lent and replaced as pointers; nothing is
    // called on them, so stand-ins do.
    void* held = &out;
    EXPECT_EQ(slots.GetDevice(sheet, &held), S_OK);
    EXPECT_EQ(held, nullptr);
    EXPECT_EQ(slots.SetDevice(sheet, &record), S_OK);
    EXPECT_EQ(slots.GetDevice(sheet, &held), S_OK);
    EXPECT_EQ(held, &record);
    EXPECT_EQ(slots.SetDevice(sheet, nullptr), S_OK);
    held = &out;
    EXPECT_EQ(slots.GetJoyConfig(sheet, &held), S_OK);
    EXPECT_EQ(held, nullptr);
    EXPECT_EQ(slots.SetJoyConfig(sheet, &pages), S_OK);
    EXPECT_EQ(slots.GetJoyConfig(sheet, &held), S_OK);
    EXPECT_EQ(held, &pages);
    EXPECT_EQ(slots.SetJoyConfig(sheet, nullptr), S_OK);

    EXPECT_EQ(slots.Release(sheet), 0u);
    EXPECT_EQ(server.CanUnloadNow(), S_OK);
}

} // namespace
