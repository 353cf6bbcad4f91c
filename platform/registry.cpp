#include "platform/registry.h"

#include <initializer_list>

namespace torvex {

bool IsRootKey(HKEY key)
{
    // The roots are small negative numbers, sign-extended on 64-bit Windows.
    for (HKEY root :
         {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS, HKEY_CURRENT_CONFIG})
        if (key == root)
            return true;
    return false;
}

RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept
{
    if (this != &other) {
        Close();
        registry_ = other.registry_;
        key_ = other.key_;
        other.key_ = nullptr;
    }
    return *this;
}

LONG RegistryKey::Open(HKEY parent, const char* subKey)
{
    return Take(parent, subKey, false);
}

LONG RegistryKey::Create(HKEY parent, const char* subKey)
{
    return Take(parent, subKey, true);
}

LONG RegistryKey::Take(HKEY parent, const char* subKey, bool create)
{
    Close();
    HKEY key = nullptr;
    const LONG result =
        create ? registry_->CreateKey(parent, subKey, &key) : registry_->OpenKey(parent, subKey, &key);
    if (result != ERROR_SUCCESS)
        return result;
    // The registry hands back the parent itself for an empty sub key;
    // holding that would close a key this object does not own.
    if (key == parent)
        return ERROR_INVALID_PARAMETER;
    key_ = key;
    return ERROR_SUCCESS;
}

void RegistryKey::Close()
{
    if (key_ != nullptr) {
        registry_->CloseKey(key_);
        key_ = nullptr;
    }
}

void RegistryKey::Adopt(HKEY key)
{
    Close();
    key_ = key != nullptr && !IsRootKey(key) ? key : nullptr;
}

HKEY RegistryKey::release()
{
    HKEY key = key_;
    key_ = nullptr;
    return key;
}

LONG RegistryKey::QueryValue(const char* valueName, void* data, DWORD capacity, DWORD* size,
                             DWORD* type) const
{
    DWORD cb = capacity;
    const LONG result = registry_->QueryValue(key_, valueName, type, static_cast<BYTE*>(data), &cb);
    if (size != nullptr)
        *size = cb;
    return result;
}

bool RegistryKey::ReadExactly(const char* valueName, void* data, DWORD size) const
{
    DWORD read = 0;
    return QueryValue(valueName, data, size, &read) == ERROR_SUCCESS && read == size;
}

LONG RegistryKey::SetValue(const char* valueName, DWORD type, const void* data, DWORD size) const
{
    return registry_->SetValue(key_, valueName, type, static_cast<const BYTE*>(data), size);
}

} // namespace torvex
