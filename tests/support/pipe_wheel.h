// A ZK-5120 behind a named pipe, for the Windows tests: the driver finds
// the pipe's path as the wheel's HID device file and opens it as it would
// the wheel. Both ends live in the test's process.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/windows_api.h"
#include "tests/support/win32_handle.h"

namespace torvex::testing {

inline Handle ManualResetEvent(const char* name = nullptr)
{
    return Handle(CreateEventA(nullptr, TRUE, FALSE, name));
}

// The wheel: the server end of a message-mode named pipe, served on a
// thread of its own. The driver opens and closes the device file many times,
// so a free pipe instance always waits for the next open. Every report the
// driver writes is recorded with its arrival time and answered with one
// input report, which the driver's next tick reads.

struct WheelWrite {
    std::chrono::steady_clock::time_point at;
    std::string bytes;
};

class PipeWheel {
public:
    // The wheel centred, pedals released, hat centred, no button pressed.
    static inline const std::string kRestingInputReport{"\x00\x80\x00\x00\x00\x0F\x00", 7};

    explicit PipeWheel(std::string path) : path_(std::move(path))
    {
        // The first instance exists before the constructor returns, so the
        // driver can open the path as soon as discovery names it.
        if (stop_.valid() && connected_.valid() && Listen())
            server_ = std::thread([this] { Serve(); });
    }
    ~PipeWheel() { Vanish(); }

    // The server goes away, as when the wheel's driver is unloaded: every
    // open handle breaks and the path opens no more.
    void Vanish()
    {
        SetEvent(stop_.get());
        if (server_.joinable())
            server_.join();
    }
    PipeWheel(const PipeWheel&) = delete;
    PipeWheel& operator=(const PipeWheel&) = delete;

    const std::string& path() const { return path_; }
    bool serving() const { return server_.joinable(); }
    // How often the device file was opened, and how many opens are not yet closed.
    int Opens() const { return opens_.load(); }
    int OpenNow() const { return openNow_.load(); }

    std::vector<WheelWrite> Writes() const
    {
        const std::lock_guard guard(mutex_);
        return writes_;
    }
    void ClearWrites()
    {
        const std::lock_guard guard(mutex_);
        writes_.clear();
    }
    // The 7-byte input report the wheel answers every output report with.
    void SetInputReport(std::string report)
    {
        const std::lock_guard guard(mutex_);
        input_ = std::move(report);
    }

private:
    struct Connection {
        Handle pipe;
        Handle readDone = ManualResetEvent();
        OVERLAPPED read{};
        std::array<char, 64> buffer{};
    };

    // A new pipe instance waiting for the next open.
    bool Listen()
    {
        listener_.Reset(CreateNamedPipeA(path_.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                         PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
                                         PIPE_UNLIMITED_INSTANCES, 512, 512, 0, nullptr));
        if (!listener_.valid())
            return false;
        connect_ = OVERLAPPED{};
        connect_.hEvent = connected_.get();
        ResetEvent(connected_.get());
        if (ConnectNamedPipe(listener_.get(), &connect_))
            return SetEvent(connected_.get()) != FALSE;
        const DWORD error = GetLastError();
        if (error == ERROR_PIPE_CONNECTED) // opened before we asked
            return SetEvent(connected_.get()) != FALSE;
        return error == ERROR_IO_PENDING;
    }

    void Serve()
    {
        for (;;) {
            std::vector<HANDLE> events{stop_.get(), connected_.get()};
            for (const auto& connection : connections_)
                events.push_back(connection->readDone.get());
            const DWORD woken =
                WaitForMultipleObjects(static_cast<DWORD>(events.size()), events.data(), FALSE, INFINITE);
            const std::size_t index = woken - WAIT_OBJECT_0;
            if (index == 0 || index >= events.size())
                break;
            if (index == 1) {
                Accept();
            } else {
                FinishRead(index - 2);
            }
        }
        Shutdown();
    }

    void Accept()
    {
        ResetEvent(connected_.get());
        auto connection = std::make_unique<Connection>();
        connection->pipe = std::move(listener_);
        ++opens_;
        ++openNow_;
        if (StartRead(*connection)) {
            connections_.push_back(std::move(connection));
        } else {
            --openNow_;
        }
        Listen();
    }

    bool StartRead(Connection& connection)
    {
        connection.read = OVERLAPPED{};
        connection.read.hEvent = connection.readDone.get();
        if (ReadFile(connection.pipe.get(), connection.buffer.data(), connection.buffer.size(), nullptr,
                     &connection.read))
            return true;
        const DWORD error = GetLastError();
        return error == ERROR_IO_PENDING || error == ERROR_MORE_DATA;
    }

    void FinishRead(std::size_t index)
    {
        Connection& connection = *connections_[index];
        DWORD read = 0;
        if (GetOverlappedResult(connection.pipe.get(), &connection.read, &read, FALSE) ||
            GetLastError() == ERROR_MORE_DATA) {
            Record(std::string(connection.buffer.data(), read));
            SendInputReport(connection.pipe.get());
            if (StartRead(connection))
                return;
        }
        // The driver closed the device file.
        DisconnectNamedPipe(connection.pipe.get());
        connections_.erase(connections_.begin() + static_cast<std::ptrdiff_t>(index));
        --openNow_;
    }

    void Record(std::string bytes)
    {
        const std::lock_guard guard(mutex_);
        writes_.push_back({std::chrono::steady_clock::now(), std::move(bytes)});
    }

    void SendInputReport(HANDLE pipe)
    {
        std::string report;
        {
            const std::lock_guard guard(mutex_);
            report = input_;
        }
        Handle done = ManualResetEvent();
        OVERLAPPED write{};
        write.hEvent = done.get();
        if (!WriteFile(pipe, report.data(), static_cast<DWORD>(report.size()), nullptr, &write) &&
            GetLastError() != ERROR_IO_PENDING)
            return;
        // A driver that stopped reading must not stall the wheel.
        if (WaitForSingleObject(done.get(), 1000) != WAIT_OBJECT_0)
            CancelIo(pipe);
        DWORD written = 0;
        GetOverlappedResult(pipe, &write, &written, TRUE);
    }

    // Overlapped calls write into their OVERLAPPED until they end, so each
    // is cancelled and waited for before its record goes away. CancelIo
    // reaches only this thread's calls, hence here and not in the destructor.
    void Shutdown()
    {
        DWORD ignored = 0;
        if (listener_.valid() && !HasOverlappedIoCompleted(&connect_)) {
            // Wine's CancelIo leaves a waiting ConnectNamedPipe pending for
            // ever; an open of our own completes it.
            const Handle self(CreateFileA(path_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
            WaitForSingleObject(connected_.get(), 10000);
        }
        for (const auto& connection : connections_) {
            CancelIo(connection->pipe.get());
            GetOverlappedResult(connection->pipe.get(), &connection->read, &ignored, TRUE);
        }
        connections_.clear();
        listener_.Reset();
    }

    std::string path_;
    Handle stop_ = ManualResetEvent();
    Handle connected_ = ManualResetEvent();
    Handle listener_;
    OVERLAPPED connect_{};
    std::vector<std::unique_ptr<Connection>> connections_;
    std::atomic<int> opens_{0};
    std::atomic<int> openNow_{0};
    mutable std::mutex mutex_;
    std::vector<WheelWrite> writes_;
    std::string input_ = kRestingInputReport;
    std::thread server_;
};

} // namespace torvex::testing
