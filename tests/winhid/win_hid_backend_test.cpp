#include "device/winhid/win_hid_backend.h"

#include "device/device_link.h"
#include "platform/virtual_clock.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

using namespace kestrelon;

namespace {

// The system as the HID libraries show it: interfaces by index, each with
// what CreateFile and the HidD_ calls would give. Every handle handed out
// is tracked, so a leaked one fails the test.
class FakeCalls : public WinHidCalls {
public:
    struct Interface {
        std::string path;            // empty: its detail cannot be read (Skip)
        HidAttributes attributes;
        int featureLength = 9;
        uint32_t readWriteError = 0;   // CreateFile with rights fails so
        uint32_t queryError = 0;       // CreateFile without rights fails so
        bool present = true;
    };
    struct State {
        std::vector<Interface> interfaces;
        bool noSet = false;
        std::vector<uint32_t> askedIndexes;
        std::map<Handle, std::pair<size_t, bool>> open;   // handle -> interface, read/write
        std::vector<std::vector<uint8_t>> sent;
        int walks = 0, walksEnded = 0;
    };

    explicit FakeCalls(std::shared_ptr<State> s) : s_(std::move(s)) {}

    bool beginInterfaces(uint32_t& error) override {
        if (s_->noSet) {
            error = 13;
            return false;
        }
        ++s_->walks;
        return true;
    }
    Next interfacePath(uint32_t index, std::string& path) override {
        s_->askedIndexes.push_back(index);
        if (index >= s_->interfaces.size()) return Next::End;
        if (s_->interfaces[index].path.empty()) return Next::Skip;
        path = s_->interfaces[index].path;
        return Next::Path;
    }
    void endInterfaces() override { ++s_->walksEnded; }

    Handle createFile(const std::string& path, bool readWrite, uint32_t& error) override {
        for (size_t i = 0; i < s_->interfaces.size(); ++i) {
            const Interface& f = s_->interfaces[i];
            if (f.path != path || !f.present) continue;
            if (const uint32_t e = readWrite ? f.readWriteError : f.queryError) {
                error = e;
                return kInvalidHandle;
            }
            s_->open[next_] = {i, readWrite};
            return next_++;
        }
        error = kFileNotFound;
        return kInvalidHandle;
    }
    void closeHandle(Handle h) override { EXPECT_EQ(s_->open.erase(h), 1u) << "closed twice or never opened"; }

    bool getAttributes(Handle h, HidAttributes& out) override {
        const Interface* f = at(h);
        if (!f) return false;
        out = f->attributes;
        return true;
    }
    bool getCaps(Handle h, Caps& out) override {
        const Interface* f = at(h);
        if (!f) return false;
        out.featureReportLength = f->featureLength;
        return true;
    }
    bool setFeature(Handle h, const uint8_t* data, size_t len) override {
        if (!at(h)) return false;
        s_->sent.emplace_back(data, data + len);
        return true;
    }
    bool getFeature(Handle h, uint8_t* data, size_t len) override {
        if (!at(h)) return false;
        for (size_t i = 1; i < len; ++i) data[i] = static_cast<uint8_t>(0xA0 + i);
        return true;
    }
    std::string describe(Handle h) override { return at(h) ? "Maker Receiver" : ""; }
    std::string errorText(uint32_t error) override { return "system error " + std::to_string(error); }

private:
    const Interface* at(Handle h) const {
        const auto it = s_->open.find(h);
        if (it == s_->open.end()) return nullptr;
        const Interface& f = s_->interfaces[it->second.first];
        return f.present ? &f : nullptr;
    }

