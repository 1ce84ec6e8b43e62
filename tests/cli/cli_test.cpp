// The command line as an engineer and a planner use it: exit codes, the
// engineering round trip through a kept simulated pair, and the line run.
#include "cli/cli.h"
#include "platform/file_lock.h"
#include "platform/virtual_clock.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;
using kestrelon::cli::runCli;

namespace {

struct Result {
    int code;
    std::string out, err;
};

// Every test runs in a folder of its own: the tool reads and writes its
// files in the current folder.
class Cli : public ::testing::Test {
protected:
    void SetUp() override {
        old_ = fs::current_path();
        dir_ = fs::temp_directory_path() /
               ("kestrelon-cli-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        fs::current_path(dir_);
    }
    void TearDown() override {
        fs::current_path(old_);
        fs::remove_all(dir_);
    }
    Result cli(std::vector<std::string> args) {
        std::ostringstream out, err;
        const int code = runCli(args, out, err);
        return {code, out.str(), err.str()};
    }
    std::vector<nlohmann::json> records(const std::string& out) {
        std::vector<nlohmann::json> r;
        std::istringstream in(out);
        for (std::string line; std::getline(in, line);) r.push_back(nlohmann::json::parse(line));
        return r;
    }
    fs::path old_, dir_;
};

TEST_F(Cli, UsageErrorsExitTwoWithOneLine) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {}, {"frobnicate"}, {"devices", "--nope"}, {"rx-read"}, {"rx-read", "64", "--sim"},
             {"tx-write", "0x80", "1", "--sim"}, {"tx-write", "1", "0x100", "--sim"}, {"rx-write", "1", "x", "--sim"},
             {"run", "--fast"}, {"run", "--sim", "--units", "0"}, {"run", "--sim", "--sim-fault", "melt:3"},
             {"numbers", "--count", "zero"}, {"--sim-state"}}) {
        const Result r = cli(args);
        EXPECT_EQ(r.code, 2) << ::testing::PrintToString(args);
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_TRUE(r.out.empty());
    }
}

TEST_F(Cli, HelpOnEveryCommandAndOptionsOnEitherSide) {
    for (const char* c : {"run", "devices", "info", "rx-read", "rx-write", "tx-read", "tx-write", "rx-dump", "tx-dump",
                          "numbers"}) {
        const Result r = cli({c, "--help"});
        EXPECT_EQ(r.code, 0) << c;
        EXPECT_NE(r.out.find("Usage:"), std::string::npos) << c;
    }
    EXPECT_EQ(cli({"--sim", "devices"}).code, 0);
    EXPECT_EQ(cli({"devices", "--sim"}).code, 0);
}

