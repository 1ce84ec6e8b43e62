#include "app/station.h"

#include "device/hotkey_lists.h"

#include "support/station_bench.h"

#include <gtest/gtest.h>

namespace kestrelon {
namespace {

struct FakeMonitor : HotplugMonitor {};

TEST(Station, AHotplugEventDetectsTheReceiverOnceItsInterfacesSettled) {
    test::StationBench b;
    std::function<void()> event;
    b.st->config.hotplug = [&](EventLoop&, std::function<void()> onChange) {
        event = std::move(onChange);
        return std::make_unique<FakeMonitor>();
    };
    b.startUp();
    ASSERT_TRUE(event);
    b.pumpWhile([] { return true; }, 4600);   // the timer's tick before the plug
    b.dongleDevice = b.sim.plugDongle(b.pair);
    const uint32_t plugged = b.clock.GetTickCount();
    event();
    event();   // one burst: the receiver's interfaces come one by one
    b.pumpWhile([&] { return !b.devices().ledTX.Value; }, 5000);
    EXPECT_TRUE(b.devices().btnGoEnabled);
    const uint32_t toGo = b.clock.GetTickCount() - plugged;
    EXPECT_GE(toGo, Station::kHotplugSettleMs);
    EXPECT_LT(toGo, 400u) << "the 5 s timer came first";

    // Nothing is detected twice for one burst, and unplugging darkens the
    // lamps as fast.
    b.sim.unplug(b.dongleDevice);
    event();
    b.pumpWhile([&] { return b.devices().ledRX.Value; }, 5000);
    EXPECT_LT(b.clock.GetTickCount() - plugged - toGo, 1000u);
}

TEST(Station, AFreshStationProgramsTheBatteryLevelItsBoxShows) {
    test::StationBench b;   // no settings file
    b.startUp();
    EXPECT_EQ(b.st->ui.options->BatteryLevel, kBatteryDefault);
    ASSERT_TRUE(b.plugAndDetect());
    ASSERT_TRUE(b.go().passed);
    EXPECT_EQ(b.pair->mouseEeprom()[0x1A], BatteryLevelList[kBatteryDefault].level);
}

} // namespace
} // namespace kestrelon
