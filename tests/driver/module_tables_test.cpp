// The built Windows modules as a game's process sees them before running a
// line of them: the machine, the DLL flag, the exported entry points
// DirectInput and COM look up by name, and the DLLs the loader must find.
// Also the PE reader these checks rest on, against malformed files, since it
// parses whatever bytes it is given.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/pe_image.h"

namespace torvex::testing {
namespace {

// ---------------------------------------------------------------------------
// The reader, on a small module laid out as a linker lays one out.

constexpr std::uint32_t kPeOffset = 0x40;
constexpr std::uint32_t kCoff = kPeOffset + 4;
constexpr std::uint32_t kOptionalHeader = kCoff + 20;
constexpr std::uint32_t kSectionFile = 0x200;
constexpr std::uint32_t kSectionRva = 0x1000;
constexpr std::uint32_t kSectionSize = 0x200;
// Where the tables sit inside the one section.
constexpr std::uint32_t kExports = 0x00, kExportNames = 0x28, kExportText = 0x40;
constexpr std::uint32_t kImports = 0x80, kImportText = 0xC0;
constexpr std::uint32_t kDelayImports = 0x100, kDelayText = 0x140;
constexpr std::uint32_t kThunks = 0x160, kHintName = 0x190;

class SyntheticModule {
public:
    explicit SyntheticModule(bool pe32Plus) : bytes(kSectionFile + kSectionSize), pe32Plus_(pe32Plus)
    {
        Put16(0, 0x5A4D);
        Put32(0x3C, kPeOffset);
        Put32(kPeOffset, 0x00004550);
        Put16(kCoff, pe32Plus ? kPeMachineAmd64 : kPeMachineI386);
        Put16(kCoff + 2, 1);
        Put16(kCoff + 16, OptionalSize());
        Put16(kCoff + 18, 0x2002); // a DLL, executable
        Put16(kOptionalHeader, pe32Plus ? 0x020B : 0x010B);
        Put32(kOptionalHeader + (pe32Plus ? 24 : 28), 0x10000000);
        Put32(kOptionalHeader + DirectoryCount(), 16);
        PutDirectory(0, kExports, 40);
        PutDirectory(1, kImports, 3 * 20);
        PutDirectory(13, kDelayImports, 2 * 32);

        const std::uint32_t section = SectionHeader();
        PutText(section, ".rdata");
        Put32(section + 8, kSectionSize);
        Put32(section + 12, kSectionRva);
        Put32(section + 16, kSectionSize);
        Put32(section + 20, kSectionFile);

        Put32(At(kExports) + 24, 2);
        Put32(At(kExports) + 32, Rva(kExportNames));
        Put32(At(kExportNames), Rva(kExportText));
        Put32(At(kExportNames) + 4, Rva(kExportText + 0x10));
        PutText(At(kExportText), "DllCanUnloadNow");
        PutText(At(kExportText + 0x10), "DllGetClassObject");

        // Both DLLs share one lookup table: a function by name, one by
        // ordinal. The second descriptor has only its address table, as
        // some linkers leave it.
        Put32(At(kImports), Rva(kThunks));
        Put32(At(kImports) + 12, Rva(kImportText));
        Put32(At(kImports) + 16, Rva(kThunks));
        Put32(At(kImports) + 20 + 12, Rva(kImportText + 0x10));
        Put32(At(kImports) + 20 + 16, Rva(kThunks));
        PutText(At(kImportText), "KERNEL32.dll");
        PutText(At(kImportText + 0x10), "msvcrt.dll");
        PutThunk(0, Rva(kHintName));
        PutThunk(1, 7 | OrdinalFlag());
        PutText(At(kHintName) + 2, "CloseHandle");

        Put32(At(kDelayImports), 1); // RVAs, not addresses
        Put32(At(kDelayImports) + 4, Rva(kDelayText));
        PutText(At(kDelayText), "WINMM.dll");
    }

