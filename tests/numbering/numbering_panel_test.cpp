#include "numbering/numbering_panel.h"

#include "numbering/preview.h"
#include "platform/virtual_clock.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <set>

namespace kestrelon {
namespace {

using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;
using Row = NumberingRow;

// The program as far as numbering goes: file, options, generators, panel.
class NumberingPanelTest : public ::testing::Test {
protected:
    NumberingPanelTest() {
        clock.setLocalStart({2009, 1, 1, 8, 0, 0, 0});
        devices.fill({});
    }
    void startUp() {
        StartUpNumbering(file, settings, run, devices, gens, panel);
        run.NotYetActivated = 0;   // the window has been shown
        panel.setSettingsEnabled(true);
        saves = 0;
    }
    void writeTx(const std::string& lines) { writeFile(path, "[TX]\r\n" + lines); }

    TempDir dir;
    std::string path = dir.file("TX.ini");
    VirtualClock clock;
    SettingsFile file{path, ComponentContext{clock, nullptr}};
    ProductSettings settings;
    RunState run;
    KnownDeviceTable devices{};
    NumberingGenerators gens;
    int saves = 0;
    std::vector<std::string> errors;
    Observed<NumberingBoxes> boxes;
    NumberingPanel panel{gens, boxes, [this] { ++saves; file.save(settings, run, gens); },
                         [this](const std::string& m) { errors.push_back(m); }};
};

const char* kSerialOn =
    "RXSNINFO=object TProdSN;  IsSN = True;  IsDate = True;  FixSNByteCount = 2;  FixSN = 16706;  "
    "IncSNByteCount = 2;  IncInitSN = 16;  IncPrevSN = 15;  IncCurrentSN = 20;  IsFixAscii = True;end;\r\n"
    "TXSNINFO=object TProdSN;  IsSN = True;  IsDate = False;  FixSNByteCount = 2;  FixSN = 4660;  "
    "IncSNByteCount = 4;  IncInitSN = 1;  IsFixAscii = False;end;\r\n";

TEST_F(NumberingPanelTest, RestartContinuesSerialNumbersWhereTheFileLeftThem) {
    writeTx(kSerialOn);
    startUp();
    EXPECT_EQ(gens.RxSN->IncNextSN(), 21);   // after the last passed unit, not back at 16
    EXPECT_EQ(gens.TxSN->IncNextSN(), 1);
    EXPECT_EQ(panel.serial(Row::Rx).IncInitSN, "0010");
    EXPECT_EQ(panel.serial(Row::Rx).IncNextSN, "0015");
    EXPECT_EQ(panel.serial(Row::Rx).FixSN, "AB");
    EXPECT_EQ(panel.serial(Row::Tx).FixSN, "1234");
    EXPECT_EQ(panel.serial(Row::Rx).DateLabel, "2009.01.01");
    EXPECT_EQ(gens.RxSN->GetSNText(), "1201-4142-0015");

    // Only the operator's own entry restarts the sequence.
    panel.setIncInitSNText(Row::Rx, "0030");
    EXPECT_EQ(gens.RxSN->IncNextSN(), 0x30);
    EXPECT_EQ(panel.serial(Row::Rx).IncNextSN, "0030");
    EXPECT_EQ(saves, 1);
}

TEST_F(NumberingPanelTest, StartUpShowsTheNextIdsWithoutTakingThem) {
    writeTx("RXRFIDINFO=object TProdRFID;  IsRandom = False;  IncInitRFID = 1193046;  "
            "IncPrevRFID = 1193045;  IncCurrentRFID = 1193000;end;\r\n"
            "TXRFIDINFO=object TProdRFID;  IsRandom = False;  IncInitRFID = 2241622;  "
            "IncPrevRFID = 2241621;  IncCurrentRFID = 0;end;\r\n");
    startUp();
    EXPECT_EQ(panel.rfid(Row::Rx).IncNextRFID, "123456");
    EXPECT_EQ(panel.rfid(Row::Tx).IncNextRFID, "223456");
    EXPECT_EQ(panel.rfid(Row::Rx).IncInitRFID, "123456");
    EXPECT_TRUE(panel.rfid(Row::Tx).Custom);
    EXPECT_FALSE(panel.rfid(Row::Rx).Custom);   // one radio group
    // The first unit gets the stored start, as the Next boxes say.
    const UnitRFIDs ids = ReadUnitRFIDs(gens);
    EXPECT_EQ(ids.rx, 0x123456);
    EXPECT_EQ(ids.tx, 0x223456);
}

TEST_F(NumberingPanelTest, SerialBoxHandlersKeepCountsAndTextsInStep) {
    startUp();   // no file: constructor defaults
    panel.setIsSN(Row::Rx, true);
    EXPECT_EQ(panel.serial(Row::Rx).height, 95);
    panel.setIsDate(Row::Rx, false);
    panel.setFixByteCount(Row::Rx, 4);
    EXPECT_EQ(panel.serial(Row::Rx).IncByteCount, 2);
    panel.setFixSNText(Row::Rx, "ABCD");
    EXPECT_EQ(gens.RxSN->FixSN(), 0x41424344);

    panel.setIsDate(Row::Rx, true);
    EXPECT_EQ(panel.serial(Row::Rx).FixByteCount, 2);
    EXPECT_EQ(panel.serial(Row::Rx).IncByteCount, 2);
    EXPECT_EQ(panel.serial(Row::Rx).FixSN, "CD");
    EXPECT_EQ(gens.RxSN->FixSN(), 0x4344);
    EXPECT_EQ(panel.serial(Row::Rx).DateLabel, "2009.01.01");

    panel.setFixByteCount(Row::Rx, 5);   // above the limit with the date
    EXPECT_EQ(panel.serial(Row::Rx).FixByteCount, 4);
    EXPECT_EQ(gens.RxSN->IncSNByteCount(), 0);
    EXPECT_FALSE(panel.serial(Row::Rx).initEnabled);
    EXPECT_EQ(panel.serial(Row::Rx).IncNextSN, "");

    panel.setIncByteCount(Row::Rx, 2);
    panel.setIncInitSNText(Row::Rx, "0010");
    EXPECT_EQ(panel.serial(Row::Rx).IncNextSN, "0010");
    panel.checkFixHex(Row::Rx);
    EXPECT_EQ(panel.serial(Row::Rx).FixSN, "");
    EXPECT_EQ(gens.RxSN->FixSN(), 0);

    const int before = saves;
    panel.setFixSNText(Row::Rx, "12G4");   // pasted past the filter
    EXPECT_EQ(errors, std::vector<std::string>{"'$012G4' is not a valid integer value"});
    EXPECT_EQ(saves, before);

    panel.setIsSN(Row::Rx, false);
    EXPECT_EQ(panel.serial(Row::Rx).height, 35);
    EXPECT_EQ(panel.BaseHeight(), 35 + panel.serial(Row::Tx).height + 550);
}

TEST_F(NumberingPanelTest, IdRowSwitchesBothGeneratorsAndSavesNextStart) {
    startUp();
    panel.checkCustomRFID(Row::Rx);
    EXPECT_FALSE(gens.RxRFID->IsRandom());
    EXPECT_FALSE(gens.TxRFID->IsRandom());
    panel.setIncInitRFIDText(Row::Rx, "123456");
    EXPECT_EQ(panel.rfid(Row::Rx).IncNextRFID, "123456");
    // The start typed is the next unit's ID, in memory and in the file.
    EXPECT_NE(readFile(path).find("IncInitRFID = 1193046;  IncPrevRFID = 1193045;"), std::string::npos);
    EXPECT_EQ(ReadUnitRFIDs(gens).rx, 0x123456);

    panel.checkRandomRFID(Row::Tx);
    EXPECT_TRUE(gens.RxRFID->IsRandom());
    EXPECT_TRUE(gens.TxRFID->IsRandom());
    EXPECT_EQ(panel.rfid(Row::Rx).IncNextRFID, "");
    EXPECT_EQ(panel.rfid(Row::Tx).IncNextRFID, "");
}

TEST_F(NumberingPanelTest, AdvanceAfterPassMovesOnlyWhatTheRunNumbers) {
    writeTx(std::string(kSerialOn) +
            "RXRFIDINFO=object TProdRFID;  IsRandom = False;  IncInitRFID = 4096;  IncPrevRFID = 4095;  "
            "IncCurrentRFID = 0;end;\r\n");
    startUp();
    gens.TxSN->setIncSNByteCount(0);
    const UnitRFIDs ids = ReadUnitRFIDs(gens);
    const PassDisplay d = AdvanceAfterPass(gens, ids);
    panel.showPassDisplay(d);
    EXPECT_EQ(panel.serial(Row::Rx).IncCurrentSN, "0015");
    EXPECT_EQ(panel.serial(Row::Rx).IncNextSN, "0016");
    EXPECT_FALSE(d.txSN.advanced);
    EXPECT_EQ(gens.RxRFID->IncCurrentRFID(), ids.rx);
    EXPECT_EQ(d.rxRFID.current, PaddedHex(ids.rx, 6));
    // Next names the next unit's ID without taking it.
    EXPECT_EQ(std::stoi(d.rxRFID.next, nullptr, 16), ReadUnitRFIDs(gens).rx);
}

// A unit passes, the program saves and ends; the preview of the next start
// must not give out that unit's numbers again.
TEST_F(NumberingPanelTest, PreviewAfterSavedPassNeverRepeatsThatUnit) {
    writeTx(std::string(kSerialOn) +
            "RXRFIDINFO=object TProdRFID;  IsRandom = False;  IncInitRFID = 1193046;  "
            "IncPrevRFID = 1193045;  IncCurrentRFID = 0;end;\r\n");
    startUp();
    const std::string rxSN = gens.RxSN->GetSNText(), txSN = gens.TxSN->GetSNText();
    const UnitRFIDs ids = ReadUnitRFIDs(gens);
    AdvanceAfterPass(gens, ids);
    ASSERT_TRUE(file.save(settings, run, gens).ok);
    const std::string saved = readFile(path);

    const auto units = PreviewNextUnits(path, 3, clock);
    ASSERT_EQ(units.size(), 3u);
    std::set<std::string> rxSNs, txSNs;
    std::set<int32_t> rxIDs, txIDs;
    for (const PreviewUnit& u : units) {
        EXPECT_NE(u.rxSN, rxSN);
        EXPECT_NE(u.txSN, txSN);
        ASSERT_TRUE(u.rxRFID && u.txRFID);
        EXPECT_NE(*u.rxRFID, ids.rx);
        EXPECT_NE(*u.txRFID, ids.tx);
        EXPECT_TRUE(rxSNs.insert(u.rxSN).second && txSNs.insert(u.txSN).second);
        EXPECT_TRUE(rxIDs.insert(*u.rxRFID).second && txIDs.insert(*u.txRFID).second);
    }
    EXPECT_EQ(units[0].rxSN, "1201-4142-0016");
    EXPECT_EQ(units[1].rxSN, "1201-4142-0017");
    EXPECT_EQ(units[0].txSN, "1234-00000002");
    EXPECT_EQ(readFile(path), saved);   // a preview writes nothing

    // Without a file: defaults, numbering off, random IDs.
    const auto none = PreviewNextUnits(dir.file("missing.ini"), 1, clock);
    EXPECT_EQ(none[0].rxSN, "");
    EXPECT_FALSE(none[0].rxRFID.has_value());
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing.ini")));
}

} // namespace
} // namespace kestrelon
