#include "platform/sim/registry_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>

namespace torvex {
namespace {

std::vector<BYTE> Bytes(std::string_view s)
{
    return std::vector<BYTE>(s.begin(), s.end());
}

RegistryFile MustParse(std::string_view text)
{
    RegistryFile file;
    RegistryFileError error;
    EXPECT_TRUE(ParseRegistryFile(text, &file, &error)) << error.message;
    return file;
}

auto Fields(const RegistryFileValue& v)
{
    return std::tie(v.name, v.deleted, v.type, v.data);
}

void ExpectSame(const RegistryFile& a, const RegistryFile& b)
{
    EXPECT_EQ(a.format, b.format);
    ASSERT_EQ(a.keys.size(), b.keys.size());
    for (size_t k = 0; k < a.keys.size(); ++k) {
        EXPECT_EQ(std::tie(a.keys[k].path, a.keys[k].deleted), std::tie(b.keys[k].path, b.keys[k].deleted));
        ASSERT_EQ(a.keys[k].values.size(), b.keys[k].values.size()) << a.keys[k].path;
        for (size_t v = 0; v < a.keys[k].values.size(); ++v)
            EXPECT_EQ(Fields(a.keys[k].values[v]), Fields(b.keys[k].values[v]));
    }
}

TEST(RegistryFileParse, ReadsEveryKindOfValue)
{
    const RegistryFile file =
        MustParse("\r\nREGEDIT4  \r\n; comment\r\n\r\n[hkey_local_machine\\Sys\\Wheel]\r\n"
                  "@=\"def\"\r\n  \"a \\\"q\\\" \\\\b\" \t=\t \"x\\\\y\\\"\"  \r\n"
                  "\"d\"=dword:0001A2b3\r\n\"h\"=hex: 0, 1f ,Ab\r\n\"e\"=hex:\r\n"
                  "\"m\"=hex(7):61,00,\\\r\n   62,00\\\r\n  00\r\n\"q\"=hex(b):01\r\n\"gone\"=-\r\n"
                  "[-HKEY_Current_User\\Old]\r\n[HKEY_USERS]\r\n[HKEY_LOCAL_MACHINE\\Sys\\Wheel]\r\n");
    EXPECT_EQ(file.format, RegistryFileFormat::Regedit4);
    ASSERT_EQ(file.keys.size(), 4u);
    EXPECT_EQ(file.keys[0].path, "HKEY_LOCAL_MACHINE\\Sys\\Wheel");
    const auto& v = file.keys[0].values;
    ASSERT_EQ(v.size(), 8u);
    EXPECT_EQ(v[0].name, "");
    EXPECT_EQ(v[0].data, Bytes(std::string_view("def", 4)));
    EXPECT_EQ(v[1].name, "a \"q\" \\b");
    EXPECT_EQ(v[1].type, DWORD{REG_SZ});
    EXPECT_EQ(v[1].data, Bytes(std::string_view("x\\y\"", 5)));
    EXPECT_EQ(v[2].type, DWORD{REG_DWORD});
    EXPECT_EQ(v[2].data, (std::vector<BYTE>{0xb3, 0xa2, 0x01, 0x00}));
    EXPECT_EQ(v[3].type, DWORD{REG_BINARY});
    EXPECT_EQ(v[3].data, (std::vector<BYTE>{0x00, 0x1f, 0xab}));
    EXPECT_TRUE(v[4].data.empty());
    // REGEDIT4 keeps hex(7) bytes as written, across three lines.
    EXPECT_EQ(v[5].type, DWORD{REG_MULTI_SZ});
    EXPECT_EQ(v[5].data, (std::vector<BYTE>{0x61, 0x00, 0x62, 0x00, 0x00}));
    EXPECT_EQ(v[6].type, DWORD{REG_QWORD});
    EXPECT_TRUE(v[7].deleted);
    EXPECT_TRUE(file.keys[1].deleted);
    EXPECT_EQ(file.keys[1].path, "HKEY_CURRENT_USER\\Old");
    EXPECT_EQ(file.keys[2].path, "HKEY_USERS");
    // A repeated section is a separate entry, not merged into the first.
    EXPECT_TRUE(file.keys[3].values.empty());
}

TEST(RegistryFileParse, Version5NarrowsUtf16StringData)
{
    const RegistryFile file =
        MustParse("\xEF\xBB\xBFWindows Registry Editor Version 5.00\n[HKEY_CLASSES_ROOT\\C]\n"
                  "\"x\"=hex(2):25,00,41,00,00,01,00,00\n\"b\"=hex:25,00\n\"r\"=hex(1):41,00\n");
    EXPECT_EQ(file.format, RegistryFileFormat::Regedit5);
    const auto& v = file.keys.at(0).values;
    EXPECT_EQ(v.at(0).data, Bytes(std::string_view("%A?", 4)));
    EXPECT_EQ(v.at(1).data, (std::vector<BYTE>{0x25, 0x00}));
    EXPECT_EQ(v.at(2).data, (std::vector<BYTE>{0x41, 0x00}));
}

TEST(RegistryFileParse, ReadsUtf16TextAsRegeditWritesIt)
{
    const std::string narrow =
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_CONFIG\\K]\r\n\"s\"=\"a\x01\"\r\n";
    std::string wide = "\xFF\xFE";
    for (char c : narrow)
        wide += c == '\x01' ? std::string("\x3A\x04", 2) : std::string(1, c) + '\0';
    const RegistryFile file = MustParse(wide);
    EXPECT_EQ(file.keys.at(0).values.at(0).data, Bytes(std::string_view("a?", 3)));

