#include "platform/posix/hid_report_descriptor.h"

#include <array>

namespace torvex {

namespace {

// A long item: this prefix, the size of its data, its tag, then the data.
constexpr BYTE kLongItemPrefix = 0xFE;
constexpr std::size_t kLongItemHeaderSize = 3;

// A short item's prefix: bits 0-1 the size of its data, bits 2-3 its type,
// bits 4-7 its tag.
constexpr std::array<std::size_t, 4> kShortItemDataSize = {0, 1, 2, 4};
constexpr BYTE kGlobalItemType = 1;
constexpr BYTE kReportIdTag = 8;

} // namespace

bool NumbersItsReports(std::span<const BYTE> descriptor)
{
    std::size_t at = 0;
    while (at < descriptor.size()) {
        const BYTE prefix = descriptor[at];
        const std::size_t left = descriptor.size() - at;
        if (prefix == kLongItemPrefix) {
            // No long item is defined; each is skipped whole.
            if (left < kLongItemHeaderSize)
                return false;
            at += kLongItemHeaderSize + descriptor[at + 1];
            continue;
        }
        const std::size_t dataSize = kShortItemDataSize[prefix & 0x03];
        if (left - 1 < dataSize)
            return false;
        if (((prefix >> 2) & 0x03) == kGlobalItemType && (prefix >> 4) == kReportIdTag)
            return true;
        at += 1 + dataSize;
    }
    return false;
}

} // namespace torvex
