// The POSIX ports against the real system: the named semaphore shared with
// a second process, the monotonic clock, the timer's catch-up schedule, and
// the device file on a pseudo-terminal and on a stand-in that frames
// reports as the wheel's hidraw node does.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/posix/posix_clock.h"
#include "platform/posix/posix_device_file.h"
#include "platform/posix/posix_named_semaphore.h"
#include "platform/posix/posix_timer_thread.h"
#include "tests/support/hidraw_stand_in.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/unique_fd.h"

namespace torvex::testing {
namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

using Fd = UniqueFd;

struct Pipe {
    Fd read;
    Fd write;
};

bool MakePipe(Pipe& pipe)
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        return false;
    }
    pipe.read.Reset(ends[0]);
    pipe.write.Reset(ends[1]);
    return true;
}

bool Send(const Fd& fd, char message)
{
    return write(fd.get(), &message, 1) == 1;
}

// The next message, or 0 when the other side closed its end.
char Receive(const Fd& fd)
{
    char message = 0;
    return read(fd.get(), &message, 1) == 1 ? message : 0;
}

// A lock name of this test run's own, removed from the system afterwards.
class ScratchLockName {
public:
    explicit ScratchLockName(const char* purpose)
        : name_(std::string("torvex_") + purpose + "_" + std::to_string(getpid()))
    {
    }
    ~ScratchLockName() { PosixNamedSemaphore::Unlink(name_.c_str()); }
    const char* c_str() const { return name_.c_str(); }

private:
    std::string name_;
};

// The second process: takes the lock, says so, holds it until told, then
// signals it.
int HoldLockUntilTold(const char* name, const Fd& tell, const Fd& listen)
{
    PosixNamedSemaphore lock(name);
    if (lock.Wait(10000) != WAIT_OBJECT_0) {
        return 1;
    }
    Send(tell, 'H');
    Receive(listen); // a message, or the parent gone
    lock.Signal();
    return 0;
}

TEST(PosixNamedSemaphore, AnotherProcessHoldsTheLockUntilItSignals)
{
    ScratchLockName name("fork");
    PosixNamedSemaphore lock(name.c_str());
    ASSERT_TRUE(lock.IsOpen());
    Pipe toParent;
    Pipe toChild;
    ASSERT_TRUE(MakePipe(toParent) && MakePipe(toChild));

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        toParent.read.Reset();
        toChild.write.Reset();
        _exit(HoldLockUntilTold(name.c_str(), toParent.write, toChild.read));
    }
    toParent.write.Reset();
    toChild.read.Reset();

    EXPECT_EQ(Receive(toParent.read), 'H');
    EXPECT_EQ(lock.Wait(100), WAIT_TIMEOUT);
    Send(toChild.write, 'R');
    EXPECT_EQ(lock.Wait(10000), WAIT_OBJECT_0);
    toChild.write.Reset();
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    lock.Signal();
}

