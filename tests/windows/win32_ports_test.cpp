// The Win32 ports against Wine: the named event shared with a second
// process, and the device file on a named pipe standing in for the wheel's
// HID interface (a pipe cannot report an unplugged device, so that case is
// left to the POSIX and simulated tests).
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <string>
#include <thread>

#include "platform/win32/win32_device_file.h"
#include "platform/win32/win32_named_event.h"
#include "tests/support/win32_handle.h"

namespace torvex::testing {
namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

constexpr DWORD kGenerousWaitMs = 10000;

std::string UniqueName(const char* purpose)
{
    static int number = 0;
    return std::string("torvex_") + purpose + "_" + std::to_string(GetCurrentProcessId()) + "_" +
           std::to_string(++number);
}

std::string ProgramDirectory()
{
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, sizeof self);
    const std::string path(self);
    return path.substr(0, path.find_last_of("\\/") + 1);
}


// The other process holding the lock: started, and waited for at the end.
class LockHolderProcess {
public:
    LockHolderProcess(const std::string& lockName, const std::string& heldName,
                      const std::string& releaseName)
    {
        std::string command = "\"" + ProgramDirectory() + "named_event_holder.exe\" " + lockName + " " +
                              heldName + " " + releaseName;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                           &process)) {
            CloseHandle(process.hThread);
            process_.Reset(process.hProcess);
        }
    }

    bool started() const { return process_.valid(); }

    // The exit code, or -1 when it did not end in time.
    long Finish()
    {
        if (!started() || WaitForSingleObject(process_.get(), kGenerousWaitMs) != WAIT_OBJECT_0) {
            return -1;
        }
        DWORD code = 0;
        GetExitCodeProcess(process_.get(), &code);
        return static_cast<long>(code);
    }

private:
    Handle process_;
};

TEST(Win32NamedEvent, AnotherProcessHoldsTheLockUntilItSignals)
{
    const std::string lockName = UniqueName("lock");
    const std::string heldName = UniqueName("held");
    const std::string releaseName = UniqueName("release");
    Win32NamedEvent lock(lockName.c_str());
    ASSERT_TRUE(lock.IsOpen());
    Handle held(CreateEventA(nullptr, TRUE, FALSE, heldName.c_str()));
    Handle release(CreateEventA(nullptr, TRUE, FALSE, releaseName.c_str()));
    ASSERT_TRUE(held.valid() && release.valid());

    LockHolderProcess holder(lockName, heldName, releaseName);
    ASSERT_TRUE(holder.started()) << GetLastError();
    ASSERT_EQ(WaitForSingleObject(held.get(), kGenerousWaitMs), WAIT_OBJECT_0);

    EXPECT_EQ(lock.Wait(100), WAIT_TIMEOUT);
    SetEvent(release.get());
    EXPECT_EQ(lock.Wait(kGenerousWaitMs), WAIT_OBJECT_0);
    EXPECT_EQ(holder.Finish(), 0);
    lock.Signal();
}

TEST(Win32NamedEvent, AnEventThatCannotBeCreatedFailsEveryWaitAtOnce)
{
    Win32NamedEvent lock("Nope\\x");
    EXPECT_FALSE(lock.IsOpen());
    const auto start = SteadyClock::now();
    EXPECT_EQ(lock.Wait(5000), WAIT_FAILED);
    EXPECT_LT(SteadyClock::now() - start, 2s);
    // The driver reports a failed wait from the thread's last error.
    EXPECT_EQ(GetLastError(), WAIT_FAILED);
    lock.Signal();
}

// A message-mode named pipe stands in for the wheel: the device file opens
// the client end, the test plays the wheel on the server end.
class PipeDevice : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string path = "\\\\.\\pipe\\" + UniqueName("wheel");
        wheel_.Reset(CreateNamedPipeA(path.c_str(), PIPE_ACCESS_DUPLEX,
                                      PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1, 512, 512, 0,
                                      nullptr));
        ASSERT_TRUE(wheel_.valid()) << GetLastError();
        device_ = port_.Open(path.c_str());
        ASSERT_TRUE(IsOpenDevice(device_)) << port_.LastError();
        // The client is connected already; the server just confirms it.
        ASSERT_TRUE(ConnectNamedPipe(wheel_.get(), nullptr) || GetLastError() == ERROR_PIPE_CONNECTED);
    }
    void TearDown() override
    {
        if (IsOpenDevice(device_)) {
            port_.Close(device_);
        }
    }

    bool WheelSends(const std::string& report)
    {
        DWORD written = 0;
        return WriteFile(wheel_.get(), report.data(), static_cast<DWORD>(report.size()), &written, nullptr) &&
               written == report.size();
    }

    std::string WheelReceives()
    {
        std::array<char, 64> buffer{};
        DWORD read = 0;
        if (!ReadFile(wheel_.get(), buffer.data(), buffer.size(), &read, nullptr)) {
            return "read failed";
        }
        return std::string(buffer.data(), read);
    }

    Win32DeviceFile port_;
    Handle wheel_;
    HANDLE device_ = INVALID_HANDLE_VALUE;
};

