// What the device file on Linux needs to know of the HID report descriptor
// that a hidraw node hands out: whether the device numbers its reports.
// hidraw passes the device's bytes on as they come, so a report of a device
// that numbers none (the ZK-5120 is one) arrives without the id byte that
// Windows' ReadFile puts in front of every report.
#pragma once

#include <span>

#include "platform/windows_api.h"

namespace torvex {

// True when the descriptor holds a Report ID item. The items are walked by
// their prefixes, long items included, so a data byte that happens to equal
// a Report ID prefix is never taken for one. A descriptor that ends inside
// an item counts up to that item.
bool NumbersItsReports(std::span<const BYTE> descriptor);

} // namespace torvex
