// The real TorvexFF.dll under Wine, driven through its two exports the way
// DirectInput drives it: the real registry (the installation's entries and
// the wheel's HID entries as Windows 98 and XP keep them), the real named
// event as DriverLock, the real multimedia timer, and a named pipe in this
// process standing in for the wheel's HID device file.
//
// The driver runs as the Windows that Wine reports when that is one of the
// wheel's (98, Me, 2000, XP: the i686 tests set each in turn). Wine reads
// the version it reports to a program when the program starts, so for any
// other version main() runs this program again with Windows XP set for it.
// Started with --hold-driver-lock, the program is instead the second process
// that takes DriverLock away from the driver for a while.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/sim/registry_file.h"
#include "platform/win32/win32_registry.h"
#include "platform/windows_api.h"
#include "tests/support/fixtures.h"
#include "tests/support/installed_server.h"
#include "tests/support/pipe_wheel.h"
#include "tests/support/wine_probe.h"
#include "tests/support/registry_apply.h"
#include "tests/support/wine_wheel_registry.h"
#include "tests/support/win32_handle.h"
#include "tests/support/wait_until.h"
#include "tests/support/win9x_personality.h"

namespace torvex::testing {
namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

constexpr const char* kDriverDll = TORVEX_FF_DLL;
// Run with --installed (by the installation's tests): the driver is the
// installed one, found by its class as DirectInput finds it, and the
// effect records are the ones the installation wrote.
bool gInstalled = false;
constexpr const char* kDriverModuleName = "TorvexFF.dll";
// The wheel's hardware id, which names the lock every driver process shares.
constexpr const char* kDriverLockName = "VID_6D2A&PID_0005";
// The class the installation registers for TorvexFF.dll.
const CLSID kDriverClass = {0xAF8D694E, 0x457D, 0x4284, {0xA3, 0x57, 0x07, 0xB9, 0xFB, 0x49, 0x77, 0x39}};
const CLSID kSomeOtherClass = {0x12345678, 0x1234, 0x5678, {0x9A, 0xBC, 0xDE, 0xF0, 0x12, 0x34, 0x56, 0x78}};
constexpr DWORD kWheelJoystickId = 1;
constexpr DWORD kGenerousWaitMs = 10000;

constexpr const char* kAsWindowsXpSwitch = "--as-windows-xp";
constexpr const char* kHoldDriverLockSwitch = "--hold-driver-lock";

// What the wheel is sent while a full-strength force pushes it right, and
// what lets it go.
const std::string kFullRightReport("\x00\x00\x00\x7F\x00", 5);
const std::string kQuietReport(5, '\0');

// ---------------------------------------------------------------------------
// Small Win32 helpers.

std::string UniqueName(const char* purpose)
{
    static int number = 0;
    return std::string("torvex-") + purpose + "-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(++number);
}

std::vector<std::string> Bytes(const std::vector<WheelWrite>& writes)
{
    std::vector<std::string> bytes;
    for (const WheelWrite& write : writes)
        bytes.push_back(write.bytes);
    return bytes;
}

// ---------------------------------------------------------------------------
// The DLL and its COM objects.

template <typename Interface> class ComRef {
public:
    ComRef() = default;
    ~ComRef() { Reset(); }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;

    Interface* get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    void** out()
    {
        Reset();
        return reinterpret_cast<void**>(&pointer_);
    }
    void Reset()
    {
        if (pointer_ != nullptr)
            pointer_->Release();
        pointer_ = nullptr;
    }

private:
    Interface* pointer_ = nullptr;
};

using GetClassObjectEntry = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNowEntry = HRESULT(STDAPICALLTYPE*)();

// TorvexFF.dll loaded by path, as COM loads the class's in-process server.
class DriverDll {
public:
    DriverDll() : module_(LoadLibraryA(gInstalled ? InstalledServer(kDriverClassText).c_str() : kDriverDll))
    {
        if (module_ != nullptr) {
            getClassObject_ = Entry<GetClassObjectEntry>("DllGetClassObject");
            canUnloadNow_ = Entry<CanUnloadNowEntry>("DllCanUnloadNow");
        }
    }
    ~DriverDll() { Unload(); }
    DriverDll(const DriverDll&) = delete;
    DriverDll& operator=(const DriverDll&) = delete;

