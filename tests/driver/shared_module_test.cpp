// TorvexFF.so loaded the way DirectInput loads the DLL: by path, through
// DllGetClassObject, with the platform handed in through the Linux build's
// extra entry point. Once with a timer the test fires, once playing on the
// module's own POSIX timer thread and clock.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/posix/posix_clock.h"
#include "platform/posix/posix_named_semaphore.h"
#include "tests/driver/driver_test_support.h"

namespace torvex::testing {
namespace {

using GetClassObject = HRESULT (*)(REFCLSID, REFIID, void**);
using CanUnloadNow = HRESULT (*)();
using UsePlatform = HRESULT (*)(const DriverPorts*);

class SharedModule : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ImportRegistryFile(registry, InstallFilePath()));
        ASSERT_TRUE(ImportFixture(registry, "registry/winxp_hid.reg"));
        library = dlopen(TORVEX_FF_MODULE, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library, nullptr) << dlerror();
        getClassObject = reinterpret_cast<GetClassObject>(dlsym(library, "DllGetClassObject"));
        canUnloadNow = reinterpret_cast<CanUnloadNow>(dlsym(library, "DllCanUnloadNow"));
        usePlatform = reinterpret_cast<UsePlatform>(dlsym(library, "TorvexFFUsePlatform"));
        ASSERT_NE(getClassObject, nullptr);
        ASSERT_NE(canUnloadNow, nullptr);
        ASSERT_NE(usePlatform, nullptr);
    }

    void TearDown() override
    {
        if (usePlatform != nullptr) {
            EXPECT_EQ(usePlatform(nullptr), S_OK) << "something of the module is still alive";
        }
        if (library != nullptr)
            dlclose(library);
        PosixNamedSemaphore::Unlink(lockName.c_str());
    }

    IDirectInputEffectDriver* CreateDriver()
    {
        IClassFactory* factory = nullptr;
        EXPECT_EQ(getClassObject(CLSID_EffectDriver, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
        if (factory == nullptr)
            return nullptr;
        IDirectInputEffectDriver* driver = nullptr;
        EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDirectInputEffectDriver, reinterpret_cast<void**>(&driver)),
                  S_OK);
        factory->Release();
        return driver;
    }

    std::vector<ForceReport> Reports(const SimWheel& wheel) const
    {
        std::vector<ForceReport> reports;
        for (const SimWheelWrite& write : wheel.Reports())
            reports.push_back({write.bytes[0], write.bytes[1], write.bytes[2], write.bytes[3], write.bytes[4]});
        return reports;
    }

    SimRegistry registry;
    SimVersion version{VER_PLATFORM_WIN32_NT, 5, 1};
    // A lock of this test's own, so that parallel test runs do not queue on
    // the wheel's real one.
    const std::string lockName = "torvex-test-" + std::to_string(getpid());
    PosixNamedSemaphore lock{lockName.c_str()};
    void* library = nullptr;
    GetClassObject getClassObject = nullptr;
    CanUnloadNow canUnloadNow = nullptr;
    UsePlatform usePlatform = nullptr;
};

TEST_F(SharedModule, AnswersEveryOperationThroughItsExports)
{
    ManualClock clock{5000};
    SimWheel wheel{clock, kWheelPath};
    ManualTimer timer;
    const DriverPorts ports{&registry, &version, &clock, &wheel, &timer, &lock};
    ASSERT_EQ(usePlatform(&ports), S_OK);

    void* object = nullptr;
    EXPECT_EQ(getClassObject(CLSID_EffectDriver, IID_IUnknown, &object), E_NOINTERFACE);
    EXPECT_EQ(canUnloadNow(), S_OK);
    IDirectInputEffectDriver* driver = CreateDriver();
    ASSERT_NE(driver, nullptr);
    EXPECT_EQ(CreateDriver(), driver);
    EXPECT_EQ(driver->Release(), 0u);
    EXPECT_EQ(canUnloadNow(), S_FALSE);
    EXPECT_EQ(usePlatform(&ports), E_UNEXPECTED);

    EXPECT_EQ(driver->AddRef(), 0u);
    EXPECT_EQ(driver->QueryInterface(IID_IDirectInputEffectDriver, &object), S_OK);
    driver->Release();
    driver->Release();
    EXPECT_EQ(driver->DeviceID(0x0500, kWheelJoystickId, 1, 0, nullptr), S_OK);
    DIDRIVERVERSIONS versions{sizeof versions, 0, 0, 0};
    EXPECT_EQ(driver->GetVersions(&versions), S_OK);
    EXPECT_EQ(versions.dwFFDriverVersion, 1u);
    EXPECT_EQ(driver->Escape(0, 0, nullptr), S_OK);
    EXPECT_EQ(driver->SetGain(0, 5000), S_OK);
    EXPECT_EQ(driver->GetForceFeedbackState(0, nullptr), S_OK);
    EXPECT_EQ(driver->SendForceFeedbackCommand(0, 0x03), E_FAIL);

    ConstantForce force;
    DWORD handle = 0;
    ASSERT_EQ(driver->DownloadEffect(0, kEffectConstantForce, &handle, &force.effect, DIEP_ALLPARAMS), S_OK);
    EXPECT_EQ(handle, 1u);
    EXPECT_EQ(driver->StartEffect(0, handle, 0, 1), S_OK);
    timer.FireAll();
    EXPECT_EQ(Reports(wheel), std::vector<ForceReport>{Channels(63, 0)}) << "half the device gain";
    DWORD status = 0;
    EXPECT_EQ(driver->GetEffectStatus(0, handle, &status), S_OK);
    EXPECT_EQ(status, DWORD{DIEGES_PLAYING});
    EXPECT_EQ(driver->StopEffect(0, handle), S_OK);
    EXPECT_EQ(driver->DestroyEffect(0, handle), S_OK);
    EXPECT_EQ(driver->SendForceFeedbackCommand(0, DISFFC_RESET), S_OK);

    EXPECT_EQ(driver->Release(), 0u);
    EXPECT_EQ(timer.RunningCount(), 0);
    EXPECT_EQ(wheel.OpenHandleCount(), 0);
    EXPECT_EQ(canUnloadNow(), S_OK);
}