    // File offset and RVA of an offset inside the section.
    static std::uint32_t At(std::uint32_t inSection) { return kSectionFile + inSection; }
    static std::uint32_t Rva(std::uint32_t inSection) { return kSectionRva + inSection; }
    std::uint16_t OptionalSize() const { return pe32Plus_ ? 240 : 224; }
    std::uint64_t OrdinalFlag() const { return pe32Plus_ ? 1ull << 63 : 1ull << 31; }
    void PutThunk(std::uint32_t index, std::uint64_t entry)
    {
        const std::uint32_t size = pe32Plus_ ? 8 : 4;
        for (std::uint32_t byte = 0; byte < size; ++byte)
            bytes[At(kThunks) + index * size + byte] = static_cast<std::uint8_t>(entry >> (8 * byte));
    }
    std::uint32_t DirectoryCount() const { return pe32Plus_ ? 108 : 92; }
    std::uint32_t SectionHeader() const { return kOptionalHeader + OptionalSize(); }

    void Put16(std::uint32_t offset, std::uint16_t value) { PutBytes(offset, value, 2); }
    void Put32(std::uint32_t offset, std::uint32_t value) { PutBytes(offset, value, 4); }
    void PutText(std::uint32_t offset, const std::string& text)
    {
        std::copy(text.begin(), text.end(), bytes.begin() + offset);
        bytes[offset + text.size()] = 0;
    }
    void PutDirectory(std::uint32_t index, std::uint32_t inSection, std::uint32_t size)
    {
        const std::uint32_t entry = kOptionalHeader + DirectoryCount() + 4 + 8 * index;
        Put32(entry, Rva(inSection));
        Put32(entry + 4, size);
    }

    std::vector<std::uint8_t> bytes;

private:
    void PutBytes(std::uint32_t offset, std::uint32_t value, int count)
    {
        for (int byte = 0; byte < count; ++byte)
            bytes[offset + byte] = static_cast<std::uint8_t>(value >> (8 * byte));
    }