    bool usable() const { return getClassObject_ != nullptr && canUnloadNow_ != nullptr; }
    HMODULE module() const { return module_; }
    HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** object) const
    {
        return getClassObject_(clsid, iid, object);
    }
    HRESULT CanUnloadNow() const { return canUnloadNow_(); }
    void Unload()
    {
        if (module_ != nullptr)
            FreeLibrary(module_);
        module_ = nullptr;
        getClassObject_ = nullptr;
        canUnloadNow_ = nullptr;
    }

private:
    template <typename Function> Function Entry(const char* name) const
    {
        // Through the one function type every function pointer converts to.
        return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module_, name)));
    }

    HMODULE module_;
    GetClassObjectEntry getClassObject_ = nullptr;
    CanUnloadNowEntry canUnloadNow_ = nullptr;
};

// A constant force on the wheel's two axes, full strength, to the right.
// The record points into itself: use it where it was made.
struct ConstantForce {
    DWORD axes[2] = {DIDFT_ABSAXIS | DIDFT_MAKEINSTANCE(0), DIDFT_ABSAXIS | DIDFT_MAKEINSTANCE(1)};
    LONG directions[2] = {10000, 0};
    DICONSTANTFORCE force{10000};
    DIEFFECT effect{.dwSize = sizeof(DIEFFECT),
                    .dwFlags = DIEFF_CARTESIAN | DIEFF_OBJECTIDS,
                    .dwDuration = INFINITE,
                    .dwSamplePeriod = 0,
                    .dwGain = 10000,
                    .dwTriggerButton = DIEB_NOTRIGGER,
                    .dwTriggerRepeatInterval = 0,
                    .cAxes = 2,
                    .rgdwAxes = axes,
                    .rglDirection = directions,
                    .lpEnvelope = nullptr,
                    .cbTypeSpecificParams = sizeof force,
                    .lpvTypeSpecificParams = &force};
};
// The internal types the installation gives the constant and ramp forces.
constexpr DWORD kConstantForceType = 0;
constexpr DWORD kRampForceType = 1;

class DriverDllTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(ReportedWheelWindows(), nullptr) << "Wine must report one of the wheel's Windows (see main)";
        ASSERT_TRUE(wheel_.serving()) << "cannot serve " << wheel_.path() << ": " << GetLastError();
        RegistryFile install;
        RegistryFile wheelEntries;
        RegistryFileError error;
        ASSERT_TRUE(LoadRegistryFile(InstallFilePath(), &install, &error)) << error.message;
        ASSERT_TRUE(
            ParseRegistryFile(WheelRegistryText(wheel_.path(), kWheelJoystickId), &wheelEntries, &error))
            << error.line << ": " << error.message;
        RemoveLeftoverWheel();
        if (!gInstalled) {
            ASSERT_TRUE(applied_.Apply(install));
        }
        ASSERT_TRUE(applied_.Apply(wheelEntries));
        dll_.emplace();
        ASSERT_TRUE(dll_->usable()) << (gInstalled ? InstalledServer(kDriverClassText) : kDriverDll) << ": "
                                    << GetLastError();
        if (gInstalled) {
            ASSERT_TRUE(LoadedFromSystemFolder(dll_->module())) << ModuleFile(dll_->module());
        }
        ASSERT_TRUE(Win9xPersonality::ApplyOnWindows9x(dll_->module()));
    }

    void TearDown() override
    {
        driver_.Reset();
        dll_.reset();
        Win9xPersonality::FailForBrokenRules();
    }

    // The driver as DirectInput gets it: the class factory from the export,
    // then CreateInstance.
    void CreateDriver(ComRef<IDirectInputEffectDriver>& driver)
    {
        ComRef<IClassFactory> factory;
        ASSERT_EQ(dll_->GetClassObject(kDriverClass, IID_IClassFactory, factory.out()), S_OK);
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDirectInputEffectDriver, driver.out()), S_OK);
        ASSERT_NE(driver.get(), nullptr);
    }

    // A driver bound to the wheel, as DirectInput leaves it after acquiring.
    void CreateBoundDriver()
    {
        ASSERT_NO_FATAL_FAILURE(CreateDriver(driver_));
        ASSERT_EQ(driver_->DeviceID(0x0500, kWheelJoystickId, TRUE, 0, nullptr), S_OK);
    }

    DWORD PlayConstantForce()
    {
        ConstantForce force;
        DWORD handle = 0;
        EXPECT_EQ(driver_->DownloadEffect(0, kConstantForceType, &handle, &force.effect,
                                          DIEP_ALLPARAMS | DIEP_START),
                  S_OK);
        return handle;
    }

    DWORD EffectStatus(DWORD handle)
    {
        DWORD status = 0xFFFFFFFF;
        EXPECT_EQ(driver_->GetEffectStatus(0, handle, &status), S_OK);
        return status;
    }

    Win32Registry registry_;
    AppliedRegistryFile applied_{registry_};
    PipeWheel wheel_{"\\\\.\\pipe\\torvex-zk5120-" + std::to_string(GetCurrentProcessId())};
    std::optional<DriverDll> dll_;
    ComRef<IDirectInputEffectDriver> driver_;
};