    RegistryFileError error;
    EXPECT_FALSE(ParseRegistryFile(wide + "x", nullptr, &error));
    EXPECT_EQ(error.line, 0);
}

TEST(RegistryFileParse, ErrorsNameTheirLine)
{
    const struct {
        const char* text;
        int line;
    } cases[] = {
        {"", 1},
        {"\n; comment first\nREGEDIT4\n", 2},
        {"REGEDIT 4\n", 1},
        {"  REGEDIT4\n", 1},
        {"REGEDIT4\n\"v\"=\"x\"\n", 2},
        {"REGEDIT4\nnonsense\n", 2},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\a]\nv=1\n", 3},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\a\n", 2},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\a] x\n", 2},
        {"REGEDIT4\n\n[HKLM\\a]\n", 3},
        {"REGEDIT4\n[]\n", 2},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\]\n", 2},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\a\\]\n", 2},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\a\\\\b]\n", 2},
        {"REGEDIT4\n[-HKEY_LOCAL_MACHINE\\\\a]\n", 2},
        {"REGEDIT4\n[HKEY_USERS]\n\"a\\n\"=\"x\"\n", 3},
        {"REGEDIT4\n[HKEY_USERS]\n\"a=\"x\"\n", 3},
        {"REGEDIT4\n[HKEY_USERS]\n\"a\\\"=-\n", 3},
        {"REGEDIT4\n[HKEY_USERS]\n\"a\" \"x\"\n", 3},
        {"REGEDIT4\n[HKEY_USERS]\n@=\"x\" y\n", 3},
        {"REGEDIT4\n[HKEY_USERS]\n@=\"x\\\n", 3},
        {"REGEDIT4\n[HKEY_USERS]\n@=x\n", 3},
        {"REGEDIT4\n[HKEY_USERS]\n@=- x\n", 3},
        {"REGEDIT4\n[HKEY_USERS]\n@=dword:\n", 3},
        {"REGEDIT4\n[HKEY_USERS]\n@=dword:123456789\n", 3},
        {"REGEDIT4\n[HKEY_USERS]\n@=dword:12g4\n", 3},
        {"REGEDIT4\n[HKEY_USERS]\n@=DWORD:1\n", 3},
        {"REGEDIT4\n[HKEY_USERS]\n@=hex:100\n", 3},
        {"REGEDIT4\n[HKEY_USERS]\n@=hex:01,,02\n", 3},
        {"REGEDIT4\n[HKEY_USERS]\n@=hex:01,02,\n", 3},
        {"REGEDIT4\n[HKEY_USERS]\n@=hex:,\n", 3},
        {"REGEDIT4\n[HKEY_USERS]\n@=hex():00\n", 3},
        {"REGEDIT4\n[HKEY_USERS]\n@=hex(7)00\n", 3},
        {"REGEDIT4\n[HKEY_USERS]\n@=hex(123456789):00\n", 3},
        // A fault on a continuation line is reported at the value's first line.
        {"REGEDIT4\n[HKEY_USERS]\n\n\"m\"=hex:01,\\\n  02,\\\n  zz\n", 4},
        {"REGEDIT4\n[HKEY_USERS]\n\"m\"=hex:01,\\\n  02,\\\n", 3},
        {"Windows Registry Editor Version 5.00\n[HKEY_USERS]\n\"m\"=hex(2):41,00,\\\n 00\n", 3},
    };
    for (const auto& c : cases) {
        RegistryFile file;
        file.keys.resize(1);
        RegistryFileError error;
        EXPECT_FALSE(ParseRegistryFile(c.text, &file, &error)) << c.text;
        EXPECT_EQ(error.line, c.line) << c.text << "\n" << error.message;
        EXPECT_EQ(error.message.rfind("line " + std::to_string(c.line) + ": ", 0), 0u) << error.message;
        EXPECT_EQ(file.keys.size(), 1u) << "a failed parse must leave the output alone";
    }
}