    bool pe32Plus_;
};

struct Parsed {
    bool ok = false;
    PeImage image;
    std::string error;
};

// Parses a copy of exactly these bytes, so that a read past the end is a
// read past an allocation (which the sanitizer build reports).
Parsed Parse(const std::vector<std::uint8_t>& bytes, std::size_t length)
{
    const std::vector<std::uint8_t> copy(bytes.begin(), bytes.begin() + length);
    Parsed parsed;
    parsed.ok = ParsePeImage(copy, &parsed.image, &parsed.error);
    return parsed;
}

Parsed Parse(const std::vector<std::uint8_t>& bytes)
{
    return Parse(bytes, bytes.size());
}

TEST(PeImage, ReadsTheMachineTheDllFlagTheExportsAndEveryImportedDll)
{
    for (const bool pe32Plus : {false, true}) {
        SCOPED_TRACE(pe32Plus ? "PE32+" : "PE32");
        SyntheticModule module(pe32Plus);
        const Parsed parsed = Parse(module.bytes);
        ASSERT_TRUE(parsed.ok) << parsed.error;
        EXPECT_EQ(parsed.image.machine, pe32Plus ? kPeMachineAmd64 : kPeMachineI386);
        EXPECT_TRUE(parsed.image.isDll);
        EXPECT_EQ(parsed.image.exportNames,
                  (std::vector<std::string>{"DllCanUnloadNow", "DllGetClassObject"}));
        EXPECT_EQ(parsed.image.importedDlls,
                  (std::vector<std::string>{"KERNEL32.dll", "msvcrt.dll", "WINMM.dll"}));
        std::vector<std::string> functions;
        for (const PeImport& import : parsed.image.importedFunctions)
            functions.push_back(import.dll + "!" + import.function);
        EXPECT_EQ(functions, (std::vector<std::string>{"KERNEL32.dll!CloseHandle", "KERNEL32.dll!#7",
                                                       "msvcrt.dll!CloseHandle", "msvcrt.dll!#7"}));

        module.Put16(kCoff + 18, 0x0002); // the same image as a program
        EXPECT_FALSE(Parse(module.bytes).image.isDll);
    }
}

TEST(PeImage, ATruncatedFileIsRefusedAtEveryLength)
{
    const SyntheticModule module(true);
    for (std::size_t length = 0; length < module.bytes.size(); ++length) {
        const Parsed parsed = Parse(module.bytes, length);
        EXPECT_FALSE(parsed.ok) << "accepted " << length << " bytes";
        EXPECT_FALSE(parsed.error.empty()) << length;
    }
}

struct Corruption {
    const char* what;
    void (*apply)(SyntheticModule&);
    const char* reason; // part of the error that names the fault
};

const Corruption kCorruptions[] = {
    {"no MZ header", [](SyntheticModule& m) { m.Put16(0, 0x4D5A); }, "no MZ header"},
    {"PE header offset past the end", [](SyntheticModule& m) { m.Put32(0x3C, 0xFFFFFFF0); }, "truncated"},
    {"PE header offset at other bytes", [](SyntheticModule& m) { m.Put32(0x3C, 0x80); }, "no PE signature"},
    {"unknown optional header", [](SyntheticModule& m) { m.Put16(kOptionalHeader, 0x0107); }, "magic"},
    {"optional header too short for its directories", [](SyntheticModule& m) { m.Put16(kCoff + 16, 0x70); },
     "optional header"},
    {"absurd section count", [](SyntheticModule& m) { m.Put16(kCoff + 2, 0xFFFF); }, "sections"},
    {"section data past the end", [](SyntheticModule& m) { m.Put32(m.SectionHeader() + 20, 0xFFFFFF00); },
     "past the end"},
    {"section size past the end", [](SyntheticModule& m) { m.Put32(m.SectionHeader() + 16, 0x7FFFFFFF); },
     "past the end"},
    {"export directory outside the sections", [](SyntheticModule& m) { m.PutDirectory(0, 0x5000, 40); },
     "export directory"},
    {"export directory across the section's end",
     [](SyntheticModule& m) { m.PutDirectory(0, kSectionSize - 8, 40); }, "export directory"},
    {"a billion export names",
     [](SyntheticModule& m) { m.Put32(SyntheticModule::At(kExports) + 24, 0x40000000); },
     "export name table"},
    {"export name pointing nowhere",
     [](SyntheticModule& m) { m.Put32(SyntheticModule::At(kExportNames), 0xDEADBEEF); }, "export name"},
    {"export name running off the section",
     [](SyntheticModule& m) {
         std::fill(m.bytes.end() - 16, m.bytes.end(), 'A');
         m.Put32(SyntheticModule::At(kExportNames), SyntheticModule::Rva(kSectionSize - 16));
     },
     "not terminated"},
    {"imported DLL name pointing nowhere",
     [](SyntheticModule& m) { m.Put32(SyntheticModule::At(kImports) + 12, 0x0FFFFFFF); }, "imported DLL"},
    {"import table without its end",
     [](SyntheticModule& m) {
         m.PutDirectory(1, kSectionSize - 20, 20);
         m.Put32(SyntheticModule::At(kSectionSize - 20), SyntheticModule::Rva(kThunks));
         m.Put32(SyntheticModule::At(kSectionSize - 20) + 12, SyntheticModule::Rva(kImportText));
     },
     "import descriptor"},
    {"imported function named outside the sections", [](SyntheticModule& m) { m.PutThunk(0, 0x0FFFFF00); },
     "imported function's name"},
    {"imported functions without the table's end",
     [](SyntheticModule& m) {
         for (std::uint32_t entry = 0; SyntheticModule::At(kThunks) + (entry + 1) * 8 <= m.bytes.size();
              ++entry)
             m.PutThunk(entry, m.OrdinalFlag() | 1);
     },
     "imported function's entry"},
    {"delay-loaded DLL named by an address below the image",
     [](SyntheticModule& m) { m.Put32(SyntheticModule::At(kDelayImports), 0); }, "delay-loaded DLL"},
};

TEST(PeImage, BogusOffsetsAndCountsAreRefusedWithTheirReason)
{
    for (const Corruption& corruption : kCorruptions) {
        SCOPED_TRACE(corruption.what);
        SyntheticModule module(true);
        corruption.apply(module);
        const Parsed parsed = Parse(module.bytes);
        EXPECT_FALSE(parsed.ok);
        EXPECT_NE(parsed.error.find(corruption.reason), std::string::npos) << parsed.error;
    }
}

TEST(PeImage, AFileThatCannotBeReadIsAnError)
{
    PeImage image;
    std::string error;
    EXPECT_FALSE(ReadPeImage("/nonexistent/TorvexFF.dll", &image, &error));
    EXPECT_NE(error.find("cannot open"), std::string::npos) << error;
}

// ---------------------------------------------------------------------------
// The deliverables as built by the Windows presets.

struct BuiltModule {
    const char* name;
    const char* preset;
    const char* path;
    std::uint16_t machine;
};

// Names the case in test output, instead of the record's bytes.
void PrintTo(const BuiltModule& module, std::ostream* out)
{
    *out << module.name << " (" << module.preset << ")";
}

const BuiltModule kBuiltModules[] = {
    {"TorvexFF", "win64", TORVEX_WIN64_DRIVER_DLL, kPeMachineAmd64},
    {"TorvexFF", "win32", TORVEX_WIN32_DRIVER_DLL, kPeMachineI386},
    {"TorvexPS", "win64", TORVEX_WIN64_SHEET_DLL, kPeMachineAmd64},
    {"TorvexPS", "win32", TORVEX_WIN32_SHEET_DLL, kPeMachineI386},
};

// Both servers export COM's two entry points and nothing else. The 32-bit
// build must not decorate them (no "_DllGetClassObject@12"): the loader
// looks them up by these exact names.
const std::vector<std::string> kComServerExports = {"DllCanUnloadNow", "DllGetClassObject"};

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The functions the DLLs may import, by system DLL (lower case), each with
// whether only the 64-bit DLLs may import it: the list kept beside the
// fixtures, with where each function's presence on the oldest Windows is
// known from.
constexpr const char* kAllowedImportsFile = TORVEX_FIXTURE_DIR "/system_imports.txt";
using AllowedImports = std::map<std::string, std::map<std::string, bool>>;

// Reads the list; false with the file's line and what is wrong with it.
bool ReadAllowedImports(AllowedImports* allowed, std::string* error)
{
    std::ifstream in(kAllowedImportsFile);
    if (!in) {
        *error = std::string("cannot open ") + kAllowedImportsFile;
        return false;
    }
    std::string dll;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const std::string where = std::string(kAllowedImportsFile) + ":" + std::to_string(number) + ": ";
        std::istringstream words(line);
        std::string first;
        if (!(words >> first) || first[0] == '#')
            continue;
        if (first.front() == '[' && first.back() == ']') {
            dll = Lower(first.substr(1, first.size() - 2));
            (*allowed)[dll];
            continue;
        }
        std::string mark;
        words >> mark;
        const bool x86_64Only = mark == "x86_64";
        if (x86_64Only)
            words >> mark;
        if (dll.empty() || mark != "--") {
            *error = where + (dll.empty() ? "a function before any [dll]" : "expected [x86_64] -- source");
            return false;
        }
        (*allowed)[dll][first] = x86_64Only;
    }
    return true;
}

bool WindowsBuildsRequired()
{
    const char* required = std::getenv("TORVEX_REQUIRE_WINDOWS_BUILDS");
    return required != nullptr && *required != '\0';
}

class BuiltModuleTables : public ::testing::TestWithParam<BuiltModule> {
protected:
    void SetUp() override
    {
        const BuiltModule& module = GetParam();
        if (!std::filesystem::exists(module.path)) {
            if (WindowsBuildsRequired())
                FAIL() << module.path << " is missing: the " << module.preset << " preset was not built";
            GTEST_SKIP() << module.path << " is not built: build the " << module.preset
                         << " preset first (scripts/build.sh " << module.preset << ")";
        }
        std::string error;
        ASSERT_TRUE(ReadPeImage(module.path, &image, &error)) << error;
        ASSERT_TRUE(ReadAllowedImports(&allowed, &error)) << error;
    }

