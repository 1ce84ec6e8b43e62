#include "numbering/settings_file.h"

#include "platform/virtual_clock.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace kestrelon {
namespace {

using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

class SettingsFileTest : public ::testing::Test {
protected:
    void load(const std::function<void(int)>& hook = {}) { file.load(settings, run, devices, gens, hook); }
    SaveResult save() { return file.save(settings, run, gens); }
    void writeIni(const std::string& tx, const std::string& device = "") {
        std::string text;
        if (!device.empty()) text += "[Device]\r\n" + device;
        text += "[TX]\r\n" + tx;
        writeFile(path, text);
    }

    TempDir dir;
    std::string path = dir.file("TX.ini");
    VirtualClock clock;
    SettingsFile file{path, ComponentContext{clock, nullptr}};
    ProductSettings settings;
    RunState run;
    KnownDeviceTable devices{};
    NumberingGenerators gens;
};

std::vector<std::string> keysOf(const std::string& text) {
    std::vector<std::string> keys;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find("\r\n", start);
        const std::string line = text.substr(start, end - start);
        if (line.find('=') != std::string::npos) keys.push_back(line.substr(0, line.find('=')));
        else if (!line.empty()) keys.push_back(line);
        start = end == std::string::npos ? text.size() : end + 2;
    }
    return keys;
}

TEST_F(SettingsFileTest, WithoutFileLoadsDefaultsAndFirstSaveWritesKeysInOrder) {
    settings.SoftISS = true;
    settings.BatteryLevel = 2;
    settings.VidSet = "1234";
    load();
    EXPECT_EQ(run.RunMode, RunIdle);
    EXPECT_FALSE(settings.SoftISS);
    EXPECT_EQ(settings.BatteryLevel, kNoSelection);   // item 6 of a three-item list
    EXPECT_EQ(settings.VidSet, "");
    ASSERT_TRUE(gens.RxSN && gens.TxSN && gens.RxRFID && gens.TxRFID);
    EXPECT_TRUE(gens.RxRFID->IsRandom());

    // Before the window was first activated nothing is written.
    EXPECT_TRUE(save().ok);
    EXPECT_FALSE(std::filesystem::exists(path));

    run.NotYetActivated = 0;
    ASSERT_TRUE(save().ok);
    const std::vector<std::string> expected{
        "[TX]", "CustKey1", "CustKey2", "MouseOnly", "SoftISS", "Sleep", "WakeupPeriod", "CPI", "PowerSaving",
        "Wakeup", "BTY", "Model_Select", "Fn_PB", "Fn_UIO", "Fn_Direction", "FnPR", "FnBreak", "Fn_Function",
        "FnF1", "FnF2", "FnF3", "FnF4", "FnF5", "FnF6", "FnF7", "FnF8", "FnF9", "FnF10", "FnF11", "FnF12",
        "TX_Erased", "RX_Erased", "PName", "LRMBinding", "RFPower", "ResetRF", "Delay", "KBind",
        "EnabledMERO", "RXSNINFO", "TXSNINFO", "RXRFIDINFO", "TXRFIDINFO"};
    const std::string text = readFile(path);
    EXPECT_EQ(keysOf(text), expected);
    EXPECT_NE(text.find("\r\nRXSNINFO=object TProdSN;  IsSN = False;  IsDate = True;  FixSNByteCount = 2;  "
                        "IncSNByteCount = 2;  IncPrevSN = -1;  IsFixAscii = True;end;\r\n"),
              std::string::npos);
    EXPECT_EQ(text.find(" = 0x"), std::string::npos);
}

TEST_F(SettingsFileTest, LoadSaveLoadChangesNothing) {
    writeIni("MouseOnly=0\r\nCustKey1=3\r\nCustKey2=0x10\r\nSoftISS=0\r\nDelay=$20\r\nCPI=1\r\nWakeup=1\r\n"
             "PowerSaving=2\r\nTX_Erased=1\r\nFn_Function=1\r\nFnF1=5\r\nFnF12=64\r\nModel_Select=2\r\n"
             "Fn_PB=1\r\nFnPR=3\r\nFnBreak=4\r\nFn_UIO=1\r\nFn_Direction=1\r\nBTY=1\r\nVID=4660\r\nPID=0x5678\r\n"
             "LRMBinding=1\r\nPName=My Desktop Set\r\nRFPower=1\r\nSleep=100\r\nWakeupPeriod=9\r\nKBind=1\r\n"
             "EnabledMERO=1\r\nResetRF=0\r\n"
             "RXSNINFO=object TProdSN;  IsSN = True;  IsDate = False;  FixSNByteCount = 2;  FixSN = 16706;  "
             "IncSNByteCount = 4;  IncInitSN = 16;  IncPrevSN = 15;  IncCurrentSN = 20;  IsFixAscii = True;end;\r\n"
             "RXRFIDINFO=object TProdRFID;  IsRandom = False;  IncInitRFID = 500;  IncPrevRFID = 499;  "
             "IncCurrentRFID = 600;end;\r\n"
             "TXRFIDINFO=object TProdRFID;  IsRandom = False;  IncInitRFID = 9000;  IncPrevRFID = 8999;  "
             "IncCurrentRFID = 0;end;\r\n",
             "2=F3D70A01\r\n");
    load();
    EXPECT_EQ(settings.CustKey2, 16);
    EXPECT_EQ(settings.Delay, 32);
    EXPECT_EQ(settings.VidSet, "1234");
    EXPECT_EQ(settings.PidSet, "5678");
    EXPECT_EQ(settings.FnF[11], 64);
    run.NotYetActivated = 0;
    ASSERT_TRUE(save().ok);
    const std::string first = readFile(path);
    const ProductSettings firstSettings = settings;

    settings = ProductSettings{};
    load();
    ASSERT_TRUE(save().ok);
    EXPECT_EQ(readFile(path), first);
    EXPECT_EQ(settings.StringDesc, firstSettings.StringDesc);
    EXPECT_EQ(settings.ModelIndex, 2);
    EXPECT_EQ(settings.PowerSaving, 2);
    EXPECT_EQ(settings.FnPR, 3);
    EXPECT_EQ(gens.RxSN->IncNextSN(), 21);
    // The hand-added section stays, unchanged, ahead of "TX".
    EXPECT_EQ(first.rfind("[Device]\r\n2=F3D70A01\r\n\r\n[TX]\r\n", 0), 0u);
}

