// The C++ runtime's own wide-character calls, answered through the ANSI
// forms of the same functions.
//
// The compiler's runtime, linked into both DLLs, calls three kernel32
// functions by their wide (W) names: CreateSemaphoreW for the locks of its
// exception unwinder and thread-local storage, GetModuleHandleW and
// LoadLibraryW to look for optional parts of msvcrt.dll and advapi32.dll.
// Windows 98 and Me export these names only as stubs that fail, so the
// runtime's locks would silently not exist there. Defining the import
// pointers here makes the linker take these instead of kernel32's W
// entries: the DLLs then import only the ANSI forms, which every Windows
// has, and behave the same everywhere. Linked into each DLL as an object
// of its own, so that the definitions are there before the runtime's
// libraries are searched.
#include "platform/windows_api.h"

namespace {

// The names the runtime passes are short: DLL names, or none at all.
constexpr int kNarrowNameChars = MAX_PATH;

// Calls `call` with `name` in the ANSI code page, or with null for null.
template <typename Result, typename Call> Result WithNarrowName(LPCWSTR name, Call call)
{
    if (name == nullptr)
        return call(nullptr);
    char narrow[kNarrowNameChars];
    if (WideCharToMultiByte(CP_ACP, 0, name, -1, narrow, kNarrowNameChars, nullptr, nullptr) == 0)
        return Result{}; // too long, or not convertible: the error is set
    return call(narrow);
}

HANDLE WINAPI CreateSemaphoreThroughAnsi(LPSECURITY_ATTRIBUTES attributes, LONG initialCount,
                                         LONG maximumCount, LPCWSTR name)
{
    return WithNarrowName<HANDLE>(name, [&](LPCSTR narrow) {
        return CreateSemaphoreA(attributes, initialCount, maximumCount, narrow);
    });
}

HMODULE WINAPI GetModuleHandleThroughAnsi(LPCWSTR name)
{
    return WithNarrowName<HMODULE>(name, [](LPCSTR narrow) { return GetModuleHandleA(narrow); });
}

HMODULE WINAPI LoadLibraryThroughAnsi(LPCWSTR name)
{
    return WithNarrowName<HMODULE>(name, [](LPCSTR narrow) { return LoadLibraryA(narrow); });
}

} // namespace

// The import pointers, under the names the linker gives them: with the
// argument bytes on 32-bit Windows (__stdcall), plain on 64-bit.
#if defined(__i386__)
#define TORVEX_IMPORT_POINTER(function, argumentBytes) __asm__("__imp__" #function "@" #argumentBytes)
#else
#define TORVEX_IMPORT_POINTER(function, argumentBytes) __asm__("__imp_" #function)
#endif

extern "C" {
extern decltype(&CreateSemaphoreW) const importCreateSemaphoreW TORVEX_IMPORT_POINTER(CreateSemaphoreW, 16);
extern decltype(&GetModuleHandleW) const importGetModuleHandleW TORVEX_IMPORT_POINTER(GetModuleHandleW, 4);
extern decltype(&LoadLibraryW) const importLoadLibraryW TORVEX_IMPORT_POINTER(LoadLibraryW, 4);
}

decltype(&CreateSemaphoreW) const importCreateSemaphoreW = CreateSemaphoreThroughAnsi;
decltype(&GetModuleHandleW) const importGetModuleHandleW = GetModuleHandleThroughAnsi;
decltype(&LoadLibraryW) const importLoadLibraryW = LoadLibraryThroughAnsi;
