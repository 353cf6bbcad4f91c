// Windows 95, 98 and Me as a DLL under test meets them, inside a Wine that
// behaves like NT whatever version it reports: the DLL's import table is
// patched so that its calls go through the rules the Platform SDK
// documents for 9x. A call that breaks one is refused as 9x refuses it and
// noted with the function's name and the rule. GetTickCount advances in
// the 55 ms steps of the 9x system timer.
#pragma once

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/windows_api.h"

namespace torvex::testing {

class Win9xPersonality {
public:
    // Patches the imports of `module`. Wide-character functions that 9x
    // exports only as stubs that fail are noted as broken rules at once.
    static bool Apply(HMODULE module)
    {
        auto* const base = reinterpret_cast<BYTE*>(module);
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
            base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
        const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        if (imports.VirtualAddress == 0)
            return false;
        for (auto* dll = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
             dll->Name != 0; ++dll) {
            if (dll->OriginalFirstThunk == 0)
                return false; // no names left to patch by
            auto* name = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->OriginalFirstThunk);
            auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk);
            for (; name->u1.AddressOfData != 0; ++name, ++slot) {
                if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal))
                    continue;
                const char* function = reinterpret_cast<const char*>(
                    reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData)->Name);
                if (const void* checked = Checked(function)) {
                    DWORD old = 0;
                    if (!VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &old))
                        return false;
                    slot->u1.Function = reinterpret_cast<ULONG_PTR>(checked);
                    VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, old, &old);
                } else if (IsStubbedWide(function)) {
                    Broke(function, "Windows 95, 98 and Me export it only as a stub that fails");
                }
            }
        }
        return true;
    }

    // The rules broken since the last call, each "function: rule".
    static std::vector<std::string> TakeBroken()
    {
        const std::lock_guard<std::mutex> lock(State().lock);
        return std::move(State().broken);
    }

private:
    struct Shared {
        std::mutex lock;
        std::vector<std::string> broken;
    };
    static Shared& State()
    {
        static Shared shared;
        return shared;
    }
    static void Broke(const char* function, const char* rule)
    {
        const std::lock_guard<std::mutex> lock(State().lock);
        State().broken.push_back(std::string(function) + ": " + rule);
    }

    static constexpr const char* kNullCount = "Windows 95, 98 and Me refuse a null byte-count pointer";

    static BOOL WINAPI ReadFile9x(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read,
                                  LPOVERLAPPED overlapped)
    {
        if (read == nullptr) {
            Broke("ReadFile", kNullCount);
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        return ReadFile(file, buffer, size, read, overlapped);
    }
    static BOOL WINAPI WriteFile9x(HANDLE file, LPCVOID buffer, DWORD size, LPDWORD written,
                                   LPOVERLAPPED overlapped)
    {
        if (written == nullptr) {
            Broke("WriteFile", kNullCount);
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        return WriteFile(file, buffer, size, written, overlapped);
    }
    static DWORD WINAPI GetTickCount9x()
    {
        constexpr DWORD kSystemTimerMs = 55;
        return GetTickCount() / kSystemTimerMs * kSystemTimerMs;
    }

    static const void* Checked(const char* function)
    {
        if (std::strcmp(function, "ReadFile") == 0)
            return reinterpret_cast<const void*>(&ReadFile9x);
        if (std::strcmp(function, "WriteFile") == 0)
            return reinterpret_cast<const void*>(&WriteFile9x);
        if (std::strcmp(function, "GetTickCount") == 0)
            return reinterpret_cast<const void*>(&GetTickCount9x);
        return nullptr;
    }

    // A wide-character (W) function of the system DLLs, other than the few
    // that 9x implements ("Windows 95 General Limitations").
    static bool IsStubbedWide(const char* function)
    {
        const std::size_t length = std::strlen(function);
        if (length < 2 || function[length - 1] != 'W' || function[length - 2] < 'a' ||
            function[length - 2] > 'z')
            return false;
        for (const char* implemented :
             {"lstrlenW", "GetCommandLineW", "MessageBoxW", "TextOutW", "ExtTextOutW",
              "GetTextExtentPoint32W", "GetCharWidthW", "FindResourceW"})
            if (std::strcmp(function, implemented) == 0)
                return false;
        return true;
    }
};

} // namespace torvex::testing