// ---------------------------------------------------------------------------
// COM: what DirectInput asks of the module before it touches the wheel.

TEST_F(DriverDllTest, ServesOnlyTheDriversClassAndStaysLoadedWhileItsFactoryLives)
{
    EXPECT_EQ(dll_->CanUnloadNow(), S_OK);
    int sentinel = 0;
    void* object = &sentinel;
    EXPECT_EQ(dll_->GetClassObject(kSomeOtherClass, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);

    ComRef<IClassFactory> factory;
    ASSERT_EQ(dll_->GetClassObject(kDriverClass, IID_IClassFactory, factory.out()), S_OK);
    EXPECT_EQ(dll_->CanUnloadNow(), S_FALSE);
    factory.Reset();
    EXPECT_EQ(dll_->CanUnloadNow(), S_OK);
}

TEST_F(DriverDllTest, EveryCreateInstanceGivesTheOneDriverOfTheProcess)
{
    int sentinel = 0;
    ComRef<IDirectInputEffectDriver> first;
    ComRef<IDirectInputEffectDriver> second;
    ASSERT_NO_FATAL_FAILURE(CreateDriver(first));
    ASSERT_NO_FATAL_FAILURE(CreateDriver(second));
    EXPECT_EQ(first.get(), second.get());

    ComRef<IUnknown> unknown;
    ComRef<IDirectInputEffectDriver> again;
    ASSERT_EQ(first->QueryInterface(IID_IUnknown, unknown.out()), S_OK);
    ASSERT_EQ(first->QueryInterface(IID_IDirectInputEffectDriver, again.out()), S_OK);
    EXPECT_EQ(static_cast<void*>(unknown.get()), static_cast<void*>(first.get()));
    EXPECT_EQ(again.get(), first.get());
    void* factory = &sentinel;
    EXPECT_EQ(first->QueryInterface(IID_IClassFactory, &factory), E_NOINTERFACE);
    EXPECT_EQ(factory, nullptr);

    // The driver keeps its count to itself.
    EXPECT_EQ(first->AddRef(), 0u);
    EXPECT_EQ(first->Release(), 0u);

    EXPECT_EQ(dll_->CanUnloadNow(), S_FALSE);
    first.Reset();
    second.Reset();
    unknown.Reset();
    EXPECT_EQ(dll_->CanUnloadNow(), S_FALSE) << "one reference is still out";
    again.Reset();
    EXPECT_EQ(dll_->CanUnloadNow(), S_OK);
}

TEST_F(DriverDllTest, AnswersTheDeviceQueriesDirectInputMakes)
{
    ASSERT_NO_FATAL_FAILURE(CreateDriver(driver_));

    DIDRIVERVERSIONS versions{};
    versions.dwSize = sizeof versions;
    ASSERT_EQ(sizeof versions, 16u);
    EXPECT_EQ(driver_->GetVersions(&versions), S_OK);
    EXPECT_EQ(versions.dwFirmwareRevision, 1u);
    EXPECT_EQ(versions.dwHardwareRevision, 1u);
    EXPECT_EQ(versions.dwFFDriverVersion, 1u);
    struct {
        DIDRIVERVERSIONS versions;
        DWORD more;
    } larger{};
    larger.versions.dwSize = sizeof larger;
    ASSERT_EQ(sizeof larger, 20u);
    EXPECT_EQ(driver_->GetVersions(&larger.versions), E_INVALIDARG);

    DIEFFESCAPE escape{};
    escape.dwSize = sizeof escape;
    EXPECT_EQ(driver_->Escape(kWheelJoystickId, 0, &escape), S_OK);
    EXPECT_EQ(driver_->SetGain(kWheelJoystickId, 5000), S_OK);
    DIDEVICESTATE state{};
    state.dwSize = sizeof state;
    EXPECT_EQ(driver_->GetForceFeedbackState(kWheelJoystickId, &state), S_OK);
    EXPECT_EQ(driver_->SendForceFeedbackCommand(kWheelJoystickId, 0x03), E_FAIL) << "no such command";
    EXPECT_EQ(driver_->SendForceFeedbackCommand(kWheelJoystickId, DISFFC_STOPALL), S_OK);
}

// ---------------------------------------------------------------------------
// The wheel: what it is sent, and when.

TEST_F(DriverDllTest, BindingOpensTheWheelDiscoveryFindsAndLetsGoWhileNoEffectExists)
{
    ASSERT_NO_FATAL_FAILURE(CreateBoundDriver());
    EXPECT_TRUE(WaitUntil([&] { return wheel_.Opens() >= 1; })) << "DeviceID did not open " << wheel_.path();
    EXPECT_TRUE(WaitUntil([&] { return wheel_.OpenNow() == 0; })) << "the playback tick keeps the wheel open";
    EXPECT_TRUE(wheel_.Writes().empty());
}

// Each Windows keeps the wheel's active mark in its own place: the driver
// looks only where the running Windows keeps it, so without that mark it
// does not find the wheel, whatever the other Windows' mark says.
TEST_F(DriverDllTest, WithoutTheRunningWindowsMarkTheWheelIsNotFound)
{
    if (RunsAsWindows9x()) {
        ASSERT_EQ(RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kWheelInterfaceKey.c_str(), "RefCount"), ERROR_SUCCESS);
    } else {
        ASSERT_EQ(RegDeleteTreeA(HKEY_LOCAL_MACHINE, (kWheelInterfaceKey + "\\Control").c_str()), ERROR_SUCCESS);
    }
    ASSERT_NO_FATAL_FAILURE(CreateBoundDriver());
    EXPECT_EQ(PlayConstantForce(), 1u);
    std::this_thread::sleep_for(150ms);
    EXPECT_EQ(wheel_.Opens(), 0) << "found without the mark of " << ReportedWheelWindows()->name;
    EXPECT_TRUE(wheel_.Writes().empty());
}

