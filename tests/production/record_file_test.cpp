#include "production/record_file.h"

#include "support/station_bench.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>

namespace kestrelon {
namespace {

std::vector<nlohmann::json> lines(const std::string& path) {
    std::vector<nlohmann::json> out;
    std::ifstream in(path);
    for (std::string l; std::getline(in, l);) out.push_back(nlohmann::json::parse(l));
    return out;
}

TEST(RecordFile, EveryAttemptIsOneLineAndAFailingFileNeverFailsTheUnit) {
    test::StationBench b;
    b.st->companion.recordFile = "units.jsonl";
    b.startUp();
    b.sequentialIds(0x123456, 0xABCDEF);
    ASSERT_TRUE(b.plugAndDetect());
    ASSERT_TRUE(b.go().passed);
    ASSERT_TRUE(b.nextUnit());
    b.pair->armFaults(test::makeFaults([](auto& f) { f.mouseSilentAfterReload = true; }));
    ASSERT_FALSE(b.go().passed);

    const auto recs = lines(b.directory() + "/units.jsonl");
    ASSERT_EQ(recs.size(), 2u);
    EXPECT_EQ(recs[0]["result"], "PASS");
    EXPECT_EQ(recs[0]["rx_rfid"], "123456");
    EXPECT_EQ(recs[0]["tx_rfid"], "ABCDEF");
    EXPECT_EQ(recs[0]["vid"], "F3D7");
    EXPECT_EQ(recs[0]["model"], "01");
    EXPECT_EQ(recs[0]["failed_step"], "");
    EXPECT_EQ(recs[1]["result"], "FAIL");
    EXPECT_EQ(recs[1]["failed_step"], b.st->production.lastUnit().reason);
    EXPECT_EQ(recs[1]["start"].get<std::string>().size(), std::string("2009-01-01T08:00:00.000+00:00").size());

    // A record that cannot be written: told once, the unit still passes and
    // its numbers are kept.
    b.st->companion.recordFile = "no-such-folder/units.jsonl";
    ASSERT_TRUE(b.nextUnit());
    b.recorded.clear();
    const UnitRecord& r = b.go();
    EXPECT_TRUE(r.passed);
    EXPECT_TRUE(r.settingsSaved);
    ASSERT_EQ(b.messageTexts().size(), 1u);
    EXPECT_NE(b.messageTexts()[0].find("no-such-folder/units.jsonl"), std::string::npos);
}

} // namespace
} // namespace kestrelon