TEST(RegistryFileWrite, WritesWhatRegeditWrites)
{
    RegistryFile file;
    RegistryFileKey key{"HKEY_LOCAL_MACHINE\\K", false, {}};
    key.values.push_back({"", false, REG_SZ, Bytes(std::string_view("a\"\\", 4))});
    key.values.push_back({"d", false, REG_DWORD, {0xEF, 0xBE, 0xAD, 0x0B}});
    key.values.push_back({"x", true, REG_NONE, {}});
    key.values.push_back({"nul", false, REG_SZ, Bytes(std::string_view("a\0b", 4))});
    key.values.push_back({"short", false, REG_DWORD, {1, 2}});
    key.values.push_back({"e", false, REG_EXPAND_SZ, {'%', 0}});
    key.values.push_back({"big", false, 0x1234ABu, {}});
    file.keys = {key, RegistryFileKey{"HKEY_USERS\\Gone", true, {}}};
    EXPECT_EQ(WriteRegistryFile(file),
              "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\K]\n@=\"a\\\"\\\\\"\n\"d\"=dword:0badbeef\n\"x\"=-\n"
              "\"nul\"=hex(1):61,00,62,00\n\"short\"=hex(4):01,02\n\"e\"=hex(2):25,00\n"
              "\"big\"=hex(1234ab):\n\n[-HKEY_USERS\\Gone]\n");

    file.format = RegistryFileFormat::Regedit5;
    file.keys = {RegistryFileKey{"HKEY_USERS", false, {{"e", false, REG_EXPAND_SZ, {'%', 0}}}}};
    EXPECT_EQ(WriteRegistryFile(file),
              "Windows Registry Editor Version 5.00\n\n[HKEY_USERS]\n\"e\"=hex(2):25,00,00,00\n");
}

TEST(RegistryFileWrite, WrapsLongHexDataWithinEightyColumns)
{
    RegistryFile file;
    file.keys = {RegistryFileKey{"HKEY_USERS", false, {{"bin", false, REG_BINARY, {}}}}};
    for (int i = 0; i < 100; ++i)
        file.keys[0].values[0].data.push_back(static_cast<BYTE>(i));
    std::istringstream lines(WriteRegistryFile(file));
    std::string line;
    std::vector<std::string> hexLines;
    while (std::getline(lines, line)) {
        EXPECT_LE(line.size(), 80u) << line;
        if (line.rfind("\"bin\"", 0) == 0 || line.rfind("  ", 0) == 0)
            hexLines.push_back(line);
    }
    ASSERT_EQ(hexLines.size(), 5u);
    EXPECT_EQ(hexLines[0].substr(0, 17), "\"bin\"=hex:00,01,0");
    EXPECT_EQ(hexLines[1], "  17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,2f,\\");
    EXPECT_EQ(hexLines[4], "  62,63");
}

