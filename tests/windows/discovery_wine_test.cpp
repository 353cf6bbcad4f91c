// Device discovery against Wine's real registry, with Wine reporting
// Windows 98, 2000 and XP to a probe program: the same fixtures give the same
// paths as in the in-memory registry.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "common/os_version.h"
#include "platform/win32/win32_registry.h"
#include "tests/support/fixtures.h"
#include "tests/support/registry_apply.h"
#include "tests/support/wine_probe.h"

namespace torvex::testing {
namespace {

constexpr const char* kProbe = "discovery_probe.exe";

struct ProbeResult {
    int versionClass = -1;
    std::string path;
};

ProbeResult RunProbe(DWORD joystickId)
{
    std::istringstream in(RunProbeProgram(kProbe, std::to_string(joystickId)));
    ProbeResult result;
    in >> result.versionClass;
    in.ignore();
    std::getline(in, result.path);
    return result;
}

std::string Link(const std::string& vidPid, const std::string& instance)
{
    return "\\\\?\\hid#" + vidPid + "#" + instance + "#{4d1e55b2-f16f-11cf-88cb-001111000030}";
}

class WineDiscovery : public ::testing::Test {
protected:
    void Load(const char* fixture)
    {
        RegistryFile file;
        RegistryFileError error;
        ASSERT_TRUE(LoadRegistryFile(FixturePath(fixture), &file, &error)) << error.message;
        ASSERT_TRUE(applied_.Apply(file));
    }

    Win32Registry registry_;
    AppliedRegistryFile applied_{registry_};
};

TEST_F(WineDiscovery, Windows98FindsTheFirstActiveInterfaceWithTheJoystickId)
{
    Load("registry/win98_hid.reg");
    WineVersionFor version(kProbe, "win98");
    const ProbeResult first = RunProbe(0);
    EXPECT_EQ(first.versionClass, kOsWindows98);
    EXPECT_EQ(first.path, Link("vid_046d&pid_c294", "6&17be0a5&0&0000"));
    EXPECT_EQ(RunProbe(2).path, Link("vid_6d2a&pid_0005", "7&2b40c7&0&0000"));
    EXPECT_EQ(RunProbe(7).path, "");
}

TEST_F(WineDiscovery, Windows2000AndXpFindTheWheelThroughItsInterfaceOrCalibration)
{
    Load("registry/winxp_hid.reg");
    for (const char* name : {"win2k", "winxp"}) {
        SCOPED_TRACE(name);
        WineVersionFor version(kProbe, name);
        const ProbeResult joystick0 = RunProbe(0);
        EXPECT_EQ(joystick0.versionClass, std::string(name) == "win2k" ? kOsWindows2000 : kOsWindowsXp);
        EXPECT_EQ(joystick0.path, Link("vid_6d2a&pid_0005", "7&2b40c7&0&0000"));
        EXPECT_EQ(RunProbe(1).path, Link("vid_6d2a&pid_0005", "7&3c11d2&0&0000"));
        EXPECT_EQ(RunProbe(5).path, "");
    }
}

TEST_F(WineDiscovery, LaterWindowsFindsNothing)
{
    Load("registry/winxp_hid.reg");
    WineVersionFor version(kProbe, "win7");
    const ProbeResult result = RunProbe(1);
    EXPECT_EQ(result.versionClass, kOsUnknown);
    EXPECT_EQ(result.path, "");
}

} // namespace
} // namespace torvex::testing