TEST_F(SettingsFileTest, ValueConventionsAndRanges) {
    struct Case { const char* bty; int item; };
    for (const Case& c : {Case{"1", 1}, Case{"0x2", 2}, Case{"$0", 0}, Case{"9", kNoSelection},
                          Case{"5", kNoSelection}, Case{"-1", kNoSelection}, Case{"x", kNoSelection}}) {
        writeIni(std::string("BTY=") + c.bty + "\r\n");
        load();
        EXPECT_EQ(settings.BatteryLevel, c.item) << c.bty;
    }
    writeIni("custkey1=24\r\nCustKey2=-3\r\nRFPower=4\r\nFnF3=65\r\nMouseOnly=7\r\nSoftISS=yes\r\n"
             "VID=0\r\nPID=4660\r\nSleep=12abc\r\nPName=" + std::string(3000, 'p') + "\r\n");
    settings.VidSet = "AAAA";
    load();
    EXPECT_EQ(settings.CustKey1, kNoSelection);   // names match without regard to case
    EXPECT_EQ(settings.CustKey2, kNoSelection);
    EXPECT_EQ(settings.RFPower, kNoSelection);
    EXPECT_EQ(settings.FnF[2], kNoSelection);
    EXPECT_TRUE(settings.MouseOnly);
    EXPECT_TRUE(settings.SoftISS);   // not a number: the key's default
    EXPECT_EQ(settings.VidSet, "");
    EXPECT_EQ(settings.PidSet, "");
    EXPECT_EQ(settings.SleepPeriod, 56);
    EXPECT_EQ(settings.StringDesc.size(), 2047u);

    // A save with an empty VID box removes both keys.
    writeIni("VID=4660\r\nPID=22136\r\n");
    load();
    settings.VidSet.clear();
    run.NotYetActivated = 0;
    ASSERT_TRUE(save().ok);
    const std::string text = readFile(path);
    EXPECT_EQ(text.find("VID="), std::string::npos);
    EXPECT_EQ(text.find("PID="), std::string::npos);
}

TEST_F(SettingsFileTest, DeviceSectionFillsSlotsSevenToTwenty) {
    devices.fill(KnownDevice{1, 1});
    writeIni("", "3=F3D70A01\r\n4=F3D7-0A02\r\n5=\r\n6=XYZW0A01\r\n7=12\r\n13=abcd1234\r\n14=11112222\r\n");
    load();
    EXPECT_EQ(devices[10].vendorId, 0xF3D7);
    EXPECT_EQ(devices[10].productId, 0x0A01);
    EXPECT_EQ(devices[11].productId, 0x0A02);
    for (int slot : {7, 12, 13, 14})   // absent, empty, not hex, too short
        EXPECT_FALSE(devices[static_cast<size_t>(slot)].used()) << slot;
    EXPECT_EQ(devices[20].vendorId, 0xABCD);
    EXPECT_EQ(devices[21].vendorId, 1);   // beyond the file's slots
    EXPECT_EQ(devices[6].vendorId, 1);
}

TEST_F(SettingsFileTest, ModelHookRunsWhereModelSelectIsRead) {
    writeIni("Fn_Function=1\r\nModel_Select=1\r\nFn_PB=1\r\n");
    std::vector<int> calls;
    settings.ModelIndex = 0;
    load([&](int model) {
        calls.push_back(model);
        EXPECT_EQ(run.RunMode, RunLoadingSettings);
        settings.Fn_Enabled = settings.FNPB = false;   // what the window's model change does
    });
    EXPECT_EQ(calls, std::vector<int>{1});
    EXPECT_FALSE(settings.Fn_Enabled);   // read before the model
    EXPECT_TRUE(settings.FNPB);          // read after it

    for (const char* model : {"1", "3", "-1"}) {   // unchanged, or outside the group
        writeIni(std::string("Model_Select=") + model + "\r\n");
        load([&](int m) { calls.push_back(m); });
        EXPECT_EQ(settings.ModelIndex, 1);
    }
    EXPECT_EQ(calls.size(), 1u);
}

