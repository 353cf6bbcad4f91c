// Stores a calibration with the real registry and the Windows version that
// Wine reports to this program, the way the calibration page's save step
// does once it has the joystick's instance GUID:
//
//   calibration_probe {instance-guid} joystick-id flags output-file
//
// The recorded ranges are X 10/120/250, Y 0/5/255, Z 3/3/200 and Rz 0/0/180
// (minimum/centre/maximum); the rest of the hardware configuration is made
// distinct so that a misplaced word shows. The output file gets the version
// class, the result code and the 112 bytes of the configuration in hex, one
// per line. The calibration tests start it with different Windows versions
// set for it.
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "common/os_version.h"
#include "platform/guid_text.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_version.h"
#include "sheet/calibration_store.h"
#include "tests/sheet/calibration_records.h"

int main(int argc, char** argv)
{
    GUID instance{};
    if (argc != 5 || !torvex::ParseGuid(argv[1], &instance))
        return 2;
    const DWORD joystickId = std::strtoul(argv[2], nullptr, 0);
    const DWORD flags = std::strtoul(argv[3], nullptr, 0);
    torvex::Win32Registry registry;
    torvex::Win32Version version;
    const auto record = torvex::testing::CalibratedRecord();
    const LONG result =
        torvex::WriteJoystickCalibration(registry, version, *record, flags, instance, joystickId);
    FILE* out = std::fopen(argv[4], "w");
    if (out == nullptr)
        return 3;
    std::fprintf(out, "%d\n%ld\n", torvex::OsVersionClass(version), static_cast<long>(result));
    const auto* bytes = reinterpret_cast<const unsigned char*>(&record->hwc);
    for (std::size_t i = 0; i < sizeof record->hwc; ++i)
        std::fprintf(out, "%02x", bytes[i]);
    std::fprintf(out, "\n");
    return std::fclose(out) == 0 ? 0 : 3;
}
