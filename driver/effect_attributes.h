// The installation's record of each standard DirectInput effect, which the
// driver hands to every new effect of that type.
#pragma once

#include <string>

#include "platform/registry.h"
#include "platform/windows_api.h"

namespace torvex {

// One record per standard effect, GUID_ConstantForce (0) to
// GUID_CustomForce (11).
constexpr DWORD kEffectAttributeRecords = 12;

// The registry key of record `index`: the OEM key's
// OEMForceFeedback\Effects\ followed by the effect's GUID text.
std::string EffectAttributesKeyPath(DWORD index);

// Reads the "Attributes" value of record `index` into `destination`. 1 when
// read; 0, with `destination` untouched, when the key or value is missing,
// unreadable or absurdly large. A value shorter than the record fills its
// leading part and zeroes the rest; a longer one gives its first 20 bytes.
BOOL ReadEffectAttributes(RegistryPort& registry, DWORD index, DIEFFECTATTRIBUTES* destination);

} // namespace torvex
