// Discovery and the calibration store walk registry trees that other
// software wrote: any tree (given in the registry file format), on any of
// the Windows versions they know, gives a path or none and writes or
// refuses, and every key they open is closed again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "driver/device/device_discovery.h"
#include "platform/sim/registry_file.h"
#include "platform/sim/sim_registry.h"
#include "platform/sim/sim_version.h"
#include "sheet/calibration_store.h"

namespace {

using namespace torvex;

struct Version {
    DWORD platform, major, minor;
};
constexpr Version kVersions[] = {
    {VER_PLATFORM_WIN32_WINDOWS, 4, 10}, {VER_PLATFORM_WIN32_NT, 5, 0}, {VER_PLATFORM_WIN32_NT, 5, 1}};

void CheckAllClosed(const SimRegistry& registry)
{
    if (registry.OpenKeyCount() != 0)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The first 20 bytes choose the joystick and the instance GUID; the
    // rest is the tree.
    if (size < 20)
        return 0;
    DWORD joystickId = 0;
    GUID instance{};
    std::memcpy(&joystickId, data, sizeof joystickId);
    std::memcpy(&instance, data + 4, sizeof instance);
    const std::string_view text(reinterpret_cast<const char*>(data + 20), size - 20);
    RegistryFile file;
    RegistryFileError error;
    if (!ParseRegistryFile(text, &file, &error))
        return 0;
    for (const Version& version : kVersions) {
        SimRegistry registry;
        registry.Import(file);
        SimVersion windows(version.platform, version.major, version.minor);
        char path[kDevicePathSize];
        FindDevicePath(registry, windows, DevicePathBuffer(path, kDevicePathSize), 0x6D2A, 0x0005,
                       joystickId);
        if (std::memchr(path, '\0', sizeof path) == nullptr)
            std::abort();
        CheckAllClosed(registry);

        DIJOYCONFIG_DX5 config{};
        config.dwSize = sizeof config;
        WriteJoystickCalibration(registry, windows, config, DIJC_REGHWCONFIGTYPE, instance, joystickId);
        CheckAllClosed(registry);
    }
    return 0;
}