TEST_F(SharedModule, PlaysOnItsOwnTimerThreadEveryTwentyFiveMilliseconds)
{
    PosixClock clock;
    SimWheel wheel{clock, kWheelPath};
    // The module's own clock and timer thread; the test's registry and wheel.
    const DriverPorts ports{.registry = &registry, .version = &version, .device = &wheel, .lock = &lock};
    ASSERT_EQ(usePlatform(&ports), S_OK);
    IDirectInputEffectDriver* driver = CreateDriver();
    ASSERT_NE(driver, nullptr);
    ASSERT_EQ(driver->DeviceID(0x0500, kWheelJoystickId, 1, 0, nullptr), S_OK);

    ConstantForce force;
    DWORD handle = 0;
    ASSERT_EQ(driver->DownloadEffect(0, kEffectConstantForce, &handle, &force.effect,
                                     DIEP_ALLPARAMS | DIEP_START),
              S_OK);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    const std::vector<SimWheelWrite> played = wheel.Reports();
    ASSERT_GE(played.size(), 4u);
    EXPECT_LE(played.size(), 40u);
    for (const SimWheelWrite& write : played)
        EXPECT_EQ(write.bytes, (std::vector<BYTE>{0, 0, 0, 127, 0}));
    const DWORD span = played.back().timeMs - played.front().timeMs;
    EXPECT_GE(span, 25u * (played.size() - 1) / 2) << "reports come about every 25 ms";

    driver->Release();
    const std::size_t afterRelease = wheel.Writes().size();
    EXPECT_EQ(wheel.Reports().back().bytes, (std::vector<BYTE>{0, 0, 0, 0, 0}));
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(wheel.Writes().size(), afterRelease) << "the timer stopped with the driver";
}

TEST_F(SharedModule, WaitsWhileAnotherProcessHoldsTheDriverLock)
{
    ManualClock clock;
    SimWheel wheel{clock, kWheelPath};
    ManualTimer timer;
    const DriverPorts ports{&registry, &version, &clock, &wheel, &timer, &lock};
    ASSERT_EQ(usePlatform(&ports), S_OK);
    IDirectInputEffectDriver* driver = CreateDriver();
    ASSERT_NE(driver, nullptr);
    ConstantForce force;
    DWORD handle = 0;
    ASSERT_EQ(driver->DownloadEffect(0, kEffectConstantForce, &handle, &force.effect, DIEP_ALLPARAMS), S_OK);

    int held[2];
    ASSERT_EQ(pipe(held), 0);
    const pid_t holder = fork();
    ASSERT_NE(holder, -1);
    if (holder == 0) {
        // Another process that drives the wheel: it takes the lock by name,
        // says so, and keeps it for half a second.
        PosixNamedSemaphore other(lockName.c_str());
        const bool taken = other.Wait(kDriverLockTimeoutMs) == WAIT_OBJECT_0;
        const char signal = taken ? 'y' : 'n';
        (void)!write(held[1], &signal, 1);
        if (taken) {
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            other.Signal();
        }
        _exit(taken ? 0 : 1);
    }
    char signal = 0;
    ASSERT_EQ(read(held[0], &signal, 1), 1);
    ASSERT_EQ(signal, 'y');

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(driver->StartEffect(0, handle, 0, 1), S_OK);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(300));
    int status = 0;
    EXPECT_EQ(waitpid(holder, &status, 0), holder);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    close(held[0]);
    close(held[1]);
    driver->Release();
}

} // namespace
} // namespace torvex::testing