TEST(RegistryFileWrite, ParsingTheOutputGivesBackTheFile)
{
    std::vector<BYTE> longData;
    for (int i = 0; i < 300; ++i)
        longData.push_back(static_cast<BYTE>(i * 7));
    RegistryFileKey key{"HKEY_LOCAL_MACHINE\\A b\\c]\"d", false, {}};
    key.values = {
        {"", false, REG_SZ, Bytes(std::string_view("", 1))},
        {"q\"uo\\te\\", false, REG_SZ, Bytes(std::string_view("\\\"x\" y\\", 8))},
        {"@", false, REG_SZ, Bytes(std::string_view("line\nbreak", 11))},
        {"none", false, REG_NONE, {}},
        {"noterm", false, REG_SZ, Bytes("abc")},
        {"dw", false, REG_DWORD, {0, 0, 0, 0x80}},
        {"qw", false, REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}},
        {"multi", false, REG_MULTI_SZ, Bytes(std::string_view("a\0\xE9\xFF\0\0", 6))},
        {"long", false, REG_BINARY, longData},
        {"long name that pushes the first hex line well past eighty columns on its own", false, REG_EXPAND_SZ,
         longData},
        {"gone", true, REG_NONE, {}},
    };
    for (RegistryFileFormat format : {RegistryFileFormat::Regedit4, RegistryFileFormat::Regedit5}) {
        RegistryFile file;
        file.format = format;
        file.keys = {key, RegistryFileKey{"HKEY_CURRENT_USER\\X", true, {}},
                     RegistryFileKey{"HKEY_CLASSES_ROOT", false, {}}, key};
        const std::string text = WriteRegistryFile(file);
        ASSERT_EQ(text.back(), '\n');
        ExpectSame(MustParse(text), file);
    }
}

TEST(RegistryFileRoots, MapNamesBothWays)
{
    EXPECT_EQ(RegistryRootFromName("HKEY_LOCAL_MACHINE"), HKEY_LOCAL_MACHINE);
    EXPECT_EQ(RegistryRootFromName("hkey_current_user"), HKEY_CURRENT_USER);
    EXPECT_EQ(RegistryRootFromName("Hkey_Classes_Root"), HKEY_CLASSES_ROOT);
    EXPECT_EQ(RegistryRootFromName("HKEY_USERS"), HKEY_USERS);
    EXPECT_EQ(RegistryRootFromName("HKEY_CURRENT_CONFIG"), HKEY_CURRENT_CONFIG);
    EXPECT_EQ(RegistryRootFromName("HKLM"), nullptr);
    EXPECT_EQ(RegistryRootFromName("HKEY_USERSX"), nullptr);
    EXPECT_EQ(RegistryRootFromName(""), nullptr);
    EXPECT_STREQ(RegistryRootName(HKEY_CURRENT_CONFIG), "HKEY_CURRENT_CONFIG");
    EXPECT_STREQ(RegistryRootName(HKEY_LOCAL_MACHINE), "HKEY_LOCAL_MACHINE");
    EXPECT_EQ(RegistryRootName(nullptr), nullptr);
}

TEST(RegistryFileLoad, ReadsFilesAndNamesUnreadableOnes)
{
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / "torvex_registry_file_test.reg";
    {
        std::ofstream out(path, std::ios::binary);
        out << "REGEDIT4\r\n[HKEY_USERS\\K]\r\n\"b\"=hex:00,1a,ff\r\n";
    }
    RegistryFile file;
    RegistryFileError error;
    ASSERT_TRUE(LoadRegistryFile(path.string(), &file, &error)) << error.message;
    EXPECT_EQ(file.keys.at(0).values.at(0).data, (std::vector<BYTE>{0x00, 0x1a, 0xff}));
    std::filesystem::remove(path);

    error = {};
    EXPECT_FALSE(LoadRegistryFile(path.string(), &file, &error));
    EXPECT_EQ(error.line, 0);
    EXPECT_NE(error.message.find(path.string()), std::string::npos) << error.message;
}

} // namespace
} // namespace torvex
