// What every implementation of the driver's cross-process lock must do
// alike: the simulated lock on every build, the named semaphore on Linux and
// the named event under Wine. Each test opens the lock more than once by
// name, as separate driver instances do.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "platform/sim/sim_named_lock.h"
#if defined(_WIN32)
#include "platform/win32/win32_named_event.h"
#else
#include <unistd.h>

#include "platform/posix/posix_named_semaphore.h"
#endif

#include "tests/support/wait_until.h"

namespace torvex::testing {
namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

constexpr DWORD kShortWaitMs = 50;
// Only reached when the lock is broken; keeps such a test from hanging.
constexpr DWORD kLongWaitMs = 5000;

// The simulated lock lives in one object; every "open" is that object.
class SimLockWorld {
public:
    NamedLockPort& Open() { return lock_; }

private:
    SimNamedLock lock_;
};

#if defined(_WIN32)
using PlatformLock = Win32NamedEvent;
unsigned long ProcessId()
{
    return GetCurrentProcessId();
}
void RemoveLockName(const std::string&)
{
}
#else
using PlatformLock = PosixNamedSemaphore;
unsigned long ProcessId()
{
    return static_cast<unsigned long>(getpid());
}
void RemoveLockName(const std::string& name)
{
    PosixNamedSemaphore::Unlink(name.c_str());
}
#endif

// Every open is a new handle on a name of this test's own.
class PlatformLockWorld {
public:
    PlatformLockWorld()
        : name_("torvex_lock_test_" + std::to_string(ProcessId()) + "_" + std::to_string(nextNumber_++))
    {
    }
    ~PlatformLockWorld()
    {
        handles_.clear();
        RemoveLockName(name_);
    }

    NamedLockPort& Open()
    {
        handles_.push_back(std::make_unique<PlatformLock>(name_.c_str()));
        return *handles_.back();
    }

private:
    static inline int nextNumber_ = 0;
    std::string name_;
    std::vector<std::unique_ptr<PlatformLock>> handles_;
};

template <typename World> class NamedLockContract : public ::testing::Test {
protected:
    NamedLockPort& Open() { return world_.Open(); }

private:
    World world_;
};

struct WorldNames {
    template <typename World> static std::string GetName(int)
    {
        return std::is_same_v<World, SimLockWorld> ? "Simulated" : "Platform";
    }
};

using LockWorlds = ::testing::Types<SimLockWorld, PlatformLockWorld>;
TYPED_TEST_SUITE(NamedLockContract, LockWorlds, WorldNames);

// Waits for the lock on a thread of its own.
class Waiter {
public:
    explicit Waiter(NamedLockPort& lock)
        : thread_([this, &lock] {
              result_ = lock.Wait(kLongWaitMs);
              returned_ = true;
          })
    {
    }
    ~Waiter() { Join(); }

    void Join()
    {
        if (thread_.joinable()) {
            thread_.join();
        }
    }
    bool returned() const { return returned_; }
    DWORD result() const { return result_; }

private:
    std::atomic<bool> returned_{false};
    std::atomic<DWORD> result_{WAIT_FAILED};
    std::thread thread_;
};

TYPED_TEST(NamedLockContract, StartsFreeAndKeepsOthersOutWhileHeld)
{
    NamedLockPort& first = this->Open();
    NamedLockPort& second = this->Open();
    ASSERT_EQ(first.Wait(0), WAIT_OBJECT_0);

    const auto start = SteadyClock::now();
    EXPECT_EQ(second.Wait(kShortWaitMs), WAIT_TIMEOUT);
    EXPECT_GE(SteadyClock::now() - start, std::chrono::milliseconds(kShortWaitMs - 10));
    // Not re-entrant: the holder itself is kept out too.
    EXPECT_EQ(first.Wait(kShortWaitMs), WAIT_TIMEOUT);

    first.Signal();
    EXPECT_EQ(second.Wait(0), WAIT_OBJECT_0);
    second.Signal();
}

TYPED_TEST(NamedLockContract, ABlockedWaiterProceedsOnlyAfterTheSignal)
{
    NamedLockPort& holder = this->Open();
    ASSERT_EQ(holder.Wait(0), WAIT_OBJECT_0);
    Waiter waiter(this->Open());

    std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(waiter.returned());
    holder.Signal();
    waiter.Join();
    EXPECT_EQ(waiter.result(), WAIT_OBJECT_0);
    holder.Signal();
}

TYPED_TEST(NamedLockContract, ASignalHandsTheLockToExactlyOneWaiter)
{
    NamedLockPort& holder = this->Open();
    ASSERT_EQ(holder.Wait(0), WAIT_OBJECT_0);
    Waiter a(this->Open());
    Waiter b(this->Open());
    const auto entered = [&] { return (a.returned() ? 1 : 0) + (b.returned() ? 1 : 0); };
    std::this_thread::sleep_for(50ms);
    ASSERT_EQ(entered(), 0);

    holder.Signal();
    ASSERT_TRUE(WaitUntil([&] { return entered() == 1; }));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(entered(), 1);

    // The winner leaves; the other one gets in.
    holder.Signal();
    a.Join();
    b.Join();
    EXPECT_EQ(a.result(), WAIT_OBJECT_0);
    EXPECT_EQ(b.result(), WAIT_OBJECT_0);
    holder.Signal();
}

TYPED_TEST(NamedLockContract, SignallingAFreeLockStillLetsOnlyOneIn)
{
    NamedLockPort& first = this->Open();
    NamedLockPort& second = this->Open();
    first.Signal();
    first.Signal();

    EXPECT_EQ(first.Wait(0), WAIT_OBJECT_0);
    EXPECT_EQ(second.Wait(kShortWaitMs), WAIT_TIMEOUT);
    first.Signal();
}

// The simulation's controls, which the driver's tests rely on.
TEST(SimNamedLock, FailedWaitsReturnAtOnceAndTakeNothing)
{
    SimNamedLock lock;
    for (const DWORD failure : {DWORD(WAIT_TIMEOUT), DWORD(WAIT_FAILED)}) {
        lock.FailWaits(failure);
        const auto start = SteadyClock::now();
        EXPECT_EQ(lock.Wait(kLongWaitMs), failure);
        EXPECT_LT(SteadyClock::now() - start, 2s);
        EXPECT_FALSE(lock.IsHeld());
    }
    lock.WaitNormally();
    EXPECT_EQ(lock.Wait(0), WAIT_OBJECT_0);
    EXPECT_TRUE(lock.IsHeld());
    EXPECT_EQ(lock.WaitCount(), 3);
}

TEST(SimNamedLock, CountsSignalsOfALockNobodyHeld)
{
    SimNamedLock lock;
    ASSERT_EQ(lock.Wait(0), WAIT_OBJECT_0);
    lock.Signal();
    EXPECT_EQ(lock.SignalsWithoutHold(), 0);

    // A caller whose wait failed must not signal; the simulation sees it.
    lock.FailWaits(WAIT_TIMEOUT);
    ASSERT_EQ(lock.Wait(kShortWaitMs), WAIT_TIMEOUT);
    lock.Signal();
    EXPECT_EQ(lock.SignalsWithoutHold(), 1);
    EXPECT_EQ(lock.SignalCount(), 2);
    EXPECT_FALSE(lock.IsHeld());
}

} // namespace
} // namespace torvex::testing