TEST_F(SettingsFileTest, BrokenGeneratorValuesStartFromConstructorDefaults) {
    writeIni("RXSNINFO=object TProdRFID;  IsRandom = False;end;\r\n"
             "TXSNINFO=object TProdSN;  IsSN = True;  Colour = 1;end;\r\n"
             "RXRFIDINFO=object TProdRFID;  IsRandom = False;  IncInitRFID = 5\r\n"
             "TXRFIDINFO=\x01\x02\xff\r\n");
    load();
    EXPECT_EQ(gens.RxSN->IncPrevSN(), -1);
    EXPECT_TRUE(gens.RxSN->IsDate());
    EXPECT_FALSE(gens.TxSN->IsSN());
    EXPECT_TRUE(gens.RxRFID->IsRandom());
    EXPECT_TRUE(gens.TxRFID->IsRandom());
}

TEST_F(SettingsFileTest, SaveStoresNextSequentialIdAsStart) {
    writeIni("RXRFIDINFO=object TProdRFID;  IsRandom = False;  IncInitRFID = 500;  IncPrevRFID = 499;  "
             "IncCurrentRFID = 100;end;\r\n");
    load();
    EXPECT_EQ(gens.RxRFID->IncPrevRFID(), 100);
    run.NotYetActivated = 0;
    ASSERT_TRUE(save().ok);
    EXPECT_NE(readFile(path).find("IncInitRFID = 257;  IncPrevRFID = 256;  IncCurrentRFID = 100;"),
              std::string::npos);   // 0x000101: 0x65..0x100 have a reserved byte
}

// Fails one step of the replacement; the rest behaves like the disk.
class FailingOps : public SettingsFileOps {
public:
    enum class Step { None, CreateTemp, Write, Flush, Close, Rename };
    Step failAt = Step::None;
    int createTemp(const std::string& p, std::string& t) override {
        return failAt == Step::CreateTemp ? -1 : SettingsFileOps::createTemp(p, t);
    }
    bool writeAll(int fd, const std::string& data) override {
        if (failAt == Step::Write) {   // a full disk: part of the data got out
            SettingsFileOps::writeAll(fd, data.substr(0, data.size() / 2));
            return false;
        }
        return SettingsFileOps::writeAll(fd, data);
    }
    bool flush(int fd) override { return failAt != Step::Flush && SettingsFileOps::flush(fd); }
    bool close(int fd) override {
        const bool closed = SettingsFileOps::close(fd);
        return failAt != Step::Close && closed;
    }
    bool rename(const std::string& a, const std::string& b) override {
        return failAt != Step::Rename && SettingsFileOps::rename(a, b);
    }
};

TEST_F(SettingsFileTest, FailedSaveAtAnyStepKeepsTheOldFileLoadable) {
    using Step = FailingOps::Step;
    auto ops = std::make_shared<FailingOps>();
    SettingsFile faulty(path, ComponentContext{clock, nullptr}, ops);
    writeIni("RXSNINFO=object TProdSN;  IsSN = True;  IsDate = False;  FixSNByteCount = 2;  "
             "IncSNByteCount = 4;  IncCurrentSN = 7;  IsFixAscii = True;end;\r\n");
    faulty.load(settings, run, devices, gens);
    run.NotYetActivated = 0;
    ASSERT_TRUE(faulty.save(settings, run, gens).ok);
    const std::string saved = readFile(path);

    for (Step step : {Step::CreateTemp, Step::Write, Step::Flush, Step::Close, Step::Rename}) {
        gens.RxSN->setIncCurrentSN(gens.RxSN->IncNextSN());   // a unit passed
        ops->failAt = step;
        const SaveResult r = faulty.save(settings, run, gens);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.message, "Unable to write to " + path);
        EXPECT_EQ(readFile(path), saved) << static_cast<int>(step);
        EXPECT_EQ(dir.entries(), 1u) << "temporary file left behind";
    }
    NumberingGenerators back;
    file.load(settings, run, devices, back);
    EXPECT_EQ(back.RxSN->IncCurrentSN(), 7);

    ops->failAt = Step::None;   // the next save brings the file up to date
    ASSERT_TRUE(faulty.save(settings, run, gens).ok);
    file.load(settings, run, devices, back);
    EXPECT_EQ(back.RxSN->IncCurrentSN(), 12);
}

TEST_F(SettingsFileTest, ReadOnlyFileIsReportedAndLeftAlone) {
    writeIni("Delay=5\r\n");
    ::chmod(path.c_str(), 0444);
    load();
    run.NotYetActivated = 0;
    const SaveResult r = save();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "Unable to write to " + path);
    EXPECT_EQ(readFile(path), "[TX]\r\nDelay=5\r\n");
}

} // namespace
} // namespace kestrelon