TEST_F(DriverDllTest, AJoystickThatIsNotTheWheelGetsNoForce)
{
    ASSERT_NO_FATAL_FAILURE(CreateDriver(driver_));
    ASSERT_EQ(driver_->DeviceID(0x0500, 5, TRUE, 0, nullptr), S_OK);
    EXPECT_EQ(PlayConstantForce(), 1u);
    std::this_thread::sleep_for(150ms);
    EXPECT_EQ(wheel_.Opens(), 0);
    EXPECT_TRUE(wheel_.Writes().empty());
}

TEST_F(DriverDllTest, AConstantForcePushesTheWheelEvery25Milliseconds)
{
    ASSERT_NO_FATAL_FAILURE(CreateBoundDriver());
    ASSERT_EQ(driver_->SetGain(kWheelJoystickId, 10000), S_OK);
    const auto start = SteadyClock::now();
    const DWORD handle = PlayConstantForce();
    EXPECT_EQ(handle, 1u);
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(EffectStatus(handle), static_cast<DWORD>(DIEGES_PLAYING));
    const std::vector<WheelWrite> writes = wheel_.Writes();
    const double elapsedMs = std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count();

    const std::vector<std::string> sent = Bytes(writes);
    EXPECT_EQ(std::count(sent.begin(), sent.end(), kFullRightReport),
              static_cast<std::ptrdiff_t>(sent.size()))
        << "every report while the force plays pushes full right";
    const double expected = elapsedMs / 25.0;
    EXPECT_GE(sent.size(), 4u) << "in " << elapsedMs << " ms";
    EXPECT_LE(sent.size(), static_cast<std::size_t>(3 * expected + 3)) << "in " << elapsedMs << " ms";
    if (writes.size() >= 2) {
        const double spanMs =
            std::chrono::duration<double, std::milli>(writes.back().at - writes.front().at).count();
        std::printf("[ measured ] %zu reports in %.0f ms, mean interval %.2f ms\n", writes.size(), elapsedMs,
                    spanMs / static_cast<double>(writes.size() - 1));
    }
}

