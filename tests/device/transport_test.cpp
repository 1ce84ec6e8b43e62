#include "support/sim_bench.h"

#include <gtest/gtest.h>

using namespace kestrelon;
using kestrelon::test::SimBench;

namespace {

// Counts a pattern of trace tokens: how often token a is directly followed by b.
int pairs(const std::vector<std::string>& t, const std::string& a, const std::string& b) {
    int n = 0;
    for (size_t i = 0; i + 1 < t.size(); ++i) n += t[i] == a && t[i + 1] == b;
    return n;
}

TEST(Transport, ReadEepromWordReturnsHighByteFirst) {
    SimBench b;
    b.pair->dongleEepromForTest()[0x2F] = 0x1234;
    ASSERT_TRUE(b.open());
    b.trace.clear();
    EXPECT_EQ(b.transport.readDongleWord(0x2F), 0x1234);
    EXPECT_FALSE(b.transport.failed());
    EXPECT_EQ(b.sentFrames(), std::vector<std::string>{"01 03 2F 00 00 00 00 00 00"});
    EXPECT_EQ(b.trace.tokens(), (std::vector<std::string>{"S", "W8", "G", "W10", "P"}));
}

TEST(Transport, ReadEepromWordGivesUpAfterThirtyInvalidAnswers) {
    SimBench b;
    ASSERT_TRUE(b.open());
    sim::Faults f;
    f.noAnswerFrom = 1;
    b.pair->armFaults(f);
    b.trace.clear();
    const uint64_t t0 = b.clock.nowMicros();
    EXPECT_EQ(b.transport.readDongleWord(3), std::nullopt);
    EXPECT_TRUE(b.transport.failed());
    const auto t = b.trace.tokens();
    EXPECT_EQ(b.trace.count(TraceEntry::Kind::SetFeature), 30u);
    EXPECT_EQ(pairs(t, "G", "W10"), 30);   // every exchange followed by the 10 ms wait
    EXPECT_EQ(b.clock.nowMicros() - t0, 30u * 18000u);
}

TEST(Transport, ReadEepromWordStopsAtOnceOnTransferError) {
    SimBench b;
    ASSERT_TRUE(b.open());
    sim::Faults f;
    f.transferErrorFrom = 1;
    b.pair->armFaults(f);
    b.trace.clear();
    EXPECT_EQ(b.transport.readDongleWord(3), std::nullopt);
    EXPECT_TRUE(b.transport.failed());
    EXPECT_EQ(b.trace.count(TraceEntry::Kind::SetFeature), 1u);
}

TEST(Transport, WriteEepromVerifiedSendsUnlockOnceThenWriteHighByteFirst) {
    SimBench b;
    ASSERT_TRUE(b.open());
    b.trace.clear();
    b.transport.writeDongleWord(0x2F, 0x40BF);
    EXPECT_FALSE(b.transport.failed());
    EXPECT_EQ(b.pair->dongleEeprom()[0x2F], 0x40BF);
    EXPECT_EQ(b.sentFrames(), (std::vector<std::string>{"01 01 07 08 05 00 00 00 00", "01 04 2F 40 BF 00 00 00 00",
                                                         "01 03 2F 00 00 00 00 00 00"}));
    const auto t = b.trace.tokens();
    EXPECT_EQ(t.front(), "P");
    EXPECT_EQ(pairs(t, "S", "W20"), 1);
}

TEST(Transport, WriteEepromVerifiedFailsAfterThirtyMismatchingPasses) {
    SimBench b;
    ASSERT_TRUE(b.open());
    sim::Faults f;
    f.readbackWord = 0x10;
    b.pair->armFaults(f);
    b.trace.clear();
    b.transport.writeDongleWord(0x10, 0xD728);
    EXPECT_TRUE(b.transport.failed());
    int writes = 0, unlocks = 0;
    for (const auto& s : b.sentFrames()) {
        writes += s.rfind("01 04 10", 0) == 0;
        unlocks += s.rfind("01 01 07 08 05", 0) == 0;
    }
    EXPECT_EQ(writes, 30);
    EXPECT_EQ(unlocks, 1);
}

TEST(Transport, RfReadHonoursAttemptLimitAndTimeLimit) {
    {   // a mouse that never answers: 30 attempts of 8 ms each
        SimBench b;
        b.pair->setMousePowered(false);
        ASSERT_TRUE(b.open());
        b.trace.clear();
        EXPECT_EQ(b.transport.readMouseByte(0x24, 0x10), std::nullopt);
        EXPECT_TRUE(b.transport.failed());
        EXPECT_EQ(b.trace.count(TraceEntry::Kind::SetFeature), 30u);
        for (const auto& s : b.sentFrames()) EXPECT_EQ(s, "01 24 AA 10 00 00 00 00 00");
    }
    {   // slow transfers: the 3000 ms limit ends it first
        SimBench b;
        b.pair->setMousePowered(false);
        b.backend.setTransferMicros(60000);
        ASSERT_TRUE(b.open());
        b.trace.clear();
        const uint32_t t0 = b.clock.GetTickCount();
        EXPECT_EQ(b.transport.readMouseByte(0x24, 0x10), std::nullopt);
        EXPECT_LT(b.trace.count(TraceEntry::Kind::SetFeature), 30u);
        EXPECT_GT(b.clock.GetTickCount() - t0, 3000u);
        EXPECT_LT(b.clock.GetTickCount() - t0, 3200u);
    }
}

TEST(Transport, RfReadReturnsTheMouseByte) {
    SimBench b;
    b.pair->mouseEepromForTest()[0x12] = 0x33;
    ASSERT_TRUE(b.open());
    EXPECT_EQ(b.transport.readMouseByte(0x24, 0x12), 0x33);
    EXPECT_FALSE(b.transport.failed());
}

TEST(Transport, WithoutDongle) {
    SimBench b;
    // SendDongleCommand leaves the flag alone; the others set it.
    EXPECT_FALSE(b.transport.SendDongleCommand(0x0F, 0xCC, 0x33, 0x55));
    EXPECT_FALSE(b.transport.failed());
    b.trace.clear();
    b.transport.writeMouseByte(0x21, 1, 2);
    EXPECT_TRUE(b.transport.failed());
    EXPECT_EQ(b.trace.tokens(), std::vector<std::string>{"W8"});   // the wait comes first, even so
    b.transport.clearFailure();
    EXPECT_EQ(b.transport.readDongleWord(0), std::nullopt);
    EXPECT_TRUE(b.transport.failed());
    b.transport.clearFailure();
    EXPECT_EQ(b.transport.readMouseByte(0x24, 0), std::nullopt);
    EXPECT_TRUE(b.transport.failed());
    b.transport.clearFailure();
    b.transport.writeDongleWord(0, 0);
    EXPECT_TRUE(b.transport.failed());
    EXPECT_EQ(b.trace.count(TraceEntry::Kind::SetFeature), 0u);
}

TEST(Transport, TheFirstFailureIsKept) {
    SimBench b;
    ASSERT_TRUE(b.open());
    sim::Faults f;
    f.noAnswerFrom = 1;
    b.pair->armFaults(f);
    b.transport.setStep("battery");
    b.transport.readDongleWord(1);
    ASSERT_TRUE(b.transport.failed());
    b.pair->armFaults({});
    for (int i = 0; i < 5; ++i) EXPECT_NE(b.transport.readDongleWord(1), std::nullopt);
    b.transport.setStep("later");
    b.transport.writeDongleWord(2, 0x1234);
    ASSERT_TRUE(b.transport.failed());
    const DeviceError& e = *b.transport.failure();
    EXPECT_EQ(e.step, "battery");
    EXPECT_EQ(e.op, DeviceOp::DongleRead);
    EXPECT_EQ(e.address, 1);
    EXPECT_EQ(e.text(), "reading dongle word 0x01 (code 0x03) in step \"battery\"");
}

TEST(Transport, UnpluggedDongleFailsWithoutReachingThePlatform) {
    SimBench b;
    ASSERT_TRUE(b.open());
    b.backend.unplug(b.dongleDevice);
    b.trace.clear();
    CommandFrame f = makeFrame(0x09);
    EXPECT_FALSE(b.hid.HidSetGetFeature(b.link.handle.get(), f));
    EXPECT_FALSE(b.hid.HidSetFeature(b.link.handle.get(), f));
    EXPECT_FALSE(b.hid.HidGetFeature(b.link.handle.get(), f));
    EXPECT_EQ(b.trace.entries().size(), 0u);
    EXPECT_EQ(b.transport.readDongleWord(0), std::nullopt);
}

} // namespace
