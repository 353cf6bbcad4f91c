#include "driver/effect_attributes.h"

#include <algorithm>
#include <cstring>

#include "driver/effect_memory.h"
#include "driver/oem_key.h"

namespace torvex {

namespace {

// Larger than any record could be; such a value is not read at all.
constexpr DWORD kLargestAttributesValue = 64 * 1024;

} // namespace

std::string EffectAttributesKeyPath(DWORD index)
{
    // The twelve standard effect GUIDs differ only in the last digit of
    // their first group.
    std::string guid = "{13541C20-8E33-11D0-9AD0-00A0C9A06E35}";
    guid[8] = "0123456789ABCDEF"[index & 0xF];
    return OemKeyPath() + "\\OEMForceFeedback\\Effects\\" + guid;
}

BOOL ReadEffectAttributes(RegistryPort& registry, DWORD index, DIEFFECTATTRIBUTES* destination)
{
    if (destination == nullptr || index >= kEffectAttributeRecords)
        return FALSE;
    RegistryKey key(registry);
    if (key.Open(HKEY_LOCAL_MACHINE, EffectAttributesKeyPath(index).c_str()) != ERROR_SUCCESS)
        return FALSE;
    DWORD size = 0;
    if (key.QueryValue("Attributes", nullptr, 0, &size) != ERROR_SUCCESS || size > kLargestAttributesValue)
        return FALSE;
    const EffectMemory<BYTE> value = AllocateEffectArray<BYTE>(size);
    DWORD read = 0;
    if (value == nullptr || key.QueryValue("Attributes", value.get(), size, &read) != ERROR_SUCCESS)
        return FALSE;
    DIEFFECTATTRIBUTES record{};
    std::memcpy(&record, value.get(), std::min<DWORD>({read, size, sizeof record}));
    *destination = record;
    return TRUE;
}

} // namespace torvex
