#include "model/run_state.h"

#include <gtest/gtest.h>

using namespace kestrelon;

TEST(RunState, CheckedByteHoldsValueAndComplement) {
    EXPECT_EQ(CheckedByte(0x40), 0x40BF);
    EXPECT_EQ(CheckedByte(0x00), 0x00FF);
    EXPECT_EQ(CheckedByte(0xFF), 0xFF00);
    for (int v = 0; v < 256; ++v) EXPECT_TRUE(IsValidCheckedWord(CheckedByte(static_cast<uint8_t>(v))));
    // Erased and zero words are not settings; neither is a failed read.
    EXPECT_FALSE(IsValidCheckedWord(0xFFFF));
    EXPECT_FALSE(IsValidCheckedWord(0x0000));
    EXPECT_FALSE(IsValidCheckedWord(-1));
    EXPECT_FALSE(IsValidCheckedWord(0x40BE));
}

TEST(RunState, StartsLoadingWithEveryImageEntryUnwritten) {
    RunState r;
    EXPECT_EQ(r.RunMode, RunLoadingSettings);
    EXPECT_EQ(r.NotYetActivated, 1);
    EXPECT_FALSE(r.RunBusy || r.RunPassed || r.AwaitNewDongle || r.AutoRun);
    EXPECT_EQ(r.SensorKind, 0);
    for (auto e : r.TxImage) EXPECT_EQ(e, kUnwritten);
    for (auto e : r.RxImage) EXPECT_EQ(e, kUnwritten);
}
