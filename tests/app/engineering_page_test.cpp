#include "support/device_rig.h"

#include <gtest/gtest.h>

using namespace kestrelon;
using kestrelon::test::DeviceRig;

namespace {

using Strings = std::vector<std::string>;

struct FrameCase {
    const char* handler;
    std::function<void(DeviceRig&)> prepare;   // loads the operand edits
    std::function<void(DeviceRig&)> press;
    const char* frame;                         // the one request sent
};

void rfRegs(DeviceRig& r) {
    r.eng.edtRF_EEPROMAddr.setValue(0x10);
    r.eng.edtRF_EEPROMData.setValue(0x5A);
    r.eng.edtRF_IndexRegAddr.setValue(0x21);
    r.eng.edtRF_IndexRegData.setValue(0x7E);
    r.eng.edtRF_DirectRegAddr.setValue(0x31);
    r.eng.edtRF_DirectRegData.setValue(0x81);
    r.eng.edtRF_RFICAddr.setValue(0x41);
    r.eng.edtRF_RFICData.setValue(0x9C);
    r.eng.edtRF_SensorAddr.setValue(0x51);
    r.eng.edtRF_SensorData.setValue(0xE3);
    r.eng.edtDirectAddr.setValue(0x35);
    r.eng.edtDirectData.setValue(0x7F);
    r.eng.edtRFICAddr.setValue(0x02);
    r.eng.edtRFICData.setValue(0x44);
    r.eng.setC_RF_SETUP_CPI(3);
}

TEST(EngineeringPage, EveryHandlerSendsItsFrame) {
    const auto nothing = [](DeviceRig&) {};
    const auto inAccess = [](DeviceRig& r) { r.cmd.rbC_RF_ENTER_ACCESS_WO_LEDClick(); };
    const std::vector<FrameCase> cases = {
        {"SpecialCmd1", nothing, [](DeviceRig& r) { r.cmd.btnSpecialCmd1Click(1); }, "01 14 FF AA 01 00 00 00 00"},
        {"SpecialCmd4", nothing, [](DeviceRig& r) { r.cmd.btnSpecialCmd1Click(4); }, "01 14 FF AA 04 00 00 00 00"},
        {"Rd_Direct_Reg", nothing, [](DeviceRig& r) { r.cmd.btnC_Rd_Direct_RegClick(); }, "01 14 35 00 00 00 00 00 00"},
        {"Wrt_Direct_Reg", nothing, [](DeviceRig& r) { r.cmd.btnC_Wrt_Direct_RegClick(); }, "01 12 35 7F 00 00 00 00 00"},
        {"Rd_RFIC", nothing, [](DeviceRig& r) { r.cmd.btnRd_RFICClick(); }, "01 06 02 00 00 00 00 00 00"},
        {"Wrt_RFIC", nothing, [](DeviceRig& r) { r.cmd.btnWrt_RFICClick(); }, "01 07 02 44 00 00 00 00 00"},
        {"UpdateCustKey", nothing, [](DeviceRig& r) { r.cmd.btnUpdateCustKeyClick(); }, "01 08 0B 00 00 00 00 00 00"},
        {"JUMP_TO_POR", nothing, [](DeviceRig& r) { r.cmd.btnC_JUMP_TO_PORClick(); }, "01 0E 55 AA CC 00 00 00 00"},
        {"RELOAD_PARAMETER", nothing, [](DeviceRig& r) { r.cmd.btnC_RELOAD_PARAMETERClick(); },
         "01 0F CC 33 55 00 00 00 00"},
        {"rbMSE mouse", nothing, [](DeviceRig& r) { r.cmd.rbMSEClick(); }, "01 17 3C 5A 01 00 00 00 00"},
        {"rbMSE keyboard", [](DeviceRig& r) { r.ui.devices.edit([&](DeviceStatus& d) { d.rbMSE_Checked = false; }); },
         [](DeviceRig& r) { r.cmd.rbMSEClick(); }, "01 17 3C 5A 02 00 00 00 00"},
        {"EEPROM word read", nothing, [](DeviceRig& r) { r.cmd.btnEEPROM_R_00Click("btnEEPROM_R_17"); },
         "01 03 11 00 00 00 00 00 00"},
        {"RF_Wrt_EEPROM", inAccess, [](DeviceRig& r) { r.cmd.btnC_RF_Wrt_EEPROMClick(); }, "01 21 AA 10 5A 00 00 00 00"},
        {"RF_Wrt_Index_Reg", nothing, [](DeviceRig& r) { r.cmd.btnC_RF_Wrt_Index_RegClick(); },
         "01 22 AA 21 7E 00 00 00 00"},
        {"RF_Wrt_Direct_Reg", nothing, [](DeviceRig& r) { r.cmd.btnC_RF_Wrt_Direct_RegClick(); },
         "01 23 AA 31 81 00 00 00 00"},
        {"RF_Rd_EEPROM", nothing, [](DeviceRig& r) { r.cmd.btnC_RF_Rd_EEPROMClick(); }, "01 24 AA 10 00 00 00 00 00"},
        {"RF_Rd_Index_Reg", nothing, [](DeviceRig& r) { r.cmd.btnC_RF_Rd_Index_RegClick(); },
         "01 25 AA 21 00 00 00 00 00"},
        {"RF_Rd_Direct_Reg", nothing, [](DeviceRig& r) { r.cmd.btnC_RF_Rd_Direct_RegClick(); },
         "01 26 AA 31 00 00 00 00 00"},
        {"RF_Wrt_RFIC", nothing, [](DeviceRig& r) { r.cmd.btnC_RF_Wrt_RFIC_RFX5820KClick(); },
         "01 27 AA 41 9C 00 00 00 00"},
        {"RF_Rd_RFIC", nothing, [](DeviceRig& r) { r.cmd.btnC_RF_Rd_RFIC_RFX5820KClick(); },
         "01 28 AA 41 00 00 00 00 00"},
        {"RF_Wrt_Sensor", nothing, [](DeviceRig& r) { r.cmd.btnC_RF_Wrt_SensorClick(); }, "01 29 AA 51 E3 00 00 00 00"},
        {"RF_Rd_Sensor", nothing, [](DeviceRig& r) { r.cmd.btnC_RF_Rd_SensorClick(); }, "01 2A AA 51 00 00 00 00 00"},
        {"ENTER_ACCESS_WO_LED", nothing, [](DeviceRig& r) { r.cmd.rbC_RF_ENTER_ACCESS_WO_LEDClick(); },
         "01 2B AA 5A 33 00 00 00 00"},
        {"ENTER_ACCESS_W_LED", nothing, [](DeviceRig& r) { r.cmd.rbC_RF_ENTER_ACCESS_W_LEDClick(); },
         "01 2B AA 5A CC 00 00 00 00"},
        {"LEAVE_ACCESS", nothing, [](DeviceRig& r) { r.cmd.rbC_RF_LEAVE_ACCESSClick(); }, "01 2C AA 00 00 00 00 00 00"},
        {"RF_SETUP_CPI", nothing, [](DeviceRig& r) { r.cmd.btnC_RF_SETUP_CPIClick(); }, "01 2F AA 03 CC 00 00 00 00"},
        {"RF_DR_3C", nothing, [](DeviceRig& r) { r.cmd.btnRF_DR_3CClick(); }, "01 23 AA FF 3C 00 00 00 00"},
        {"RF_DR_3D", nothing, [](DeviceRig& r) { r.cmd.btnRF_DR_3DClick(); }, "01 23 AA FF 3D 00 00 00 00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.handler);
        DeviceRig r;
        ASSERT_TRUE(r.open());
        rfRegs(r);
        c.prepare(r);
        r.trace.clear();
        c.press(r);
        // Answered at the first attempt, so exactly one request.
        EXPECT_EQ(r.sentFrames(), Strings{c.frame});
        EXPECT_FALSE(r.transport.failed());
    }
}

TEST(EngineeringPage, WithoutDongleTheDongleHandlersSendNothing) {
    DeviceRig r;   // receiver plugged but not opened
    r.trace.clear();
    EXPECT_FALSE(r.cmd.btnSpecialCmd1Click(1));
    r.cmd.btnC_Rd_Direct_RegClick();
    r.cmd.btnRd_RFICClick();
    r.cmd.btnWrt_RFICClick();
    r.cmd.btnC_Wrt_Direct_RegClick();
    r.cmd.btnC_JUMP_TO_PORClick();
    r.cmd.btnC_RELOAD_PARAMETERClick();
    r.cmd.rbMSEClick();
    r.cmd.rbC_RF_ENTER_ACCESS_WO_LEDClick();
    r.cmd.rbC_RF_LEAVE_ACCESSClick();
    EXPECT_FALSE(r.transport.failed());
    EXPECT_EQ(r.transfers(), 0u);
    // The other RF handlers fail through the transport.
    r.cmd.btnC_RF_Rd_SensorClick();
    EXPECT_TRUE(r.transport.failed());
    EXPECT_EQ(r.transfers(), 0u);
}

TEST(EngineeringPage, ResultsShownInTheEdits) {
    DeviceRig r;
    r.pair->mouseEepromForTest()[0x10] = 0x0A;
    ASSERT_TRUE(r.open());
    r.eng.edtRF_EEPROMAddr.setValue(0x10);
    r.cmd.btnC_RF_Rd_EEPROMClick();
    EXPECT_EQ(r.eng.edtRF_EEPROMData.text(), "0A");

    r.eng.edtDirectAddr.setValue(0x35);
    r.eng.edtDirectData.setValue(0x05);
    r.cmd.btnC_Wrt_Direct_RegClick();
    r.eng.edtDirectData.setText("77");
    r.cmd.btnC_Rd_Direct_RegClick();   // answer byte 0
    EXPECT_EQ(r.eng.edtDirectData.text(), "05");
    r.eng.edtRFICAddr.setValue(0x01);
    r.cmd.btnRd_RFICClick();           // answer byte 1
    EXPECT_EQ(r.eng.edtRFICData.text(), "1B");
    EXPECT_FALSE(r.transport.failed());

    // Special command 4 of a linked pair answers 00 BB: zero shows as "00".
    r.eng.edtSC04[0].setText("99");
    EXPECT_TRUE(r.cmd.btnSpecialCmd1Click(4));
    EXPECT_EQ(r.eng.edtSC04[0].text(), "00");
    EXPECT_EQ(r.eng.edtSC04[1].text(), "BB");
    EXPECT_EQ(r.eng.edtSC01[1].text(), "00");   // the other row is untouched

    // A mouse that does not answer: FFFFFFFF, and the failure is recorded.
    r.pair->setMousePowered(false);
    r.cmd.btnC_RF_Rd_SensorClick();
    EXPECT_EQ(r.eng.edtRF_SensorData.text(), "FFFFFFFF");
    EXPECT_TRUE(r.transport.failed());
}

// A run, the link check and pairing call the devices directly; the page
// shows what they sent and got as its own buttons would.
TEST(EngineeringPage, ShowsTheCallsOfTheOtherParts) {
    DeviceRig r;
    ASSERT_TRUE(r.open());
    r.eng.edtRF_EEPROMAddr.setText("1FF");   // typed wider than a byte
    r.calls.writeMouseEeprom(0xFF, 0x5A);
    EXPECT_EQ(r.eng.edtRF_EEPROMAddr.text(), "1FF");
    EXPECT_EQ(r.eng.edtRF_EEPROMData.value(), 0x5A);
    r.calls.setupMouseCpi(1);
    EXPECT_EQ(r.eng.edtC_RF_SETUP_CPI(), 1);
    r.calls.writeDongleRfic(0x01, 0x13);
    EXPECT_EQ(r.eng.edtRFICData.value(), 0x13);
    ASSERT_TRUE(r.calls.readSpecial(4));
    EXPECT_EQ(r.eng.edtSC04[1].text(), "BB");
    r.pair->setMousePowered(false);
    r.calls.readMouse(op::RfSensorRead, 0x02);
    EXPECT_EQ(r.eng.edtRF_SensorAddr.value(), 0x02);
    EXPECT_EQ(r.eng.edtRF_SensorData.text(), "FFFFFFFF");
}

TEST(EngineeringPage, PolledDongleReadGivesUpAfterThirtyAttemptsKeepingTheEdit) {
    for (const bool rfic : {false, true}) {
        SCOPED_TRACE(rfic ? "0x06" : "0x14");
        DeviceRig r;
        ASSERT_TRUE(r.open());
        sim::Faults f;
        f.noAnswerFrom = 1;
        r.pair->armFaults(f);
        HexEdit& data = rfic ? r.eng.edtRFICData : r.eng.edtDirectData;
        data.setText("42");
        r.trace.clear();
        rfic ? r.cmd.btnRd_RFICClick() : r.cmd.btnC_Rd_Direct_RegClick();
        EXPECT_EQ(data.text(), "42");
        EXPECT_TRUE(r.transport.failed());
        Strings expected;
        for (int i = 0; i < 30; ++i) expected.insert(expected.end(), {"S", "W8", "G", "W2", "P"});
        EXPECT_EQ(r.trace.tokens(), expected);
    }
}

TEST(EngineeringPage, SpecialCommandLimits) {
    {   // no valid answer: 30 exchanges, nothing shown, no failure recorded
        DeviceRig r;
        ASSERT_TRUE(r.open());
        sim::Faults f;
        f.noAnswerFrom = 1;
        r.pair->armFaults(f);
        r.eng.edtSC01[1].setText("12");
        r.trace.clear();
        EXPECT_FALSE(r.cmd.btnSpecialCmd1Click(1));
        EXPECT_EQ(r.trace.count(TraceEntry::Kind::SetFeature), 30u);
        EXPECT_EQ(r.trace.count(TraceEntry::Kind::Pump), 30u);
        EXPECT_EQ(r.eng.edtSC01[1].text(), "12");
        EXPECT_FALSE(r.transport.failed());
    }
    {   // a transfer error ends it at once
        DeviceRig r;
        ASSERT_TRUE(r.open());
        sim::Faults f;
        f.transferErrorFrom = 1;
        r.pair->armFaults(f);
        r.trace.clear();
        EXPECT_FALSE(r.cmd.btnSpecialCmd1Click(1));
        EXPECT_EQ(r.trace.count(TraceEntry::Kind::SetFeature), 1u);
        EXPECT_FALSE(r.transport.failed());
    }
}

TEST(EngineeringPage, TransceiverWriteRepeatsUntilASendIsAccepted) {
    DeviceRig r;
    ASSERT_TRUE(r.open());
    r.eng.edtRFICAddr.setValue(0x05);
    r.eng.edtRFICData.setValue(0x66);
    r.cmd.btnWrt_RFICClick();
    EXPECT_EQ(r.pair->dongleRfic(0x05), 0x66);

    sim::Faults f;
    f.transferErrorFrom = 1;
    r.pair->armFaults(f);
    r.trace.clear();
    r.cmd.btnWrt_RFICClick();
    EXPECT_EQ(r.trace.tokens(), Strings(30, "S!"));   // no pause between sends
    EXPECT_FALSE(r.transport.failed());
}

TEST(EngineeringPage, ReloadAndJumpRecordARefusedSend) {
    for (const bool reload : {false, true}) {
        DeviceRig r;
        ASSERT_TRUE(r.open());
        sim::Faults f;
        f.transferErrorFrom = 1;
        r.pair->armFaults(f);
        reload ? r.cmd.btnC_RELOAD_PARAMETERClick() : r.cmd.btnC_JUMP_TO_PORClick();
        EXPECT_TRUE(r.transport.failed());
    }
}

// --- the confirmed RF EEPROM write ---

struct ConfirmedWrite : ::testing::Test {
    DeviceRig r;
    void SetUp() override {
        ASSERT_TRUE(r.open());
        r.eng.edtRF_EEPROMAddr.setValue(0x30);
        r.eng.edtRF_EEPROMData.setValue(0xA7);
    }
};

TEST_F(ConfirmedWrite, ConfirmedAtTheFirstPoll) {
    r.cmd.rbC_RF_ENTER_ACCESS_WO_LEDClick();
    r.trace.clear();
    EXPECT_TRUE(r.cmd.btnC_RF_Wrt_EEPROMClick());
    EXPECT_EQ(r.trace.tokens(), (Strings{"W8", "S", "W24", "P", "G"}));
    EXPECT_EQ(r.pair->mouseEeprom()[0x30], 0xA7);
    EXPECT_FALSE(r.transport.failed());
}

TEST_F(ConfirmedWrite, FetchThatNeverWorksGivesThreeWritesAndNinetyThreeReads) {
    r.cmd.rbC_RF_ENTER_ACCESS_WO_LEDClick();
    r.backend.failGet = [](bool bare) { return bare; };
    r.trace.clear();
    EXPECT_FALSE(r.cmd.btnC_RF_Wrt_EEPROMClick());
    EXPECT_TRUE(r.transport.failed());
    EXPECT_EQ(r.countSent("01 21 AA 30 A7"), 3);
    EXPECT_EQ(r.countSent("01 24 AA 30 00"), 93);
    EXPECT_EQ(r.sentFrames().size(), 96u);
    EXPECT_EQ(r.trace.count(TraceEntry::Kind::Sleep), 3u * 2 + 93);   // 8 + 24 per pass, 8 per read
}

TEST_F(ConfirmedWrite, AFetchedAnswerOfAnotherCommandIsNoConfirmation) {
    // Outside access mode the mouse never confirms; after the first read the
    // dongle hands out that read's (valid) answer to every fetch.
    r.trace.clear();
    EXPECT_FALSE(r.cmd.btnC_RF_Wrt_EEPROMClick());
    EXPECT_TRUE(r.transport.failed());
    EXPECT_EQ(r.countSent("01 21"), 3);
    EXPECT_EQ(r.countSent("01 24 AA 30"), 93);
    EXPECT_NE(r.pair->mouseEeprom()[0x30], 0xA7);
    // What those fetches got: a valid answer, but not this write's.
    CommandFrame f{};
    f[0] = kReportId;
    ASSERT_TRUE(r.transport.fetch(f));
    EXPECT_EQ(f[7], 0xCC);
    EXPECT_NE(f[4], 0x21);
}

TEST_F(ConfirmedWrite, ConfirmationMustNameThisAddress) {
    r.cmd.rbC_RF_ENTER_ACCESS_WO_LEDClick();
    r.backend.editAnswer = [](uint8_t code, uint8_t* a) {
        if (code == 0x21) a[5] ^= 0x01;   // confirms some other address
    };
    EXPECT_FALSE(r.cmd.btnC_RF_Wrt_EEPROMClick());
    EXPECT_TRUE(r.transport.failed());
}

} // namespace
