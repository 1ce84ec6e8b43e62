#include "support/device_rig.h"

#include <gtest/gtest.h>

#include <optional>

using namespace kestrelon;
using kestrelon::test::DeviceRig;

namespace {

struct EepromPage : ::testing::Test {
    DeviceRig r;
    void SetUp() override { ASSERT_TRUE(r.open()); }
    std::array<uint16_t, 64>& dongle() { return r.pair->dongleEepromForTest(); }
    // What a run would write: the staged words, copied into the dongle.
    void writeStaged() {
        for (int i = 0; i < kRxImageSize; ++i)
            if (r.run.RxImage[i] != kUnwritten) dongle()[i] = static_cast<uint16_t>(r.run.RxImage[i]);
    }
};

TEST_F(EepromPage, WordReadShowsTheHighByte) {
    dongle()[15] = 0xF30C;
    r.trace.clear();
    r.cmd.btnEEPROM_R_00Click("btnEEPROM_R_15");
    EXPECT_EQ(r.eng.edtEEPROM_15.text(), "F3");
    EXPECT_EQ(r.sentFrames(), std::vector<std::string>{"01 03 0F 00 00 00 00 00 00"});

    sim::Faults f;
    f.noAnswerFrom = 1;
    r.pair->armFaults(f);
    r.cmd.btnEEPROM_R_00Click("btnEEPROM_R_15");
    EXPECT_EQ(r.eng.edtEEPROM_15.text(), "FFFFFF");
    EXPECT_TRUE(r.transport.failed());
}

TEST_F(EepromPage, WordWriteStagesACheckedByteMaskedToOneByte) {
    r.eng.edtEEPROM_01.setText("5A");
    r.trace.clear();
    r.cmd.btnEEPROM_W_00Click("btnEEPROM_W_01");
    EXPECT_EQ(r.run.RxImage[1], 0x5AA5);
    // A failed read's FFFFFF stays within its own word.
    r.eng.edtEEPROM_02.setText("FFFFFF");
    r.cmd.btnEEPROM_W_00Click("btnEEPROM_W_02");
    EXPECT_EQ(r.run.RxImage[2], 0xFF00);
    EXPECT_EQ(r.run.RxImage[3], kUnwritten);
    EXPECT_EQ(r.transfers(), 0u);
    // While a run writes its images, a click stages nothing into them.
    r.run.RunMode = RunFilling;
    r.eng.edtEEPROM_01.setText("33");
    r.cmd.btnEEPROM_W_00Click("btnEEPROM_W_01");
    r.ui.options.edit([](ProductSettings& o) { o.StringDesc = "AB"; });
    EXPECT_TRUE(r.cmd.btnEEPROM_W_20Click());
    EXPECT_EQ(r.run.RxImage[1], 0x5AA5);
    EXPECT_EQ(r.run.RxImage[0x13], kUnwritten);
}

TEST_F(EepromPage, WithoutDongleReadsEmptyTheEditAndWritesStageNothing) {
    r.link.close();
    r.eng.edtEEPROM_17.setText("05");
    r.ui.options.edit([&](ProductSettings& o) { o.StringDesc = "AB1"; });
    r.ui.options.edit([&](ProductSettings& o) { o.VidSet = "F3D7"; });
    r.trace.clear();
    r.cmd.btnEEPROM_W_00Click("btnEEPROM_W_17");
    r.cmd.btnEEPROM_W_VIDClick();
    EXPECT_TRUE(r.cmd.btnEEPROM_W_20Click());
    EXPECT_EQ(r.run.RxImage, RunState().RxImage);
    r.cmd.btnEEPROM_R_00Click("btnEEPROM_R_17");
    EXPECT_EQ(r.eng.edtEEPROM_17.text(), "");
    r.cmd.btnEEPROM_R_20Click();
    EXPECT_EQ(r.ui.options->StringDesc, "AB1");   // kept, as the VID and PID boxes are
    EXPECT_EQ(r.transfers(), 0u);
    EXPECT_FALSE(r.transport.failed());
}

TEST_F(EepromPage, VidAndPidWordsBothWays) {
    r.ui.options.edit([&](ProductSettings& o) { o.VidSet = "F3D7"; });
    r.ui.options.edit([&](ProductSettings& o) { o.PidSet = "5CA"; });
    r.cmd.btnEEPROM_W_VIDClick();
    r.cmd.btnEEPROM_W_PIDClick();
    EXPECT_EQ(r.run.RxImage[15], 0xF30C);
    EXPECT_EQ(r.run.RxImage[16], 0xD728);
    EXPECT_EQ(r.run.RxImage[17], 0x05FA);
    EXPECT_EQ(r.run.RxImage[18], 0xCA35);

    writeStaged();
    r.options([](ProductSettings& o) { o.VidSet.clear(), o.PidSet.clear(); });
    r.cmd.btnEEPROM_R_VIDClick();
    r.cmd.btnEEPROM_R_PIDClick();
    EXPECT_EQ(r.ui.options->VidSet, "F3D7");
    EXPECT_EQ(r.ui.options->PidSet, "05CA");   // two digits per word
}

TEST_F(EepromPage, UnreadableIdsLeaveTheBoxesAsTheyWere) {
    dongle()[15] = 0xF30C;
    dongle()[16] = 0xD728;
    dongle()[17] = 0xFFFF;   // erased: no byte in it
    dongle()[18] = 0xCA35;
    r.options([](ProductSettings& o) { o.VidSet = "1234", o.PidSet = "5678"; });
    sim::Faults f;
    f.noAnswerFrom = 2;   // the second word of the VID
    r.pair->armFaults(f);
    r.cmd.btnEEPROM_R_VIDClick();
    r.pair->armFaults({});
    r.cmd.btnEEPROM_R_PIDClick();
    EXPECT_EQ(r.ui.options->VidSet, "1234");
    EXPECT_EQ(r.ui.options->PidSet, "5678");
    EXPECT_EQ(r.eng.edtEEPROM_16.text(), "FFFFFF");   // the word box still shows the failure
    EXPECT_EQ(r.recorded.messages.size(), 2u);

    r.link.close();
    r.cmd.btnEEPROM_R_VIDClick();
    EXPECT_EQ(r.ui.options->VidSet, "1234");
}

TEST_F(EepromPage, StringDescriptorWrite) {
    r.ui.options.edit([&](ProductSettings& o) { o.StringDesc = "AB1"; });
    r.trace.clear();
    EXPECT_TRUE(r.cmd.btnEEPROM_W_20Click());
    RunState expected;
    expected.RxImage[19] = 0x08F7;
    expected.RxImage[20] = 0x4142;
    expected.RxImage[21] = 0x3100;
    EXPECT_EQ(r.run.RxImage, expected.RxImage);
    EXPECT_EQ(r.transfers(), 0u);

    // 46 characters fill words 20..42 and no further.
    r.run.clearImages();
    r.ui.options.edit([&](ProductSettings& o) { o.StringDesc = std::string(46, 'x'); });
    EXPECT_TRUE(r.cmd.btnEEPROM_W_20Click());
    EXPECT_EQ(r.run.RxImage[19], CheckedByte(94));
    EXPECT_EQ(r.run.RxImage[42], 0x7878);
    EXPECT_EQ(r.run.RxImage[43], kUnwritten);
    EXPECT_FALSE(r.transport.failed());
}

TEST_F(EepromPage, StringDescriptorThatCannotBeStoredIsRefused) {
    for (const std::string& text : {std::string("Mouse \xCE\xA9"), std::string(47, 'x')}) {   // U+03A9; one too many
        SCOPED_TRACE(text);
        r.run.clearImages();
        r.recorded.clear();
        r.transport.clearFailure();
        r.ui.options.edit([&](ProductSettings& o) { o.StringDesc = text; });
        EXPECT_FALSE(r.cmd.btnEEPROM_W_20Click());
        EXPECT_EQ(r.recorded.messages.size(), 1u);
        EXPECT_TRUE(r.transport.failed());
        EXPECT_EQ(r.run.RxImage, RunState().RxImage);
    }
}

TEST_F(EepromPage, StringDescriptorRead) {
    dongle()[19] = 0x08F7;
    dongle()[20] = 0x4142;
    dongle()[21] = 0x3100;
    dongle()[22] = 0x5858;
    r.ui.options.edit([&](ProductSettings& o) { o.StringDesc = "old"; });
    r.cmd.btnEEPROM_R_20Click();
    EXPECT_EQ(r.ui.options->StringDesc, "AB1");
    EXPECT_EQ(r.eng.edtEEPROM_19.text(), "08");
    EXPECT_FALSE(r.transport.failed());
}

TEST_F(EepromPage, StringDescriptorRoundTripKeepsLatin1) {
    r.ui.options.edit([&](ProductSettings& o) { o.StringDesc = "Caf\xC3\xA9 Mouse"; });   // é is one byte in the dongle
    ASSERT_TRUE(r.cmd.btnEEPROM_W_20Click());
    EXPECT_EQ(r.run.RxImage[21], 0x66E9);
    writeStaged();
    r.options([](ProductSettings& o) { o.StringDesc.clear(); });
    r.cmd.btnEEPROM_R_20Click();
    EXPECT_EQ(r.ui.options->StringDesc, "Caf\xC3\xA9 Mouse");
}

TEST_F(EepromPage, AnUnreadableDescriptorKeepsTheBoxAndSaysSo) {
    // Erased words would otherwise give 46 characters of 0xFF; an erased
    // receiver must not empty the product's descriptor either.
    struct Case {
        const char* what;
        uint16_t lengthWord;
        std::optional<uint64_t> noAnswerFrom;
        bool readsCharacters;
    };
    for (const Case& c : {Case{"erased", 0xFFFF, {}, false}, Case{"length unreadable", 0x08F7, 1, false},
                          Case{"character unreadable", 0x08F7, 2, true}}) {
        SCOPED_TRACE(c.what);
        dongle()[19] = c.lengthWord;
        sim::Faults f;
        f.noAnswerFrom = c.noAnswerFrom;
        r.pair->armFaults(f);
        r.ui.options.edit([&](ProductSettings& o) { o.StringDesc = "old"; });
        r.recorded.clear();
        r.trace.clear();
        r.cmd.btnEEPROM_R_20Click();
        EXPECT_EQ(r.ui.options->StringDesc, "old");
        EXPECT_EQ(r.recorded.messages.size(), 1u);
        if (!c.readsCharacters) {
            EXPECT_EQ(r.countSent("01 03 14"), 0);
        }
    }
}

} // namespace
