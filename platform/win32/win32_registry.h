// The registry port on Windows: the ANSI registry functions, unchanged.
#pragma once

#include "platform/registry.h"

namespace torvex {

class Win32Registry final : public RegistryPort {
public:
    LONG OpenKey(HKEY parent, const char* subKey, HKEY* result) override;
    LONG CreateKey(HKEY parent, const char* subKey, HKEY* result) override;
    LONG EnumKey(HKEY key, DWORD index, char* name, DWORD cchName) override;
    LONG QueryInfoKey(HKEY key, DWORD* subKeys, DWORD* maxSubKeyLen) override;
    LONG QueryValue(HKEY key, const char* valueName, DWORD* type, BYTE* data, DWORD* cbData) override;
    LONG SetValue(HKEY key, const char* valueName, DWORD type, const BYTE* data, DWORD cbData) override;
    LONG CloseKey(HKEY key) override;
};

} // namespace torvex
