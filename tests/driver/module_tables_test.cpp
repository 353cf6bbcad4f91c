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
#include <ostream>
#include <set>
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

        Put32(At(kImports) + 12, Rva(kImportText));
        Put32(At(kImports) + 16, Rva(kImportText)); // any non-zero thunk table
        Put32(At(kImports) + 20 + 12, Rva(kImportText + 0x10));
        Put32(At(kImports) + 20 + 16, Rva(kImportText));
        PutText(At(kImportText), "KERNEL32.dll");
        PutText(At(kImportText + 0x10), "msvcrt.dll");

        Put32(At(kDelayImports), 1); // RVAs, not addresses
        Put32(At(kDelayImports) + 4, Rva(kDelayText));
        PutText(At(kDelayText), "WINMM.dll");
    }

    // File offset and RVA of an offset inside the section.
    static std::uint32_t At(std::uint32_t inSection) { return kSectionFile + inSection; }
    static std::uint32_t Rva(std::uint32_t inSection) { return kSectionRva + inSection; }
    std::uint16_t OptionalSize() const { return pe32Plus_ ? 240 : 224; }
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
         m.Put32(SyntheticModule::At(kSectionSize - 20) + 12, SyntheticModule::Rva(kImportText));
     },
     "import descriptor"},
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

// DLLs every Windows version from 98 on has. Anything else (the compiler's
// own runtime DLLs above all) would have to be installed next to every game.
// DirectInput is part of every Windows the wheel supports.
const std::set<std::string> kSystemDlls = {"kernel32.dll", "advapi32.dll", "winmm.dll",
                                           "msvcrt.dll",   "user32.dll",   "gdi32.dll",
                                           "comctl32.dll", "ole32.dll",    "dinput.dll"};

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
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
    }

    PeImage image;
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
        EXPECT_TRUE(kSystemDlls.count(Lower(dll)) == 1) << GetParam().path << " imports from " << dll;
}

INSTANTIATE_TEST_SUITE_P(Deliverables, BuiltModuleTables, ::testing::ValuesIn(kBuiltModules),
                         [](const ::testing::TestParamInfo<BuiltModule>& info) {
                             return std::string(info.param.name) + "_" + info.param.preset;
                         });

} // namespace
} // namespace torvex::testing