// The lock a root process made is no obstacle to a user's process.
TEST(PosixNamedSemaphore, AnotherUsersLockIsNeverInTheWay)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "only root can be another user";
    ScratchLockName name("users");
    PosixNamedSemaphore lock(name.c_str());
    ASSERT_TRUE(lock.IsOpen());
    ASSERT_EQ(lock.Wait(0), WAIT_OBJECT_0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(2);
        PosixNamedSemaphore users(name.c_str());
        const bool taken = users.Wait(0) == WAIT_OBJECT_0;
        users.Signal();
        PosixNamedSemaphore::Unlink(name.c_str());
        _exit(taken ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "exit " << WEXITSTATUS(status);
    lock.Signal();
}

TEST(PosixNamedSemaphore, ALockThatCannotBeOpenedFailsEveryWaitAtOnce)
{
    const std::string tooLong(300, 'x');
    ::testing::internal::CaptureStderr();
    PosixNamedSemaphore lock(tooLong.c_str());
    EXPECT_FALSE(lock.IsOpen());
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(said.rfind("cannot open the cross-process lock /" + tooLong + ".", 0), 0u) << said;
    const auto start = SteadyClock::now();
    EXPECT_EQ(lock.Wait(5000), WAIT_FAILED);
    EXPECT_LT(SteadyClock::now() - start, 2s);
    lock.Signal();

    PosixNamedSemaphore unnamed(nullptr);
    EXPECT_EQ(unnamed.Wait(0), WAIT_FAILED);
}

TEST(PosixClock, SleepAdvancesTheTickCountAtLeastAsFar)
{
    PosixClock clock;
    const DWORD before = clock.GetTickCount();
    clock.Sleep(30);
    const DWORD elapsed = clock.GetTickCount() - before;
    EXPECT_GE(elapsed, 30u);
    EXPECT_LT(elapsed, 5000u);
}

// The timer thread's schedule after a late callback, at the driver's period.
class TimerSchedule : public ::testing::Test {
protected:
    using Clock = PosixTimerThread::Clock;

    // How many callbacks run back to back when the callback due at `due`
    // returns at `now`.
    int Burst(Clock::time_point due, Clock::time_point now)
    {
        int burst = 0;
        for (Clock::time_point next = PosixTimerThread::NextDeadline(due, period_, now); next <= now;
             next = PosixTimerThread::NextDeadline(next, period_, now)) {
            ++burst;
        }
        return burst;
    }

    const Clock::duration period_ = 25ms;
    const Clock::time_point start_{};
};

TEST_F(TimerSchedule, KeepsThePeriodWhenOnTime)
{
    EXPECT_EQ(PosixTimerThread::NextDeadline(start_, period_, start_ + 3ms), start_ + period_);
    EXPECT_EQ(Burst(start_, start_ + 3ms), 0);
}

TEST_F(TimerSchedule, CatchesUpOnAFewMissedPeriods)
{
    EXPECT_EQ(Burst(start_, start_ + 60ms), 2);
}

TEST_F(TimerSchedule, CatchesUpOnlyAFewAfterALongStallAndKeepsItsPhase)
{
    const Clock::time_point now = start_ + 10s + 7ms;
    EXPECT_EQ(Burst(start_, now), PosixTimerThread::kMaxCatchUpBurst);
    const Clock::time_point next = PosixTimerThread::NextDeadline(start_, period_, now);
    EXPECT_EQ((next - start_) % period_, Clock::duration::zero());
}

// A pseudo-terminal in raw mode stands in for the wheel's device node: the
// device file opens the terminal side, the test plays the wheel on the
// other.
class PtyDevice : public ::testing::Test {
protected:
    void SetUp() override
    {
        wheel_.Reset(posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
        ASSERT_GE(wheel_.get(), 0);
        ASSERT_EQ(grantpt(wheel_.get()), 0);
        ASSERT_EQ(unlockpt(wheel_.get()), 0);
        std::array<char, 128> path{};
        ASSERT_EQ(ptsname_r(wheel_.get(), path.data(), path.size()), 0);
        path_ = path.data();
        termios raw{};
        ASSERT_EQ(tcgetattr(wheel_.get(), &raw), 0);
        cfmakeraw(&raw);
        ASSERT_EQ(tcsetattr(wheel_.get(), TCSANOW, &raw), 0);
        device_ = port_.Open(path_.c_str());
        ASSERT_TRUE(IsOpenDevice(device_)) << port_.LastError();
    }
    void TearDown() override
    {
        if (IsOpenDevice(device_)) {
            EXPECT_TRUE(port_.Close(device_));
        }
    }

    // What the wheel side received, waiting up to a few seconds for it.
    std::string WheelReceives(std::size_t size)
    {
        std::string received;
        const auto deadline = SteadyClock::now() + 5s;
        while (received.size() < size && SteadyClock::now() < deadline) {
            pollfd entry{wheel_.get(), POLLIN, 0};
            std::array<char, 64> chunk{};
            if (poll(&entry, 1, 100) == 1) {
                const ssize_t got = read(wheel_.get(), chunk.data(), chunk.size());
                if (got <= 0) {
                    break;
                }
                received.append(chunk.data(), static_cast<std::size_t>(got));
            }
        }
        return received;
    }

    PosixDeviceFile port_;
    Fd wheel_;
    std::string path_;
    HANDLE device_ = INVALID_HANDLE_VALUE;
};

TEST_F(PtyDevice, AReportWrittenArrivesWhole)
{
    const std::array<BYTE, 5> report{0x00, 0x00, 0x00, 0x40, 0x7F};
    DWORD written = 0;
    ASSERT_TRUE(port_.Write(device_, report.data(), report.size(), &written)) << port_.LastError();
    EXPECT_EQ(written, report.size());
    EXPECT_EQ(WheelReceives(report.size()), std::string(report.begin(), report.end()));
}

// A terminal has no report descriptor: it is framed as the wheel's own
// hidraw node, whose reports come without the id byte.
TEST_F(PtyDevice, ReadReturnsTheReportTheWheelSent)
{
    const std::array<char, 6> data{1, 2, 3, 4, 5, 6};
    ASSERT_EQ(write(wheel_.get(), data.data(), data.size()), 6);
    std::array<BYTE, 64> buffer{};
    DWORD read = 0;
    ASSERT_TRUE(port_.Read(device_, buffer.data(), buffer.size(), &read, 5000)) << port_.LastError();
    ASSERT_EQ(read, 7u);
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + read), std::string("\0", 1) + "\1\2\3\4\5\6");
}

