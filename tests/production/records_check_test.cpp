#include "production/records_check.h"

#include <gtest/gtest.h>

#include <sstream>

namespace kestrelon {
namespace {

std::string started(const std::string& id, const std::string& sn, const std::string& rfid) {
    return R"({"schema":2,"event":"started","unit":")" + id + R"(","rx_sn":")" + sn + R"(","rx_rfid":")" + rfid +
           "\"}\n";
}
std::string outcome(const std::string& id, bool pass, const std::string& sn, const std::string& rfid) {
    return R"({"schema":2,"event":")" + std::string(pass ? "pass" : "fail") + R"(","unit":")" + id +
           R"(","result":")" + (pass ? "PASS" : "FAIL") + R"(","rx_sn":")" + sn + R"(","rx_rfid":")" + rfid + "\"}\n";
}

RecordsReport check(const std::string& text, NextNumbers next = {}) {
    std::istringstream in(text);
    return CheckRecords(in, next);
}

TEST(RecordsCheck, AccountsForEveryReservedNumber) {
    // a passed, b failed (its serial number given back and reused by c),
    // c passed, d interrupted; one line cut short; one unit of the older
    // layout with no reservation line.
    const std::string file = started("a", "SN1", "000101") + outcome("a", true, "SN1", "000101") +
                             started("b", "SN2", "000102") + outcome("b", false, "SN2", "000102") +
                             started("c", "SN2", "000103") + outcome("c", true, "SN2", "000103") +
                             started("d", "SN3", "000104") + R"({"schema":2,"event":"pa)" "\n" +
                             R"({"result":"PASS","rx_sn":"SN0","rx_rfid":"000100"})" "\n";
    NextNumbers next;
    next.rxSn = {"SN4", "SN5"};
    next.rxRfid = {0x105, 0x106};
    const RecordsReport ok = check(file, next);
    EXPECT_TRUE(ok.ok()) << RecordsReportText(ok);
    EXPECT_EQ((std::vector<int>{ok.reserved, ok.passed, ok.failed, ok.interrupted, ok.withoutReservation, ok.unreadable}),
              (std::vector<int>{4, 3, 1, 1, 1, 1}));
    ASSERT_EQ(ok.interruptedUnits.size(), 1u);
    EXPECT_EQ(ok.interruptedUnits[0], "d (rx_rfid 000104, rx_sn SN3)");

    // Counters behind what units kept: an interrupted unit's serial number,
    // a failed unit's RF ID (the failed device may hold it).
    struct Case {
        std::vector<std::string> sn;
        std::vector<int32_t> ids;
        const char* told;
    };
    for (const Case& c : {Case{{"SN4", "SN3"}, {0x105, 0x106}, "rx_sn SN3 of unit d"},
                          Case{{"SN4", "SN5"}, {0x102}, "rx_rfid 000102 of unit b"}}) {
        next.rxSn = c.sn;
        next.rxRfid = c.ids;
        const RecordsReport behind = check(file, next);
        EXPECT_FALSE(behind.ok());
        ASSERT_EQ(behind.behind.size(), 1u);
        EXPECT_EQ(behind.behind[0].rfind(c.told, 0), 0u) << behind.behind[0];
    }
    // A serial number given back is meant to be used again.
    next.rxSn = {"SN2"};
    next.rxRfid = {};
    EXPECT_FALSE(check(file, next).ok());   // c passed with it
    EXPECT_TRUE(check(started("b", "SN2", "1") + outcome("b", false, "SN2", "1"), next).ok());

    // Two passing units with one number; random RF IDs may meet by chance.
    const std::string twice = started("e", "SN9", "000200") + outcome("e", true, "SN9", "000200") +
                              started("f", "SN8", "000200") + outcome("f", true, "SN8", "000200");
    const RecordsReport dup = check(twice);
    ASSERT_EQ(dup.duplicates.size(), 1u);
    EXPECT_EQ(dup.duplicates[0], "rx_rfid 000200 on units e and f");
    NextNumbers random;
    random.rxRandom = true;
    const RecordsReport chance = check(twice, random);
    EXPECT_TRUE(chance.ok());
    EXPECT_EQ(chance.chanceDuplicates.size(), 1u);
}

} // namespace
} // namespace kestrelon
