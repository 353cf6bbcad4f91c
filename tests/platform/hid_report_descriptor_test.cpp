// Whether a HID device numbers its reports, read from its report descriptor
// as a hidraw node hands it out: hidraw's framing of the input report
// depends on it.
#include <gtest/gtest.h>

#include <vector>

#include "platform/posix/hid_report_descriptor.h"
#include "tests/support/wheel_report_descriptor.h"

namespace torvex::testing {
namespace {

using Descriptor = std::vector<BYTE>;

const Descriptor& kWheel = kWheelReportDescriptor;

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