    std::shared_ptr<State> s_;
    Handle next_ = 0x100;
};

constexpr uint16_t kVid = 0x248A, kPid = 0x5B2F;

// A receiver as Windows lists it: one interface per top-level collection,
// the vendor collection with the feature reports, the mouse and keyboard
// collections held by the system.
std::vector<FakeCalls::Interface> receiver(const std::string& id, uint16_t version) {
    const HidAttributes a{kVid, kPid, version};
    return {
        {"\\\\?\\hid#" + id + "&col01", a, 0, WinHidCalls::kAccessDenied, 0, true},
        {"\\\\?\\hid#" + id + "&col02", a, 9, 0, 0, true},
        {"\\\\?\\hid#" + id + "&col03", a, 0, WinHidCalls::kAccessDenied, 0, true},
    };
}

struct Rig {
    std::shared_ptr<FakeCalls::State> state = std::make_shared<FakeCalls::State>();
    WinHidBackend backend{std::make_unique<FakeCalls>(state)};
    VirtualClock clock;
    HidAccess access{backend, clock, clock};
};

TEST(WinHidBackend, WalksEveryIndexOnceAndClosesWhatItOpened) {
    Rig r;
    r.state->interfaces = receiver("vid_248a&pid_5b2f", 0x0102);
    r.state->interfaces.insert(r.state->interfaces.begin() + 1, FakeCalls::Interface{});   // detail unreadable
    r.state->interfaces.push_back(
        {"\\\\?\\hid#gone", {}, 0, WinHidCalls::kDeviceNotConnected, WinHidCalls::kDeviceNotConnected, true});

    const auto list = r.backend.enumerate();
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(r.state->askedIndexes, (std::vector<uint32_t>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(r.state->walks, r.state->walksEnded);
    EXPECT_TRUE(r.state->open.empty());
    EXPECT_EQ(list[0].attributes.versionNumber, 0x0102);   // read through a handle without rights
    EXPECT_EQ(list[0].featureReportLength, 0);
    EXPECT_EQ(list[1].featureReportLength, 9);
    EXPECT_EQ(list[1].description, "Maker Receiver");
    EXPECT_EQ(list[3].featureReportLength, -1);             // listed, with why it could not be asked
    EXPECT_EQ(list[3].description, "system error 1167");

    // Only the interfaces that open count, the held collections included.
    EXPECT_EQ(r.access.CountHidDevices(), 3);
    EXPECT_TRUE(r.state->open.empty());
}

TEST(WinHidBackend, NoDeviceSetMeansNoDevicesAndAStartThatSaysWhy) {
    Rig r;
    std::string why;
    EXPECT_TRUE(r.backend.start(why));
    r.state->noSet = true;
    EXPECT_FALSE(r.backend.start(why));
    EXPECT_EQ(why, "cannot list the HID devices (SetupAPI): system error 13");
    EXPECT_TRUE(r.backend.enumerate().empty());
    EXPECT_EQ(r.access.CountHidDevices(), 0);
    std::unique_ptr<HidDevice> handle;
    int version = -7;
    EXPECT_FALSE(r.access.OpenHidDevice(kVid, kPid, handle, version));
    EXPECT_EQ(version, -7);
}

TEST(WinHidBackend, OpensTheFeatureCollectionAndTheLastOfTwoReceivers) {
    Rig r;
    r.state->interfaces = receiver("first", 0x0101);
    for (auto& f : receiver("second", 0x0202)) r.state->interfaces.push_back(f);
    DeviceLink link;
    ASSERT_TRUE(r.access.OpenDongle(link, kVid, kPid));
    EXPECT_EQ(link.DongleVersion, 0x0202);
    ASSERT_EQ(r.state->open.size(), 1u);   // the first receiver's handle was closed
    const auto [index, readWrite] = r.state->open.begin()->second;
    EXPECT_EQ(r.state->interfaces[index].path, "\\\\?\\hid#second&col02");
    EXPECT_TRUE(readWrite);

    CommandFrame frame{};
    frame[0] = 1;
    frame[1] = 0x42;
    ASSERT_TRUE(r.access.HidSetGetFeature(link.handle.get(), frame));
    ASSERT_EQ(r.state->sent.size(), 1u);
    EXPECT_EQ(r.state->sent[0].size(), 9u);
    EXPECT_EQ(r.state->sent[0][1], 0x42);
    EXPECT_EQ(frame[0], 1);   // the report ID stays, the answer fills the rest
    EXPECT_EQ(frame[8], 0xA8);
    EXPECT_EQ(r.clock.sleptMs(), 8u);

    link.close();
    EXPECT_TRUE(r.state->open.empty());
}

TEST(WinHidBackend, FeatureReportsGoThroughAHandleWithoutRightsWhenTheSystemHoldsTheReceiver) {
    Rig r;
    r.state->interfaces = receiver("held", 0x0100);
    for (auto& f : r.state->interfaces) f.readWriteError = WinHidCalls::kSharingViolation;
    DeviceLink link;
    ASSERT_TRUE(r.access.OpenDongle(link, kVid, kPid));
    EXPECT_FALSE(r.state->open.begin()->second.second);
    CommandFrame frame{};
    frame[0] = 1;
    EXPECT_TRUE(r.access.HidSetFeature(link.handle.get(), frame));
}

TEST(WinHidBackend, AnUnpluggedReceiverFailsBeforeATransfer) {
    Rig r;
    r.state->interfaces = receiver("plugged", 0x0100);
    DeviceLink link;
    ASSERT_TRUE(r.access.OpenDongle(link, kVid, kPid));
    for (auto& f : r.state->interfaces) f.present = false;
    CommandFrame frame{};
    frame[0] = 1;
    EXPECT_FALSE(r.access.HidSetFeature(link.handle.get(), frame));
    EXPECT_FALSE(r.access.HidSetGetFeature(link.handle.get(), frame));
    EXPECT_TRUE(r.state->sent.empty());

    // The report length is asked anew for every transfer: a device whose
    // report no longer fits the frame gets none.
    for (auto& f : r.state->interfaces) f.present = true;
    r.state->interfaces[1].featureLength = 65;
    EXPECT_FALSE(r.access.HidSetFeature(link.handle.get(), frame));
    EXPECT_TRUE(r.state->sent.empty());
}

TEST(WinHidBackend, OpenFailuresSayWhatToDoOnWindows) {
    Rig r;
    r.state->interfaces = {{"\\\\?\\hid#a", {}, 9, WinHidCalls::kAccessDenied, WinHidCalls::kAccessDenied, true},
                           {"\\\\?\\hid#b", {}, 9, 87, 0, true}};
    const struct {
        std::string path;
        std::string why;
    } cases[] = {
        {"\\\\?\\hid#a", "access denied opening \\\\?\\hid#a: another program holds the receiver; close other "
                         "tools that use it, or re-plug the receiver"},
        {"\\\\?\\hid#b", "cannot open \\\\?\\hid#b: system error 87"},
        {"\\\\?\\hid#missing",
         "no such HID interface \\\\?\\hid#missing: the receiver was unplugged or the list is out of date"},
    };
    for (const auto& c : cases) {
        std::string why;
        EXPECT_EQ(r.backend.open(c.path, &why), nullptr);
        EXPECT_EQ(why, c.why);
        EXPECT_EQ(why.find("udev"), std::string::npos);
    }
    EXPECT_TRUE(r.state->open.empty());
}

#ifdef _WIN32
// The system's own HID devices (under wine, its virtual ones): the walk
// ends, and every interface that opens tells the same identity as the list.
TEST(WinHidSystem, EnumeratesAndOpensTheSystemsHidDevices) {
    WinHidBackend backend(SystemHidCalls());
    std::string why;
    ASSERT_TRUE(backend.start(why)) << why;
    const auto list = backend.enumerate();
    std::printf("%zu HID interfaces\n", list.size());
    for (const auto& info : list) {
        std::printf("  %s %04X:%04X feature %d %s\n", info.path.c_str(), info.attributes.vendorId,
                    info.attributes.productId, info.featureReportLength, info.description.c_str());
        auto dev = backend.open(info.path, &why);
        if (!dev) continue;
        HidAttributes a;
        ASSERT_TRUE(dev->getAttributes(a));
        EXPECT_EQ(a.vendorId, info.attributes.vendorId);
        EXPECT_EQ(a.productId, info.attributes.productId);
    }
    std::string gone;
    EXPECT_EQ(backend.open("\\\\?\\hid#no_such_device", &gone), nullptr);
    EXPECT_FALSE(gone.empty());
}
#endif

} // namespace
