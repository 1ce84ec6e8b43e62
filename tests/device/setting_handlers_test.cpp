#include "support/device_rig.h"

#include "device/hotkey_lists.h"

#include <gtest/gtest.h>

using namespace kestrelon;
using kestrelon::test::DeviceRig;

namespace {

using Strings = std::vector<std::string>;
using Handler = void (CommandSet::*)();

struct Option {
    const char* name;
    Handler handler;
    uint8_t address, value, complement;
};

const Option kOptions[] = {
    {"rbRF_DR_15", &CommandSet::rbRF_DR_15Click, 0x12, 0x33, 0xCC},
    {"rbRF_DR_1A", &CommandSet::rbRF_DR_1AClick, 0x12, 0xCC, 0x33},
    {"rbRF_DR_25", &CommandSet::rbRF_DR_25Click, 0x14, 0x55, 0xAA},
    {"rbRF_DR_2A", &CommandSet::rbRF_DR_2AClick, 0x14, 0xAA, 0x55},
    {"rbRF_DR_45", &CommandSet::rbRF_DR_45Click, 0x16, 0x3C, 0xC3},
    {"rbRF_DR_4F", &CommandSet::rbRF_DR_4FClick, 0x16, 0xCA, 0x35},
    {"rbRF_DR_4A", &CommandSet::rbRF_DR_4AClick, 0x16, 0xC5, 0x3A},
    {"rbRF_DR_5A", &CommandSet::rbRF_DR_5AClick, 0x18, 0x5A, 0xA5},
    {"rbRF_DR_55", &CommandSet::rbRF_DR_55Click, 0x18, 0x55, 0xAA},
};

TEST(SettingHandlers, OptionsFillTheirTwoMouseEntriesAndSendNothing) {
    for (const auto& o : kOptions) {
        SCOPED_TRACE(o.name);
        DeviceRig r;
        ASSERT_TRUE(r.open());
        r.run.RunMode = RunFilling;
        r.trace.clear();
        (r.cmd.*o.handler)();
        RunState expected;
        expected.TxImage[o.address] = o.value;
        expected.TxImage[o.address + 1] = o.complement;
        EXPECT_EQ(r.run.TxImage, expected.TxImage);
        EXPECT_EQ(r.run.RxImage, expected.RxImage);
        // The second pair stays showing.
        EXPECT_EQ(r.eng.edtRF_EEPROMAddr.value(), o.address + 1);
        EXPECT_EQ(r.eng.edtRF_EEPROMData.value(), o.complement);
        EXPECT_EQ(r.transfers(), 0u);
    }
}

TEST(SettingHandlers, OutsideARunNothingChangesAndNothingIsSent) {
    std::vector<std::pair<const char*, Handler>> all;
    for (const auto& o : kOptions) all.emplace_back(o.name, o.handler);
    all.insert(all.end(), {{"battery", &CommandSet::cbRF_Set_BTY_Low_LevelChange},
                           {"cpi low", &CommandSet::rbRF_CPI_LClick},
                           {"cpi high", &CommandSet::rbRF_CPI_HClick},
                           {"key 1", &CommandSet::cbCustKey1Change},
                           {"key 2", &CommandSet::cbCustKey2Change},
                           {"mouse only", &CommandSet::rbMouseOnlyClick},
                           {"keyboard and mouse", &CommandSet::rbKbdMseClick}});
    for (const uint8_t mode : {RunIdle, RunLoadingSettings}) {
        for (const auto& [name, handler] : all) {
            SCOPED_TRACE(std::string(name) + " in mode " + std::to_string(mode));
            DeviceRig r;
            ASSERT_TRUE(r.open());
            r.run.RunMode = mode;
            r.eng.edtRF_EEPROMAddr.setText("77");
            r.eng.setC_RF_SETUP_CPI(2);
            r.trace.clear();
            (r.cmd.*handler)();
            const RunState untouched;
            EXPECT_EQ(r.run.TxImage, untouched.TxImage);
            EXPECT_EQ(r.run.RxImage, untouched.RxImage);
            EXPECT_EQ(r.eng.edtRF_EEPROMAddr.text(), "77");
            EXPECT_EQ(r.eng.edtC_RF_SETUP_CPI(), 2);
            EXPECT_EQ(r.transfers(), 0u);
            EXPECT_FALSE(r.transport.failed());
        }
    }
}

TEST(SettingHandlers, BatteryLevelJoinsDongleWord2F) {
    struct Case {
        int item;
        uint8_t level;
    };
    // Anything but items 0 and 2, no selection included, means 2.0 V.
    for (const auto c : {Case{0, 0x40}, Case{1, 0x20}, Case{2, 0x00}, Case{kNoSelection, 0x20}, Case{7, 0x20}}) {
        SCOPED_TRACE(c.item);
        DeviceRig r;
        r.pair->dongleEepromForTest()[0x2F] = 0x9F60;
        ASSERT_TRUE(r.open());
        r.run.RunMode = RunFilling;
        r.ui.options.edit([&](ProductSettings& o) { o.BatteryLevel = c.item; });
        r.trace.clear();
        r.cmd.cbRF_Set_BTY_Low_LevelChange();
        EXPECT_EQ(r.run.TxImage[0x1A], c.level);
        EXPECT_EQ(r.run.TxImage[0x1B], c.level ^ 0xFF);
        EXPECT_EQ(r.run.RxImage[0x2F], CheckedByte(0x1F | c.level));
        if (c.item == 1) {
            EXPECT_EQ(r.run.RxImage[0x2F], 0x3FC0);
        }
        EXPECT_EQ(r.sentFrames(), Strings{"01 03 2F 00 00 00 00 00 00"});
        EXPECT_FALSE(r.transport.failed());
    }
    {   // a failed read counts as 0xFFFF
        DeviceRig r;
        r.pair->dongleEepromForTest()[0x2F] = 0x0000;
        ASSERT_TRUE(r.open());
        sim::Faults f;
        f.noAnswerFrom = 1;
        r.pair->armFaults(f);
        r.run.RunMode = RunFilling;
        r.ui.options.edit([&](ProductSettings& o) { o.BatteryLevel = 0; });
        r.cmd.cbRF_Set_BTY_Low_LevelChange();
        EXPECT_EQ(r.run.RxImage[0x2F], CheckedByte(0x5F));
        EXPECT_TRUE(r.transport.failed());
    }
}

TEST(SettingHandlers, CpiIsSentToTheMouse) {
    for (const bool high : {false, true}) {
        DeviceRig r;
        ASSERT_TRUE(r.open());
        r.run.RunMode = RunFilling;
        r.eng.setC_RF_SETUP_CPI(3);
        r.trace.clear();
        high ? r.cmd.rbRF_CPI_HClick() : r.cmd.rbRF_CPI_LClick();
        EXPECT_EQ(r.eng.edtC_RF_SETUP_CPI(), high ? 1 : 0);
        EXPECT_EQ(r.sentFrames(), Strings{high ? "01 2F AA 01 CC 00 00 00 00" : "01 2F AA 00 CC 00 00 00 00"});
        r.cmd.rbC_RF_LEAVE_ACCESSClick();   // the next command delivers it
        EXPECT_EQ(r.pair->mouseCpi(), high ? 1 : 0);
    }
}

TEST(SettingHandlers, CustomKeysStoreTheUsageLowByteFirstThenUpdateTheDongle) {
    struct Case {
        int key, item, firstWord;
        uint16_t low, high;
    };
    for (const auto c : {Case{2, 9, 5, 0xE21D, 0x00FF},    // MUTE 0x0E2
                         Case{1, 7, 3, 0x23DC, 0x02FD}}) { // WWW HOME 0x223
        SCOPED_TRACE(CustKeyList[c.item].text);
        DeviceRig r;
        ASSERT_TRUE(r.open());
        r.run.RunMode = RunFilling;
        r.options([&](ProductSettings& o) { (c.key == 1 ? o.CustKey1 : o.CustKey2) = c.item; });
        r.trace.clear();
        c.key == 1 ? r.cmd.cbCustKey1Change() : r.cmd.cbCustKey2Change();
        RunState expected;
        expected.RxImage[c.firstWord] = c.low;
        expected.RxImage[c.firstWord + 1] = c.high;
        EXPECT_EQ(r.run.RxImage, expected.RxImage);
        EXPECT_EQ(r.sentFrames(), Strings{"01 08 0B 00 00 00 00 00 00"});
        EXPECT_EQ(r.pair->customKeyUpdates(), 1);
    }
    // Without a selected item nothing happens.
    DeviceRig r;
    ASSERT_TRUE(r.open());
    r.run.RunMode = RunFilling;
    r.options([](ProductSettings& o) { o.CustKey2 = kNoSelection; });
    r.trace.clear();
    r.cmd.cbCustKey2Change();
    EXPECT_EQ(r.run.RxImage, RunState().RxImage);
    EXPECT_EQ(r.transfers(), 0u);
}

TEST(SettingHandlers, ReceiverTypeWord38) {
    DeviceRig r;
    r.run.RunMode = RunFilling;
    r.cmd.rbKbdMseClick();
    EXPECT_EQ(r.run.RxImage[0x38], 0xFFFF);
    EXPECT_TRUE(r.ui.devices->cbKeyboardbindVisible);
    r.cmd.rbMouseOnlyClick();
    EXPECT_EQ(r.run.RxImage[0x38], 0x5AA5);
    EXPECT_FALSE(r.ui.devices->cbKeyboardbindVisible);
}

} // namespace
