// Finds the wheel's device path with the real registry and the Windows
// version that Wine reports to this program, and writes the version class
// and the path to the file named on the command line. The discovery tests
// start it with different Windows versions set for it.
#include <array>
#include <cstdio>
#include <cstdlib>

#include "common/os_version.h"
#include "driver/device/device_discovery.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_version.h"

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    torvex::Win32Registry registry;
    torvex::Win32Version version;
    std::array<char, torvex::kDevicePathSize> path{};
    torvex::FindDevicePath(registry, version, path, 0x6D2A, 0x0005, std::strtoul(argv[1], nullptr, 10));
    FILE* out = std::fopen(argv[2], "w");
    if (out == nullptr)
        return 3;
    std::fprintf(out, "%d\n%s\n", torvex::OsVersionClass(version), path.data());
    return std::fclose(out) == 0 ? 0 : 3;
}
