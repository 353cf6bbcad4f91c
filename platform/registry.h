// The registry as the wheel's software needs it: open, create, enumerate and
// query keys, read and write values, close. Results are the Win32 error codes
// (ERROR_SUCCESS, ERROR_FILE_NOT_FOUND, ERROR_NO_MORE_ITEMS, ERROR_MORE_DATA,
// ...), exactly as the ANSI registry functions return them.
#pragma once

#include "platform/windows_api.h"

namespace torvex {

class RegistryPort {
public:
    virtual ~RegistryPort() = default;

    // RegOpenKeyA: opens `subKey` below `parent` (a root or an open key).
    virtual LONG OpenKey(HKEY parent, const char* subKey, HKEY* result) = 0;
    // RegCreateKeyA: opens `subKey`, creating every missing key on the way.
    virtual LONG CreateKey(HKEY parent, const char* subKey, HKEY* result) = 0;
    // RegEnumKeyA: the name of the subkey at `index` into `name` (`cchName`
    // characters with the terminator); ERROR_NO_MORE_ITEMS past the last.
    virtual LONG EnumKey(HKEY key, DWORD index, char* name, DWORD cchName) = 0;
    // RegQueryInfoKeyA: the number of subkeys and the length of the longest
    // subkey name in characters, without the terminator. Either may be null.
    virtual LONG QueryInfoKey(HKEY key, DWORD* subKeys, DWORD* maxSubKeyLen) = 0;
    // RegQueryValueExA: the type and raw bytes of a value. With `data` null
    // only the size is returned; a buffer that is too small gives
    // ERROR_MORE_DATA with the needed size in `*cbData`.
    virtual LONG QueryValue(HKEY key, const char* valueName, DWORD* type, BYTE* data, DWORD* cbData) = 0;
    // RegSetValueExA.
    virtual LONG SetValue(HKEY key, const char* valueName, DWORD type, const BYTE* data, DWORD cbData) = 0;
    // RegCloseKey.
    virtual LONG CloseKey(HKEY key) = 0;
};

// An open registry key that closes itself. Never holds a root key.
class RegistryKey {
public:
    explicit RegistryKey(RegistryPort& registry) : registry_(&registry) {}
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    RegistryKey(RegistryKey&& other) noexcept : registry_(other.registry_), key_(other.key_)
    {
        other.key_ = nullptr;
    }
    RegistryKey& operator=(RegistryKey&& other) noexcept;
    ~RegistryKey() { Close(); }

    // Opens or creates `subKey` below `parent`; closes what this held first.
    LONG Open(HKEY parent, const char* subKey);
    LONG Create(HKEY parent, const char* subKey);
    LONG Open(const RegistryKey& parent, const char* subKey) { return Open(parent.get(), subKey); }
    LONG Create(const RegistryKey& parent, const char* subKey) { return Create(parent.get(), subKey); }

    void Close();
    // Takes over a key opened elsewhere (one a lookup handed out), closing
    // what this held first. A root key is never taken.
    void Adopt(HKEY key);
    HKEY get() const { return key_; }
    bool is_open() const { return key_ != nullptr; }
    // Hands the key to the caller, who must close it.
    HKEY release();

    // Reads a value's raw bytes into `data` (at most `capacity` bytes);
    // `*size` receives the value's full size. ERROR_MORE_DATA when it does
    // not fit.
    LONG QueryValue(const char* valueName, void* data, DWORD capacity, DWORD* size = nullptr,
                    DWORD* type = nullptr) const;
    // Reads a value that must be exactly `size` raw bytes, whatever its
    // type (a 32-bit number, a GUID); any other size counts as unreadable.
    bool ReadExactly(const char* valueName, void* data, DWORD size) const;
    LONG SetValue(const char* valueName, DWORD type, const void* data, DWORD size) const;

    RegistryPort& registry() const { return *registry_; }

private:
    LONG Take(HKEY parent, const char* subKey, bool create);

    RegistryPort* registry_;
    HKEY key_ = nullptr;
};

// True for the predefined roots (HKEY_LOCAL_MACHINE, ...), which are never
// opened or closed.
bool IsRootKey(HKEY key);

} // namespace torvex
