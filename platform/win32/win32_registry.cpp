#include "platform/win32/win32_registry.h"

namespace torvex {

LONG Win32Registry::OpenKey(HKEY parent, const char* subKey, HKEY* result)
{
    return RegOpenKeyA(parent, subKey, result);
}

LONG Win32Registry::CreateKey(HKEY parent, const char* subKey, HKEY* result)
{
    return RegCreateKeyA(parent, subKey, result);
}

LONG Win32Registry::EnumKey(HKEY key, DWORD index, char* name, DWORD cchName)
{
    return RegEnumKeyA(key, index, name, cchName);
}

LONG Win32Registry::QueryInfoKey(HKEY key, DWORD* subKeys, DWORD* maxSubKeyLen)
{
    return RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, subKeys, maxSubKeyLen, nullptr, nullptr, nullptr,
                            nullptr, nullptr, nullptr);
}

LONG Win32Registry::QueryValue(HKEY key, const char* valueName, DWORD* type, BYTE* data, DWORD* cbData)
{
    return RegQueryValueExA(key, valueName, nullptr, type, data, cbData);
}

LONG Win32Registry::SetValue(HKEY key, const char* valueName, DWORD type, const BYTE* data, DWORD cbData)
{
    return RegSetValueExA(key, valueName, 0, type, data, cbData);
}

LONG Win32Registry::CloseKey(HKEY key)
{
    return RegCloseKey(key);
}

} // namespace torvex