const std::string kInputReport("\x01\x02\x03\x04\x05\x06\x07", 7);

TEST_F(PipeDevice, AReportWrittenArrivesWhole)
{
    const std::string report("\x00\x00\x00\x40\x7f", 5);
    DWORD written = 0;
    ASSERT_TRUE(port_.Write(device_, report.data(), 5, &written)) << port_.LastError();
    EXPECT_EQ(written, 5u);
    EXPECT_EQ(WheelReceives(), report);
}

TEST_F(PipeDevice, ReadReturnsTheNewestReportQueuedOrOneArrivingWhileItWaits)
{
    std::array<char, 64> buffer{};
    DWORD read = 0;
    for (const std::string& report : {std::string(7, '\x11'), std::string(7, '\x22'), kInputReport}) {
        ASSERT_TRUE(WheelSends(report));
    }
    // One report a read, as the tick reads the wheel.
    ASSERT_TRUE(port_.Read(device_, buffer.data(), kInputReport.size(), &read, kGenerousWaitMs))
        << port_.LastError();
    EXPECT_EQ(std::string(buffer.data(), read), kInputReport);
    EXPECT_FALSE(port_.Read(device_, buffer.data(), kInputReport.size(), &read, 50));

    std::thread wheel([&] {
        std::this_thread::sleep_for(50ms);
        WheelSends(kInputReport);
    });
    read = 0;
    const BOOL ok = port_.Read(device_, buffer.data(), buffer.size(), &read, kGenerousWaitMs);
    wheel.join();
    ASSERT_TRUE(ok) << port_.LastError();
    EXPECT_EQ(std::string(buffer.data(), read), kInputReport);
}

TEST_F(PipeDevice, ReadGivesUpAfterItsTimeoutAndTheNextReportStillArrives)
{
    std::array<char, 64> buffer{};
    DWORD read = 99;
    const auto start = SteadyClock::now();
    EXPECT_FALSE(port_.Read(device_, buffer.data(), buffer.size(), &read, 100));
    const auto waited = SteadyClock::now() - start;
    EXPECT_EQ(port_.LastError(), static_cast<DWORD>(ERROR_TIMEOUT));
    EXPECT_EQ(read, 0u);
    EXPECT_GE(waited, 90ms);
    EXPECT_LT(waited, 5s);

    // The cancelled read took nothing away.
    ASSERT_TRUE(WheelSends(kInputReport));
    ASSERT_TRUE(port_.Read(device_, buffer.data(), buffer.size(), &read, kGenerousWaitMs))
        << port_.LastError();
    EXPECT_EQ(std::string(buffer.data(), read), kInputReport);
}

TEST_F(PipeDevice, AWriteToAWheelThatWentAwayFails)
{
    wheel_.Reset();
    const std::array<BYTE, 5> report{};
    DWORD written = 99;
    EXPECT_FALSE(port_.Write(device_, report.data(), report.size(), &written));
    EXPECT_EQ(written, 0u);
}

TEST(Win32DeviceFile, RefusesHandlesAndArgumentsThatNameNothing)
{
    Win32DeviceFile port;
    std::array<BYTE, 8> buffer{};
    DWORD count = 0;
    for (const HANDLE bad : {HANDLE(nullptr), INVALID_HANDLE_VALUE}) {
        EXPECT_FALSE(port.Read(bad, buffer.data(), buffer.size(), &count, 0));
        EXPECT_EQ(port.LastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        EXPECT_FALSE(port.Write(bad, buffer.data(), buffer.size(), &count));
        EXPECT_EQ(port.LastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    }
    EXPECT_EQ(port.Open("\\\\.\\pipe\\torvex_no_such_wheel"), INVALID_HANDLE_VALUE);
}

} // namespace
} // namespace torvex::testing
