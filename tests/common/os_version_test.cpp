#include "common/os_version.h"

#include <gtest/gtest.h>

#include "platform/sim/sim_version.h"

namespace torvex {
namespace {

int ClassOf(DWORD platform, DWORD major, DWORD minor)
{
    SimVersion version(platform, major, minor);
    return OsVersionClass(version);
}

TEST(OsVersionClass, NamesEveryWindowsTheWheelKnows)
{
    EXPECT_EQ(ClassOf(VER_PLATFORM_WIN32s, 3, 10), kOsWin32s);
    EXPECT_EQ(ClassOf(VER_PLATFORM_WIN32_WINDOWS, 4, 0), kOsWindows95);
    EXPECT_EQ(ClassOf(VER_PLATFORM_WIN32_WINDOWS, 4, 10), kOsWindows98);
    EXPECT_EQ(ClassOf(VER_PLATFORM_WIN32_WINDOWS, 4, 90), kOsWindowsMe);
    EXPECT_EQ(ClassOf(VER_PLATFORM_WIN32_NT, 3, 51), kOsWindowsNt4);
    EXPECT_EQ(ClassOf(VER_PLATFORM_WIN32_NT, 4, 0), kOsWindowsNt4);
    EXPECT_EQ(ClassOf(VER_PLATFORM_WIN32_NT, 5, 0), kOsWindows2000);
    EXPECT_EQ(ClassOf(VER_PLATFORM_WIN32_NT, 5, 1), kOsWindowsXp);
}

TEST(OsVersionClass, AnyOtherMinorOfWindows4IsWindows98)
{
    EXPECT_EQ(ClassOf(VER_PLATFORM_WIN32_WINDOWS, 4, 3), kOsWindows98);
    EXPECT_EQ(ClassOf(VER_PLATFORM_WIN32_WINDOWS, 4, 91), kOsWindows98);
}

TEST(OsVersionClass, LaterVersionsAndAFailedQueryAreUnknown)
{
    EXPECT_EQ(ClassOf(VER_PLATFORM_WIN32_NT, 5, 2), kOsUnknown);
    EXPECT_EQ(ClassOf(VER_PLATFORM_WIN32_NT, 6, 1), kOsUnknown);
    EXPECT_EQ(ClassOf(VER_PLATFORM_WIN32_NT, 10, 0), kOsUnknown);
    EXPECT_EQ(ClassOf(VER_PLATFORM_WIN32_WINDOWS, 5, 0), kOsUnknown);
    EXPECT_EQ(ClassOf(7, 5, 1), kOsUnknown);
    SimVersion silent;
    silent.Fail();
    EXPECT_EQ(OsVersionClass(silent), kOsUnknown);
}

} // namespace
} // namespace torvex