TEST_F(PtyDevice, ReadGivesUpAfterItsTimeoutWhenTheWheelIsSilent)
{
    std::array<BYTE, 64> buffer{};
    DWORD read = 99;
    const auto start = SteadyClock::now();
    EXPECT_FALSE(port_.Read(device_, buffer.data(), buffer.size(), &read, 100));
    const auto waited = SteadyClock::now() - start;
    EXPECT_EQ(port_.LastError(), static_cast<DWORD>(ERROR_TIMEOUT));
    EXPECT_EQ(read, 0u);
    EXPECT_GE(waited, 100ms);
    EXPECT_LT(waited, 5s);
}

TEST_F(PtyDevice, AHungUpDeviceIsNotConnected)
{
    wheel_.Reset();
    const std::array<BYTE, 5> report{};
    DWORD written = 99;
    EXPECT_FALSE(port_.Write(device_, report.data(), report.size(), &written));
    EXPECT_EQ(port_.LastError(), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
    EXPECT_EQ(written, 0u);

    std::array<BYTE, 8> buffer{};
    DWORD read = 99;
    EXPECT_FALSE(port_.Read(device_, buffer.data(), buffer.size(), &read, 1000));
    EXPECT_EQ(port_.LastError(), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
    EXPECT_EQ(read, 0u);
}

TEST_F(PtyDevice, RefusesMissingArguments)
{
    DWORD count = 0;
    EXPECT_FALSE(port_.Write(device_, nullptr, 5, &count));
    EXPECT_EQ(port_.LastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    BYTE buffer[8];
    EXPECT_FALSE(port_.Read(device_, buffer, sizeof buffer, nullptr, 0));
    EXPECT_EQ(port_.LastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

// The wheel's hidraw node as the stand-in plays it: one report a read,
// without the id byte, and the output report taken with it.
class HidrawNode : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(folder_.path().empty());
        ASSERT_TRUE(wheel_.plugged());
        device_ = port_.Open(wheel_.path().c_str());
        ASSERT_TRUE(IsOpenDevice(device_)) << port_.LastError();
    }
    void TearDown() override
    {
        if (IsOpenDevice(device_)) {
            port_.Close(device_);
        }
    }

    ScratchFolder folder_;
    HidrawStandIn wheel_{(folder_.path() / "hidraw0").string()};
    PosixDeviceFile port_;
    HANDLE device_ = INVALID_HANDLE_VALUE;
};

TEST_F(HidrawNode, AReadGivesTheNewestQueuedReportWithTheIdWindowsPutsInFront)
{
    const InputReport pressed =
        EncodeInputReport({.wheel = 40, .accelerator = 255, .hat = 2, .buttons = 0x804});
    const InputReport rest = EncodeInputReport({.wheel = 200});
    for (const InputReport& report : {rest, rest, pressed}) {
        wheel_.SetInputReport(report);
        wheel_.SendInputReport();
    }
    std::array<BYTE, 64> buffer{};
    DWORD read = 0;
    ASSERT_TRUE(port_.Read(device_, buffer.data(), buffer.size(), &read, 5000)) << port_.LastError();
    ASSERT_EQ(read, kInputReportSize);
    InputReport report{};
    std::copy_n(buffer.begin(), report.size(), report.begin());
    EXPECT_EQ(report, pressed);
    // Nothing older is left behind to be read later.
    EXPECT_FALSE(port_.Read(device_, buffer.data(), buffer.size(), &read, 50));
    EXPECT_EQ(port_.LastError(), static_cast<DWORD>(ERROR_TIMEOUT));
}

TEST_F(HidrawNode, ABufferWithNoRoomForTheDataLeavesTheReportWaiting)
{
    wheel_.SendInputReport();
    BYTE id = 0xAA;
    DWORD read = 99;
    EXPECT_FALSE(port_.Read(device_, &id, 1, &read, 1000));
    EXPECT_EQ(port_.LastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(read, 0u);
    InputReport report{};
    ASSERT_TRUE(port_.Read(device_, report.data(), report.size(), &read, 1000)) << port_.LastError();
    EXPECT_EQ(report, EncodeInputReport({}));
}

TEST_F(HidrawNode, AReportWrittenArrivesWholeWithItsIdByte)
{
    const std::array<BYTE, 5> report{0x00, 0x00, 0x00, 0x40, 0x7F};
    DWORD written = 0;
    ASSERT_TRUE(port_.Write(device_, report.data(), report.size(), &written)) << port_.LastError();
    EXPECT_EQ(written, report.size());
    ASSERT_TRUE(port_.Write(device_, report.data(), report.size(), &written)) << port_.LastError();
    const std::vector<BYTE> expected(report.begin(), report.end());
    EXPECT_EQ(wheel_.TakeReceived(), (std::vector<std::vector<BYTE>>{expected, expected}));
}

TEST_F(HidrawNode, AnUnpluggedWheelIsGoneUntilItIsPluggedInAgain)
{
    wheel_.Unplug();
    // Written with no SIGPIPE, which would end the test program here.
    const std::array<BYTE, 5> report{};
    DWORD count = 99;
    EXPECT_FALSE(port_.Write(device_, report.data(), report.size(), &count));
    EXPECT_EQ(port_.LastError(), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
    InputReport input{};
    EXPECT_FALSE(port_.Read(device_, input.data(), input.size(), &count, 5000));
    EXPECT_EQ(port_.LastError(), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
    EXPECT_EQ(port_.Open(wheel_.path().c_str()), INVALID_HANDLE_VALUE);
    EXPECT_EQ(port_.LastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(port_.Close(device_));

    wheel_.Plug();
    device_ = port_.Open(wheel_.path().c_str());
    ASSERT_TRUE(IsOpenDevice(device_)) << port_.LastError();
    wheel_.SetInputReport(EncodeInputReport({.buttons = 0x001}));
    wheel_.SendInputReport();
    ASSERT_TRUE(port_.Read(device_, input.data(), input.size(), &count, 5000)) << port_.LastError();
    EXPECT_TRUE(IsWheelButtonPressed(input, 0));
}

TEST(PosixDeviceFile, OpenOfAMissingNodeFails)
{
    PosixDeviceFile port;
    EXPECT_EQ(port.Open("/dev/torvex-no-such-hidraw"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(port.LastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(port.Open(nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(port.LastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(PosixDeviceFile, HandlesThatNameNoOpenDeviceAreRefused)
{
    PosixDeviceFile port;
    BYTE buffer[8] = {};
    DWORD count = 0;
    for (const HANDLE bad : {HANDLE(nullptr), INVALID_HANDLE_VALUE}) {
        EXPECT_FALSE(port.Read(bad, buffer, sizeof buffer, &count, 0));
        EXPECT_EQ(port.LastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        EXPECT_FALSE(port.Write(bad, buffer, sizeof buffer, &count));
        EXPECT_EQ(port.LastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        EXPECT_FALSE(port.Close(bad));
    }
    // Descriptor 0 is a real device, not the null handle.
    EXPECT_TRUE(IsOpenDevice(PosixDeviceFile::HandleFromDescriptor(0)));
    EXPECT_EQ(PosixDeviceFile::DescriptorFromHandle(PosixDeviceFile::HandleFromDescriptor(0)), 0);
}

TEST(PosixDeviceFile, EachThreadHasItsOwnLastError)
{
    PosixDeviceFile port;
    port.Open("/dev/torvex-no-such-hidraw");
    std::thread other([&] {
        DWORD count = 0;
        port.Write(nullptr, nullptr, 0, &count);
    });
    other.join();
    EXPECT_EQ(port.LastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

} // namespace
} // namespace torvex::testing