TEST_F(DriverDllTest, StoppingTheEffectLetsTheWheelGoAndDestroyingItClosesTheWheel)
{
    ASSERT_NO_FATAL_FAILURE(CreateBoundDriver());
    const DWORD handle = PlayConstantForce();
    ASSERT_TRUE(WaitUntil([&] { return !wheel_.Writes().empty(); }));

    EXPECT_EQ(driver_->StopEffect(0, handle), S_OK);
    EXPECT_EQ(EffectStatus(handle), 0u);
    std::this_thread::sleep_for(150ms);
    // Full right until the stop, then one burst of quiet reports, then silence.
    const std::vector<std::string> sent = Bytes(wheel_.Writes());
    const auto firstQuiet = std::find(sent.begin(), sent.end(), kQuietReport);
    EXPECT_TRUE(std::all_of(sent.begin(), firstQuiet,
                            [](const std::string& report) { return report == kFullRightReport; }));
    EXPECT_EQ(std::vector<std::string>(firstQuiet, sent.end()), std::vector<std::string>(3, kQuietReport));
    EXPECT_EQ(wheel_.OpenNow(), 1) << "an effect is still downloaded";

    EXPECT_EQ(driver_->DestroyEffect(0, handle), S_OK);
    EXPECT_TRUE(WaitUntil([&] { return wheel_.OpenNow() == 0; }))
        << "no effect left, yet the wheel stays open";
}

