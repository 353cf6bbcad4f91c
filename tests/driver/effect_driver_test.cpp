// The driver as DirectInput sees it: the module's exports and class
// factory, and the fourteen operations of IDirectInputEffectDriver, with
// the results a caller gets for good, odd and hostile arguments.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "driver/effect_attributes.h"
#include "tests/driver/driver_test_support.h"

namespace torvex::testing {
namespace {

using EffectDriverModule = DriverTest;

TEST_F(EffectDriverModule, HandsOutFactoriesOnlyForTheDriverClassAndOnlyAsClassFactories)
{
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(GetDriverClassObject(module, IID_IClassFactory, IID_IClassFactory, &object),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    object = reinterpret_cast<void*>(1);
    EXPECT_EQ(GetDriverClassObject(module, CLSID_EffectDriver, IID_IUnknown, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(GetDriverClassObject(module, CLSID_EffectDriver, IID_IClassFactory, nullptr), E_POINTER);
    FailEffectAllocationAfter(0);
    EXPECT_EQ(GetDriverClassObject(module, CLSID_EffectDriver, IID_IClassFactory, &object), E_OUTOFMEMORY);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(CanUnloadDriver(module), S_OK);
}

TEST_F(EffectDriverModule, StaysLoadedWhileAFactoryADriverOrAServerLockLives)
{
    IClassFactory* factory = nullptr;
    ASSERT_EQ(GetDriverClassObject(module, CLSID_EffectDriver, IID_IClassFactory,
                                   reinterpret_cast<void**>(&factory)),
              S_OK);
    EXPECT_EQ(CanUnloadDriver(module), S_FALSE);
    IUnknown* outer = factory;
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(outer, IID_IDirectInputEffectDriver, &object), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(factory->Release(), 0u);
    EXPECT_EQ(CanUnloadDriver(module), S_FALSE);
    IDirectInputEffectDriver* created = CreateDriver();
    EXPECT_EQ(created->Release(), 0u);
    EXPECT_EQ(CanUnloadDriver(module), S_FALSE);

    ASSERT_EQ(GetDriverClassObject(module, CLSID_EffectDriver, IID_IClassFactory,
                                   reinterpret_cast<void**>(&factory)),
              S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    factory->Release();
    EXPECT_EQ(CanUnloadDriver(module), S_OK);
}

TEST_F(EffectDriverModule, EveryCreateInstanceOfAProcessSharesOneDriverUntilItsLastRelease)
{
    IDirectInputEffectDriver* first = CreateDriver();
    EXPECT_EQ(Driver().ReferenceCount(), 1);
    IDirectInputEffectDriver* second = CreateDriver();
    EXPECT_EQ(second, first);
    EXPECT_EQ(Driver().ReferenceCount(), 2);
    EXPECT_EQ(first->AddRef(), 0u);
    EXPECT_EQ(first->Release(), 0u);
    first->Release();
    second->Release();
    EXPECT_EQ(module.DriverInstance, nullptr);
    EXPECT_EQ(module.ModuleLockCount.load(), 0);

    IDirectInputEffectDriver* fresh = CreateDriver();
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(Driver().ReferenceCount(), 1);
    fresh->Release();
}

TEST_F(EffectDriverModule, ThreadsThatCreateAtOnceGetTheSameDriver)
{
    std::vector<IDirectInputEffectDriver*> drivers(8);
    std::vector<std::thread> threads;
    for (auto& slot : drivers)
        threads.emplace_back([&] { slot = CreateDriver(); });
    for (auto& thread : threads)
        thread.join();
    for (IDirectInputEffectDriver* driver : drivers)
        EXPECT_EQ(driver, drivers[0]);
    EXPECT_EQ(Driver().ReferenceCount(), 8);
    for (IDirectInputEffectDriver* driver : drivers)
        driver->Release();
    EXPECT_EQ(module.DriverInstance, nullptr);
}

TEST_F(EffectDriverModule, ADriverThatCannotBeMadeIsOutOfMemoryAndNotRemembered)
{
    IClassFactory* factory = nullptr;
    ASSERT_EQ(GetDriverClassObject(module, CLSID_EffectDriver, IID_IClassFactory,
                                   reinterpret_cast<void**>(&factory)),
              S_OK);
    FailEffectAllocationAfter(0);
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDirectInputEffectDriver, &object), E_OUTOFMEMORY);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(module.DriverInstance, nullptr);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &object), E_NOINTERFACE);
    EXPECT_EQ(module.DriverInstance, nullptr) << "the refused driver was released again";
    factory->Release();
}

class EffectDriverOperations : public BoundDriverTest {
protected:
    EffectSlot& Slot(DWORD handle) { return *Driver().store.FindSlot(handle); }
};

TEST_F(EffectDriverOperations, AnswersOnlyForItsOwnInterfaces)
{
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(driver->QueryInterface(IID_IClassFactory, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(driver->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    ASSERT_EQ(driver->QueryInterface(IID_IUnknown, &object), S_OK);
    EXPECT_EQ(object, driver);
    EXPECT_EQ(Driver().ReferenceCount(), 2);
    driver->Release();
}

TEST_F(EffectDriverOperations, ReportsVersionOneAndTakesTheDeviceGain)
{
    DIDRIVERVERSIONS versions{sizeof versions, 0, 0, 0};
    ASSERT_EQ(driver->GetVersions(&versions), S_OK);
    EXPECT_EQ(versions.dwFirmwareRevision, 1u);
    EXPECT_EQ(versions.dwHardwareRevision, 1u);
    EXPECT_EQ(versions.dwFFDriverVersion, 1u);
    DIDRIVERVERSIONS larger[2]{};
    larger[0].dwSize = 20;
    EXPECT_EQ(driver->GetVersions(larger), E_INVALIDARG);
    EXPECT_EQ(larger[0].dwFirmwareRevision, 0u);
    EXPECT_EQ(driver->GetVersions(nullptr), E_POINTER);

    EXPECT_EQ(driver->SetGain(0, 5000), S_OK);
    EXPECT_DOUBLE_EQ(module.DeviceGainFactor.load(), 0.5);
    EXPECT_EQ(driver->SetGain(0, 10000), S_OK);
    EXPECT_DOUBLE_EQ(module.DeviceGainFactor.load(), 1.0);
    EXPECT_EQ(driver->Escape(0, 1, nullptr), S_OK);
    EXPECT_EQ(driver->GetForceFeedbackState(0, nullptr), S_OK);
}

#if defined(__i386__)
// A game may leave the x87 unit in single precision (Direct3D's default) or
// rounding toward zero when it calls the driver. 3333, 7777 and 9999
// ten-thousandths have no exact binary form, so either setting would change
// the stored gain in its last bits.
TEST_F(EffectDriverOperations, TheGainIsTheSameWhateverTheCallersFpuSettings)
{
    const auto controlWord = [] {
        unsigned short word = 0;
        __asm__ volatile("fnstcw %0" : "=m"(word));
        return word;
    };
    const auto setControlWord = [](unsigned short word) { __asm__ volatile("fldcw %0" : : "m"(word)); };
    const struct {
        const char* setting;
        unsigned short mask;
        unsigned short bits;
    } settings[] = {{"24-bit precision", 0x0300, 0x0000}, {"round toward zero", 0x0C00, 0x0C00}};
    for (const DWORD gain : {3333u, 7777u, 9999u}) {
        ASSERT_EQ(driver->SetGain(0, gain), S_OK);
        const double usual = module.DeviceGainFactor.load();
        for (const auto& setting : settings) {
            SCOPED_TRACE(::testing::Message() << setting.setting << ", gain " << gain);
            const unsigned short saved = controlWord();
            setControlWord(static_cast<unsigned short>((saved & ~setting.mask) | setting.bits));
            const HRESULT result = driver->SetGain(0, gain);
            const unsigned short after = controlWord();
            setControlWord(saved);
            EXPECT_EQ(result, S_OK);
            EXPECT_EQ(module.DeviceGainFactor.load(), usual);
            EXPECT_EQ(after, static_cast<unsigned short>((saved & ~setting.mask) | setting.bits))
                << "the caller's settings were not given back";
        }
    }
}
#endif

TEST_F(EffectDriverOperations, DownloadsCreateNumberedEffectsAndRefuseBadPointers)
{
    DWORD handle = 0;
    EXPECT_EQ(driver->DownloadEffect(0, kEffectConstantForce, &handle, &force.effect, DIEP_NODOWNLOAD), S_OK);
    EXPECT_EQ(handle, 0u);
    EXPECT_TRUE(Driver().store.IsEmpty());
    EXPECT_EQ(driver->DownloadEffect(0, kEffectConstantForce, &handle, nullptr, DIEP_ALLPARAMS), E_INVALIDARG);
    EXPECT_EQ(driver->DownloadEffect(0, kEffectConstantForce, nullptr, &force.effect, DIEP_ALLPARAMS), E_POINTER);
    EXPECT_TRUE(Driver().fNoEffects);

    EXPECT_EQ(Download(driver, force.effect), 1u);
    EXPECT_FALSE(Driver().fNoEffects);
    EXPECT_EQ(Download(driver, force.effect), 2u);
    DWORD unknown = 55;
    EXPECT_EQ(driver->DownloadEffect(0, kEffectConstantForce, &unknown, &force.effect, DIEP_GAIN | DIEP_START),
              S_OK);
    EXPECT_EQ(unknown, 55u);

    FailEffectAllocationAfter(0);
    handle = 0;
    EXPECT_EQ(driver->DownloadEffect(0, kEffectConstantForce, &handle, &force.effect, DIEP_ALLPARAMS),
              E_OUTOFMEMORY);
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(Download(driver, force.effect), 3u);
}

TEST_F(EffectDriverOperations, DownloadWithStartPlaysOnceAndAFailedUpdateDoesNotStart)
{
    const DWORD handle = Download(driver, force.effect, DIEP_ALLPARAMS | DIEP_START);
    EXPECT_TRUE(Slot(handle).fPlaying);
    EXPECT_EQ(Slot(handle).dwIterationsLeft, 1u);
    DWORD status = 7;
    EXPECT_EQ(driver->GetEffectStatus(0, handle, &status), S_OK);
    EXPECT_EQ(status, DWORD{DIEGES_PLAYING});
    EXPECT_EQ(driver->GetEffectStatus(0, 99, &status), S_OK);
    EXPECT_EQ(status, 0u);
    EXPECT_EQ(driver->GetEffectStatus(0, handle, nullptr), E_POINTER);

    EXPECT_EQ(driver->StopEffect(0, handle), S_OK);
    DWORD same = handle;
    FailEffectAllocationAfter(0);
    EXPECT_EQ(driver->DownloadEffect(0, kEffectConstantForce, &same, &force.effect, DIEP_AXES | DIEP_START),
              E_OUTOFMEMORY);
    EXPECT_FALSE(Slot(handle).fPlaying);
}

TEST_F(EffectDriverOperations, ASoloStartStopsEveryOtherEffect)
{
    const DWORD first = Download(driver, force.effect);
    const DWORD second = Download(driver, force.effect);
    EXPECT_EQ(driver->StartEffect(0, first, 0, INFINITE), S_OK);
    EXPECT_EQ(driver->StartEffect(0, second, 0, 2), S_OK);
    EXPECT_TRUE(Slot(first).fPlaying);
    EXPECT_EQ(Slot(first).dwIterationsLeft, INFINITE);

    const unsigned long long sleptBefore = clock.SleptMs();
    EXPECT_EQ(driver->StartEffect(0, second, DIES_SOLO, 1), S_OK);
    EXPECT_FALSE(Slot(first).fPlaying);
    EXPECT_TRUE(Slot(second).fPlaying);
    EXPECT_EQ(clock.SleptMs() - sleptBefore, 2u * kStopSettleMs);
    EXPECT_EQ(driver->StartEffect(0, 99, DIES_SOLO, 1), S_OK);
}

TEST_F(EffectDriverOperations, CommandsStopOrResetAndRefuseAnythingElse)
{
    const DWORD handle = Download(driver, force.effect, DIEP_ALLPARAMS | DIEP_START);
    for (DWORD command : {0x03u, 0x40u, 0u})
        EXPECT_EQ(driver->SendForceFeedbackCommand(0, command), E_FAIL) << command;
    for (DWORD command : {DISFFC_PAUSE, DISFFC_CONTINUE, DISFFC_SETACTUATORSON, DISFFC_SETACTUATORSOFF})
        EXPECT_EQ(driver->SendForceFeedbackCommand(0, command), S_OK) << command;
    EXPECT_TRUE(Slot(handle).fPlaying);

    EXPECT_EQ(driver->SendForceFeedbackCommand(0, DISFFC_STOPALL), S_OK);
    EXPECT_FALSE(Slot(handle).fPlaying);
    EXPECT_FALSE(Driver().fNoEffects);

    const unsigned long long sleptBefore = clock.SleptMs();
    EXPECT_EQ(driver->SendForceFeedbackCommand(0, DISFFC_RESET), S_OK);
    EXPECT_TRUE(Driver().store.IsEmpty());
    EXPECT_TRUE(Driver().fNoEffects);
    EXPECT_EQ(clock.SleptMs() - sleptBefore, kStopSettleMs + kResetSettleMs);
    EXPECT_EQ(Download(driver, force.effect), handle + 1);
}

TEST_F(EffectDriverOperations, DestroyingTheLastEffectMarksTheDriverEmpty)
{
    const DWORD first = Download(driver, force.effect);
    const DWORD second = Download(driver, force.effect);
    EXPECT_EQ(driver->DestroyEffect(0, 99), S_OK);
    EXPECT_EQ(driver->DestroyEffect(0, first), S_OK);
    EXPECT_FALSE(Driver().fNoEffects);
    EXPECT_EQ(driver->DestroyEffect(0, second), S_OK);
    EXPECT_TRUE(Driver().fNoEffects);
    EXPECT_EQ(Driver().store.FindSlot(second), nullptr);
}

TEST_F(EffectDriverOperations, EachEffectGetsTheInstalledRecordOfItsType)
{
    const DWORD sine = Download(driver, force.effect, DIEP_ALLPARAMS, kEffectSine);
    EXPECT_EQ(Slot(sine).attributes.dwEffectId, kEffectSine);
    EXPECT_EQ(Slot(sine).attributes.dwEffType & 0xFF, DWORD{DIEFT_PERIODIC});
    const DWORD custom = Download(driver, force.effect, DIEP_ALLPARAMS, kEffectCustomForce);
    EXPECT_EQ(Slot(custom).attributes.dwEffectId, kEffectCustomForce);
    const DWORD odd = Download(driver, force.effect, DIEP_ALLPARAMS, 0x5000);
    EXPECT_EQ(Slot(odd).attributes.dwEffType, 0u);
    EXPECT_EQ(Slot(odd).dwInternalType, 0x5000u);
}

TEST_F(EffectDriverOperations, AnOperationThatCannotGetTheLockChangesNothing)
{
    const DWORD handle = Download(driver, force.effect);
    lock.FailWaits(WAIT_TIMEOUT);
    DWORD fresh = 0;
    EXPECT_EQ(driver->DownloadEffect(0, kEffectSine, &fresh, &force.effect, DIEP_ALLPARAMS),
              kDriverLockUnavailable);
    EXPECT_EQ(fresh, 0u);
    EXPECT_EQ(driver->StartEffect(0, handle, 0, 1), kDriverLockUnavailable);
    EXPECT_EQ(driver->DestroyEffect(0, handle), kDriverLockUnavailable);
    EXPECT_EQ(driver->SendForceFeedbackCommand(0, DISFFC_RESET), kDriverLockUnavailable);
    DWORD status = 7;
    EXPECT_EQ(driver->GetEffectStatus(0, handle, &status), kDriverLockUnavailable);
    EXPECT_EQ(status, 0u);
    lock.FailWaits(WAIT_FAILED);
    EXPECT_EQ(driver->StopEffect(0, handle), kDriverLockUnavailable);
    lock.WaitNormally();

    EXPECT_FALSE(Slot(handle).fPlaying);
    EXPECT_EQ(Driver().store.pHead->pNext, nullptr);
    EXPECT_EQ(module.NextEffectHandle, 2u);
}

TEST_F(EffectDriverOperations, EveryReleaseStopsTheEffectsSendsTheLastReportsAndClosesTheWheel)
{
    IDirectInputEffectDriver* second = CreateDriver(); // DirectInput's own reference
    SentReports();
    const DWORD handle = Download(driver, force.effect, DIEP_ALLPARAMS | DIEP_START);
    Tick();
    Tick();
    EXPECT_EQ(SentReports(), (std::vector<ForceReport>{Channels(127, 0), Channels(127, 0)}));
    EXPECT_EQ(wheel.OpenHandleCount(), 1);

    second->Release();
    EXPECT_EQ(wheel.OpenHandleCount(), 0);
    const std::vector<ForceReport> last = SentReports();
    ASSERT_FALSE(last.empty());
    EXPECT_EQ(last.back(), Channels(0, 0));
    EXPECT_FALSE(Slot(handle).fPlaying);

    // The effects stay; the next tick opens the wheel again.
    Tick();
    EXPECT_EQ(wheel.OpenHandleCount(), 1);
}

TEST_F(EffectDriverOperations, ASecondDeviceIdReleasesTheFirstBindingBeforeItBindsAgain)
{
    EXPECT_EQ(timer.RunningCount(), 1);
    EXPECT_EQ(timer.LastDelayMs(), kPlaybackPeriodMs);
    EXPECT_EQ(timer.LastResolutionMs(), kPlaybackPeriodMs);
    EXPECT_EQ(wheel.OpenHandleCount(), 1);
    EXPECT_STREQ(Driver().pszDevicePath.get(), kWheelPath);

    EXPECT_EQ(driver->DeviceID(0x0500, 7, 1, 0, nullptr), S_OK);
    EXPECT_EQ(timer.RunningCount(), 1);
    EXPECT_EQ(timer.StartCount(), 2);
    EXPECT_EQ(wheel.OpenHandleCount(), 0) << "joystick 7 is no wheel";
    EXPECT_STREQ(Driver().pszDevicePath.get(), "");

    EXPECT_EQ(driver->DeviceID(0x0500, kWheelJoystickId, 1, 0, nullptr), S_OK);
    EXPECT_EQ(wheel.OpenHandleCount(), 1);
    EXPECT_EQ(timer.RunningCount(), 1);
}

TEST_F(EffectDriverOperations, ABindingWithoutMemoryOrTimerSaysSo)
{
    FailEffectAllocationAfter(0);
    EXPECT_EQ(driver->DeviceID(0x0500, kWheelJoystickId, 1, 0, nullptr), E_OUTOFMEMORY);
    timer.FailStarts();
    EXPECT_EQ(driver->DeviceID(0x0500, kWheelJoystickId, 1, 0, nullptr), E_FAIL);
    EXPECT_EQ(timer.RunningCount(), 0);
}

TEST_F(EffectDriverOperations, TheLastReleaseStopsTheTimerAndFreesEverything)
{
    Download(driver, force.effect, DIEP_ALLPARAMS | DIEP_START);
    const unsigned long long sleptBefore = clock.SleptMs();
    driver->Release();
    driver = nullptr;
    EXPECT_EQ(timer.RunningCount(), 0);
    EXPECT_TRUE(module.StopPlaybackRequested.load());
    EXPECT_GE(clock.SleptMs() - sleptBefore, kPlaybackStopWaitMs);
    EXPECT_EQ(module.DriverInstance, nullptr);
    EXPECT_EQ(module.PlaybackDriver, nullptr);
    EXPECT_EQ(wheel.OpenHandleCount(), 0);
    EXPECT_EQ(CanUnloadDriver(module), S_OK);
}

TEST(EffectAttributes, AreReadFromTheWheelsOemKeyByEffectGuid)
{
    EXPECT_EQ(EffectAttributesKeyPath(10).substr(EffectAttributesKeyPath(10).size() - 38),
              "{13541C2A-8E33-11D0-9AD0-00A0C9A06E35}");
    EXPECT_EQ(EffectAttributesKeyPath(11).substr(EffectAttributesKeyPath(11).size() - 38),
              "{13541C2B-8E33-11D0-9AD0-00A0C9A06E35}");

    SimRegistry registry;
    DIEFFECTATTRIBUTES record{1, 2, 3, 4, 5};
    EXPECT_FALSE(ReadEffectAttributes(registry, 0, &record));
    EXPECT_EQ(record.dwEffType, 2u);
    EXPECT_FALSE(ReadEffectAttributes(registry, 0, nullptr));

    const std::string key = "HKEY_LOCAL_MACHINE\\" + EffectAttributesKeyPath(3);
    registry.CreateKeyPath(key);
    EXPECT_FALSE(ReadEffectAttributes(registry, 3, &record));
    registry.SetValueAt(key, "Attributes", REG_BINARY, {9, 0, 0, 0, 3, 0});
    ASSERT_TRUE(ReadEffectAttributes(registry, 3, &record));
    EXPECT_EQ(record.dwEffectId, 9u);
    EXPECT_EQ(record.dwEffType, 3u);
    EXPECT_EQ(record.dwCoords, 0u);

    registry.SetValueAt(key, "Attributes", REG_BINARY, std::vector<BYTE>(40, 0x11));
    ASSERT_TRUE(ReadEffectAttributes(registry, 3, &record));
    EXPECT_EQ(record.dwCoords, 0x11111111u);
    EXPECT_EQ(registry.OpenKeyCount(), 0);
}

} // namespace
} // namespace torvex::testing
