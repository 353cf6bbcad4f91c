// The ZK-5120's HID report descriptor, for the tests that make or parse
// one: a joystick with no report ids.
#pragma once

#include <vector>

#include "platform/windows_api.h"

namespace torvex::testing {

// A joystick with the ZK-5120's reports and no report ids: wheel,
// accelerator, brake and the reserved byte, the hat, 12 buttons, and the
// 4 data bytes of the force report.
inline const std::vector<BYTE> kWheelReportDescriptor = {
    0x05, 0x01,       // Usage Page (Generic Desktop)
    0x09, 0x04,       // Usage (Joystick)
    0xA1, 0x01,       // Collection (Application)
    0x09, 0x30,       //   Usage (X)
    0x09, 0x31,       //   Usage (Y)
    0x09, 0x35,       //   Usage (Rz)
    0x09, 0x32,       //   Usage (Z)
    0x15, 0x00,       //   Logical Minimum (0)
    0x26, 0xFF, 0x00, //   Logical Maximum (255)
    0x75, 0x08,       //   Report Size (8)
    0x95, 0x04,       //   Report Count (4)
    0x81, 0x02,       //   Input (Data, Variable, Absolute)
    0x09, 0x39,       //   Usage (Hat Switch)
    0x25, 0x07,       //   Logical Maximum (7)
    0x75, 0x04,       //   Report Size (4)
    0x95, 0x01,       //   Report Count (1)
    0x81, 0x42,       //   Input (Data, Variable, Absolute, Null State)
    0x05, 0x09,       //   Usage Page (Button)
    0x19, 0x01,       //   Usage Minimum (1)
    0x29, 0x0C,       //   Usage Maximum (12)
    0x25, 0x01,       //   Logical Maximum (1)
    0x75, 0x01,       //   Report Size (1)
    0x95, 0x0C,       //   Report Count (12)
    0x81, 0x02,       //   Input (Data, Variable, Absolute)
    0x06, 0x00, 0xFF, //   Usage Page (Vendor)
    0x09, 0x01,       //   Usage (1)
    0x25, 0x7F,       //   Logical Maximum (127)
    0x75, 0x08,       //   Report Size (8)
    0x95, 0x04,       //   Report Count (4)
    0x91, 0x02,       //   Output (Data, Variable, Absolute)
    0xC0,             // End Collection
};

} // namespace torvex::testing
