#include "production/production_log.h"

#include "support/station_bench.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>

namespace kestrelon {
namespace {

namespace fs = std::filesystem;
using test::StationBench;
using testing_support::readFile;

// A virtual clock whose local date-time reads come from a list.
class ScriptedDateClock : public VirtualClock {
public:
    std::deque<LocalDateTime> reads;
    LocalDateTime localNow() override {
        const LocalDateTime t = reads.front();
        if (reads.size() > 1) reads.pop_front();
        return t;
    }
};

TEST(ProductionLog, LineFormat) {
    EXPECT_EQ(ProductionLog::formatLine({2026, 3, 7, 9, 5, 3}, "12-34-56", "1201-4142-0001", "0A0B-0C0D-0E0F"),
              "2026-03-07 09:05:03,123456,120141420001,0A0B0C0D0E0F");
    // TX serial numbers off: an empty last field.
    EXPECT_EQ(ProductionLog::formatLine({2026, 12, 31, 23, 59, 59}, "ABCDEF", "", ""), "2026-12-31 23:59:59,ABCDEF,,");
}

TEST(ProductionLog, AUnitPassingAtMidnightLandsInTheNextDaysFile) {
    testing_support::TempDir dir;
    const std::string root = fs::path(dir.file("x")).parent_path().string();
    ProductionLog log(root);
    log.createFolder();
    ScriptedDateClock clock;
    clock.reads = {{2026, 3, 7, 23, 59, 59, 999}, {2026, 3, 8, 0, 0, 0, 0}};
    std::string error;
    ASSERT_TRUE(log.append(clock, "123456", "", "", error)) << error;
    EXPECT_FALSE(fs::exists(fs::path(root) / "Log" / "2026-03-07.txt"));
    EXPECT_EQ(readFile((fs::path(root) / "Log" / "2026-03-08.txt").string()), "2026-03-07 23:59:59,123456,,\r\n");
}

// The line with the clock time's digits masked as 9s.
std::string withoutTime(std::string line) {
    for (size_t i = 11; i < 19 && i < line.size(); ++i)
        if (line[i] != ':') line[i] = '9';
    return line;
}

std::string field(std::string text) {
    std::erase(text, '-');
    return text;
}

struct LogBench : StationBench {
    LogBench() {
        clock.setLocalStart({2026, 3, 7, 10, 20, 30, 0});
        startUp();
        sequentialIds(0x123456, 0xABCDEF);
        st->generators.RxSN->setIsSN(true);
        st->generators.TxSN->setIsSN(false);
        ready = plugAndDetect();
    }
    std::string logFile() const { return (fs::path(directory()) / "Log" / "2026-03-07.txt").string(); }
    bool ready = false;
};

TEST(ProductionLog, PassingUnitsOfADayShareOneFile) {
    if constexpr (!LogEnabled) GTEST_SKIP() << "the production log is not built in";
    LogBench b;
    ASSERT_TRUE(b.ready);
    ASSERT_TRUE(b.go().passed);
    const std::string rxSn = field(b.st->production.lastUnit().rxSn);
    ASSERT_EQ(rxSn.size(), 12u);
    const std::string text = readFile(b.logFile());
    EXPECT_EQ(withoutTime(text), "2026-03-07 99:99:99,123456," + rxSn + ",\r\n");

    // A failed unit leaves no trace; the next passing one appends.
    ASSERT_TRUE(b.nextUnit(sim::PairConfig{.seed = 5}));
    b.pair->armFaults(test::makeFaults([](auto& f) { f.mouseSilentAfterReload = true; }));
    ASSERT_FALSE(b.go().passed);
    EXPECT_EQ(readFile(b.logFile()), text);
    ASSERT_TRUE(b.nextUnit(sim::PairConfig{.seed = 6}));
    ASSERT_TRUE(b.go().passed);
    const std::string two = readFile(b.logFile());
    ASSERT_EQ(two.rfind(text, 0), 0u);
    const UnitRecord& r = b.st->production.lastUnit();
    EXPECT_EQ(withoutTime(two.substr(text.size())), "2026-03-07 99:99:99," + r.rfId + "," + field(r.rxSn) + ",\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(fs::path(b.directory()) / "Log"), fs::directory_iterator{}), 1);
}

TEST(ProductionLog, ALogThatCannotBeWrittenDoesNotStopTheLine) {
    if constexpr (!LogEnabled) GTEST_SKIP() << "the production log is not built in";
    StationBench b;
    testing_support::writeFile(b.dir.file("Log"), "a file where the folder should be");
    b.startUp();
    b.sequentialIds(0x123456, 0xABCDEF);
    ASSERT_TRUE(b.plugAndDetect());
    const UnitRecord& r = b.go();
    EXPECT_TRUE(r.passed);
    EXPECT_EQ(b.st->ui.result->lblResult, "PASS");
    EXPECT_EQ(b.st->generators.RxRFID->IncCurrentRFID(), 0x123456);
    EXPECT_TRUE(fs::exists(b.settingsPath()));
    EXPECT_FALSE(b.st->link.hasDevice());
    EXPECT_TRUE(WindowTimers::on(b.st->timers.DetectHIDDeviceCounter));
    const auto texts = b.messageTexts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_NE(texts[0].find("2009-01-01.txt"), std::string::npos) << texts[0];
}

TEST(ProductionLog, SwitchedOffNothingIsWritten) {
    if constexpr (LogEnabled) GTEST_SKIP() << "the production log is built in";
    LogBench b;
    ASSERT_TRUE(b.ready);
    ASSERT_TRUE(b.go().passed);
    EXPECT_FALSE(fs::exists(fs::path(b.directory()) / "Log"));
}

} // namespace
} // namespace kestrelon
