// The text format that Windows' registry editor imports and exports
// ("REGEDIT4" and "Windows Registry Editor Version 5.00"). Tests, fixtures,
// the simulated world and the installation describe registry contents in it,
// so that what is tested is what a Windows machine would import.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/windows_api.h"

namespace torvex {

enum class RegistryFileFormat {
    Regedit4, // "REGEDIT4": strings are ANSI
    Regedit5, // "Windows Registry Editor Version 5.00": hex(2) and hex(7) data are UTF-16LE
};

struct RegistryFileValue {
    std::string name;     // "" is the key's default value, written as @
    bool deleted = false; // "name"=-
    DWORD type = REG_NONE;
    // The bytes as the ANSI registry functions see them: a REG_SZ string
    // with its terminator; REG_EXPAND_SZ and REG_MULTI_SZ narrowed from the
    // UTF-16 of a version 5 file.
    std::vector<BYTE> data;
};

struct RegistryFileKey {
    std::string path;     // full path with its root: "HKEY_LOCAL_MACHINE\System\..."
    bool deleted = false; // [-path]: the key and everything below it
    std::vector<RegistryFileValue> values;
};

struct RegistryFile {
    RegistryFileFormat format = RegistryFileFormat::Regedit4;
    std::vector<RegistryFileKey> keys; // in file order
};

struct RegistryFileError {
    int line = 0; // 1-based line of the fault (the first line of a continued value)
    std::string message;
};

// Parses a whole file. Accepts LF and CRLF line ends, a UTF-8 byte order
// mark, and UTF-16LE text with its byte order mark (as regedit writes
// version 5 files). On a malformed file returns false and names the line.
bool ParseRegistryFile(std::string_view text, RegistryFile* file, RegistryFileError* error);

// Reads and parses a file from disk; an unreadable file is reported as line 0.
bool LoadRegistryFile(const std::string& path, RegistryFile* file, RegistryFileError* error);

// Writes the text regedit would write: the header, then each key as a
// section with its values (strings quoted and escaped, dword:, hex: and
// hex(n): with continuation lines), using LF line ends.
std::string WriteRegistryFile(const RegistryFile& file);

// "HKEY_LOCAL_MACHINE" and the other full root names; null for anything else.
HKEY RegistryRootFromName(std::string_view name);
const char* RegistryRootName(HKEY root);

} // namespace torvex
