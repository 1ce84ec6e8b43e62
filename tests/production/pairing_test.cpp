#include "production/pairing.h"

#include "support/station_bench.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace kestrelon {
namespace {

using test::StationBench;

// A station with its dongle open and the mouse linked. The dongle's info
// answers (command 9) can be rewritten per tick.
struct PairingBench : StationBench {
    PairingBench() {
        startUp();
        ready = plugAndDetect();
        recorded.clear();
    }

    // From now on the info answers report these IDs while when() holds.
    void reportIds(std::function<bool()> when, int mouseId, int kbdId, int channel = -1) {
        backend.editAnswer = [=](uint8_t code, uint8_t* a) {
            if (code != 0x09 || !when()) return;
            if (mouseId >= 0) a[1] = static_cast<uint8_t>(mouseId);
            if (kbdId >= 0) a[2] = static_cast<uint8_t>(kbdId);
            if (channel >= 0) a[0] = static_cast<uint8_t>(channel);
        };
    }
    int ticks() const { return st->pairingState.BindTicks; }
    bool binding() const { return WindowTimers::on(st->timers.tmrSoftBind); }
    void runBind() { pumpWhile([this] { return binding(); }, 60000); }

    bool ready = false;
};

TEST(Pairing, OperatorBindOutcomes) {
    // changeFromTick: the dongle reports another mouse from this tick on (0: never).
    struct Case {
        int changeFromTick;
        int endTick;
        const char* text;
    };
    for (const Case& c : {Case{1, 1, "Connect Success"}, Case{16, 16, "Connect Success"},
                          Case{0, 16, "Connect Fail"}}) {
        SCOPED_TRACE(c.changeFromTick);
        PairingBench b;
        ASSERT_TRUE(b.ready);
        b.st->pairing.btnCombo_Cmd_Soft_Bind_SWClick();
        ASSERT_TRUE(b.binding());
        EXPECT_EQ(b.st->ui.devices->btnConnectCaptionId, 0x04);
        EXPECT_EQ(b.st->ui.devices->picture, ConnectPicture::Bind);
        EXPECT_FALSE(WindowTimers::on(b.st->timers.tmrIsTxLink));
        const int newMouse = (b.st->pairingState.PrevMouseId + 1) & 0xFF;
        b.reportIds([&b, c] { return c.changeFromTick > 0 && b.ticks() >= c.changeFromTick; }, newMouse, -1);
        b.runBind();
        EXPECT_FALSE(b.binding());
        EXPECT_EQ(b.ticks(), c.endTick);
        ASSERT_EQ(b.recorded.messages.size(), 1u);
        EXPECT_EQ(b.recorded.messages[0], (std::pair<std::string, std::string>{"Connect", c.text}));
        EXPECT_EQ(b.st->ui.devices->btnConnectCaptionId, 0x03);
        EXPECT_EQ(b.st->ui.devices->picture, ConnectPicture::Connected);
        EXPECT_TRUE(WindowTimers::on(b.st->timers.tmrIsTxLink));
        if (std::string(c.text) == "Connect Success") {
            EXPECT_EQ(b.st->pairingState.PrevMouseId, newMouse);
        }
    }
}

TEST(Pairing, ANewMouseJoinsTheDongle) {
    PairingBench b;
    ASSERT_TRUE(b.ready);
    // The mouse takes another TX ID and reloads: the dongle no longer knows it.
    const std::array<uint8_t, 4> txId{0x81, 0x22, 0x33, 0x81 ^ 0x22 ^ 0x33 ^ 0xFF};
    std::copy(txId.begin(), txId.end(), b.pair->mouseEepromForTest().begin() + 0x08);
    b.st->commands.rbC_RF_ENTER_ACCESS_WO_LEDClick();
    b.st->commands.btnRF_DR_3DClick();
    b.st->commands.rbC_RF_LEAVE_ACCESSClick();
    b.clock.Sleep(50);
    ASSERT_FALSE(b.pair->linked());

    b.st->pairing.btnCombo_Cmd_Soft_Bind_SWClick();
    b.runBind();
    EXPECT_EQ(b.messageTexts(), std::vector<std::string>{"Connect Success"});
    EXPECT_LT(b.ticks(), 16);
    EXPECT_EQ(b.st->pairingState.PrevMouseId, 0x33);
    EXPECT_TRUE(b.pair->linked());
}

TEST(Pairing, WithoutALinkedMouseNoChangeCounts) {
    PairingBench b;
    ASSERT_TRUE(b.ready);
    b.st->pairing.btnCombo_Cmd_Soft_Bind_SWClick();
    b.pair->armFaults(test::makeFaults([](auto& f) { f.mouseSilent = true; }));
    b.reportIds([] { return true; }, (b.st->pairingState.PrevMouseId + 1) & 0xFF, -1);
    b.runBind();
    EXPECT_EQ(b.ticks(), 16);
    EXPECT_EQ(b.messageTexts(), std::vector<std::string>{"Connect Fail"});
}

TEST(Pairing, TheRunsBindingWaitsForAnotherKeyboard) {
    struct Case {
        bool mouseChanges, keyboardChanges;
        int endTick;
        bool linkWatchOn;
    };
    for (const Case& c : {Case{true, false, 16, true}, Case{false, true, 1, false}}) {
        SCOPED_TRACE(c.mouseChanges);
        PairingBench b;
        ASSERT_TRUE(b.ready);
        b.st->run.BindInRun = 1;
        b.st->pairing.btnCombo_Cmd_Soft_Bind_SWClick();
        const auto& p = b.st->pairingState;
        b.reportIds([] { return true; }, c.mouseChanges ? (p.PrevMouseId + 1) & 0xFF : -1,
                    c.keyboardChanges ? (p.PrevKbdId + 1) & 0xFF : -1);
        b.runBind();
        EXPECT_EQ(b.ticks(), c.endTick);
        EXPECT_TRUE(b.recorded.messages.empty());   // silent either way
        EXPECT_EQ(WindowTimers::on(b.st->timers.tmrIsTxLink), c.linkWatchOn);
    }
}

TEST(Pairing, EveryValidInfoReadLeavesADebugLine) {
    PairingBench b;
    ASSERT_TRUE(b.ready);
    b.st->run.BindInRun = 1;   // the changed mouse ID below ends nothing
    b.st->pairing.btnCombo_Cmd_Soft_Bind_SWClick();
    b.reportIds([] { return true; }, 0xA5, 0, 40);
    const auto& debug = b.st->ui.debug.lines();
    ASSERT_FALSE(debug.empty());
    EXPECT_EQ(debug.back().rfind("**0--preMseID-", 0), 0u) << debug.back();
    const size_t before = debug.size();
    for (int t = 0; t < 3; ++t) b.st->pairing.tmrSoftBindTimer();
    EXPECT_EQ(debug.size(), before + 6);   // one agreeing pair per tick
    EXPECT_NE(std::find(debug.begin(), debug.end(), "*1*3--NowMseID-A5--NowKbdID-0--channel-40"), debug.end());
    EXPECT_NE(std::find(debug.begin(), debug.end(), "*2*3--NowMseID-A5--NowKbdID-0--channel-40"), debug.end());
}

TEST(Pairing, ADongleWithoutValidInfoIsTakenAsLost) {
    // At the start and in a tick: channel 0 is never a valid answer.
    for (bool atStart : {true, false}) {
        SCOPED_TRACE(atStart);
        PairingBench b;
        ASSERT_TRUE(b.ready);
        if (!atStart) b.st->pairing.btnCombo_Cmd_Soft_Bind_SWClick();
        b.reportIds([] { return true; }, -1, -1, 0);
        b.sent.clear();
        if (atStart)
            b.st->pairing.btnCombo_Cmd_Soft_Bind_SWClick();
        else
            b.st->pairing.tmrSoftBindTimer();
        const int infoReads = b.countSent([](const CommandFrame& f) { return f[1] == 0x09; });
        EXPECT_EQ(infoReads, 2 * Pairing::kAgreementPairs);
        EXPECT_FALSE(b.binding());
        EXPECT_FALSE(b.st->ui.devices->ledRX.Value);
        EXPECT_TRUE(b.recorded.messages.empty());
        EXPECT_EQ(b.countSent([](const CommandFrame& f) { return f[1] == 0x08; }), 0);
    }
}

TEST(Pairing, WithoutADongleTheButtonOnlyStopsTheLinkWatch) {
    StationBench b;
    b.startUp();
    WindowTimers::set(b.st->timers.tmrIsTxLink, true);
    b.st->pairingState.BindTicks = 5;
    b.st->pairing.btnCombo_Cmd_Soft_Bind_SWClick();
    EXPECT_FALSE(WindowTimers::on(b.st->timers.tmrIsTxLink));
    EXPECT_FALSE(WindowTimers::on(b.st->timers.tmrSoftBind));
    EXPECT_EQ(b.st->pairingState.BindTicks, 0);
    EXPECT_TRUE(b.sent.empty());
}

} // namespace
} // namespace kestrelon
