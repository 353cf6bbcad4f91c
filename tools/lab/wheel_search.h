// Finding the wheel's hidraw node on Linux by its USB ids. sysfs lists every
// hidraw device as a folder <sysfs>/class/hidraw/hidrawN whose device/uevent
// names the HID device's bus and ids in a line such as
// HID_ID=0003:00006D2A:00000005 (bus 3 is USB), and udev names its node
// <dev>/hidrawN. Both roots are parameters, so that a test can search a tree
// of its own.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace torvex::lab {

struct WheelSearch {
    std::filesystem::path hidrawClass; // the folder searched
    std::size_t hidrawDevices = 0;     // every hidraw device in it, the wheels too
    std::vector<std::string> nodes;    // the wheels' nodes, hidraw2 before hidraw10
};

WheelSearch FindWheelNodes(const std::filesystem::path& sysfsRoot, const std::filesystem::path& devRoot);

// Whether the text of a HID device's uevent file names a ZK-5120 on USB.
bool UeventNamesWheel(std::string_view uevent);

} // namespace torvex::lab
