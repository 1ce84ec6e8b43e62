#include "app/erase_tools.h"

#include "support/station_bench.h"

#include <gtest/gtest.h>


namespace kestrelon {
namespace {

using test::StationBench;

// A station with dongle and mouse present and both EEPROMs full of data;
// progress is noted at every EEPROM write request (mouse over RF, dongle).
struct EraseBench : StationBench {
    explicit EraseBench(bool mousePowered = true) : StationBench(sim::PairConfig{.mousePowered = mousePowered}) {
        startUp();
        plugAndDetect();
        pair->mouseEepromForTest().fill(0x12);
        pair->dongleEepromForTest().fill(0x3456);
        recorded.clear();
        backend.onSet = [this](const CommandFrame& f) {
            sent.push_back(f);
            const bool mouseWrite = f[1] == 0x21 && f[2] == 0xAA;
            if (mouseWrite || f[1] == 0x04) progressAtWrites.push_back(*st->ui.progress);
        };
    }
    std::vector<int> progressAtWrites;
};

TEST(EraseTools, EachButtonFollowsItsCheckBox) {
    StationBench b;
    b.startUp();
    auto& e = b.st->erase;
    const auto& buttons = b.st->ui.erase;
    int redraws = 0;
    const auto watching = buttons.changed.connect([&] { ++redraws; });
    EXPECT_FALSE(buttons->suiButton2Enabled);
    EXPECT_FALSE(buttons->suiButton1Enabled);
    e.TX_ErasedClick(true);
    EXPECT_TRUE(buttons->suiButton2Enabled);
    EXPECT_FALSE(buttons->suiButton1Enabled);
    e.RX_ErasedClick(true);
    e.TX_ErasedClick(false);
    EXPECT_FALSE(buttons->suiButton2Enabled);
    EXPECT_TRUE(buttons->suiButton1Enabled);
    EXPECT_EQ(redraws, 3);
}

TEST(EraseTools, EraseTxFillsTheMouseWithOnes) {
    EraseBench b;
    ASSERT_TRUE(b.st->ui.devices->ledTX.Value);
    b.st->erase.TX_ErasedClick(true);
    b.st->erase.suiButton2Click();
    for (int a = 0; a < 128; ++a) ASSERT_EQ(b.pair->mouseEeprom()[a], 0xFF) << a;
    EXPECT_EQ(b.pair->dongleEeprom()[0], 0x3456);
    EXPECT_EQ(b.st->ui.result->lblResult, "TX Erased");
    EXPECT_EQ(*b.st->ui.progress, 20);
    ASSERT_FALSE(b.progressAtWrites.empty());
    EXPECT_LT(b.progressAtWrites.back(), 20);   // 20 only once the last byte is written
    const std::string& shown = b.st->ui.result->edtCaliTime;
    ASSERT_GE(shown.size(), 5u);
    EXPECT_EQ(shown.find('.'), shown.size() - 4) << shown;   // seconds, a point, three digits
    EXPECT_FALSE(WindowTimers::on(b.st->timers.tmrIsTxLink));
    EXPECT_TRUE(b.st->link.hasDevice());
    EXPECT_TRUE(b.recorded.messages.empty());
}

TEST(EraseTools, EraseRxFillsTheDongleWithOnesEvenWithoutAMouse) {
    EraseBench b(false);
    ASSERT_TRUE(b.st->ui.devices->ledRX.Value);
    ASSERT_FALSE(b.st->ui.devices->ledTX.Value);
    b.st->erase.RX_ErasedClick(true);
    b.st->erase.suiButton1Click();
    for (int w = 0; w < 64; ++w) ASSERT_EQ(b.pair->dongleEeprom()[w], 0xFFFF) << w;
    EXPECT_EQ(b.pair->mouseEeprom()[0], 0x12);
    EXPECT_EQ(b.st->ui.result->lblResult, "RX Erased");
    EXPECT_EQ(*b.st->ui.progress, 20);
    ASSERT_FALSE(b.progressAtWrites.empty());
    EXPECT_LT(b.progressAtWrites.back(), 20);
    EXPECT_TRUE(b.recorded.messages.empty());
}

TEST(EraseTools, EraseTxWithTheMouseLampDarkWarnsAndWritesNothing) {
    EraseBench b(false);
    ASSERT_TRUE(b.st->ui.devices->ledRX.Value);
    b.st->ui.result.edit([&](ResultArea& x) { x.edtMseDongleAddr = "123456"; });
    b.st->erase.TX_ErasedClick(true);
    b.sent.clear();
    b.st->erase.suiButton2Click();
    EXPECT_EQ(b.messageTexts(), std::vector<std::string>{"Please Check Device:\r\n* Mouse TX\r\n"});
    EXPECT_TRUE(b.sent.empty());
    EXPECT_EQ(b.pair->mouseEeprom()[0], 0x12);
    EXPECT_EQ(b.st->ui.result->lblResult, "");
    EXPECT_EQ(b.st->ui.result->edtMseDongleAddr, "");
}

TEST(EraseTools, WithoutTheDongleBothWarnAndUnarmedButtonsDoNothing) {
    StationBench b;
    b.startUp();
    auto& e = b.st->erase;
    e.suiButton2Click();
    e.suiButton1Click();
    EXPECT_TRUE(b.recorded.messages.empty());
    e.TX_ErasedClick(true);
    e.RX_ErasedClick(true);
    e.suiButton2Click();
    e.suiButton1Click();
    EXPECT_EQ(b.messageTexts(), (std::vector<std::string>{"Please Check Device:\r\n* Mouse TX\r\n* Mouse RX\r\n",
                                                          "Please Check Device:\r\n* Mouse RX\r\n"}));
    EXPECT_TRUE(b.sent.empty());
}

TEST(EraseTools, TheCompanionProgramStartsOnlyAfterAPassWhenPresent) {
    struct Case {
        bool present, passes;
    };
    for (const Case& c : {Case{true, true}, Case{false, true}, Case{true, false}}) {
        SCOPED_TRACE(testing::Message() << c.present << c.passes);
        StationBench b;
        b.startUp();
        b.st->erase.CallMEROClick(true);
        EXPECT_NE(testing_support::readFile(b.settingsPath()).find("EnabledMERO=1"), std::string::npos);
        const std::string companion = b.dir.file("MERO_RF_auto.exe");
        if (c.present) testing_support::writeFile(companion, "");
        ASSERT_TRUE(b.plugAndDetect());
        if (!c.passes) b.pair->armFaults(test::makeFaults([](auto& f) { f.mouseSilentAfterReload = true; }));
        EXPECT_EQ(b.go().passed, c.passes);
        EXPECT_EQ(b.started, c.present && c.passes ? std::vector<std::string>{companion} : std::vector<std::string>{});
    }
}

} // namespace
} // namespace kestrelon
