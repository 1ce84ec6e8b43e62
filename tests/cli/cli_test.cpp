// The command line as an engineer and a planner use it: exit codes, the
// engineering round trip through a kept simulated pair, and the line run.
#include "cli/cli.h"
#include "platform/file_lock.h"
#include "platform/version.h"
#include "platform/virtual_clock.h"
#include "numbering/prod_sn.h"
#include "platform/steady_clock.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <atomic>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>
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
        // Writable again first: Windows removes no read-only file.
        for (const auto& e : fs::recursive_directory_iterator(dir_))
            if (!e.is_symlink()) fs::permissions(e.path(), fs::perms::owner_write, fs::perm_options::add);
        fs::remove_all(dir_);
    }
    Result cli(std::vector<std::string> args) {
        std::ostringstream out, err;
        const int code = runCli(args, out, err);
        return {code, out.str(), err.str()};
    }
    static std::string readText(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
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
             {"numbers", "--count", "zero"}, {"--sim-state"}, {"rx-read", "1", "--sim", "--vid", "0x12"},
             {"run", "--settings", "--sim"}, {"run", "--sim", "--dump-eeprom="}, {"info", "--sim-state", ""}}) {
        const Result r = cli(args);
        EXPECT_EQ(r.code, 2) << ::testing::PrintToString(args);
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_TRUE(r.out.empty());
    }
}

TEST_F(Cli, HelpOnEveryCommandAndOptionsOnEitherSide) {
    for (const auto& c : kestrelon::cli::allCommands()) {
        const Result r = cli({c.name, "--help"});
        EXPECT_EQ(r.code, 0) << c.name;
        for (const char* part : {"Usage:", "\nExit status:\n  0 ", "\nExample:\n  kestrelon-mfg-cli "})
            EXPECT_NE(r.out.find(part), std::string::npos) << c.name << ": " << part;
    }
    EXPECT_NE(cli({"--help"}).out.find("docs/line-setup.md"), std::string::npos);
    EXPECT_EQ(cli({"numbers", "--version"}).out, std::string("kestrelon-mfg-cli ") + kestrelon::kProgramVersion + "\n");
    EXPECT_EQ(cli({"--sim", "devices"}).code, 0);
    EXPECT_EQ(cli({"devices", "--sim"}).code, 0);
}

TEST_F(Cli, DevicesShowsTheReceiversInterfaces) {
    const Result r = cli({"devices", "--sim"});
    ASSERT_EQ(r.code, 0);
    EXPECT_NE(r.out.find("F3D7:053A A011    9       dongle"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("F3D7:053A A011    0       dongle IDs, no feature reports"), std::string::npos);

    // Receivers of the settings file's "Device" section count as known.
    std::ofstream("TX.ini") << "[Device]\r\n0=0B051866\r\n";
    const Result withFile = cli({"devices", "--sim", "--settings", "TX.ini"});
    EXPECT_NE(withFile.out.find("0B05:1866 0100    65      dongle IDs, report too long"), std::string::npos)
        << withFile.out;
}

TEST_F(Cli, EngineeringRoundTripThroughAKeptPair) {
    const Result info = cli({"--sim", "--sim-state", "pair.json", "info"});
    ASSERT_EQ(info.code, 0) << info.err;
    EXPECT_NE(info.out.find("model: 01"), std::string::npos);
    EXPECT_NE(info.out.find("mouse: answers over RF, chip byte 33"), std::string::npos);
    EXPECT_NE(info.out.find("RX lamp: green, Mouse RX Ready\nTX lamp: green, Mouse TX Ready"), std::string::npos);
    EXPECT_NE(info.out.find("RF channel: 16\n"), std::string::npos) << info.out;

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

    // Numbers that do not fit are refused, not cut to size.
    ASSERT_EQ(cli({"rx-read", "0", "--sim-state", "good.json"}).code, 0);
    const auto good = nlohmann::json::parse(std::ifstream("good.json"));
    for (const auto& [pointer, value] : std::vector<std::pair<std::string, nlohmann::json>>{
             {"/pair/product_id", 70000}, {"/pair/sensor_code", 300}, {"/pair/seed", -1}, {"/pair/model", 1e30},
             {"/pair/model", 1.0}, {"/pair/dongle_eeprom/3", 0x10000}, {"/pair/ids/keyboard/0", "1"}}) {
        auto bad = good;
        bad[nlohmann::json::json_pointer(pointer)] = value;
        std::ofstream("pair.json", std::ios::trunc) << bad.dump();
        const Result refused = cli({"info", "--sim-state", "pair.json"});
        EXPECT_EQ(refused.code, 1) << pointer;
        EXPECT_NE(refused.err.find("cannot read simulation state"), std::string::npos) << pointer << refused.err;
    }
}

TEST_F(Cli, TheStateIsReplacedThroughANewFileAndTheMouseLeftOutOfAccessMode) {
    ASSERT_EQ(cli({"rx-read", "0", "--sim-state", "pair.json"}).code, 0);
    auto state = nlohmann::json::parse(std::ifstream("pair.json"));
    state["pair"]["mouse_access"] = true;
    std::ofstream("pair.json", std::ios::trunc) << state.dump();
    // A link planted where a fixed temporary name would go is not followed
    // (where the system lets anyone make one: on Windows only administrators).
    std::ofstream("victim") << "keep";
    std::error_code noLinks;
    fs::create_symlink("victim", "pair.json.tmp", noLinks);

    ASSERT_EQ(cli({"rx-read", "0", "--sim-state", "pair.json"}).code, 0);
    EXPECT_FALSE(nlohmann::json::parse(std::ifstream("pair.json"))["pair"]["mouse_access"].get<bool>());
    std::string victim;
    std::getline(std::ifstream("victim"), victim);
    EXPECT_EQ(victim, "keep");
    // No temporary file left.
    EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), noLinks ? 2 : 3);
}