    PeImage image;
    AllowedImports allowed;
};

TEST_P(BuiltModuleTables, IsADllForItsMachine)
{
    EXPECT_EQ(image.machine, GetParam().machine);
    EXPECT_TRUE(image.isDll);
}

TEST_P(BuiltModuleTables, ExportsExactlyTheComEntryPointsUndecorated)
{
    std::vector<std::string> exports = image.exportNames;
    std::sort(exports.begin(), exports.end());
    EXPECT_EQ(exports, kComServerExports);
}

TEST_P(BuiltModuleTables, ImportsOnlyFromSystemDlls)
{
    EXPECT_FALSE(image.importedDlls.empty());
    for (const std::string& dll : image.importedDlls)
        EXPECT_TRUE(allowed.count(Lower(dll)) == 1) << GetParam().path << " imports from " << dll;
}

// Windows refuses to load a DLL that imports one function its system DLLs
// lack, and 64-bit Wine has them all: only the list can tell.
TEST_P(BuiltModuleTables, ImportsOnlyFunctionsEveryWindowsOfItsKindHas)
{
    const bool x86_64 = GetParam().machine == kPeMachineAmd64;
    EXPECT_FALSE(image.importedFunctions.empty());
    for (const PeImport& import : image.importedFunctions) {
        const auto dll = allowed.find(Lower(import.dll));
        const bool listed = dll != allowed.end() && dll->second.count(import.function) == 1;
        EXPECT_TRUE(listed) << GetParam().path << " imports " << import.function << " from " << import.dll
                            << ", which is not known to exist on Windows 98, Me, 2000 and XP (the list: "
                            << kAllowedImportsFile << ")";
        if (listed && !x86_64) {
            EXPECT_FALSE(dll->second.at(import.function))
                << GetParam().path << " imports " << import.function << " from " << import.dll
                << ", which only 64-bit Windows has";
        }
    }
}

// What a Windows 98 loader asks of a module before it maps it: no newer
// system or subsystem version than its own 4.0 (the 64-bit DLLs: none newer
// than XP x64's 5.2), sections in whole 4 KiB pages and 512-byte file
// blocks, relocations (a DLL whose base is taken is moved), and no data
// directory it does not know. The TLS directory is the C runtime's; the
// DLLs keep no static thread-local data in it, which a loaded DLL could not
// use before Vista.
TEST_P(BuiltModuleTables, HeaderAsksNothingTheOldestWindowsLacks)
{
    const bool x86_64 = GetParam().machine == kPeMachineAmd64;
    const auto version = [](const std::uint16_t(&pair)[2]) { return pair[0] * 100 + pair[1]; };
    const int newest = x86_64 ? 502 : 400;
    EXPECT_LE(version(image.osVersion), newest);
    EXPECT_LE(version(image.subsystemVersion), newest);
    EXPECT_GE(version(image.subsystemVersion), 400);
    EXPECT_EQ(image.sectionAlignment, 0x1000u);
    EXPECT_EQ(image.fileAlignment, 0x200u);

    constexpr std::uint32_t kExport = 0, kImport = 1, kResource = 2, kException = 3, kRelocations = 5,
                            kTls = 9, kImportAddresses = 12;
    std::set<std::uint32_t> known = {kExport, kImport, kResource, kRelocations, kTls, kImportAddresses};
    if (x86_64)
        known.insert(kException); // the unwind tables of 64-bit code
    for (const std::uint32_t directory : image.directories)
        EXPECT_EQ(known.count(directory), 1u) << GetParam().path << " has data directory " << directory;
    EXPECT_NE(std::find(image.directories.begin(), image.directories.end(), kRelocations),
              image.directories.end())
        << GetParam().path << " cannot be moved from its preferred base";
}

INSTANTIATE_TEST_SUITE_P(Deliverables, BuiltModuleTables, ::testing::ValuesIn(kBuiltModules),
                         [](const ::testing::TestParamInfo<BuiltModule>& info) {
                             return std::string(info.param.name) + "_" + info.param.preset;
                         });

} // namespace
} // namespace torvex::testing
