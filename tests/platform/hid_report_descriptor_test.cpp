// Whether a HID device numbers its reports, read from its report descriptor
// as a hidraw node hands it out: hidraw's framing of the input report
// depends on it.
#include <gtest/gtest.h>

#include <vector>

#include "platform/posix/hid_report_descriptor.h"

namespace torvex::testing {
namespace {

using Descriptor = std::vector<BYTE>;

// A joystick with the ZK-5120's reports and no report ids: wheel,
// accelerator, brake and the reserved byte, the hat, 12 buttons, and the
// 4 data bytes of the force report.
const Descriptor kWheel = {
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

Descriptor With(Descriptor descriptor, std::size_t at, const Descriptor& items)
{
    descriptor.insert(descriptor.begin() + static_cast<std::ptrdiff_t>(at), items.begin(), items.end());
    return descriptor;
}

TEST(HidReportDescriptor, AReportIdItemOfAnySizeMeansNumberedReports)
{
    EXPECT_FALSE(NumbersItsReports(kWheel));
    EXPECT_FALSE(NumbersItsReports(Descriptor{}));
    // Right after the collection opens, as such devices describe it.
    EXPECT_TRUE(NumbersItsReports(With(kWheel, 6, {0x85, 0x01})));
    EXPECT_TRUE(NumbersItsReports(With(kWheel, 6, {0x86, 0x01, 0x00})));
    EXPECT_TRUE(NumbersItsReports(With(kWheel, 6, {0x87, 0x01, 0x00, 0x00, 0x00})));
    EXPECT_TRUE(NumbersItsReports(Descriptor{0x85, 0x02}));
}

TEST(HidReportDescriptor, ADataByteThatLooksLikeAReportIdIsNone)
{
    // A usage, a logical maximum and a 4-byte physical maximum whose data
    // are Report ID prefixes, and a local item with the Report ID's tag.
    EXPECT_FALSE(NumbersItsReports(
        With(kWheel, 6, {0x09, 0x85, 0x26, 0x85, 0x00, 0x47, 0x85, 0x85, 0x85, 0x85, 0x89, 0x01})));
}

TEST(HidReportDescriptor, LongItemsAreSkippedWhole)
{
    // Data 85 01 85 inside the long item; a real Report ID after it.
    const Descriptor longItem = {0xFE, 0x03, 0xF0, 0x85, 0x01, 0x85};
    EXPECT_FALSE(NumbersItsReports(With(kWheel, 6, longItem)));
    Descriptor thenReportId = longItem;
    thenReportId.insert(thenReportId.end(), {0x85, 0x02});
    EXPECT_TRUE(NumbersItsReports(With(kWheel, 6, thenReportId)));
    // A long item with no data, then the Report ID.
    EXPECT_TRUE(NumbersItsReports(Descriptor{0xFE, 0x00, 0xF0, 0x85, 0x01}));
}

TEST(HidReportDescriptor, ADescriptorCutShortCountsUpToTheCut)
{
    EXPECT_FALSE(NumbersItsReports(Descriptor{0x85}));
    EXPECT_FALSE(NumbersItsReports(Descriptor{0x05, 0x01, 0x26, 0xFF}));
    EXPECT_FALSE(NumbersItsReports(Descriptor{0x05, 0x01, 0xFE, 0x04}));
    // The long item claims more data than there is; the Report ID inside
    // those bytes is its data.
    EXPECT_FALSE(NumbersItsReports(Descriptor{0xFE, 0x10, 0xF0, 0x85, 0x01}));
    EXPECT_TRUE(NumbersItsReports(Descriptor{0x85, 0x01, 0x26, 0xFF}));
}

} // namespace
} // namespace torvex::testing
