#include "support/device_rig.h"

#include <gtest/gtest.h>

using namespace kestrelon;
using kestrelon::test::DeviceRig;

namespace {

using Strings = std::vector<std::string>;

const char* kInfo = "01 09 00 00 00 00 00 00 00";
const char* kRxMouse = "01 17 3C 5A 01 00 00 00 00";
const char* kSecond = "01 0A 00 00 00 00 00 00 00";
const char* kSpecial1 = "01 14 FF AA 01 00 00 00 00";
const char* kChip = "01 26 AA FF 3E 00 00 00 00";
const char* kLeave = "01 2C AA 00 00 00 00 00 00";
const char* kEnter = "01 2B AA 5A 33 00 00 00 00";

sim::PairConfig pairWith(uint16_t productId, int model = 0) {
    sim::PairConfig c;
    c.productId = productId;
    c.model = model;
    return c;
}

TEST(Detection, PlugOpensTheDongleAndLightsBothLamps) {
    DeviceRig r(pairWith(0x05CA), false);
    auto linkWatch = r.clock.createTimer(500, [] {});
    r.timers.tmrIsTxLink = linkWatch.get();
    r.run.AwaitNewDongle = true;

    r.det.DetectHIDDeviceCounterTimer();   // the PC's own devices: nothing to open
    EXPECT_EQ(r.det.LastDeviceCount, 4);
    EXPECT_FALSE(r.link.hasDevice());

    r.plugDongle();
    r.trace.clear();
    r.det.DetectHIDDeviceCounterTimer();
    EXPECT_EQ(r.det.LastDeviceCount, 7);
    ASSERT_TRUE(r.link.hasDevice());
    EXPECT_EQ(r.link.productId, 0x05CA);
    EXPECT_EQ(r.link.DongleVersion, 0xA011);
    EXPECT_EQ(r.sentFrames(), (Strings{kInfo, kRxMouse, kSecond, kSpecial1, kSpecial1, kChip}));
    EXPECT_EQ(r.ui.devices->edtVID, "F3D7");
    EXPECT_EQ(r.ui.devices->edtPID, "05CA");
    EXPECT_EQ(r.pairing.PrevMouseId, r.pair->donglePairedTxId()[2]);
    EXPECT_TRUE(r.ui.devices->ledRX.Value);
    EXPECT_EQ(r.ui.devices->ledRX.TrueColor, LampColor::Green);
    EXPECT_EQ(r.ui.devices->edtRX, "Mouse RX Ready");
    EXPECT_TRUE(r.ui.devices->ledTX.Value);
    EXPECT_EQ(r.ui.devices->ledTX.TrueColor, LampColor::Green);
    EXPECT_EQ(r.ui.devices->edtTX, "Mouse TX Ready");
    EXPECT_TRUE(r.ui.devices->btnGoEnabled);
    EXPECT_FALSE(r.run.AwaitNewDongle);
    EXPECT_TRUE(linkWatch->enabled());
    // What the lamps show is the link state, which the command line reads.
    LinkState ready;
    ready.receiverOpen = ready.receiverAnswered = ready.receiverReady = ready.mouseAnswering = true;
    ready.vendorId = 0xF3D7;
    ready.productId = 0x05CA;
    EXPECT_EQ(r.det.state(), ready);

    // A tick without a change costs four walks and nothing else.
    r.trace.clear();
    const HidDevice* open = r.link.handle.get();
    r.det.DetectHIDDeviceCounterTimer();
    EXPECT_EQ(r.transfers(), 0u);
    EXPECT_EQ(r.trace.count(TraceEntry::Kind::Pump), 4u * 7);
    EXPECT_EQ(r.link.handle.get(), open);
}

TEST(Detection, UnplugDropsTheLinkAndAnyOtherChangeRebuildsIt) {
    DeviceRig r(pairWith(0x053A));
    auto linkWatch = r.clock.createTimer(500, [] {});
    r.timers.tmrIsTxLink = linkWatch.get();
    r.det.DetectHIDDeviceCounterTimer();
    ASSERT_TRUE(r.link.hasDevice());

    // Another HID device comes: the dongle is opened afresh.
    const int other = r.sim.plugOther(0x046D, 0xC52B, "headset", {0});
    r.trace.clear();
    r.det.DetectHIDDeviceCounterTimer();
    EXPECT_EQ(r.det.LastDeviceCount, 8);
    EXPECT_TRUE(r.link.hasDevice());
    EXPECT_EQ(r.countSent(kInfo), 1);

    r.sim.unplug(other);
    r.sim.unplug(r.dongleDevice);
    r.ui.result.edit([&](ResultArea& x) { x.lblResult = "PASS"; });
    r.ui.result.edit([&](ResultArea& x) { x.edtTX_SN = "123"; });
    r.ui.progress.set(20);
    r.trace.clear();
    r.det.DetectHIDDeviceCounterTimer();
    EXPECT_EQ(r.det.LastDeviceCount, 4);
    EXPECT_FALSE(r.link.hasDevice());
    EXPECT_EQ(r.link.vendorId, 0);
    EXPECT_EQ(r.link.productId, 0);
    EXPECT_EQ(r.transfers(), 0u);
    EXPECT_FALSE(r.ui.devices->ledRX.Value);
    EXPECT_FALSE(r.ui.devices->ledTX.Value);
    EXPECT_EQ(r.ui.devices->edtRX, "Mouse RX Not Ready");
    EXPECT_EQ(r.ui.devices->edtTX, "Mouse TX Not Ready");
    EXPECT_EQ(r.ui.devices->picture, ConnectPicture::NoneDev);
    EXPECT_FALSE(r.ui.devices->btnGoEnabled);
    EXPECT_EQ(r.det.state(), LinkState{});   // unplugged: nothing open, nothing answers
    EXPECT_EQ(r.ui.result->lblResult, "");
    EXPECT_EQ(r.ui.result->edtTX_SN, "");
    EXPECT_EQ(*r.ui.progress, 0);
    EXPECT_FALSE(linkWatch->enabled());
}

TEST(Detection, AFlickeringCountIsIgnoredUntilItSettles) {
    struct Case {
        std::deque<int> hide;   // per walk, from 8 interfaces
        bool rebuilt;
        int last;
    };
    const Case cases[] = {
        {{1, 1, 1, 0}, false, 7},   // 7 7 | 7 8
        {{0, 1, 0, 0}, false, 7},   // 8 7 | 8 8
        {{1, 1, 0, 0}, true, 8},    // 7 7 | 8 8: both pairs agree on the new count
        {{0, 0, 1, 1}, false, 7},   // 8 8 | 7 7: settles where it was
        {{0, 0, 0, 0}, true, 8},
    };
    for (const auto& c : cases) {
        DeviceRig r;
        r.det.DetectHIDDeviceCounterTimer();
        ASSERT_EQ(r.det.LastDeviceCount, 7);
        r.sim.plugOther(0x046D, 0xC52B, "headset", {0});
        r.backend.hideLast = c.hide;
        r.trace.clear();
        r.det.DetectHIDDeviceCounterTimer();
        EXPECT_EQ(r.det.LastDeviceCount, c.last);
        EXPECT_EQ(r.countSent(kInfo), c.rebuilt ? 1 : 0);
        EXPECT_TRUE(r.link.hasDevice());
    }
}

TEST(Detection, BusyTickIsTurnedAway) {
    DeviceRig r;
    r.det.DetectBusy = true;
    r.det.DetectHIDDeviceCounterTimer();
    EXPECT_TRUE(r.trace.entries().empty());
    EXPECT_EQ(r.det.LastDeviceCount, 0);
    EXPECT_TRUE(r.det.DetectBusy);
}

TEST(Detection, UnknownIdsOpenOnlyThroughTheFallbackEdits) {
    for (const bool fallback : {false, true}) {
        DeviceRig r(pairWith(0x1234));
        if (fallback) {
            r.ui.options.edit([&](ProductSettings& o) { o.VidSet = "f3d7"; });
            r.ui.options.edit([&](ProductSettings& o) { o.PidSet = "1234"; });
        }
        r.det.DetectHIDDeviceCounterTimer();
        EXPECT_EQ(r.det.LastDeviceCount, 7);
        EXPECT_EQ(r.link.hasDevice(), fallback);
        EXPECT_EQ(r.ui.devices->btnGoEnabled, fallback);
        EXPECT_EQ(r.ui.devices->edtPID, fallback ? "1234" : "");
    }
}

TEST(Detection, InfoThatFailsLeavesTheLampsDark) {
    DeviceRig r;
    auto linkWatch = r.clock.createTimer(500, [] {});
    r.timers.tmrIsTxLink = linkWatch.get();
    ASSERT_TRUE(r.open());
    sim::Faults f;
    f.transferErrorFrom = 1;
    r.pair->armFaults(f);
    r.det.InitDongleStatus();
    EXPECT_EQ(r.ui.devices->edtVID, "F3D7");
    EXPECT_EQ(r.ui.devices->edtPID, "053A");
    EXPECT_EQ(r.ui.devices->picture, ConnectPicture::NoneDev);
    EXPECT_FALSE(r.ui.devices->ledRX.Value);
    EXPECT_FALSE(r.ui.devices->ledTX.Value);
    EXPECT_FALSE(linkWatch->enabled());
    EXPECT_EQ(r.sentFrames(), Strings{kInfo});
}

TEST(Detection, ModelRule) {
    const int versions[] = {0xA011, 0xA014, 0xA024};
    for (int model = 0; model < 3; ++model)
        for (int v = 0; v < 3; ++v)
            for (const int chip : {0x33, 0x35}) {
                SCOPED_TRACE(testing::Message() << "model " << model << " version " << std::hex << versions[v]
                                                << " chip " << chip);
                EXPECT_EQ(Detection::DongleFitsModel(model, versions[v]), model == v);
                EXPECT_EQ(Detection::MouseFitsModel(model, versions[v], chip),
                          model == v && (model == 0) == (chip == 0x33));
            }
    EXPECT_FALSE(Detection::DongleFitsModel(-1, 0xA011));
    EXPECT_FALSE(Detection::DongleFitsModel(3, 0xA024));
}

TEST(Detection, LampColoursFollowTheSelectedModel) {
    // The simulated pair of model m has its version and a chip byte to match.
    for (int pairModel = 0; pairModel < 3; ++pairModel)
        for (int selected = 0; selected < 3; ++selected) {
            SCOPED_TRACE(testing::Message() << "pair " << pairModel << " selected " << selected);
            DeviceRig r(pairWith(0x053A, pairModel));
            r.ui.options.edit([&](ProductSettings& o) { o.ModelIndex = selected; });
            r.det.DetectHIDDeviceCounterTimer();
            const auto colour = selected == pairModel ? LampColor::Green : LampColor::Red;
            EXPECT_TRUE(r.ui.devices->ledRX.Value);
            EXPECT_EQ(r.ui.devices->ledRX.TrueColor, colour);
            EXPECT_EQ(r.ui.devices->edtRX, selected == pairModel ? "Mouse RX Ready" : "Mouse RX Not Ready");
            EXPECT_TRUE(r.ui.devices->ledTX.Value);
            EXPECT_EQ(r.ui.devices->ledTX.TrueColor, colour);
            EXPECT_EQ(r.ui.devices->edtTX, "Mouse TX Ready");
        }
}

struct TxLink : ::testing::Test {
    DeviceRig r;
    void SetUp() override {
        ASSERT_TRUE(r.open());
        r.run.RunBusy = true;
        r.trace.clear();
    }
};

TEST_F(TxLink, SilentMouseIsRetriedOnceThroughAccessMode) {
    r.pair->setMousePowered(false);
    EXPECT_FALSE(r.det.CheckTxLink());
    EXPECT_EQ(r.sentFrames(), (Strings{kSpecial1, kSpecial1, kLeave, kEnter, kSpecial1, kSpecial1}));
    const auto tokens = r.trace.tokens();
    EXPECT_EQ(std::count(tokens.begin(), tokens.end(), "W50"), 2);
    EXPECT_FALSE(r.ui.devices->ledTX.Value);
    EXPECT_EQ(r.ui.devices->edtTX, "Mouse TX Not Ready");
    EXPECT_FALSE(r.run.RunBusy);
}

TEST_F(TxLink, MouseThatWakesOnTheRetryIsLinked) {
    r.pair->setMousePowered(false);
    r.backend.onSet = [this](const CommandFrame& f) {
        if (f[1] == 0x2B) r.pair->setMousePowered(true);
    };
    EXPECT_TRUE(r.det.CheckTxLink());
    EXPECT_EQ(r.countSent(kChip), 1);
    EXPECT_TRUE(r.ui.devices->ledTX.Value);
    EXPECT_EQ(r.ui.devices->ledTX.TrueColor, LampColor::Green);
    EXPECT_TRUE(r.ui.devices->btnGoEnabled);
    EXPECT_FALSE(r.run.RunBusy);
}

TEST_F(TxLink, UnansweredChipByteLeavesTheColour) {
    r.backend.editAnswer = [](uint8_t code, uint8_t* a) {
        if (code == 0x26) a[7] = 0;
    };
    r.ui.devices.edit([&](DeviceStatus& d) { d.ledTX.TrueColor = LampColor::Red; });
    EXPECT_TRUE(r.det.CheckTxLink());
    EXPECT_EQ(r.countSent(kChip), 30);
    EXPECT_TRUE(r.ui.devices->ledTX.Value);
    EXPECT_EQ(r.ui.devices->ledTX.TrueColor, LampColor::Red);
    EXPECT_FALSE(r.ui.devices->btnGoEnabled);
    EXPECT_FALSE(r.transport.failed());
}

TEST_F(TxLink, NoDongleAndLanguageDialog) {
    r.ui.devices.edit([&](DeviceStatus& d) { d.ledTX = Lamp{true, LampColor::Green}; });
    r.ui.devices.edit([&](DeviceStatus& d) { d.edtTX = "Mouse TX Ready"; });
    r.ui.language.DialogShowing = true;
    EXPECT_FALSE(r.det.CheckTxLink());   // returns at once, RunBusy untouched
    EXPECT_TRUE(r.run.RunBusy);
    EXPECT_TRUE(r.ui.devices->ledTX.Value);
    EXPECT_EQ(r.ui.devices->edtTX, "Mouse TX Ready");
    EXPECT_TRUE(r.trace.entries().empty());

    r.ui.language.DialogShowing = false;
    r.link.close();
    EXPECT_FALSE(r.det.CheckTxLink());
    EXPECT_FALSE(r.run.RunBusy);
    EXPECT_FALSE(r.ui.devices->ledTX.Value);
    EXPECT_EQ(r.ui.devices->edtTX, "Mouse TX Not Ready");
    EXPECT_EQ(r.transfers(), 0u);
}

} // namespace
