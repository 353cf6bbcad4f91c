// Windows test programs that run other programs, or themselves again:
// with a chosen Windows version, or as the second process of a test. Wine reads the version it reports to a
// program from HKCU\Software\Wine\AppDefaults\<program> when the program starts, so a test that needs the
// code to see another Windows runs it in a child process; the probe writes what it found to a file the test
// reads back.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/windows_api.h"
#include "tests/support/win32_handle.h"

namespace torvex::testing {

inline std::string ProgramPath()
{
    char self[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
    return std::string(self, std::min<DWORD>(length, sizeof self));
}

inline std::string ProgramFileName()
{
    const std::string path = ProgramPath();
    return path.substr(path.find_last_of("\\/") + 1);
}

inline std::string ProgramDirectory()
{
    const std::string path = ProgramPath();
    return path.substr(0, path.find_last_of("\\/") + 1);
}

// Wine reports `version` ("win98", "win2k", "winxp", ...) to `program`
// while this lives.
class WineVersionFor {
public:
    WineVersionFor(const char* program, const char* version)
        : key_(std::string("Software\\Wine\\AppDefaults\\") + program)
    {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, key_.c_str(), &key), ERROR_SUCCESS);
        EXPECT_EQ(RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                                 static_cast<DWORD>(std::strlen(version) + 1)),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }
    ~WineVersionFor() { RegDeleteTreeA(HKEY_CURRENT_USER, key_.c_str()); }
    WineVersionFor(const WineVersionFor&) = delete;
    WineVersionFor& operator=(const WineVersionFor&) = delete;

private:
    std::string key_;
};

// Another process running `command`, waited for at the end.
class ChildProcess {
public:
    // With `shareOutput` the child writes into this program's own standard
    // handles, so its output lands where this program's does.
    ChildProcess(std::string command, bool shareOutput)
    {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        if (shareOutput) {
            startup.dwFlags = STARTF_USESTDHANDLES;
            startup.hStdInput = Inheritable(GetStdHandle(STD_INPUT_HANDLE));
            startup.hStdOutput = Inheritable(GetStdHandle(STD_OUTPUT_HANDLE));
            startup.hStdError = Inheritable(GetStdHandle(STD_ERROR_HANDLE));
        }
        PROCESS_INFORMATION process{};
        if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, shareOutput ? TRUE : FALSE, 0, nullptr,
                           nullptr, &startup, &process)) {
            CloseHandle(process.hThread);
            process_.Reset(process.hProcess);
        }
    }

    bool started() const { return process_.valid(); }

    // The exit code, or -1 when it did not end in time.
    long Finish(DWORD timeoutMs)
    {
        DWORD code = 0;
        if (!started() || WaitForSingleObject(process_.get(), timeoutMs) != WAIT_OBJECT_0 ||
            !GetExitCodeProcess(process_.get(), &code))
            return -1;
        return static_cast<long>(code);
    }

private:
    static HANDLE Inheritable(HANDLE handle)
    {
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE)
            SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
        return handle;
    }

    Handle process_;
};

// The Windows versions the wheel's software is made for, as Wine names them
// and as GetVersionExA reports them.
struct WheelWindows {
    const char* wineVersion;
    const char* name;
    DWORD platform;
    DWORD major;
    DWORD minor;
};
inline constexpr WheelWindows kWheelWindows[] = {
    {"win98", "Windows 98", VER_PLATFORM_WIN32_WINDOWS, 4, 10},
    {"winme", "Windows Me", VER_PLATFORM_WIN32_WINDOWS, 4, 90},
    {"win2k", "Windows 2000", VER_PLATFORM_WIN32_NT, 5, 0},
    {"winxp", "Windows XP", VER_PLATFORM_WIN32_NT, 5, 1},
};

// The wheel's Windows that Wine reports to this program, or null for any
// other (Wine's own default, Windows 7, is not one of them).
inline const WheelWindows* ReportedWheelWindows()
{
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info))
        return nullptr;
    for (const WheelWindows& windows : kWheelWindows)
        if (info.dwPlatformId == windows.platform && info.dwMajorVersion == windows.major &&
            info.dwMinorVersion == windows.minor)
            return &windows;
    return nullptr;
}

inline bool RunsAsWindows9x()
{
    const WheelWindows* windows = ReportedWheelWindows();
    return windows != nullptr && windows->platform == VER_PLATFORM_WIN32_WINDOWS;
}

// Runs this program again, `firstArgument` before its own arguments, with
// Wine reporting the wheel's Windows it reports now, or Windows XP when it
// reports another; answers the exit code. Wine reads the version (and a
// program's DLL overrides) only when a program starts. CTest's timeout
// bounds the wait.
inline int RunAgainAsWheelWindows(const char* firstArgument, int argc, char** argv)
{
    const WheelWindows* reported = ReportedWheelWindows();
    const WineVersionFor version(ProgramFileName().c_str(),
                                 reported != nullptr ? reported->wineVersion : "winxp");
    std::string command = "\"" + ProgramPath() + "\" " + firstArgument;
    for (int index = 1; index < argc; ++index)
        command += std::string(" \"") + argv[index] + "\"";
    ChildProcess again(command, true);
    if (!again.started()) {
        std::fprintf(stderr, "cannot run %s: %lu\n", command.c_str(), GetLastError());
        return 1;
    }
    return static_cast<int>(again.Finish(INFINITE));
}

// Runs `probe` (a program next to this one) with `arguments` and an output
// file as its last argument, and returns what it wrote there; empty, with
// a test failure, when it could not be run or did not end well.
inline std::string RunProbeProgram(const char* probe, const std::string& arguments)
{
    const std::string dir = ProgramDirectory();
    const std::string output = dir + probe + "_" + std::to_string(GetCurrentProcessId()) + ".txt";
    std::string command = "\"" + dir + probe + "\" " + arguments + " \"" + output + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        ADD_FAILURE() << "cannot start " << command << ": " << GetLastError();
        return {};
    }
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(exitCode, 0u) << command;
    std::ostringstream written;
    written << std::ifstream(output).rdbuf();
    DeleteFileA(output.c_str());
    return written.str();
}

} // namespace torvex::testing