TEST_F(Cli, DevicesShowsTheReceiversInterfaces) {
    const Result r = cli({"devices", "--sim"});
    ASSERT_EQ(r.code, 0);
    EXPECT_NE(r.out.find("F3D7:053A A011    9       dongle"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("F3D7:053A A011    0       dongle IDs, no feature reports"), std::string::npos);
}

TEST_F(Cli, EngineeringRoundTripThroughAKeptPair) {
    const Result info = cli({"--sim", "--sim-state", "pair.json", "info"});
    ASSERT_EQ(info.code, 0) << info.err;
    EXPECT_NE(info.out.find("model: 01"), std::string::npos);
    EXPECT_NE(info.out.find("mouse: answers over RF, chip byte 33"), std::string::npos);

    EXPECT_EQ(cli({"rx-write", "0x2F", "0x40BF", "--sim-state", "pair.json"}).code, 0);
    EXPECT_EQ(cli({"rx-read", "0x2F", "--sim-state", "pair.json"}).out, "40BF\n");
    EXPECT_EQ(cli({"tx-write", "0x12", "0x33", "--sim-state", "pair.json"}).code, 0);
    EXPECT_EQ(cli({"tx-read", "18", "--sim-state", "pair.json"}).out, "33\n");
    // A fresh pair knows nothing of it.
    EXPECT_EQ(cli({"rx-read", "0x2F", "--sim"}).out, "FFFF\n");

    const Result dump = cli({"rx-dump", "--sim-state", "pair.json"});
    EXPECT_NE(dump.out.find("28: FFFF FFFF FFFF FFFF FFFF FFFF FFFF 40BF"), std::string::npos) << dump.out;
}

TEST_F(Cli, ABrokenStateFileIsRefused) {
    std::ofstream("pair.json") << "{not json";
    const Result r = cli({"info", "--sim-state", "pair.json"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("pair.json"), std::string::npos);
}

TEST_F(Cli, RunProgramsUnitsAndContinuesNumberingAcrossRuns) {
    // Sequential IDs and serial numbers on, so repeats would show.
    std::ofstream("TX.ini") << "[TX]\r\n"
                               "RXSNINFO=object TProdSN;  IsSN = True;  IsDate = False;  FixSNByteCount = 2;  "
                               "FixSN = 16706;  IncSNByteCount = 4;  IncInitSN = 1;  IsFixAscii = True;end;\r\n"
                               "TXSNINFO=object TProdSN;  IsSN = True;  IsDate = False;  FixSNByteCount = 2;  "
                               "FixSN = 16706;  IncSNByteCount = 4;  IncInitSN = 1;  IsFixAscii = True;end;\r\n"
                               "RXRFIDINFO=object TProdRFID;  IsRandom = False;  IncInitRFID = 1193046;end;\r\n"
                               "TXRFIDINFO=object TProdRFID;  IsRandom = False;  IncInitRFID = 11259375;end;\r\n";
    std::set<std::string> seen;
    for (int round = 0; round < 2; ++round) {
        const Result r = cli({"run", "--sim", "--fast", "--units", "3", "--json", "--dump-eeprom", "dump.json"});
        ASSERT_EQ(r.code, 0) << r.err;
        const auto recs = records(r.out);
        ASSERT_EQ(recs.size(), 3u);
        for (const auto& rec : recs) {
            EXPECT_EQ(rec["result"], "PASS");
            EXPECT_EQ(rec["reason"], "");
            for (const char* key : {"rx_rfid", "tx_rfid", "rx_sn", "tx_sn"}) {
                const std::string v = std::string(key) + "=" + rec[key].get<std::string>();
                EXPECT_TRUE(seen.insert(v).second) << "repeated " << v;
            }
        }
        const auto dump = nlohmann::json::parse(std::ifstream("dump.json"));
        ASSERT_EQ(dump.size(), 3u);
        // The dongle carries the RX ID the record names, bit 7 set, checked.
        const int rx = std::stoi(recs[0]["rx_rfid"].get<std::string>(), nullptr, 16);
        const int hi = ((rx >> 16) & 0xFF) | 0x80;
        EXPECT_EQ(dump[0]["dongle"][0].get<int>(), hi * 256 + (hi ^ 0xFF));
        EXPECT_EQ(dump[0]["mouse"][0x0C].get<int>(), hi);
    }
    const Result next = cli({"numbers", "--settings", "TX.ini", "--count", "3", "--json"});
    ASSERT_EQ(next.code, 0) << next.err;
    for (const auto& rec : records(next.out))
        for (const char* key : {"rx_rfid", "tx_rfid", "rx_sn", "tx_sn"})
            EXPECT_FALSE(seen.count(std::string(key) + "=" + rec[key].get<std::string>())) << rec.dump();
}

TEST_F(Cli, RunProgramsNothingOnASettingsFileInUseOrUnreadable) {
    kestrelon::VirtualClock clock;
    std::ofstream("TX.ini") << "[TX]\r\nDelay=5\r\n";
    auto held = kestrelon::FileLock::Acquire("TX.ini.lock", 0, clock);   // another copy of the program
    ASSERT_TRUE(held.lock);
    fs::create_directory("folder.ini");
    struct Case {
        std::string settings, error;
    };
    const std::string holder = "in use by another copy of the program (process " + std::to_string(::getpid());
    for (const Case& c : {Case{"TX.ini", holder}, Case{"folder.ini", "folder.ini: it is a folder"},
                          Case{"", "no file name was given"}}) {
        const Result r = cli({"run", "--sim", "--fast", "--json", "--settings", c.settings});
        EXPECT_EQ(r.code, 2) << c.settings;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_NE(r.err.find(c.error), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
    std::ifstream in("TX.ini");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "[TX]\r\nDelay=5\r\n");

    // A damaged file: numbers says so, and writes nothing (no copy either).
    std::ofstream("bad.ini") << "\x01\x02garbage";
    const Result numbers = cli({"numbers", "--settings", "bad.ini"});
    EXPECT_EQ(numbers.code, 1);
    EXPECT_NE(numbers.err.find("bad.ini is damaged"), std::string::npos) << numbers.err;
    for (const auto& e : fs::directory_iterator("."))
        EXPECT_EQ(e.path().filename().string().find(".damaged-"), std::string::npos) << e.path();
}

TEST_F(Cli, EveryFaultKindFailsWithoutMovingACounter) {
    for (const std::string fault : {"unplug:40", "noanswer:30", "xfer-error:25", "mouse-silent", "readback:0x2E"}) {
        std::ofstream("TX.ini", std::ios::trunc)
            << "[TX]\r\nRXSNINFO=object TProdSN;  IsSN = True;  IsDate = False;  FixSNByteCount = 2;  "
               "FixSN = 16706;  IncSNByteCount = 4;  IncInitSN = 1;  IsFixAscii = True;end;\r\n";
        const Result first = cli({"run", "--sim", "--fast", "--json", "--units", "2", "--sim-fault", fault + "@1"});
        EXPECT_EQ(first.code, 1) << fault << first.err;
        const auto recs = records(first.out);
        ASSERT_EQ(recs.size(), 2u) << fault;
        EXPECT_EQ(recs[0]["result"], "FAIL") << fault;
        EXPECT_NE(recs[0]["reason"], "") << fault;
        EXPECT_EQ(recs[1]["result"], "PASS") << fault << " " << recs[1].dump();
        // The failed unit took no serial number: the next one gets the first.
        EXPECT_EQ(recs[1]["rx_sn"], "4142-00000001") << fault;
    }
}

} // namespace
