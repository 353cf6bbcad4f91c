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

#include "platform/device_file.h"

namespace torvex::lab {

struct WheelSearch {
    std::filesystem::path hidrawClass; // the folder searched
    std::size_t hidrawDevices = 0;     // every hidraw device in it, the wheels too
    std::vector<std::string> nodes;    // the wheels' nodes, hidraw2 before hidraw10
};

WheelSearch FindWheelNodes(const std::filesystem::path& sysfsRoot, const std::filesystem::path& devRoot);

// Whether the text of a HID device's uevent file names a ZK-5120 on USB.
bool UeventNamesWheel(std::string_view uevent);

// The device file of a wheel found by its ids: every open searches again and
// opens the one wheel's node, whatever path the driver names, because a
// wheel unplugged and plugged in again may come back under another hidrawN
// (and its old number may by then be another device's). None, or more than
// one, is a missing device.
class FoundWheelDevice final : public DevicePort {
public:
    FoundWheelDevice(DevicePort& device, std::filesystem::path systemRoot)
        : device_(device), systemRoot_(std::move(systemRoot))
    {
    }

    HANDLE Open(const char* path) override;
    BOOL Read(HANDLE device, void* buffer, DWORD size, DWORD* read, DWORD timeoutMs) override
    {
        found_ = true;
        return device_.Read(device, buffer, size, read, timeoutMs);
    }
    BOOL Write(HANDLE device, const void* buffer, DWORD size, DWORD* written) override
    {
        found_ = true;
        return device_.Write(device, buffer, size, written);
    }
    DWORD LastError() override { return found_ ? device_.LastError() : ERROR_FILE_NOT_FOUND; }
    BOOL Close(HANDLE device) override
    {
        found_ = true;
        return device_.Close(device);
    }

private:
    DevicePort& device_;
    const std::filesystem::path systemRoot_;
    bool found_ = true; // false: the last open found no single wheel
};

} // namespace torvex::lab
