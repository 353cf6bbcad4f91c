// The device-file port on Linux: the wheel's hidraw node (such as
// /dev/hidraw3) opened by path, with the Win32 results the driver expects.
//
// A HANDLE carries the file descriptor plus one, so that descriptor 0 is not
// the null handle; nullptr and INVALID_HANDLE_VALUE are never open devices.
// Errors are mapped from errno to the Win32 codes the HID class driver gives
// for the same situation; an unplugged wheel's node answers ENODEV or EIO,
// which becomes ERROR_DEVICE_NOT_CONNECTED. The last error is per thread.
//
// Reports are framed as Windows frames them: byte 0 of every input report
// is the report id. hidraw leaves that byte out for a device that numbers no
// reports, so for such a device the port reads the report's data after a 0
// of its own; whether the device numbers its reports, the node's report
// descriptor says when it is opened. Output reports go out as given, id byte
// first, which hidraw expects of every device.
//
// Nodes that are not hidraw stand in for the wheel's (in tests, or a program
// playing the wheel) and are framed as the ZK-5120's own hidraw node, which
// numbers no reports. A Unix socket in the node's place is connected to as a
// SOCK_SEQPACKET socket, which keeps each report whole: open() cannot open a
// socket.
#pragma once

#include <map>
#include <mutex>

#include "platform/device_file.h"

namespace torvex {

class PosixDeviceFile final : public DevicePort {
public:
    HANDLE Open(const char* path) override;
    // Waits up to `timeoutMs` (INFINITE: for ever) for a report, then reads
    // once: one report, as hidraw hands them out.
    BOOL Read(HANDLE device, void* buffer, DWORD size, DWORD* read, DWORD timeoutMs) override;
    // One write of the whole report.
    BOOL Write(HANDLE device, const void* buffer, DWORD size, DWORD* written) override;
    DWORD LastError() override;
    BOOL Close(HANDLE device) override;

    static HANDLE HandleFromDescriptor(int fd);
    // -1 for a value that cannot be an open device's handle.
    static int DescriptorFromHandle(HANDLE device);

private:
    // What the port learnt of a node when it opened it. A descriptor it did
    // not open is read and written as it comes.
    struct Node {
        bool readsWithoutId = false; // the port puts the report id 0 in front
        bool socket = false;         // written with send(), which raises no SIGPIPE
    };
    Node NodeOf(int fd);

    std::mutex mutex_;
    std::map<int, Node> nodes_;
};

} // namespace torvex
