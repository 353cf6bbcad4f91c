// The version resource of the built DLLs of both Windows targets, read as
// Explorer's Properties and an installer read it: through version.dll.
#include <gtest/gtest.h>

#include <string>

#include "platform/windows_api.h"
#include "torvex_version.h"

namespace torvex::testing {
namespace {

struct BuiltDll {
    const char* path;
    const char* fileName;
};

const BuiltDll kBuiltDlls[] = {
    {TORVEX_WIN32_FF_DLL, "TorvexFF.dll"},
    {TORVEX_WIN32_PS_DLL, "TorvexPS.dll"},
    {TORVEX_WIN64_FF_DLL, "TorvexFF.dll"},
    {TORVEX_WIN64_PS_DLL, "TorvexPS.dll"},
};

class VersionResource : public ::testing::TestWithParam<BuiltDll> {
protected:
    void SetUp() override
    {
        DWORD handle = 0;
        const DWORD size = GetFileVersionInfoSizeA(GetParam().path, &handle);
        ASSERT_NE(size, 0u) << GetParam().path << " has no version resource (" << GetLastError() << ")";
        block_.resize(size);
        ASSERT_TRUE(GetFileVersionInfoA(GetParam().path, 0, size, block_.data()));
    }

    std::string Text(const char* name)
    {
        char* value = nullptr;
        UINT length = 0;
        const std::string path = std::string("\\StringFileInfo\\040904E4\\") + name;
        if (!VerQueryValueA(block_.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) ||
            value == nullptr)
            return "(missing)";
        return std::string(value);
    }

    std::string block_;
};

TEST_P(VersionResource, NamesTheProductItsVersionAndTheFile)
{
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block_.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    // Major.minor in the high word pair, patch.0 in the low one: what an
    // installer compares to tell an older copy from a newer one.
    EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(TORVEX_VERSION_MAJOR << 16 | TORVEX_VERSION_MINOR));
    EXPECT_EQ(fixed->dwFileVersionLS, static_cast<DWORD>(TORVEX_VERSION_PATCH << 16));
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));

    EXPECT_EQ(Text("ProductName"), "ZK-5120 Force Feedback Wheel");
    EXPECT_EQ(Text("ProductVersion"), TORVEX_VERSION_TEXT);
    EXPECT_EQ(Text("FileVersion"), TORVEX_VERSION_TEXT);
    EXPECT_EQ(Text("OriginalFilename"), GetParam().fileName);
    EXPECT_EQ(Text("InternalName") + ".dll", GetParam().fileName);
    EXPECT_EQ(Text("CompanyName"), "Torvex");
    EXPECT_NE(Text("FileDescription").find("ZK-5120 Force Feedback Wheel"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(BothTargets, VersionResource, ::testing::ValuesIn(kBuiltDlls),
                         [](const ::testing::TestParamInfo<BuiltDll>& info) {
                             const std::string name(info.param.fileName);
                             return name.substr(0, name.size() - 4) + (info.index < 2 ? "_win32" : "_win64");
                         });

} // namespace
} // namespace torvex::testing
