// What the tests need to know of a built Windows module (a PE file): the
// machine it is for, whether it is a DLL, the names it exports and the DLLs
// it imports from. The DLLs are loaded into other people's processes, so
// these are the facts that decide whether a game can load them at all.
//
// The reader parses whatever file it is given: every offset, size and count
// taken from the file is checked against the file before it is used.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace torvex::testing {

constexpr std::uint16_t kPeMachineI386 = 0x014C;
constexpr std::uint16_t kPeMachineAmd64 = 0x8664;

struct PeImage {
    std::uint16_t machine = 0;
    bool isDll = false;
    // The export table's names, in the table's order (sorted by the linker).
    std::vector<std::string> exportNames;
    // The DLLs named by the import table and by the delay-load table, as
    // the file spells them.
    std::vector<std::string> importedDlls;
};

// Parses a whole file held in memory. False, with `*error` saying what and
// where, for anything that is not a well-formed PE file.
bool ParsePeImage(std::span<const std::uint8_t> file, PeImage* image, std::string* error);

// Reads the file at `path` and parses it; an unreadable or oversized file
// is an error too.
bool ReadPeImage(const std::string& path, PeImage* image, std::string* error);

} // namespace torvex::testing