TEST_F(Cli, FilesThatCannotWorkStopTheCommandBeforeAnyUnit) {
    fs::create_directory("folder");
    const std::vector<std::pair<std::vector<std::string>, int>> cases = {
        {{"info", "--sim-state", "folder"}, 1},
        {{"run", "--sim-state", "missing/pair.json"}, 1},
        {{"numbers", "--settings", "folder"}, 1},
        {{"numbers", "--settings", "missing/TX.ini"}, 1},
        {{"numbers", "--settings", "nothere.ini"}, 1},
        {{"numbering", "show", "--settings", "nothere.ini"}, 1},
        {{"devices", "--sim", "--settings", "nothere.ini"}, 1},
        {{"devices", "--sim", "--settings", "folder"}, 1},
        {{"run", "--sim", "--settings", "folder"}, 2},
        {{"run", "--sim", "--settings", "missing/TX.ini"}, 2},
        {{"run", "--sim", "--dump-eeprom", "folder"}, 2},
        {{"run", "--sim", "--dump-eeprom", "missing/dump.json"}, 2},
        {{"run", "--sim", "--record", "folder"}, 2},
        {{"run", "--sim", "--record", "missing/units.jsonl"}, 2},
    };
    for (const auto& [args, code] : cases) {
        const Result r = cli(args);
        EXPECT_EQ(r.code, code) << ::testing::PrintToString(args) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
    EXPECT_FALSE(fs::exists("TX.ini"));
}

TEST_F(Cli, InfoFailsWhenTheWindowWouldShowAReceiverOrMouseNotReady) {
    ASSERT_EQ(cli({"rx-read", "0", "--sim-state", "pair.json"}).code, 0);
    auto state = nlohmann::json::parse(std::ifstream("pair.json"));
    state["pair"]["mouse_powered"] = false;
    std::ofstream("silent.json") << state.dump();
    for (const auto& [args, lamps] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"info", "--sim", "--model", "02"}, "RX lamp: red, Mouse RX Not Ready\nTX lamp: red, Mouse TX Ready"},
             {{"info", "--sim-state", "silent.json"}, "RX lamp: green, Mouse RX Ready\nTX lamp: off, Mouse TX Not Ready"}}) {
        const Result r = cli(args);
        EXPECT_EQ(r.code, 1) << ::testing::PrintToString(args);
        EXPECT_NE(r.out.find(lamps), std::string::npos) << r.out;
        EXPECT_NE(r.err.find("not ready: "), std::string::npos) << r.err;
    }
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
            EXPECT_EQ(rec["failed_step"], "");
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
    std::ofstream("ro.ini") << "[TX]\r\nDelay=5\r\n";
    fs::permissions("ro.ini", fs::perms::owner_read);
    struct Case {
        std::string settings, error;
    };
    const std::string holder = "in use by another copy of the program (process " + std::to_string(::getpid());
    for (const Case& c : {Case{"TX.ini", holder}, Case{"folder.ini", "folder.ini: is a folder"},
                          Case{"ro.ini", "ro.ini: the file is read-only"},
                          Case{"", "--settings needs a file name"}}) {
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

TEST_F(Cli, FastRunsStampTodaysDate) {
    std::ofstream("TX.ini") << "[TX]\r\nRXSNINFO=object TProdSN;  IsSN = True;  IsDate = True;  FixSNByteCount = 2;  "
                               "FixSN = 16706;  IncSNByteCount = 2;  IncInitSN = 1;  IsFixAscii = True;end;\r\n";
    auto code = [] {
        const kestrelon::LocalDateTime t = kestrelon::systemLocalNow();
        char buf[8];
        std::snprintf(buf, sizeof buf, "%04X", (t.year % 100) * 512 + kestrelon::YearDayOf(t));
        return std::string(buf);
    };
    const std::string before = code();
    const Result r = cli({"run", "--sim", "--fast", "--json"});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string date = records(r.out).at(0)["rx_sn"].get<std::string>().substr(0, 4);
    EXPECT_TRUE(date == before || date == code()) << date;
}

TEST_F(Cli, RunRecordsEveryAttemptAndEndsWithASummary) {
    const Result r = cli({"run", "--sim", "--fast", "--units", "5", "--json", "--record", "units.jsonl", "--sim-fault",
                          "noanswer:30@3"});
    EXPECT_EQ(r.code, 1) << r.err;
    const auto shown = records(r.out);
    std::ifstream in("units.jsonl");
    std::ostringstream kept;
    kept << in.rdbuf();
    const auto lines = records(kept.str());
    ASSERT_EQ(lines.size(), 10u);
    ASSERT_EQ(shown.size(), 5u);
    for (size_t i = 0; i < 5; ++i) {
        // Each unit: its reservation, then its outcome, which is exactly what
        // run --json showed.
        const auto& started = lines[2 * i];
        const auto& outcome = lines[2 * i + 1];
        EXPECT_EQ(started["event"], "started");
        EXPECT_EQ(started["unit"], outcome["unit"]);
        EXPECT_EQ(started["rx_rfid"], outcome["rx_rfid"]);
        EXPECT_EQ(outcome["result"], i == 2 ? "FAIL" : "PASS") << outcome.dump();
        EXPECT_EQ(outcome, shown[i]);
    }
    EXPECT_NE(lines[5]["failed_step"], "");
    EXPECT_NE(r.err.find("summary: 5 units, 4 passed, 1 failed, yield 80.0 %, cycle time mean "), std::string::npos)
        << r.err;

    // The settings' RecordFile, unless --record names another file.
    std::ofstream("TX.ini", std::ios::trunc) << "[TX]\r\nRecordFile=station.jsonl\r\n";
    EXPECT_EQ(cli({"run", "--sim", "--fast"}).code, 0);
    EXPECT_EQ(cli({"run", "--sim", "--fast", "--record", "other.jsonl"}).code, 0);
    EXPECT_EQ(records(std::string(std::istreambuf_iterator<char>(std::ifstream("station.jsonl").rdbuf()), {})).size(), 2u);
    EXPECT_TRUE(fs::exists("other.jsonl"));

    // A record that cannot be written: the unit is refused before anything
    // reaches a device, with one line.
    if (fs::exists("/dev/full")) {
        const Result full = cli({"run", "--sim", "--fast", "--units", "2", "--record", "/dev/full"});
        EXPECT_EQ(full.code, 2) << full.err;
        EXPECT_EQ(full.out, "");
        EXPECT_NE(full.err.find("Unable to write the unit record to /dev/full: No space left on device"),
                  std::string::npos)
            << full.err;
    }
}

TEST_F(Cli, WatchPrintsEachChangeOfTheLampsAndGo) {
    const Result r = cli({"watch", "--sim", "--for", "0"});
    ASSERT_EQ(r.code, 0) << r.err;
    std::istringstream in(r.out);
    std::vector<std::string> states;
    for (std::string stamp, state; in >> stamp && std::getline(in, state);) states.push_back(state);
    EXPECT_EQ(states, (std::vector<std::string>{" RX=off TX=off Go=off", " RX=green TX=off Go=off",
                                                " RX=green TX=green Go=off", " RX=green TX=green Go=on"}));
    EXPECT_FALSE(fs::exists("TX.ini"));
}

TEST_F(Cli, EveryFaultKindFailsWithoutMovingACounter) {
    for (const std::string fault :
         {"noanswer:1", "unplug:40", "noanswer:30", "xfer-error:25", "mouse-silent", "readback:0x2E"}) {
        std::ofstream("TX.ini", std::ios::trunc)
            << "[TX]\r\nRXSNINFO=object TProdSN;  IsSN = True;  IsDate = False;  FixSNByteCount = 2;  "
               "FixSN = 16706;  IncSNByteCount = 4;  IncInitSN = 1;  IsFixAscii = True;end;\r\n";
        const Result first = cli({"run", "--sim", "--fast", "--json", "--units", "2", "--sim-fault", fault + "@1"});
        EXPECT_EQ(first.code, 1) << fault << first.err;
        const auto recs = records(first.out);
        ASSERT_EQ(recs.size(), 2u) << fault;
        EXPECT_EQ(recs[0]["result"], "FAIL") << fault;
        EXPECT_NE(recs[0]["failed_step"], "") << fault;
        // No RX ID in the record unless the unit got one (rf_id shows it).
        EXPECT_EQ(recs[0]["rx_rfid"], recs[0]["rf_id"]) << fault;
        EXPECT_EQ(recs[1]["result"], "PASS") << fault << " " << recs[1].dump();
        // The failed unit took no serial number: the next one gets the first.
        EXPECT_EQ(recs[1]["rx_sn"], "4142-00000001") << fault;
    }
}

// Each rule of the window's numbering panel, reached through numbering set:
// refused (exit 2, one line, the file as it was) or what the panel makes of it.
TEST_F(Cli, NumberingSetFollowsThePanelsRules) {
    struct Case {
        std::vector<std::string> before, args;
        int code;
        std::string shown;   // in the error line, or in the output
    };
    const std::vector<Case> cases = {
        {{}, {"--rx-date", "off", "--rx-fixed-bytes", "7"}, 2, "has 6 bytes in all, and the numbering panel makes them 6 fixed + 0"},
        {{}, {"--rx-date", "on", "--rx-fixed-bytes", "5"}, 2, "has 4 bytes besides the date"},
        {{}, {"--rx-date", "off", "--rx-fixed-bytes", "3", "--rx-inc-bytes", "2"}, 2, "makes them 4 fixed + 2"},
        {{}, {"--rx-fixed-format", "hex", "--rx-fixed", "12G4"}, 2, "--rx-fixed: '$012G4' is not a valid integer value"},
        {{}, {"--tx-rfid", "12X4"}, 2, "--tx-rfid: '$012X4' is not a valid integer value"},
        {{}, {"--rx-fixed", "ABC"}, 2, "fixed part of 2 bytes: at most 2 characters"},
        {{}, {"--rx-date", "off", "--rx-fixed-bytes", "0", "--rx-fixed", "AB"}, 2, "has no fixed part"},
        {{}, {"--rx-start", "65536"}, 2, "does not fit the RX incrementing part of 2 bytes (at most 65535)"},
        {{}, {"--rx-rfid", "random", "--tx-rfid", "123456"}, 2, "both RF IDs are random or both sequential"},
        {{}, {"--rx-sn", "maybe"}, 2, "--rx-sn takes on or off"},
        {{}, {"--rx-start", "0x10"}, 2, "needs a decimal number"},
        {{}, {"--rx-rfid", "1234567"}, 2, "up to 6 hex digits"},
        // The date takes its two bytes from a fixed part of four: "ABCD" keeps "CD".
        {{"--tx-sn", "on", "--tx-date", "off", "--tx-fixed-bytes", "4", "--tx-fixed", "ABCD"}, {"--tx-date", "on"}, 0,
         "TX serial number: on: date (2 bytes) + fixed \"CD\" (2 bytes, ASCII) + incrementing (2 bytes)"},
        // HEX empties the fixed part.
        {{"--rx-sn", "on", "--rx-fixed", "AB"}, {"--rx-fixed-format", "hex"}, 0, "fixed \"0000\" (2 bytes, hex)"},
        // One mode for both RF IDs, whichever row asked.
        {{}, {"--tx-rfid", "223456"}, 0, "RX RF ID: sequential"},
        {{"--rx-rfid", "123456"}, {"--tx-rfid", "random"}, 0, "RX RF ID: random\nTX RF ID: random"},
    };
    for (const Case& c : cases) {
        fs::remove("TX.ini");
        if (!c.before.empty()) {
            std::vector<std::string> before{"numbering", "set"};
            before.insert(before.end(), c.before.begin(), c.before.end());
            ASSERT_EQ(cli(before).code, 0) << ::testing::PrintToString(c.before);
        }
        const std::string kept = fs::exists("TX.ini") ? readText("TX.ini") : "";
        std::vector<std::string> args{"numbering", "set"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Result r = cli(args);
        EXPECT_EQ(r.code, c.code) << ::testing::PrintToString(c.args) << r.err;
        EXPECT_NE((c.code ? r.err : r.out).find(c.shown), std::string::npos) << r.err << r.out;
        if (c.code == 0) continue;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(fs::exists("TX.ini") ? readText("TX.ini") : "", kept) << "saved after a refusal";
    }
    EXPECT_EQ(cli({"numbering", "show", "--rx-sn", "on"}).code, 2);
    EXPECT_EQ(cli({"numbering", "set"}).code, 2);
    EXPECT_EQ(cli({"numbering", "list"}).code, 2);
}

TEST_F(Cli, NumberingSetThenNumbersShowsTheNumbersAskedFor) {
    const Result set = cli({"numbering", "set", "--rx-sn", "on", "--rx-date", "off", "--rx-fixed-bytes", "2",
                            "--rx-fixed", "AB", "--rx-start", "1", "--rx-rfid", "123456", "--tx-rfid", "0x223456"});
    ASSERT_EQ(set.code, 0) << set.err;
    EXPECT_NE(set.out.find("RX serial number: on: fixed \"AB\" (2 bytes, ASCII) + incrementing (4 bytes), next "
                           "4142-00000001\nTX serial number: off: the device keeps the serial number it has\n"
                           "RX RF ID: sequential, next 123456\nTX RF ID: sequential, next 223456\n"),
              std::string::npos)
        << set.out;
    EXPECT_NE(set.out.find("3      4142-00000003    -                123458   223458"), std::string::npos) << set.out;

    const Result next = cli({"numbers", "--settings", "TX.ini", "--count", "2", "--json"});
    ASSERT_EQ(next.code, 0) << next.err;
    const auto units = records(next.out);
    EXPECT_EQ(units[0]["rx_sn"], "4142-00000001");
    EXPECT_EQ(units[1]["rx_sn"], "4142-00000002");
    EXPECT_EQ(units[0]["rx_rfid"], "123456");
    EXPECT_EQ(units[0]["tx_rfid"], "223456");
    // The line gives the first unit just those.
    const Result run = cli({"run", "--sim", "--fast", "--json"});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(records(run.out)[0]["rx_sn"], "4142-00000001");
    EXPECT_EQ(records(run.out)[0]["rx_rfid"], "123456");

    // A start typed again restarts the sequence where the line has moved on.
    ASSERT_EQ(cli({"numbering", "set", "--rx-start", "1"}).code, 0);
    EXPECT_EQ(records(cli({"numbers", "--json"}).out)[0]["rx_sn"], "4142-00000001");

    // Damaged generators stop the line until numbering set gives them again.
    std::ofstream("TX.ini", std::ios::trunc) << "[TX]\r\nRXSNINFO=object TProdSN;  IsSN = Tr\r\n";
    const Result stopped = cli({"run", "--sim", "--fast"});
    EXPECT_EQ(stopped.code, 2);
    EXPECT_NE(stopped.err.find("numbers --settings"), std::string::npos) << stopped.err;
    const Result again = cli({"numbering", "set", "--rx-sn", "on", "--rx-start", "7"});
    ASSERT_EQ(again.code, 0) << again.err;
    EXPECT_NE(again.err.find("damaged numbering"), std::string::npos) << again.err;
    const Result resumed = cli({"run", "--sim", "--fast", "--json"});
    ASSERT_EQ(resumed.code, 0) << resumed.err;
    const std::string sn = records(resumed.out)[0]["rx_sn"];
    EXPECT_EQ(sn.substr(sn.size() - 4), "0007") << sn;
}

// A window or a run holds the settings file: what would talk to the receiver
// or write the file refuses at once, naming the holder; reading goes on.
TEST_F(Cli, CommandsBesideARunningWindow) {
    std::ofstream("TX.ini", std::ios::binary) << "[TX]\r\nDelay=5\r\n";
    kestrelon::VirtualClock clock;
    auto held = kestrelon::FileLock::Acquire("TX.ini.lock", 0, clock);
    ASSERT_TRUE(held.lock);
    const std::string holder = "in use by another copy of the program (process " + std::to_string(::getpid()) + ")";
    for (const auto& [args, code] : std::vector<std::pair<std::vector<std::string>, int>>{
             {{"run", "--sim", "--fast"}, 2},
             {{"watch", "--sim", "--for", "0"}, 2},
             {{"numbering", "set", "--rx-sn", "on"}, 2},
             {{"info"}, 1},
             {{"numbers"}, 0},
             {{"numbering", "show"}, 0}}) {
        const Result r = cli(args);
        EXPECT_EQ(r.code, code) << ::testing::PrintToString(args) << r.err;
        if (code == 0) continue;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_NE(r.err.find(holder), std::string::npos) << r.err;
    }
    EXPECT_EQ(readText("TX.ini"), "[TX]\r\nDelay=5\r\n");
}

#ifndef _WIN32   // the station folder of POSIX systems, POSIX signals
TEST_F(Cli, StationUsesTheFolderOfAMenuStart) {
    ::setenv("XDG_DATA_HOME", (dir_ / "data").c_str(), 1);
    const Result set = cli({"--station", "numbering", "set", "--rx-rfid", "123456"});
    fs::current_path(dir_);
    ::unsetenv("XDG_DATA_HOME");
    ASSERT_EQ(set.code, 0) << set.err;
    const fs::path station = dir_ / "data" / "kestrelon";
    EXPECT_NE(set.out.find("settings file: " + (station / "TX.ini").string()), std::string::npos) << set.out;
    EXPECT_TRUE(fs::exists(station / "TX.ini"));
    EXPECT_FALSE(fs::exists("TX.ini"));
    EXPECT_EQ(cli({"numbering", "show", "--station", "--settings", "TX.ini"}).code, 2);
}

// Ctrl-C or SIGTERM: the unit in progress ends with its verdict, the summary
// comes last, and the exit status says which signal.
TEST_F(Cli, RunStopsAfterTheUnitInProgressOnSigterm) {
    std::atomic<bool> done{false};
    std::thread sender([&done] {
        for (int i = 0; i < 2000 && !done; ++i) {
            struct sigaction now {};
            ::sigaction(SIGTERM, nullptr, &now);
            if (now.sa_handler != SIG_DFL) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                ::kill(::getpid(), SIGTERM);
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    const Result r = cli({"run", "--sim", "--fast", "--units", "100000", "--json"});
    done = true;
    sender.join();
    EXPECT_EQ(r.code, 143) << r.err;
    const auto units = records(r.out);
    ASSERT_FALSE(units.empty());
    for (const auto& u : units) EXPECT_EQ(u["result"], "PASS");
    const std::string summary = "summary: " + std::to_string(units.size()) + " units, " +
                                std::to_string(units.size()) + " passed";
    const size_t at = r.err.rfind("summary: ");
    ASSERT_NE(at, std::string::npos) << r.err;
    EXPECT_EQ(r.err.compare(at, summary.size(), summary), 0) << r.err;
    EXPECT_EQ(r.err.find('\n', at), r.err.size() - 1) << "the summary is the last line";
    EXPECT_NE(r.err.find("stopped by SIGTERM"), std::string::npos);
}

#endif

} // namespace
