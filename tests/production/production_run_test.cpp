#include "production/production_run.h"
#include "production/unit_time.h"

#include "device/hotkey_lists.h"
#include "support/station_bench.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <tuple>

namespace kestrelon {
namespace {

using test::StationBench;

constexpr int32_t kRx = 0x123456;
constexpr int32_t kTx = 0xABCDEF;

// A bench started up with both lamps lit and sequential IDs from kRx/kTx.
struct ReadyBench : StationBench {
    explicit ReadyBench(sim::PairConfig config = {}, bool autoRun = false) : StationBench(config, autoRun) {
        startUp();
        sequentialIds(kRx, kTx);
        ready = plugAndDetect();
    }
    bool ready = false;
};

bool isSensorRead(const CommandFrame& f) { return f[1] == 0x2A && f[2] == 0xAA; }

TEST(ProductionRun, PlacesTheRfIdsInBothDevices) {
    ReadyBench b;
    ASSERT_TRUE(b.ready);
    const UnitRecord& r = b.go();
    ASSERT_TRUE(r.passed) << r.reason;
    const auto& m = b.pair->mouseEeprom();
    const auto& d = b.pair->dongleEeprom();
    EXPECT_EQ((std::array<int, 8>{m[0x08], m[0x09], m[0x0A], m[0x0B], m[0x0C], m[0x0D], m[0x0E], m[0x0F]}),
              (std::array<int, 8>{0xAB, 0xCD, 0xEF, 0x76, 0x92, 0x34, 0x56, 0x0F}));
    EXPECT_EQ((std::array<int, 6>{d[0x00], d[0x01], d[0x02], d[0x33], d[0x34], d[0x35]}),
              (std::array<int, 6>{0x926D, 0x34CB, 0x56A9, 0xAB54, 0xCD32, 0xEF10}));
    EXPECT_EQ(b.st->ui.result->edtMseDongleAddr, "123456");
    EXPECT_EQ(r.rfId, "123456");
    EXPECT_EQ(b.st->ui.result->lblResult, "PASS");
    EXPECT_EQ(b.st->ui.result->lblResultColor, ResultColor::Blue);
    // Go ends by dropping the dongle; the next one is found afresh.
    EXPECT_FALSE(b.st->link.hasDevice());
    EXPECT_TRUE(b.st->run.AwaitNewDongle);
    EXPECT_FALSE(b.st->ui.devices->btnGoEnabled);
    EXPECT_EQ(b.st->run.RunMode, RunIdle);
    EXPECT_EQ(r.elapsed, ProductionRun::ElapsedText(r.elapsedMs));
    EXPECT_EQ(b.st->ui.result->edtCaliTime, r.elapsed);
    EXPECT_GT(r.elapsedMs, 0u);
}

TEST(ProductionRun, EqualIdsTakeTheTxIdOneHigher) {
    StationBench b;
    b.startUp();
    b.sequentialIds(kRx, kRx);
    ASSERT_TRUE(b.plugAndDetect());
    ASSERT_TRUE(b.go().passed);
    const auto& m = b.pair->mouseEeprom();
    EXPECT_EQ((std::array<int, 3>{m[0x08], m[0x09], m[0x0A]}), (std::array<int, 3>{0x92, 0x34, 0x57}));
    EXPECT_EQ(b.st->production.lastUnit().txRfid, kRx + 1);
    EXPECT_EQ(b.st->generators.TxRFID->IncCurrentRFID(), kRx + 1);
}

TEST(ProductionRun, ElapsedText) {
    EXPECT_EQ(ProductionRun::ElapsedText(1005), "1.005");
    EXPECT_EQ(ProductionRun::ElapsedText(12040), "12.040");
    EXPECT_EQ(ProductionRun::ElapsedText(999), "0.999");
}

// Dongle transceiver register 1 writes of one run, in order.
std::vector<int> dongleRfPowerWrites(const StationBench& b) {
    std::vector<int> out;
    for (const auto& f : b.sent)
        if (f[1] == 0x07 && f[2] == 0x01) out.push_back(f[3]);
    return out;
}

TEST(ProductionRun, RfPowerIsSetAtTheStartAndResetAfterAPass) {
    struct Case {
        int item;
        bool resetRF;
        std::vector<int> writes;
        bool mouseReset;
    };
    for (const Case& c : {Case{0, true, {0x1B}, false}, Case{1, true, {0x13, 0x1B}, true},
                          Case{2, false, {0x0B}, false}, Case{3, true, {0x03, 0x1B}, true}}) {
        SCOPED_TRACE(c.item);
        ReadyBench b;
        ASSERT_TRUE(b.ready);
        b.st->ui.options.edit([&](ProductSettings& o) { o.RFPower = c.item; });
        b.st->ui.options.edit([&](ProductSettings& o) { o.ResetRF = c.resetRF; });
        b.sent.clear();
        ASSERT_TRUE(b.go().passed);
        EXPECT_EQ(dongleRfPowerWrites(b), c.writes);
        const int mouseWrites =
            b.countSent([](const CommandFrame& f) { return f[1] == 0x27 && f[2] == 0xAA && f[3] == 0x01; });
        EXPECT_EQ(mouseWrites > 0, c.mouseReset);
    }
}

TEST(ProductionRun, AFailedRunLeavesTheRfPowerAsSet) {
    ReadyBench b;
    ASSERT_TRUE(b.ready);
    b.pair->armFaults(test::makeFaults([](auto& f) { f.mouseSilentAfterReload = true; }));
    b.sent.clear();
    ASSERT_FALSE(b.go().passed);
    EXPECT_EQ(dongleRfPowerWrites(b), std::vector<int>{0x03});
    EXPECT_EQ(b.pair->dongleRfic(1), 0x03);
}

// After the dongle reloads, the mouse's sequence byte stands still for the
// first `frozen` link samples, so the mouse seems silent until then.
void answerLate(StationBench& b, int frozen) {
    auto armed = std::make_shared<bool>(false);
    auto count = std::make_shared<int>(0);
    auto last = std::make_shared<CommandFrame>();
    b.backend.onSet = [&b, armed, last](const CommandFrame& f) {
        b.sent.push_back(f);
        *last = f;
        if (f[1] == 0x0F && f[2] == 0xCC && f[3] == 0x33 && f[4] == 0x55) *armed = true;
    };
    b.backend.editAnswer = [armed, count, last, frozen](uint8_t, uint8_t* a) {
        const CommandFrame& f = *last;
        if (*armed && f[1] == 0x14 && f[2] == 0xFF && f[3] == 0xAA && f[4] == 1 && *count < frozen) {
            a[1] = 0;
            ++*count;
        }
    };
}

TEST(ProductionRun, TheMouseMayAnswerAsLateAsTheTwentiethAttempt) {
    // An attempt with a silent mouse takes two link checks of two sample
    // pairs each: 8 samples. 19 silent attempts and half of the 20th: the
    // second check of the 20th attempt sees the mouse.
    for (const auto& [frozen, passes] : {std::pair{19 * 8 + 4, true}, std::pair{20 * 8, false}}) {
        SCOPED_TRACE(frozen);
        ReadyBench b;
        ASSERT_TRUE(b.ready);
        answerLate(b, frozen);
        const UnitRecord& r = b.go();
        EXPECT_EQ(r.passed, passes) << r.reason;
        EXPECT_EQ(*b.st->ui.progress, passes ? 20 : 19);
    }
}

// The bound a newer copy of the program waits for a unit to end: the
// cycle, the link check answering at the last of its attempts, a keyboard
// binding that times out. Measured on the virtual clock (waits only), the
// longest unit comes close to the bound without passing it.
TEST(ProductionRun, TheLongestUnitStaysWithinItsBound) {
    ReadyBench quick;
    ASSERT_TRUE(quick.ready);
    ASSERT_TRUE(quick.go().passed);
    EXPECT_LE(quick.st->production.lastUnit().elapsedMs, kCycleWaitsMs);

    ReadyBench b(sim::PairConfig{.keyboardPresent = false});
    ASSERT_TRUE(b.ready);
    b.options([](ProductSettings& o) {
        o.MouseOnly = false;
        o.KeyboardBind = true;
    });
    answerLate(b, 19 * 8 + 4);
    const UnitRecord& r = b.go();
    EXPECT_EQ(r.reason, "the keyboard binding timed out");
    EXPECT_LE(r.elapsedMs, kLongestUnitMs);
    EXPECT_GE(r.elapsedMs + 2000, kLongestUnitMs);
}

TEST(ProductionRun, SerialNumbersOnlyWhenSwitchedOn) {
    for (bool on : {false, true}) {
        SCOPED_TRACE(on);
        ReadyBench b;
        ASSERT_TRUE(b.ready);
        auto& g = b.st->generators;
        g.TxSN->setIsSN(on);
        g.RxSN->setIsSN(on);
        for (int a = 0x78; a < 0x80; ++a) b.pair->mouseEepromForTest()[a] = 0x5A;
        for (int w = 0x3C; w < 0x40; ++w) b.pair->dongleEepromForTest()[w] = 0x1234;
        std::array<int, 6> tx{}, rx{};
        for (int i = 0; i < 6; ++i) {
            tx[i] = g.TxSN->GetSNByte(i);
            rx[i] = g.RxSN->GetSNByte(i);
        }
        const std::string txText = g.TxSN->GetSNText(), rxText = g.RxSN->GetSNText();
        ASSERT_TRUE(b.go().passed);
        const auto& m = b.pair->mouseEeprom();
        const auto& d = b.pair->dongleEeprom();
        if (!on) {
            for (int a = 0x78; a < 0x80; ++a) EXPECT_EQ(m[a], 0x5A) << a;
            for (int w = 0x3C; w < 0x40; ++w) EXPECT_EQ(d[w], 0x1234) << w;
            EXPECT_EQ(b.st->ui.result->edtTX_SN, "");
            EXPECT_EQ(b.st->ui.result->edtRX_SN, "");
            continue;
        }
        for (int i = 0; i < 6; ++i) EXPECT_EQ(m[0x78 + i], tx[i]) << i;
        EXPECT_EQ(m[0x7E], 0xFF);
        EXPECT_EQ(m[0x7F], 0xFF);
        EXPECT_EQ(d[0x3C], rx[0] * 256 + rx[1]);
        EXPECT_EQ(d[0x3D], rx[2] * 256 + rx[3]);
        EXPECT_EQ(d[0x3E], rx[4] * 256 + rx[5]);
        EXPECT_EQ(d[0x3F], 0);
        EXPECT_EQ(b.st->ui.result->edtTX_SN, txText);
        EXPECT_EQ(b.st->ui.result->edtRX_SN, rxText);
    }
}

TEST(ProductionRun, TheSensorIsReadOnlyByTheFirstRun) {
    ReadyBench b(sim::PairConfig{.sensorCode = 0x42});
    ASSERT_TRUE(b.ready);
    ASSERT_TRUE(b.go().passed);
    EXPECT_GT(b.countSent(isSensorRead), 0);
    EXPECT_EQ(b.pair->dongleEeprom()[0x2E], CheckedByte(0x9D));

    // Another mouse whose sensor would be classed 0x91.
    ASSERT_TRUE(b.nextUnit(sim::PairConfig{.seed = 7, .sensorCode = 0x29}));
    b.sent.clear();
    ASSERT_TRUE(b.go().passed);
    EXPECT_EQ(b.countSent(isSensorRead), 0);
    EXPECT_EQ(b.pair->dongleEeprom()[0x2E], CheckedByte(0x9D));
}

TEST(ProductionRun, VidAndPidAreWrittenOnlyWhenBothAreSet) {
    struct Case {
        const char* vid;
        const char* pid;
        std::array<int, 4> words;
    };
    for (const Case& c : {Case{"", "", {0, 0, 0, 0}}, Case{"1A2B", "", {0, 0, 0, 0}}, Case{"0", "3C4D", {0, 0, 0, 0}},
                          Case{"1A2B", "3C4D", {CheckedByte(0x1A), CheckedByte(0x2B), CheckedByte(0x3C),
                                                CheckedByte(0x4D)}}}) {
        SCOPED_TRACE(std::string(c.vid) + "/" + c.pid);
        ReadyBench b;
        ASSERT_TRUE(b.ready);
        b.st->ui.options.edit([&](ProductSettings& o) { o.VidSet = c.vid; });
        b.st->ui.options.edit([&](ProductSettings& o) { o.PidSet = c.pid; });
        ASSERT_TRUE(b.go().passed);
        const auto& d = b.pair->dongleEeprom();
        EXPECT_EQ((std::array<int, 4>{d[0x0F], d[0x10], d[0x11], d[0x12]}), c.words);
        if (c.words[0] == 0) {
            EXPECT_EQ(b.st->ui.options->VidSet, "");
            EXPECT_EQ(b.st->ui.options->PidSet, "");
        }
    }
}

TEST(ProductionRun, FnKeyWords) {
    // The Fn keys on, off, and only the UIO bit set.
    for (const auto& [on, uio] : {std::pair{false, false}, std::pair{true, false}, std::pair{false, true}}) {
        SCOPED_TRACE(testing::Message() << on << uio);
        ReadyBench b;
        ASSERT_TRUE(b.ready);
        b.options([on, uio](ProductSettings& s) {
            s.Fn_Enabled = s.FNPB = on;
            s.FnUIO = uio;
            s.fndirection = on;
            s.FnPR = kNoSelection;
            s.FnBreak = 3;
            for (int i = 0; i < 12; ++i) s.FnF[i] = i + 1;
            s.FnF[11] = 0;   // "<Disabled>"
        });
        for (int w : {0x08, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x36}) b.pair->dongleEepromForTest()[w] = 0x5555;
        ASSERT_TRUE(b.go().passed);
        const auto& d = b.pair->dongleEeprom();
        const std::array<int, 8> got{d[0x08], d[0x09], d[0x0B], d[0x0C], d[0x0D], d[0x0E], d[0x36], d[0x0A]};
        if (on)
            EXPECT_EQ(got, (std::array<int, 8>{0x00C2, CheckedByte(0x58), 0xC0C1, 0xC2C3, 0xC4C5, 0xC6C7, 0xC8C9,
                                               0xCA00}));
        else
            EXPECT_EQ(got, (std::array<int, 8>{0, CheckedByte(uio ? 0x20 : 0), 0, 0, 0, 0, 0, 0}));
    }
}

TEST(ProductionRun, KeyboardBinding) {
    struct Case {
        bool keyboard, mouseOnly, bind;
        bool passes, binds;
    };
    for (const Case& c : {Case{true, false, true, true, true}, Case{false, false, true, false, true},
                          Case{true, true, true, true, false}, Case{true, false, false, true, false}}) {
        SCOPED_TRACE(testing::Message() << c.keyboard << c.mouseOnly << c.bind);
        ReadyBench b(sim::PairConfig{.keyboardPresent = c.keyboard});
        ASSERT_TRUE(b.ready);
        b.st->ui.options.edit([&](ProductSettings& o) { o.MouseOnly = c.mouseOnly; });
        b.st->ui.options.edit([&](ProductSettings& o) { o.KeyboardBind = c.bind; });
        b.sent.clear();
        const UnitRecord& r = b.go();
        EXPECT_EQ(r.passed, c.passes) << r.reason;
        const int bindStarts =
            b.countSent([](const CommandFrame& f) { return f[1] == 0x08 && f[2] == 0x00 && f[3] == 0x01; });
        EXPECT_EQ(bindStarts > 0, c.binds);
        const auto& d = b.pair->dongleEeprom();
        int filled = 0;
        for (int w : {0x2B, 0x2C, 0x2D, 0x30, 0x31, 0x32}) filled += IsValidCheckedWord(d[w]);
        EXPECT_EQ(filled, c.passes && c.binds ? 6 : 0);
        if (c.binds && !c.passes) {
            EXPECT_EQ(b.st->pairingState.BindTicks, 16);
        }
        // The silent binding shows nothing and leaves nothing running.
        EXPECT_TRUE(b.recorded.messages.empty());
        EXPECT_FALSE(WindowTimers::on(b.st->timers.tmrSoftBind));
        EXPECT_FALSE(WindowTimers::on(b.st->timers.tmrIsTxLink));
        EXPECT_EQ(b.st->run.BindInRun, 0);
        EXPECT_FALSE(b.st->ui.result->Image2Visible);
    }
}

TEST(ProductionRun, AReceiverUnpluggedDuringTheKeyboardBindingFails) {
    ReadyBench b(sim::PairConfig{.keyboardPresent = false});
    ASSERT_TRUE(b.ready);
    b.options([](ProductSettings& o) {
        o.MouseOnly = false;
        o.KeyboardBind = true;
    });
    auto pull = b.clock.createTimer(3000, [&] { b.sim.unplug(b.dongleDevice); });
    pull->setEnabled(true);
    const UnitRecord& r = b.go();
    EXPECT_FALSE(r.passed);
    EXPECT_EQ(r.reason, "the keyboard binding ended without a keyboard");
    EXPECT_EQ(b.st->generators.RxRFID->IncCurrentRFID(), 0);
}

TEST(ProductionRun, PageDownDuringTheRunStartsNoSecondCycle) {
    // The link check inside the run lights Go again; a Page Down while the
    // keyboard binding waits must not start a cycle inside the cycle.
    ReadyBench b(sim::PairConfig{.keyboardPresent = true});
    ASSERT_TRUE(b.ready);
    b.st->ui.options.edit([&](ProductSettings& o) { o.MouseOnly = false; });
    b.st->ui.options.edit([&](ProductSettings& o) { o.KeyboardBind = true; });
    auto press = b.clock.createTimer(1500, [&] { b.st->production.FormKeyDown(0x22); });
    press->setEnabled(true);
    b.sent.clear();
    const UnitRecord& r = b.go();
    EXPECT_TRUE(r.passed) << r.reason;
    const int powerSets =
        b.countSent([](const CommandFrame& f) { return f[1] == 0x07 && f[2] == 0x01 && f[3] == 0x03; });
    EXPECT_EQ(powerSets, 1);
}

// The link watch's check pumps messages while it reads the mouse's chip; a
// Page Down then runs the whole unit inside it. Once the check goes on,
// the unit is out and its receiver closed: Go must stay off.
TEST(ProductionRun, AGoInsideTheLinkCheckLeavesGoOffOnceTheUnitIsDone) {
    ReadyBench b;
    ASSERT_TRUE(b.ready);
    b.sim.setTransferMicros(1000);   // so that the pump after the chip read finds the timer due
    bool armed = false, pressed = false;
    b.backend.onSet = [&](const CommandFrame& f) {
        b.sent.push_back(f);
        if (f[1] == op::RfDirectRegRead && f[3] == operand::ChipRegister && !pressed) armed = true;   // the chip read
    };
    auto press = b.clock.createTimer(1, [&] {
        if (!armed || pressed) return;
        pressed = true;
        b.st->production.FormKeyDown(0x22);
    });
    press->setEnabled(true);
    b.st->detection.CheckTxLink();
    ASSERT_TRUE(pressed);
    EXPECT_TRUE(b.st->production.lastUnit().passed);
    EXPECT_FALSE(b.st->link.hasDevice());
    EXPECT_FALSE(b.devices().btnGoEnabled);
}

TEST(ProductionRun, AutoRunProgramsEachDongleOnce) {
    ReadyBench b({}, true);
    ASSERT_TRUE(b.ready);
    auto runs = [&b] {   // each run starts by setting -20 dBm
        const auto w = dongleRfPowerWrites(b);
        return static_cast<int>(std::count(w.begin(), w.end(), 0x03));
    };
    b.pumpWhile([&] { return runs() == 0; }, 5000);
    EXPECT_EQ(runs(), 1);
    EXPECT_TRUE(b.st->production.lastUnit().passed);
    b.pumpWhile([] { return true; }, 20000);   // the same dongle stays plugged
    EXPECT_EQ(runs(), 1);

    ASSERT_TRUE(b.nextUnit(sim::PairConfig{.seed = 9}));
    b.pumpWhile([&] { return runs() == 1; }, 5000);
    EXPECT_EQ(runs(), 2);
    EXPECT_GT(b.st->production.lastUnit().rxRfid, kRx);   // the second unit got a new RX ID
    EXPECT_NE(b.pair->mouseEeprom()[0x0E], 0x56);
}

TEST(ProductionRun, NoAutoRunBeforeTheWindowIsActivated) {
    StationBench b({}, true);
    b.st->StartUp();
    ASSERT_TRUE(b.plugAndDetect());
    b.pumpWhile([] { return true; }, 5000);
    EXPECT_EQ(dongleRfPowerWrites(b).size(), 0u);
}

TEST(ProductionRun, GoIsRefusedWhileALampIsDark) {
    struct Case {
        bool tx, rx;
        const char* text;
    };
    for (const Case& c : {Case{false, true, "Please Check Device:\r\n* Mouse TX\r\n"},
                          Case{true, false, "Please Check Device:\r\n* Mouse RX\r\n"},
                          Case{false, false, "Please Check Device:\r\n* Mouse TX\r\n* Mouse RX\r\n"}}) {
        SCOPED_TRACE(c.text);
        ReadyBench b;
        ASSERT_TRUE(b.ready);
        b.st->ui.devices.edit([&](DeviceStatus& d) { d.ledTX.Value = c.tx; });
        b.st->ui.devices.edit([&](DeviceStatus& d) { d.ledRX.Value = c.rx; });
        b.st->ui.result.edit([&](ResultArea& x) { x.edtMseDongleAddr = "old"; });
        b.sent.clear();
        const UnitRecord& r = b.go();
        EXPECT_TRUE(r.refused);
        EXPECT_FALSE(r.passed);
        EXPECT_EQ(b.messageTexts(), std::vector<std::string>{c.text});
        EXPECT_TRUE(b.sent.empty());
        EXPECT_TRUE(b.st->link.hasDevice());
        EXPECT_TRUE(b.st->ui.devices->btnGoEnabled);
        EXPECT_FALSE(b.st->run.RunBusy);
        EXPECT_TRUE(WindowTimers::on(b.st->timers.DetectHIDDeviceCounter));
        EXPECT_EQ(b.st->ui.result->edtMseDongleAddr, "");
        EXPECT_EQ(b.st->generators.RxRFID->IncCurrentRFID(), 0);
    }
}

TEST(ProductionRun, PageDownStartsGoOnlyWhileTheButtonIsEnabled) {
    ReadyBench b;
    ASSERT_TRUE(b.ready);
    b.st->production.FormKeyDown(0x21);   // Page Up
    EXPECT_EQ(dongleRfPowerWrites(b).size(), 0u);
    b.st->ui.devices.edit([&](DeviceStatus& d) { d.btnGoEnabled = false; });
    b.st->production.FormKeyDown(0x22);
    EXPECT_EQ(dongleRfPowerWrites(b).size(), 0u);
    b.st->ui.devices.edit([&](DeviceStatus& d) { d.btnGoEnabled = true; });
    b.st->production.FormKeyDown(0x22);
    EXPECT_TRUE(b.st->production.lastUnit().passed);
}

TEST(ProductionRun, APassAdvancesTheCountersAndARestartContinuesPastIt) {
    ReadyBench b;
    ASSERT_TRUE(b.ready);
    auto& g = b.st->generators;
    g.TxSN->setIsSN(true);
    g.RxSN->setIsSN(true);
    const int64_t txNext = g.TxSN->IncNextSN(), rxNext = g.RxSN->IncNextSN();
    ASSERT_TRUE(b.go().passed);
    EXPECT_EQ(g.TxSN->IncCurrentSN(), txNext);
    EXPECT_EQ(g.RxSN->IncCurrentSN(), rxNext);

    // A program started afresh from the settings file continues after this
    // unit, even when the first one ended without its closing save.
    b.st.reset();
    StationBench again;
    StationConfig cfg = again.st->config;
    cfg.settingsPath = b.settingsPath();
    again.st = std::make_unique<Station>(again.backend, again.clock, again.clock, cfg);
    const SettingsStatus up = again.st->StartUp();
    ASSERT_TRUE(up.ok) << up.message;
    auto& g2 = again.st->generators;
    EXPECT_GT(g2.RxRFID->NextRFID(), kRx);
    EXPECT_GT(g2.TxRFID->NextRFID(), kTx);
    EXPECT_EQ(g2.TxSN->IncCurrentSN(), txNext);
    EXPECT_EQ(g2.RxSN->IncCurrentSN(), rxNext);
}

// A disk that fills up: every write of a save fails with ENOSPC.
struct DiskFull : SettingsFileOps {
    bool full = false;
    bool writeAll(int fd, const std::string& data) override {
        if (!full) return SettingsFileOps::writeAll(fd, data);
        errno = ENOSPC;
        return false;
    }
};

TEST(ProductionRun, NoUnitStartsWhoseNumbersCouldNotBeKept) {
    auto ops = std::make_shared<DiskFull>();
    struct Bench : StationBench {
        explicit Bench(std::shared_ptr<SettingsFileOps> o) : StationBench({}, false, std::move(o)) {
            startUp();
            ready = plugAndDetect();
        }
        bool ready = false;
    } b(ops);
    ASSERT_TRUE(b.ready);
    b.st->numbering.setIsSN(NumberingRow::Rx, true);
    b.sequentialIds(0x123456, 0xABCDEF);

    // A read-only settings file: refused like a missing receiver, nothing sent.
    ASSERT_TRUE(b.st->btnWriteSettingClick().ok);
    std::filesystem::permissions(b.settingsPath(), std::filesystem::perms::owner_read);
    b.sent.clear();
    EXPECT_TRUE(b.go().refused);
    EXPECT_TRUE(b.sent.empty());
    ASSERT_EQ(b.messageTexts().size(), 1u);
    EXPECT_NE(b.messageTexts()[0].find(b.settingsPath()), std::string::npos) << b.messageTexts()[0];
    std::filesystem::permissions(b.settingsPath(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    // The disk is full when the unit's numbers are to be kept: the unit is
    // refused before anything reaches a device, with the file and the
    // reason, and no number is taken.
    ops->full = true;
    b.sent.clear();
    b.recorded.clear();
    const UnitRecord refused = b.go();
    EXPECT_TRUE(refused.refused);
    EXPECT_TRUE(b.sent.empty());
    ASSERT_EQ(b.messageTexts().size(), 1u);
    EXPECT_NE(b.messageTexts()[0].find(b.settingsPath() + ": No space left on device"), std::string::npos)
        << b.messageTexts()[0];
    ops->full = false;
    const UnitRecord first = b.go();
    ASSERT_TRUE(first.passed);

    // After a restart, the next unit continues past it even though nothing
    // was saved after its PASS.
    b.st.reset();
    Bench again(nullptr);
    StationConfig cfg = again.st->config;
    cfg.settingsPath = b.settingsPath();
    again.st = std::make_unique<Station>(again.backend, again.clock, again.clock, cfg);
    again.startUp();
    ASSERT_TRUE(again.plugAndDetect());
    const UnitRecord second = again.go();
    ASSERT_TRUE(second.passed);
    EXPECT_NE(second.rxSn, first.rxSn);
    EXPECT_NE(second.rxRfid, first.rxRfid);
    EXPECT_NE(second.txRfid, first.txRfid);
}

TEST(ProductionRun, AutoRunAfterARefusalWaitsForAChangeAndTellsTheCauseOnce) {
    auto ops = std::make_shared<DiskFull>();
    struct Bench : StationBench {
        explicit Bench(std::shared_ptr<SettingsFileOps> o) : StationBench({}, true, std::move(o)) { startUp(); }
    } b(ops);
    ops->full = true;
    ASSERT_FALSE(b.st->btnWriteSettingClick().ok);   // the disk takes no save
    b.recorded.clear();
    ASSERT_TRUE(b.plugAndDetect());
    b.pumpWhile([] { return true; }, 10000);
    ASSERT_EQ(b.messageTexts().size(), 1u);
    EXPECT_EQ(b.result().unitInfo, "Not started: " + b.messageTexts()[0]);
    EXPECT_TRUE(b.sent.size() > 0 && !b.pair->mouseInAccessMode());

    // Another receiver: the cause still stands; it stays on the window.
    ASSERT_TRUE(b.nextUnit());
    b.pumpWhile([] { return true; }, 5000);
    EXPECT_EQ(b.messageTexts().size(), 1u);
    EXPECT_EQ(b.result().unitInfo, "Not started: " + b.messageTexts()[0]);

    // The file takes saves again: the unit runs without a key press.
    ops->full = false;
    b.pumpWhile([&] { return b.result().lblResult != "PASS"; }, 10000);
    EXPECT_TRUE(b.st->production.lastUnit().passed);
    EXPECT_EQ(b.messageTexts().size(), 1u);
}

TEST(ProductionRun, TheResultAreaSaysWhatTheUnitGotOrWhyItFailed) {
    ReadyBench pass;
    ASSERT_TRUE(pass.ready);
    pass.st->generators.RxSN->setIsSN(true);
    const UnitRecord& r = pass.go();
    ASSERT_TRUE(r.passed) << r.reason;
    EXPECT_EQ(pass.result().unitInfo, "RX SN " + r.rxSn + "    RX ID 123456    TX ID ABCDEF");

    ReadyBench fail(sim::PairConfig{.keyboardPresent = false});
    ASSERT_TRUE(fail.ready);
    fail.options([](ProductSettings& o) {
        o.MouseOnly = false;
        o.KeyboardBind = true;
    });
    EXPECT_FALSE(fail.go().passed);
    EXPECT_EQ(fail.result().unitInfo, "Failed step: the keyboard binding timed out");

    // Taken out: the next receiver clears it with the verdict.
    ASSERT_TRUE(fail.nextUnit());
    EXPECT_EQ(fail.result().unitInfo, "");
}

TEST(ProductionRun, EveryDeviceFaultEndsInFailGivingBackOnlyTheSerialNumbers) {
    // The step that failed, and the operation and address where that names one.
    const std::vector<std::tuple<const char*, sim::Faults, const char*, const char*>> faults = {
        {"unplug", test::makeFaults([](auto& f) { f.unplugAfter = 60; }), "writing the mouse EEPROM", "0x7D"},
        {"noanswer", test::makeFaults([](auto& f) { f.noAnswerFrom = 40; }), "writing the mouse EEPROM", "0x19"},
        {"xfer-error", test::makeFaults([](auto& f) { f.transferErrorFrom = 40; }), "writing the mouse EEPROM",
         "writing mouse address 0x19"},
        {"mouse-silent", test::makeFaults([](auto& f) { f.mouseSilent = true; }), "reading the mouse sensor",
         "reading mouse address 0x00 (code 0x2A)"},
        {"mouse-silent-after-reload", test::makeFaults([](auto& f) { f.mouseSilentAfterReload = true; }),
         "the mouse did not answer after the reload (20 attempts)", ""},
        {"readback", test::makeFaults([](auto& f) { f.readbackWord = 0x39; }), "writing the dongle EEPROM",
         "writing dongle word 0x39"},
    };
    for (const auto& [name, fault, step, where] : faults) {
        SCOPED_TRACE(name);
        ReadyBench b;
        ASSERT_TRUE(b.ready);
        auto& g = b.st->generators;
        g.TxSN->setIsSN(true);
        g.RxSN->setIsSN(true);
        const int64_t txCurrent = g.TxSN->IncCurrentSN(), rxCurrent = g.RxSN->IncCurrentSN();
        b.pair->armFaults(fault);
        const UnitRecord& r = b.go();
        EXPECT_FALSE(r.passed);
        EXPECT_EQ(r.reason, step);
        EXPECT_THAT(r.deviceError, ::testing::HasSubstr(where));
        EXPECT_EQ(b.st->ui.result->lblResult, "FAIL");
        EXPECT_EQ(b.st->ui.result->lblResultColor, ResultColor::Red);
        EXPECT_EQ(g.TxSN->IncCurrentSN(), txCurrent);
        EXPECT_EQ(g.RxSN->IncCurrentSN(), rxCurrent);
        EXPECT_EQ(g.RxRFID->IncCurrentRFID(), 0);
        EXPECT_EQ(g.TxRFID->IncCurrentRFID(), 0);
        // The file says so too: a restart reuses the serial numbers, never
        // the RF IDs the failed devices may hold.
        NumberingGenerators stored;
        ProductSettings options;
        RunState run;
        KnownDeviceTable known{};
        SettingsFile(b.settingsPath(), ComponentContext{b.clock, nullptr}).load(options, run, known, stored);
        EXPECT_EQ(stored.TxSN->IncCurrentSN(), txCurrent);
        EXPECT_EQ(stored.RxSN->IncCurrentSN(), rxCurrent);
        EXPECT_GT(stored.RxRFID->NextRFID(), r.rxRfid);
        EXPECT_GT(stored.TxRFID->NextRFID(), r.txRfid);
        EXPECT_FALSE(b.st->link.hasDevice());
        EXPECT_EQ(b.st->run.RunMode, RunIdle);
        EXPECT_TRUE(WindowTimers::on(b.st->timers.DetectHIDDeviceCounter));
        if (std::string(name) == "readback") {
            // The dongle loop goes on past the word that failed.
            EXPECT_EQ(b.pair->dongleEeprom()[0x3A], CheckedByte(static_cast<uint8_t>(b.st->ui.options->WakeupPeriod)));
        }
    }
}

TEST(ProductionRun, TheImagesCarryTheChosenSettings) {
    ReadyBench b;
    ASSERT_TRUE(b.ready);
    b.options([](ProductSettings& s) {
        s.BatteryLevel = 0;   // 0x40
        s.CustKey1 = 2;
        s.CustKey2 = 11;
        s.MouseOnly = false;
        s.SleepPeriod = 120;
        s.WakeupPeriod = 7;
        s.SoftISS = true;
        s.Wakeup = 1;
        s.PowerSaving = 2;
        s.LRMBinding = true;
        s.StringDesc = "ABC";
    });
    b.pair->dongleEepromForTest()[0x2F] = CheckedByte(0x9B);
    ASSERT_TRUE(b.go().passed);

    const auto& d = b.pair->dongleEeprom();
    EXPECT_EQ(d[0x2F], CheckedByte(0x5B));   // the level joins the word's other low bits
    const uint16_t u1 = CustKeyList[2].usage, u2 = CustKeyList[11].usage;
    EXPECT_EQ((std::array<int, 4>{d[3], d[4], d[5], d[6]}),
              (std::array<int, 4>{CheckedByte(u1 & 0xFF), CheckedByte(u1 >> 8), CheckedByte(u2 & 0xFF),
                                  CheckedByte(u2 >> 8)}));
    EXPECT_EQ(d[0x38], 0xFFFF);
    EXPECT_EQ(d[0x39], CheckedByte(120));
    EXPECT_EQ(d[0x3A], CheckedByte(7));
    EXPECT_EQ(d[0x2E], CheckedByte(0x91));   // the simulated sensor answers 0x29
    EXPECT_EQ(d[0x13], CheckedByte(8));
    EXPECT_EQ(d[0x14], 0x4142);
    EXPECT_EQ(d[0x15], 0x4300);
    for (int w : {0x2B, 0x2C, 0x2D, 0x30, 0x31, 0x32}) EXPECT_EQ(d[w], 0) << w;

    const auto& m = b.pair->mouseEeprom();
    const std::array<int, 12> mouse{m[0x12], m[0x13], m[0x14], m[0x15], m[0x16], m[0x17],
                                    m[0x18], m[0x19], m[0x1A], m[0x1B], m[0x1C], m[0x1D]};
    EXPECT_EQ(mouse, (std::array<int, 12>{0x33, 0xCC, 0xAA, 0x55, 0xCA, 0x35, 0x55, 0xAA, 0x40, 0xBF, 0x24, 0xDB}));

    // The other choices.
    ReadyBench c;
    ASSERT_TRUE(c.ready);
    c.st->ui.options.edit([&](ProductSettings& o) { o.MouseOnly = true; });
    c.st->ui.options.edit([&](ProductSettings& o) { o.LRMBinding = false; });
    c.st->ui.options.edit([&](ProductSettings& o) { o.BatteryLevel = 2; });   // 0x00
    c.pair->dongleEepromForTest()[0x2F] = CheckedByte(0xFF);
    ASSERT_TRUE(c.go().passed);
    EXPECT_EQ(c.pair->dongleEeprom()[0x38], 0x5AA5);
    EXPECT_EQ(c.pair->dongleEeprom()[0x2F], CheckedByte(0x1F));
    EXPECT_EQ(c.pair->dongleEeprom()[0x13], 0);
    EXPECT_EQ(c.pair->mouseEeprom()[0x1C], 0x00);
    EXPECT_EQ(c.pair->mouseEeprom()[0x1D], 0xFF);
}

} // namespace
} // namespace kestrelon
