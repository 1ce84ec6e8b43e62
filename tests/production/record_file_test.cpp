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

TEST(RecordFile, EveryUnitIsRecordedBeforeItsFirstByteAndAgainWithItsVerdict) {
    test::StationBench b;
    b.startUp();
    b.sequentialIds(0x123456, 0xABCDEF);
    // Records are on unless switched off: beside the settings file.
    const std::string path = b.directory() + "/records.jsonl";
    ASSERT_EQ(std::filesystem::path(b.st->production.recordPath()), std::filesystem::path(path));
    size_t linesAtFirstSend = 0;
    b.backend.onSet = [&](const CommandFrame& f) {
        if (b.sent.empty()) linesAtFirstSend = lines(path).size();
        b.sent.push_back(f);
    };
    ASSERT_TRUE(b.plugAndDetect());
    b.sent.clear();
    ASSERT_TRUE(b.go().passed);
    EXPECT_EQ(linesAtFirstSend, 1u);
    ASSERT_TRUE(b.nextUnit());
    b.pair->armFaults(test::makeFaults([](auto& f) { f.mouseSilentAfterReload = true; }));
    b.sent.clear();
    ASSERT_FALSE(b.go().passed);
    EXPECT_EQ(linesAtFirstSend, 3u);

    const auto recs = lines(path);
    ASSERT_EQ(recs.size(), 4u);
    const std::vector<std::string> events{"started", "pass", "started", "fail"};
    for (size_t i = 0; i < recs.size(); ++i) {
        EXPECT_EQ(recs[i]["schema"], kRecordSchema);
        EXPECT_EQ(recs[i]["event"], events[i]);
        EXPECT_EQ(recs[i]["unit"], recs[i & ~size_t{1}]["unit"]) << "a unit's two lines share its id";
        EXPECT_EQ(recs[i]["rx_rfid"], recs[i & ~size_t{1}]["rx_rfid"]);
    }
    EXPECT_NE(recs[0]["unit"], recs[2]["unit"]);
    EXPECT_EQ(recs[0]["rx_rfid"], "123456");
    EXPECT_EQ(recs[0]["tx_rfid"], "ABCDEF");
    EXPECT_EQ(recs[1]["result"], "PASS");
    EXPECT_EQ(recs[1]["vid"], "F3D7");
    EXPECT_EQ(recs[1]["model"], "01");
    EXPECT_EQ(recs[1]["failed_step"], "");
    EXPECT_EQ(recs[3]["result"], "FAIL");
    EXPECT_EQ(recs[3]["failed_step"], b.st->production.lastUnit().reason);
    EXPECT_EQ(recs[3]["start"].get<std::string>().size(), std::string("2009-01-01T08:00:00.000+00:00").size());

    // A record that cannot be written: the unit is refused before anything
    // reaches a device and the message names the file; as after a failed
    // unit, the RF IDs stay taken.
    b.st->companion.recordFile = "no-such-folder/units.jsonl";
    ASSERT_TRUE(b.nextUnit());
    b.recorded.clear();
    b.sent.clear();
    const int32_t nextRx = b.st->generators.RxRFID->IncPrevRFID();
    EXPECT_TRUE(b.go().refused);
    EXPECT_TRUE(b.sent.empty());
    ASSERT_EQ(b.messageTexts().size(), 1u);
    EXPECT_NE(b.messageTexts()[0].find("no-such-folder/units.jsonl"), std::string::npos);
    EXPECT_GT(b.st->generators.RxRFID->IncPrevRFID(), nextRx) << "the RF IDs stay taken";

    b.st->companion.recordFile.clear();
    b.options([](ProductSettings& o) { o.RecordFile = kRecordFileOff; });
    EXPECT_EQ(b.st->production.recordPath(), "");
    EXPECT_TRUE(b.go().passed);
    EXPECT_EQ(lines(path).size(), 4u);
}

} // namespace
} // namespace kestrelon
