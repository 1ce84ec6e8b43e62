#include "support/sim_bench.h"

#include <gtest/gtest.h>

using namespace kestrelon;
using kestrelon::test::SimBench;

namespace {

TEST(DeviceLink, CountsEveryOpenableInterfaceAndPumpsAfterEach) {
    SimBench b;
    b.trace.clear();
    // keyboard (2), mouse (1), vendor device (1), receiver (3)
    EXPECT_EQ(b.hid.CountHidDevices(), 7);
    EXPECT_EQ(b.trace.count(TraceEntry::Kind::Pump), 7u);
    b.backend.unplug(b.dongleDevice);
    EXPECT_EQ(b.hid.CountHidDevices(), 4);
}

TEST(DeviceLink, NothingPresent) {
    VirtualClock clock;
    sim::SimHidBackend backend(clock);
    HidAccess hid(backend, clock, clock);
    EXPECT_EQ(hid.CountHidDevices(), 0);
    std::unique_ptr<HidDevice> handle;
    int version = 1234;
    EXPECT_FALSE(hid.OpenHidDevice(0xF3D7, 0x053A, handle, version));
    EXPECT_EQ(handle, nullptr);
    EXPECT_EQ(version, 1234);
}

TEST(DeviceLink, OpensTheCollectionThatCarriesFeatureReports) {
    SimBench b;
    ASSERT_TRUE(b.open());
    EXPECT_EQ(b.link.DongleVersion, 0xA011);
    CommandFrame f = makeFrame(0x09);
    ASSERT_TRUE(b.hid.HidSetGetFeature(b.link.handle.get(), f));
    EXPECT_EQ(f[7], 0xCC);
}

TEST(DeviceLink, LastMatchWinsAndEarlierHandlesAreClosed) {
    VirtualClock clock;
    sim::SimHidBackend backend(clock);
    auto now = [&clock] { return clock.nowMicros(); };
    sim::PairConfig a;
    a.model = 0;
    sim::PairConfig c;
    c.model = 2;
    auto first = std::make_shared<sim::PairFirmware>(a, now);
    auto second = std::make_shared<sim::PairFirmware>(c, now);
    backend.plugDongle(first);
    backend.plugDongle(second);
    HidAccess hid(backend, clock, clock);
    std::unique_ptr<HidDevice> handle;
    int version = 0;
    ASSERT_TRUE(hid.OpenHidDevice(0xF3D7, 0x053A, handle, version));
    EXPECT_EQ(version, 0xA024);   // the second receiver, enumerated last
    HidAttributes attr;
    ASSERT_TRUE(handle->getAttributes(attr));
    CommandFrame f = makeFrame(0x0F, 0xCC, 0x33, 0x55);
    EXPECT_TRUE(hid.HidSetFeature(handle.get(), f));
    EXPECT_EQ(first->transfersSinceArmed(), 0u);
    EXPECT_EQ(second->transfersSinceArmed(), 1u);
}

TEST(DeviceLink, PassesOverMatchingInterfacesWithoutOrWithTooLongFeatureReports) {
    VirtualClock clock;
    sim::SimHidBackend backend(clock);
    auto fw = std::make_shared<sim::PairFirmware>(sim::PairConfig{}, [&clock] { return clock.nowMicros(); });
    backend.plugCustom(0xF3D7, 0x053A, 0xA011, {0, 0, 64}, fw);
    HidAccess hid(backend, clock, clock);
    std::unique_ptr<HidDevice> handle;
    int version = 0;
    EXPECT_FALSE(hid.OpenHidDevice(0xF3D7, 0x053A, handle, version));
    EXPECT_EQ(handle, nullptr);
}

TEST(DeviceLink, TransfersNeverRunPastTheFrame) {
    // An interface whose feature report is longer than the frame is refused
    // before the platform is asked to move any byte.
    VirtualClock clock;
    Trace trace;
    sim::SimHidBackend backend(clock, &trace);
    auto fw = std::make_shared<sim::PairFirmware>(sim::PairConfig{}, [&clock] { return clock.nowMicros(); });
    backend.plugCustom(0xF3D7, 0x053A, 0xA011, {64}, fw);
    HidAccess hid(backend, clock, clock);
    auto dev = backend.open(backend.enumerate().at(0).path);
    ASSERT_NE(dev, nullptr);
    CommandFrame f = makeFrame(0x09);
    EXPECT_FALSE(hid.HidSetGetFeature(dev.get(), f));
    EXPECT_FALSE(hid.HidGetFeature(dev.get(), f));
    EXPECT_EQ(trace.entries().size(), 0u);
}

TEST(DeviceLink, SetGetWaitsEightMillisecondsAndAnswerReplacesRequest) {
    SimBench b;
    ASSERT_TRUE(b.open());
    b.trace.clear();
    CommandFrame f = makeFrame(0x09);
    ASSERT_TRUE(b.hid.HidSetGetFeature(b.link.handle.get(), f));
    EXPECT_EQ(b.trace.tokens(), (std::vector<std::string>{"S", "W8", "G"}));
    EXPECT_EQ(f[0], b.pair->channel());   // byte 0 now holds data, not the report ID
    EXPECT_EQ(f[7], 0xCC);
}

} // namespace
