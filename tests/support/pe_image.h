// What the tests need to know of a built Windows module (a PE file): the
// machine it is for, whether it is a DLL, the versions and alignments its
// header asks of the loader, the names it exports and the functions it
// imports from which DLLs. The DLLs are loaded into other people's processes, so
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

// One function a module imports: from which DLL, by name (or "#<ordinal>").
struct PeImport {
    std::string dll;
    std::string function;
};

struct PeImage {
    std::uint16_t machine = 0;
    bool isDll = false;
    // The optional header's fields that an older loader looks at.
    std::uint16_t osVersion[2] = {0, 0};        // major, minor
    std::uint16_t subsystemVersion[2] = {0, 0}; // major, minor
    std::uint32_t sectionAlignment = 0;
    std::uint32_t fileAlignment = 0;
    // The indices of the data directories the module has (RVA not 0).
    std::vector<std::uint32_t> directories;
    // The export table's names, in the table's order (sorted by the linker).
    std::vector<std::string> exportNames;
    // The DLLs named by the import table and by the delay-load table, as
    // the file spells them.
    std::vector<std::string> importedDlls;
    // Every function of those tables, in the tables' order.
    std::vector<PeImport> importedFunctions;
};

// Parses a whole file held in memory. False, with `*error` saying what and
// where, for anything that is not a well-formed PE file.
bool ParsePeImage(std::span<const std::uint8_t> file, PeImage* image, std::string* error);

// Reads the file at `path` and parses it; an unreadable or oversized file
// is an error too.
bool ReadPeImage(const std::string& path, PeImage* image, std::string* error);

} // namespace torvex::testing
