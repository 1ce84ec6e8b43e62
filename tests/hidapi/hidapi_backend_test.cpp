#include "device/hidapi/hidapi_backend.h"
#include "device/hidapi/wide_text.h"
#include "fake_sysfs.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <set>

using namespace kestrelon;
using kestrelon::testing::FakeSysfs;

namespace {

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace

TEST(HidapiBackend, OpeningAMissingNodeSaysSo) {
    FakeSysfs sys;
    HidapiBackend backend(sys.root());
    const std::string path = (sys.path() / "hidraw42").string();
    std::string why;
    EXPECT_EQ(backend.open(path, &why), nullptr);
    EXPECT_TRUE(contains(why, "no such device node")) << why;
    EXPECT_TRUE(contains(why, path)) << why;
    EXPECT_EQ(backend.open(path), nullptr);   // no reason wanted: still no crash
}

// hidapi itself must never see these: it crashes on a node that is not hidraw.
TEST(HidapiBackend, OpeningSomethingThatIsNoHidNodeFails) {
    FakeSysfs sys;
    sys.write("hidraw1", "plain file");
    HidapiBackend backend(sys.root());
    const std::string path = (sys.path() / "hidraw1").string();
    std::string why;
    EXPECT_EQ(backend.open(path, &why), nullptr);
    EXPECT_TRUE(contains(why, path + ": not a HID device node")) << why;

    // A character device the system does not list as hidraw.
    EXPECT_EQ(backend.open("/dev/null", &why), nullptr);
    EXPECT_TRUE(contains(why, "/dev/null: not a HID device node")) << why;
}

TEST(HidapiBackend, PermissionProblemsPointAtTheUdevRule) {
    FakeSysfs sys;
    sys.write("hidraw3", "");
    const std::string path = (sys.path() / "hidraw3").string();
    // As the open itself reported it...
    const std::string why = DescribeOpenFailure(path, EACCES, "");
    EXPECT_TRUE(contains(why, "permission denied opening " + path)) << why;
    EXPECT_TRUE(contains(why, "udev")) << why;

    // ...and as found on the node when the open's errno was lost.
    if (::geteuid() == 0) GTEST_SKIP() << "root may open anything";
    ::chmod(path.c_str(), 0);
    EXPECT_TRUE(contains(DescribeOpenFailure(path, 0, ""), "permission denied")) << path;
    HidapiBackend backend(sys.root());
    std::string fromOpen;
    EXPECT_EQ(backend.open(path, &fromOpen), nullptr);
    EXPECT_TRUE(contains(fromOpen, "permission denied")) << fromOpen;
}

TEST(HidapiBackend, StartsWhereTheKernelOffersHidrawAndExplainsOtherwise) {
    FakeSysfs sys;
    std::string why;
    EXPECT_TRUE(HidapiBackend(sys.root()).start(why)) << why;
    std::filesystem::remove_all(sys.path() / "class");
    EXPECT_FALSE(HidapiBackend(sys.root()).start(why));
    EXPECT_FALSE(why.empty());
}

// Runs against whatever this machine has plugged in, possibly nothing.
TEST(HidapiBackend, EnumerationListsEachNodeOnce) {
    HidapiBackend backend;
    std::string why;
    if (!backend.start(why)) GTEST_SKIP() << why;
    std::set<std::string> paths;
    for (const auto& info : backend.enumerate()) {
        EXPECT_TRUE(paths.insert(info.path).second) << info.path;
        EXPECT_GE(info.featureReportLength, -1);
    }
}

TEST(WideText, DeviceStringsBecomeUtf8) {
    EXPECT_EQ(WideToUtf8(nullptr), "");
    EXPECT_EQ(WideToUtf8(L"Receiver"), "Receiver");
    EXPECT_EQ(WideToUtf8(L"Souris \u00e9"), "Souris \xc3\xa9");
    EXPECT_EQ(WideToUtf8(L"\u20ac"), "\xe2\x82\xac");
    EXPECT_EQ(WideToUtf8(L"\U0001F5B1"), "\xf0\x9f\x96\xb1");
}
