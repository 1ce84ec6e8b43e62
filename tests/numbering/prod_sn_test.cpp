#include "numbering/prod_sn.h"

#include "platform/virtual_clock.h"

#include <gtest/gtest.h>

namespace kestrelon {
namespace {

class ProdSNTest : public ::testing::Test {
protected:
    void SetUp() override { clock.setLocalStart({2009, 1, 1, 8, 0, 0, 0}); }
    VirtualClock clock;
};

// Fixed bytes 41 42 43 44 45 46 as far as the fixed part reaches, next
// incrementing value 1.
TProdSN layout(Clock& clock, bool date, int fix) {
    TProdSN sn(clock);
    sn.setIsSN(true);
    sn.setIsDate(date);
    sn.setFixSNByteCount(fix);
    int64_t fixed = 0;
    for (int i = 0; i < fix; ++i) fixed = fixed * 256 + 0x41 + i;
    sn.setFixSN(fixed);
    sn.setIncInitSN(1);
    return sn;
}

TEST_F(ProdSNTest, TextPlacesDashesAfterDateAndFixedPart) {
    struct Case { bool date; int fix; const char* text; };
    const Case cases[] = {
        {true, 2, "1201-4142-0001"}, {true, 0, "1201-00000001"}, {true, 4, "1201-41424344"},
        {false, 2, "4142-00000001"}, {false, 1, "410000000001"}, {false, 6, "414243444546"},
    };
    for (const Case& c : cases) {
        TProdSN sn = layout(clock, c.date, c.fix);
        EXPECT_EQ(sn.GetSNText(), c.text) << "date " << c.date << " fixed " << c.fix;
    }
}

TEST_F(ProdSNTest, NewObjectHasDefaultsAndEmptyTextUntilSwitchedOn) {
    TProdSN sn(clock);
    EXPECT_TRUE(sn.IsDate());
    EXPECT_EQ(sn.FixSNByteCount(), 2);
    EXPECT_EQ(sn.IncSNByteCount(), 2);
    EXPECT_EQ(sn.IncPrevSN(), -1);
    EXPECT_TRUE(sn.IsFixAscii());
    EXPECT_EQ(sn.GetSNText(), "");
    sn.setIsSN(true);
    EXPECT_EQ(sn.GetSNText(), "1201-0000-0000");
    EXPECT_EQ(sn.GetDateText(), "2009.01.01");
}

TEST_F(ProdSNTest, DateTakesItsBytesFromFixedPartWhenPossible) {
    TProdSN a(clock);
    a.setIsDate(false);
    a.setFixSNByteCount(1);   // 1 / 5
    a.setIsDate(true);
    EXPECT_EQ(a.FixSNByteCount(), 1);
    EXPECT_EQ(a.IncSNByteCount(), 3);
    a.setIsDate(false);
    EXPECT_EQ(a.FixSNByteCount(), 3);
    EXPECT_EQ(a.IncSNByteCount(), 3);

    TProdSN b(clock);
    b.setIsDate(false);
    b.setFixSNByteCount(4);   // 4 / 2
    b.setIsDate(true);
    EXPECT_EQ(b.FixSNByteCount(), 2);
    EXPECT_EQ(b.IncSNByteCount(), 2);
    b.setIsDate(false);
    EXPECT_EQ(b.FixSNByteCount(), 4);
    EXPECT_EQ(b.IncSNByteCount(), 2);
}

TEST_F(ProdSNTest, ByteCountsOutsideTheirRangeAreIgnored) {
    TProdSN sn(clock);
    sn.setFixSNByteCount(5);   // date on: at most 4
    sn.setIncSNByteCount(-1);
    EXPECT_EQ(sn.FixSNByteCount(), 2);
    EXPECT_EQ(sn.IncSNByteCount(), 2);
    sn.setIsDate(false);
    sn.setFixSNByteCount(0);
    EXPECT_EQ(sn.IncSNByteCount(), 6);
    sn.setIncSNByteCount(7);
    EXPECT_EQ(sn.IncSNByteCount(), 6);
}

TEST_F(ProdSNTest, CounterMovesOnlyThroughInitAndCurrentAndWraps) {
    TProdSN sn(clock);
    sn.setIncInitSN(0x10);
    EXPECT_EQ(sn.IncNextSN(), 0x10);
    EXPECT_EQ(sn.IncNextSN(), 0x10);   // reading does not advance
    sn.setIncCurrentSN(0x10);
    EXPECT_EQ(sn.IncNextSN(), 0x11);

    sn.setIsDate(false);
    sn.setIncSNByteCount(1);
    sn.setIncPrevSN(255);
    EXPECT_EQ(sn.IncNextSN(), 0);
    sn.setIncSNByteCount(0);
    EXPECT_EQ(sn.IncNextSN(), 0);
}

TEST_F(ProdSNTest, FixedPartEnteredAsTextRoundTrips) {
    TProdSN sn(clock);
    sn.setIsDate(false);
    sn.setFixSNByteCount(6);
    ASSERT_TRUE(sn.EnterFixSNText("ABCDEF"));
    EXPECT_EQ(sn.FixSN(), 0x414243444546);
    EXPECT_EQ(sn.GetFixSNText(), "ABCDEF");
    ASSERT_TRUE(sn.EnterFixSNText("AB"));
    EXPECT_EQ(sn.FixSN(), 0x414200000000);
    EXPECT_EQ(sn.GetFixSNText(), std::string("AB\0\0\0\0", 6));

    sn.setIsFixAscii(false);
    sn.setFixSNByteCount(2);
    ASSERT_TRUE(sn.EnterFixSNText("0a1"));
    EXPECT_EQ(sn.GetFixSNText(), "00A1");
    EXPECT_FALSE(sn.EnterFixSNText("XYZ"));
    EXPECT_EQ(sn.FixSN(), 0xA1);
    ASSERT_TRUE(sn.EnterFixSNText(""));
    EXPECT_EQ(sn.FixSN(), 0);
}

TEST_F(ProdSNTest, DateCodeFollowsTheClockAcrossLeapYearsAndMidnight) {
    EXPECT_EQ(YearDayOf({2009, 1, 1, 0, 0, 0, 0}), 1);
    EXPECT_EQ(YearDayOf({2009, 1, 1, 23, 59, 59, 999}), 1);
    EXPECT_EQ(YearDayOf({2008, 12, 31, 12, 0, 0, 0}), 366);
    EXPECT_EQ(YearDayOf({2009, 12, 31, 12, 0, 0, 0}), 365);
    EXPECT_EQ(YearDayOf({2000, 3, 1, 0, 0, 0, 0}), 61);
    EXPECT_EQ(YearDayOf({2100, 3, 1, 0, 0, 0, 0}), 60);

    TProdSN sn(clock);
    sn.setIsSN(true);
    clock.setLocalStart({2024, 12, 31, 23, 59, 59, 999});   // leap year, day 366
    EXPECT_EQ(sn.GetSNByte(0), 24 * 2 + 1);
    EXPECT_EQ(sn.GetSNByte(1), 366 & 0xFF);
    clock.advanceMs(1);   // midnight: each byte reads the clock anew
    EXPECT_EQ(sn.GetSNByte(0), 25 * 2);
    EXPECT_EQ(sn.GetSNByte(1), 1);
    EXPECT_EQ(sn.GetDateText(), "2025.01.01");
    EXPECT_EQ(sn.GetSNByte(6), 0);
}

TEST_F(ProdSNTest, LargestSixByteValuesFormatWithoutOverflow) {
    TProdSN sn(clock);
    sn.setIsSN(true);
    sn.setIsDate(false);
    sn.setIncSNByteCount(6);
    sn.setIncCurrentSN(0xFFFFFFFFFFFF);
    EXPECT_EQ(sn.IncNextSN(), 0);
    sn.setIncPrevSN(INT64_MAX);   // a hand-edited file must not overflow
    EXPECT_EQ(sn.GetSNText().size(), 12u);
}

} // namespace
} // namespace kestrelon
