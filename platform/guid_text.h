// The registry form of a GUID, "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}":
// how CLSIDs, effect GUIDs and device instances appear under the keys that
// DirectInput and COM read.
#pragma once

#include <string>
#include <string_view>

#include "platform/windows_api.h"

namespace torvex {

// The 38-character braced form with upper-case hex digits, as the registry
// keys are written.
std::string GuidToString(const GUID& guid);

// Reads the braced form, hex digits in either case. Anything else (another
// length, a missing brace or dash, a non-hex digit, surrounding blanks)
// gives false and leaves `*out` untouched; so does a null `out`.
bool ParseGuid(std::string_view text, GUID* out);

} // namespace torvex