// Several effect types, updated, combined and stopped while the real
// multimedia timer plays them: the distinct reports arrive in the order the
// force computation predicts (their exact times are the timer's).
TEST_F(DriverDllTest, SeveralEffectsUpdatedCombinedAndStoppedGiveThePredictedReports)
{
    ASSERT_NO_FATAL_FAILURE(CreateBoundDriver());
    ASSERT_EQ(driver_->SetGain(kWheelJoystickId, 10000), S_OK);
    const auto arrives = [&](const std::string& report) {
        return WaitUntil([&] {
            const std::vector<std::string> sent = Bytes(wheel_.Writes());
            return !sent.empty() && sent.back() == report;
        });
    };
    const std::string halfRight("\x00\x00\x00\x3F\x00", 5); // 5000: 63.5 truncated
    const std::string rampRight("\x00\x00\x00\x65\x00", 5); // 8000: 101.6 truncated
    const std::string halfForward("\x00\x00\x00\x00\x3F", 5);

    ConstantForce constant;
    DWORD constantHandle = 0;
    ASSERT_EQ(driver_->DownloadEffect(0, kConstantForceType, &constantHandle, &constant.effect,
                                      DIEP_ALLPARAMS | DIEP_START),
              S_OK);
    EXPECT_TRUE(arrives(kFullRightReport));

    constant.force.lMagnitude = 5000;
    ASSERT_EQ(driver_->DownloadEffect(0, kConstantForceType, &constantHandle, &constant.effect,
                                      DIEP_TYPESPECIFICPARAMS),
              S_OK);
    EXPECT_TRUE(arrives(halfRight));

    // A ramp from 8000 to 8000 beside it: the channel takes the larger force.
    ConstantForce ramp;
    DIRAMPFORCE rampForce{8000, 8000};
    ramp.effect.dwDuration = 10'000'000;
    ramp.effect.cbTypeSpecificParams = sizeof rampForce;
    ramp.effect.lpvTypeSpecificParams = &rampForce;
    DWORD rampHandle = 0;
    ASSERT_EQ(
        driver_->DownloadEffect(0, kRampForceType, &rampHandle, &ramp.effect, DIEP_ALLPARAMS | DIEP_START),
        S_OK);
    EXPECT_TRUE(arrives(rampRight));
    EXPECT_EQ(driver_->StopEffect(0, rampHandle), S_OK);
    EXPECT_TRUE(arrives(halfRight));

    constant.directions[0] = 0;
    constant.directions[1] = 10000;
    ASSERT_EQ(
        driver_->DownloadEffect(0, kConstantForceType, &constantHandle, &constant.effect, DIEP_DIRECTION),
        S_OK);
    EXPECT_TRUE(arrives(halfForward));
    EXPECT_EQ(driver_->StopEffect(0, constantHandle), S_OK);
    EXPECT_TRUE(arrives(kQuietReport));

    std::vector<std::string> distinct;
    for (const std::string& report : Bytes(wheel_.Writes()))
        if (distinct.empty() || distinct.back() != report)
            distinct.push_back(report);
    EXPECT_EQ(distinct, (std::vector<std::string>{kFullRightReport, halfRight, rampRight, halfRight,
                                                  halfForward, kQuietReport}));
}

// A pipe cannot fail like an unplugged wheel; what it can show is that a
// device file whose other end went away costs neither a crash nor a hang.
TEST_F(DriverDllTest, AVanishedWheelNeitherCrashesNorHangsTheDriver)
{
    ASSERT_NO_FATAL_FAILURE(CreateBoundDriver());
    const DWORD handle = PlayConstantForce();
    ASSERT_TRUE(WaitUntil([&] { return !wheel_.Writes().empty(); }));
    wheel_.Vanish();
    std::this_thread::sleep_for(200ms);
    const auto start = SteadyClock::now();
    EXPECT_EQ(EffectStatus(handle), static_cast<DWORD>(DIEGES_PLAYING));
    EXPECT_EQ(driver_->StopEffect(0, handle), S_OK);
    EXPECT_EQ(driver_->DestroyEffect(0, handle), S_OK);
    driver_.Reset();
    EXPECT_LT(SteadyClock::now() - start, 5s);
}

TEST_F(DriverDllTest, TheLastReleaseLetsTheWheelGoAndStopsThePlaybackTimer)
{
    ASSERT_NO_FATAL_FAILURE(CreateBoundDriver());
    PlayConstantForce();
    ASSERT_TRUE(WaitUntil([&] { return !wheel_.Writes().empty(); }));

    driver_.Reset();
    // The wheel has taken every report once it sees the device file closed.
    ASSERT_TRUE(WaitUntil([&] { return wheel_.OpenNow() == 0; })) << "the release leaves the wheel open";
    const std::vector<WheelWrite> atRelease = wheel_.Writes();
    const int opens = wheel_.Opens();
    EXPECT_EQ(atRelease.back().bytes, kQuietReport) << "the release must leave the wheel unpowered";
    std::this_thread::sleep_for(150ms);
    EXPECT_EQ(wheel_.Writes().size(), atRelease.size()) << "the timer still writes after the last release";
    EXPECT_EQ(wheel_.Opens(), opens) << "the timer still opens the wheel after the last release";

    EXPECT_EQ(dll_->CanUnloadNow(), S_OK);
    dll_->Unload();
    EXPECT_EQ(GetModuleHandleA(kDriverModuleName), nullptr);
}

