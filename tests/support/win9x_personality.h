// Windows 95, 98 and Me as a DLL under test meets them, inside a Wine that
// behaves like NT whatever version it reports: the DLL's import table is
// patched so that its calls go through the rules the Platform SDK
// documents for 9x. A call that breaks one is refused as 9x refuses it and
// noted with the function's name and the rule. GetTickCount advances in
// the 55 ms steps of the 9x system timer.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/windows_api.h"
#include "tests/support/wine_probe.h"

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
                if (const Rule* rule = RuleFor(function)) {
                    DWORD old = 0;
                    if (!VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &old))
                        return false;
                    *rule->original = reinterpret_cast<void*>(slot->u1.Function);
                    slot->u1.Function = reinterpret_cast<ULONG_PTR>(rule->checked);
                    VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, old, &old);
                } else if (IsStubbedWide(function)) {
                    Broke(function, "Windows 95, 98 and Me export it only as a stub that fails");
                }
            }
        }
        return true;
    }

    // Apply when Wine reports Windows 98 or Me; nothing to do otherwise.
    static bool ApplyOnWindows9x(HMODULE module) { return !RunsAsWindows9x() || Apply(module); }

    // The rules broken since the last call, each "function: rule".
    static std::vector<std::string> TakeBroken()
    {
        const std::lock_guard<std::mutex> lock(State().lock);
        return std::move(State().broken);
    }

    // Fails the running test once for each rule broken since the last call.
    static void FailForBrokenRules()
    {
        for (const std::string& broken : TakeBroken())
            ADD_FAILURE() << broken;
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
    // Answers `result` with `error` as the last error, as 9x refuses.
    template <typename Result> static Result Refuse(const char* function, const char* rule, Result result)
    {
        Broke(function, rule);
        SetLastError(ERROR_INVALID_PARAMETER);
        return result;
    }

    // What the patched slots held: the functions the checked ones call on.
    static inline decltype(&::ReadFile) readFile = nullptr;
    static inline decltype(&::WriteFile) writeFile = nullptr;
    static inline decltype(&::GetTickCount) getTickCount = nullptr;
    static inline decltype(&::GetVersionExA) getVersionExA = nullptr;
    static inline decltype(&::VirtualProtect) virtualProtect = nullptr;
    static inline decltype(&::RegSetValueExA) regSetValueExA = nullptr;
    static inline decltype(&::RegisterClassA) registerClassA = nullptr;
    static inline decltype(&::Ellipse) ellipse = nullptr;
    static inline decltype(&::Polygon) polygon = nullptr;
    static inline HRESULT(WINAPI* directInputCreateA)(HINSTANCE, DWORD, LPDIRECTINPUTA*, LPUNKNOWN) = nullptr;

    static constexpr const char* kNullCount = "Windows 95, 98 and Me refuse a null byte-count pointer";
    // 9x GDI works in 16-bit coordinates ("The sum of the coordinates of the
    // bounding rectangle cannot exceed 32,767").
    static constexpr long kGdiLimit = 32767;

    static BOOL WINAPI ReadFile9x(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read,
                                  LPOVERLAPPED overlapped)
    {
        return read == nullptr ? Refuse("ReadFile", kNullCount, FALSE)
                               : readFile(file, buffer, size, read, overlapped);
    }
    static BOOL WINAPI WriteFile9x(HANDLE file, LPCVOID buffer, DWORD size, LPDWORD written,
                                   LPOVERLAPPED overlapped)
    {
        return written == nullptr ? Refuse("WriteFile", kNullCount, FALSE)
                                  : writeFile(file, buffer, size, written, overlapped);
    }
    static DWORD WINAPI GetTickCount9x()
    {
        constexpr DWORD kSystemTimerMs = 55;
        return getTickCount() / kSystemTimerMs * kSystemTimerMs;
    }
    static BOOL WINAPI GetVersionExA9x(LPOSVERSIONINFOA info)
    {
        if (info == nullptr || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA))
            return Refuse("GetVersionExA",
                          "Windows 95, 98 and Me take only the OSVERSIONINFO size (OSVERSIONINFOEX came "
                          "with NT 4.0 SP6)",
                          FALSE);
        return getVersionExA(info);
    }
    static BOOL WINAPI VirtualProtect9x(LPVOID address, SIZE_T size, DWORD protection, PDWORD old)
    {
        if (old == nullptr)
            return Refuse("VirtualProtect", "a null pointer for the old protection is refused", FALSE);
        if (reinterpret_cast<std::uintptr_t>(address) >= 0x80000000u)
            return Refuse("VirtualProtect",
                          "Windows 95, 98 and Me refuse it on the shared and system memory above 2 GB",
                          FALSE);
        return virtualProtect(address, size, protection, old);
    }
    static LONG WINAPI RegSetValueExA9x(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data,
                                        DWORD size)
    {
        constexpr DWORD kMaxValueBytes = 16300;
        constexpr std::size_t kMaxValueName = 255;
        if (size > kMaxValueBytes || (name != nullptr && std::strlen(name) > kMaxValueName)) {
            Broke("RegSetValueExA", "Windows 95, 98 and Me keep at most 16,300 bytes a value and 255 "
                                    "characters a value name");
            return ERROR_INVALID_PARAMETER;
        }
        return regSetValueExA(key, name, reserved, type, data, size);
    }
    static ATOM WINAPI RegisterClassA9x(const WNDCLASSA* windowClass)
    {
        constexpr int kMaxExtraBytes = 40;
        if (windowClass == nullptr || windowClass->cbClsExtra > kMaxExtraBytes ||
            windowClass->cbWndExtra > kMaxExtraBytes)
            return Refuse("RegisterClassA",
                          "Windows 95, 98 and Me refuse more than 40 extra bytes a class or window", ATOM{0});
        return registerClassA(windowClass);
    }
    static BOOL WINAPI Ellipse9x(HDC dc, int left, int top, int right, int bottom)
    {
        const long long sums[] = {1LL * left + right, 1LL * top + bottom, 1LL * right - left,
                                  1LL * bottom - top};
        for (const long long sum : sums)
            if (sum > kGdiLimit || sum < -kGdiLimit - 1)
                return Refuse("Ellipse",
                              "on Windows 95, 98 and Me the sums of the rectangle's coordinates, its "
                              "width and its height stay within 16 bits",
                              FALSE);
        return ellipse(dc, left, top, right, bottom);
    }
    static BOOL WINAPI Polygon9x(HDC dc, const POINT* points, int count)
    {
        // With a pen wider than one pixel most display drivers of 9x take
        // about 1360 points, else 16K; the rest are dropped unseen.
        LOGPEN pen{};
        const bool wide =
            GetObjectA(GetCurrentObject(dc, OBJ_PEN), sizeof pen, &pen) != sizeof pen || pen.lopnWidth.x > 1;
        if (count > (wide ? 1360 : 16 * 1024))
            return Refuse("Polygon",
                          "Windows 95, 98 and Me drop the points past 16K, or past about 1360 "
                          "with a wide pen",
                          FALSE);
        return polygon(dc, points, count);
    }
    static HRESULT WINAPI DirectInputCreateA9x(HINSTANCE instance, DWORD version, LPDIRECTINPUTA* out,
                                               LPUNKNOWN outer)
    {
        if (version > 0x0500) {
            Broke("DirectInputCreateA", "Windows 98 comes with DirectX 5, which refuses a later version");
            return DIERR_OLDDIRECTINPUTVERSION;
        }
        return directInputCreateA(instance, version, out, outer);
    }

    struct Rule {
        const char* function;
        const void* checked;
        void** original;
    };
    template <typename Function> static Rule Make(const char* function, Function checked, Function* original)
    {
        return {function, reinterpret_cast<const void*>(checked), reinterpret_cast<void**>(original)};
    }
    static const Rule* RuleFor(const char* function)
    {
        static const Rule rules[] = {
            Make("ReadFile", &ReadFile9x, &readFile),
            Make("WriteFile", &WriteFile9x, &writeFile),
            Make("GetTickCount", &GetTickCount9x, &getTickCount),
            Make("GetVersionExA", &GetVersionExA9x, &getVersionExA),
            Make("VirtualProtect", &VirtualProtect9x, &virtualProtect),
            Make("RegSetValueExA", &RegSetValueExA9x, &regSetValueExA),
            Make("RegisterClassA", &RegisterClassA9x, &registerClassA),
            Make("Ellipse", &Ellipse9x, &ellipse),
            Make("Polygon", &Polygon9x, &polygon),
            Make("DirectInputCreateA", &DirectInputCreateA9x, &directInputCreateA),
        };
        for (const Rule& rule : rules)
            if (std::strcmp(function, rule.function) == 0)
                return &rule;
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
