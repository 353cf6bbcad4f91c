// Finding the wheel's hidraw node by its USB ids, in sysfs trees of the
// test's own laid out as Linux lays out /sys/class/hidraw.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/scratch_folder.h"
#include "tools/lab/wheel_search.h"

namespace torvex::lab {
namespace {

using testing::ScratchFolder;

constexpr const char* kWheelIds = "0003:00006D2A:00000005";

// A HID device's uevent as the kernel writes it, with `hidId` as its ids.
std::string Uevent(const std::string& hidId)
{
    return "DRIVER=hid-generic\nHID_ID=" + hidId +
           "\nHID_NAME=Some HID device\nHID_PHYS=usb-0000:00:14.0-2/input0\nHID_UNIQ=\n"
           "MODALIAS=hid:b0003g0001v00006D2Ap00000005\n";
}

class FakeSysfs : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(folder_.path().empty()); }

    void AddHidraw(const std::string& name, const std::string& uevent)
    {
        ASSERT_TRUE(folder_.Write("sys/class/hidraw/" + name + "/device/uevent", uevent));
    }
    WheelSearch Search() const { return FindWheelNodes(folder_.path() / "sys", folder_.path() / "dev"); }
    std::string Node(const std::string& name) const { return (folder_.path() / "dev" / name).string(); }

    ScratchFolder folder_;
};

TEST_F(FakeSysfs, FindsTheWheelAmongOtherHidDevices)
{
    AddHidraw("hidraw0", Uevent("0003:0000046D:0000C31C"));
    AddHidraw("hidraw1", Uevent(kWheelIds));
    // The wheel's ids on another bus are another vendor's device.
    AddHidraw("hidraw2", Uevent("0005:00006D2A:00000005"));
    const WheelSearch search = Search();
    EXPECT_EQ(search.nodes, std::vector<std::string>{Node("hidraw1")});
    EXPECT_EQ(search.hidrawDevices, 3u);
    EXPECT_EQ(search.hidrawClass, folder_.path() / "sys" / "class" / "hidraw");
}

TEST_F(FakeSysfs, ListsEveryWheelInTheOrderOfTheirNodes)
{
    AddHidraw("hidraw10", Uevent(kWheelIds));
    AddHidraw("hidraw2", Uevent(kWheelIds));
    AddHidraw("hidraw3", Uevent("0003:0000046D:0000C31C"));
    EXPECT_EQ(Search().nodes, (std::vector<std::string>{Node("hidraw2"), Node("hidraw10")}));
}

TEST_F(FakeSysfs, DevicesWithoutAReadableUeventAreCountedButNotTaken)
{
    AddHidraw("hidraw0", std::string(100 * 1024, 'x') + "\nHID_ID=" + kWheelIds + "\n");
    ASSERT_TRUE(folder_.Write("sys/class/hidraw/hidraw1/dev", "247:1\n"));
    const WheelSearch search = Search();
    EXPECT_TRUE(search.nodes.empty());
    EXPECT_EQ(search.hidrawDevices, 2u);
}

TEST_F(FakeSysfs, ATreeWithoutHidrawFindsNothing)
{
    const WheelSearch search = Search();
    EXPECT_TRUE(search.nodes.empty());
    EXPECT_EQ(search.hidrawDevices, 0u);
}

TEST(Uevent, NamesTheWheelOnlyByItsExactIdsOnUsb)
{
    EXPECT_TRUE(UeventNamesWheel(Uevent(kWheelIds)));
    EXPECT_TRUE(UeventNamesWheel("HID_ID=0003:00006d2a:00000005"));
    EXPECT_TRUE(UeventNamesWheel("HID_ID=3:6D2A:5\n"));
    for (const char* notTheWheel :
         {"", "HID_ID=", "HID_ID=0003:00006D2A", "HID_ID=0003:00006D2A:00000005:0",
          "HID_ID=0003:00006D2A:00000006", "HID_ID=0003:0006D2A0:00000005", "HID_ID=0003:00006D2A:000000005",
          "HID_ID=0003:00006D2A:0x5", "HID_ID=0003:00006D2A:-5", "HID_ID=0003::00000005",
          "HID_ID= 0003:00006D2A:00000005", "XHID_ID=0003:00006D2A:00000005",
          "MODALIAS=hid:b0003g0001v00006D2Ap00000005"}) {
        EXPECT_FALSE(UeventNamesWheel(notTheWheel)) << notTheWheel;
    }
}

} // namespace
} // namespace torvex::lab