// ---------------------------------------------------------------------------
// DriverLock: one lock for every process that drives the wheel.

TEST_F(DriverDllTest, DriverLockExistsWhileTheDllIsLoaded)
{
    Handle lock(OpenEventA(SYNCHRONIZE, FALSE, kDriverLockName));
    EXPECT_TRUE(lock.valid()) << GetLastError();
    lock.Reset();
    dll_->Unload();
    Handle after(OpenEventA(SYNCHRONIZE, FALSE, kDriverLockName));
    EXPECT_FALSE(after.valid()) << "unloading leaves DriverLock open";
}

TEST_F(DriverDllTest, AnotherProcessHoldingDriverLockMakesTheDriverWaitForIt)
{
    ASSERT_NO_FATAL_FAILURE(CreateBoundDriver());
    const std::string heldName = UniqueName("lock-held");
    Handle held = ManualResetEvent(heldName.c_str());
    ASSERT_TRUE(held.valid());
    ChildProcess holder("\"" + ProgramPath() + "\" " + kHoldDriverLockSwitch + " " + heldName + " 500",
                        false);
    ASSERT_TRUE(holder.started()) << GetLastError();
    ASSERT_EQ(WaitForSingleObject(held.get(), kGenerousWaitMs), WAIT_OBJECT_0)
        << "the holder never took the lock";

    const auto start = SteadyClock::now();
    const DWORD handle = PlayConstantForce();
    const auto waited = SteadyClock::now() - start;
    EXPECT_EQ(handle, 1u);
    EXPECT_GE(waited, 300ms);
    EXPECT_LT(waited, std::chrono::milliseconds(kGenerousWaitMs));
    EXPECT_EQ(holder.Finish(kGenerousWaitMs), 0);
    EXPECT_TRUE(WaitUntil([&] { return !wheel_.Writes().empty(); })) << "the force never played";
    std::printf("[ measured ] the download waited %.0f ms for the other process\n",
                std::chrono::duration<double, std::milli>(waited).count());
}

// ---------------------------------------------------------------------------
// The program's roles.

// The second process: takes DriverLock as another driver process would,
// says so through the event named `heldName`, keeps it `holdMs`, gives it
// back.
int HoldDriverLock(const char* heldName, DWORD holdMs)
{
    Handle lock(OpenEventA(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, kDriverLockName));
    Handle held(OpenEventA(EVENT_MODIFY_STATE, FALSE, heldName));
    if (!lock.valid() || !held.valid())
        return 3;
    if (WaitForSingleObject(lock.get(), kGenerousWaitMs) != WAIT_OBJECT_0)
        return 4;
    SetEvent(held.get());
    Sleep(holdMs);
    SetEvent(lock.get());
    return 0;
}

} // namespace
} // namespace torvex::testing

int main(int argc, char** argv)
{
    using namespace torvex::testing;
    if (argc == 4 && std::strcmp(argv[1], kHoldDriverLockSwitch) == 0)
        return HoldDriverLock(argv[2], static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10)));
    gInstalled = HasSwitch(argc, argv, kInstalledSwitch);
    if (ReportedWheelWindows() == nullptr && !HasSwitch(argc, argv, kAsWindowsXpSwitch))
        return RunAgainAsWheelWindows(kAsWindowsXpSwitch, argc, argv);
    std::printf("The driver runs as %s.\n",
                ReportedWheelWindows() ? ReportedWheelWindows()->name : "another Windows");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
