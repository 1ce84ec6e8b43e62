#include "device/hidapi/hid_platform.h"
#include "fake_sysfs.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace kestrelon;
using kestrelon::testing::FakeSysfs;

namespace {

const std::vector<uint8_t> kVendorFeature = {
    0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x01, 0x75, 0x08,
    0x95, 0x08, 0x09, 0x01, 0xB1, 0x02, 0xC0,
};
const std::vector<uint8_t> kKeyboardOnly = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x75, 0x08, 0x95, 0x08, 0x81, 0x00, 0xC0,
};

const std::string kUsbInterface = "pci0000:00/usb1/1-2/1-2:1.1";

} // namespace

TEST(HidPlatformLinux, FeatureLengthComesFromTheNodesOwnDescriptor) {
    FakeSysfs sys;
    sys.addNode("hidraw3", kUsbInterface + "/0003:F3D7:053A.0007", kVendorFeature);
    sys.addNode("hidraw2", "pci0000:00/usb1/1-2/1-2:1.0/0003:F3D7:053A.0006", kKeyboardOnly);

    HidReportCaps caps;
    ASSERT_TRUE(ReadFeatureCaps("/dev/hidraw3", sys.root(), caps));
    EXPECT_EQ(caps.lengths.feature, 9);
    EXPECT_EQ(caps.usagePage, 0xFF00);
    ASSERT_TRUE(ReadFeatureCaps("/dev/hidraw2", sys.root(), caps));
    EXPECT_EQ(caps.lengths.feature, 0);
    EXPECT_EQ(caps.lengths.input, 9);

    std::string why;
    EXPECT_FALSE(ReadFeatureCaps("/dev/hidraw9", sys.root(), caps, &why));
    EXPECT_NE(why.find("/dev/hidraw9"), std::string::npos) << why;
}

TEST(HidPlatformLinux, ReleaseNumberIsTheUsbDevicesAndZeroWithoutOne) {
    FakeSysfs sys;
    sys.write("devices/pci0000:00/usb1/1-2/bcdDevice", "0136\n");
    sys.addNode("hidraw3", kUsbInterface + "/0003:F3D7:053A.0007", kVendorFeature);
    EXPECT_EQ(ReadReleaseNumber("/dev/hidraw3", sys.root()), 0x0136);

    // A uhid device has no USB parent, even when it claims bus 0003.
    sys.addNode("hidraw4", "virtual/misc/uhid/0003:F3D7:053A.0008", kVendorFeature);
    EXPECT_EQ(ReadReleaseNumber("/dev/hidraw4", sys.root()), 0);

    // A Bluetooth device must not borrow its USB adapter's number.
    sys.write("devices/pci0000:00/usb1/1-10/bcdDevice", "0888\n");
    sys.addNode("hidraw5", "pci0000:00/usb1/1-10/1-10:1.0/bluetooth/hci0/hci0:256/0005:F3D7:B023.0009",
                kVendorFeature);
    EXPECT_EQ(ReadReleaseNumber("/dev/hidraw5", sys.root()), 0);

    EXPECT_EQ(ReadReleaseNumber("/dev/hidraw7", sys.root()), 0);
}

// /dev/null and /dev/zero stand in for hidraw nodes: any character device
// will do, and these exist everywhere.
TEST(HidPlatformLinux, AnOpenNodeIsGoneWhenItsDeviceChangesOrVanishes) {
    FakeSysfs sys;
    sys.addNode("null", kUsbInterface + "/0003:F3D7:053A.0007", kVendorFeature);
    NodeIdentity id;
    ASSERT_TRUE(CaptureNodeIdentity("/dev/null", sys.root(), id));
    EXPECT_TRUE(NodeStillPresent("/dev/null", sys.root(), id));

    // Re-plugged: same node name, new HID device instance.
    sys.addNode("null", kUsbInterface + "/0003:F3D7:053A.0010", kVendorFeature);
    EXPECT_FALSE(NodeStillPresent("/dev/null", sys.root(), id));

    std::filesystem::remove(sys.path() / "class" / "hidraw" / "null");
    EXPECT_FALSE(NodeStillPresent("/dev/null", sys.root(), id));
}

TEST(HidPlatformLinux, AnOpenNodeIsGoneWhenThePathNowNamesAnotherDevice) {
    FakeSysfs sys;
    const auto node = sys.path() / "hidraw6";
    std::filesystem::create_symlink("/dev/null", node);
    sys.addNode("hidraw6", kUsbInterface + "/0003:F3D7:053A.0007", kVendorFeature);
    NodeIdentity id;
    ASSERT_TRUE(CaptureNodeIdentity(node.string(), sys.root(), id));
    EXPECT_TRUE(NodeStillPresent(node.string(), sys.root(), id));

    std::filesystem::remove(node);
    std::filesystem::create_symlink("/dev/zero", node);
    EXPECT_FALSE(NodeStillPresent(node.string(), sys.root(), id));

    std::filesystem::remove(node);
    EXPECT_FALSE(NodeStillPresent(node.string(), sys.root(), id));
}

TEST(HidPlatformLinux, RegularFilesAreNotDeviceNodes) {
    FakeSysfs sys;
    sys.write("hidraw8", "not a device");
    sys.addNode("hidraw8", kUsbInterface + "/0003:F3D7:053A.0007", kVendorFeature);
    NodeIdentity id;
    EXPECT_FALSE(CaptureNodeIdentity((sys.path() / "hidraw8").string(), sys.root(), id));
}

TEST(HidPlatformLinux, ReadyOnlyWhenTheKernelOffersHidraw) {
    FakeSysfs sys;
    std::string why;
    EXPECT_TRUE(PlatformReady(sys.root(), why));
    std::filesystem::remove_all(sys.path() / "class");
    EXPECT_FALSE(PlatformReady(sys.root(), why));
    EXPECT_NE(why.find("hidraw"), std::string::npos) << why;
}

TEST(HidPlatformLinux, SystemRootCanBeRedirected) {
    ::setenv("KESTRELON_SYSFS_ROOT", "/elsewhere/sys", 1);
    EXPECT_EQ(DefaultSystemRoot(), "/elsewhere/sys");
    ::unsetenv("KESTRELON_SYSFS_ROOT");
    EXPECT_EQ(DefaultSystemRoot(), "/sys");
}
