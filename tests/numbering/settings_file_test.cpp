#include "numbering/settings_file.h"

#include "numbering/numbering_panel.h"
#include "platform/virtual_clock.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <random>
#include <unistd.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

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

TEST_F(SettingsFileTest, ValuesOutsideTheirSettingsStopUnitsUntilCorrected) {
    for (const char* line : {"VID=74565", "PID=65536", "CustKey1=24", "FnF3=65", "RFPower=4", "Sleep=300",
                             "WakeupPeriod=2", "BTY=8", "Model_Select=3", "CPI=abc", "Delay=-2"}) {
        writeIni(std::string(line) + "\r\n");
        const LoadResult r = file.load(settings, run, devices, gens);
        EXPECT_FALSE(r.ok) << line;
        EXPECT_NE(r.message.find(std::string(line) + " ("), std::string::npos) << r.message;
        EXPECT_NE(r.message.find(path), std::string::npos) << r.message;
        EXPECT_FALSE(file.unitsBlocked().ok) << line;
    }
    // -1 is what the program itself stores for a list without a selection.
    writeIni("BTY=-1\r\nFnF1=-1\r\nCustKey1=-1\r\nRFPower=-1\r\nVID=0x2345\r\nPID=0\r\n");
    EXPECT_TRUE(file.load(settings, run, devices, gens).ok);

    // Corrected in the program: the save writes a value in range, and units
    // may be programmed again.
    writeIni("VID=74565\r\nPID=4660\r\n");
    load();
    ASSERT_FALSE(file.unitsBlocked().ok);
    settings.VidSet = "2345";
    run.NotYetActivated = 0;
    ASSERT_TRUE(save().ok);
    EXPECT_TRUE(file.unitsBlocked().ok);
}

TEST_F(SettingsFileTest, TheLockFollowsTheFileNotItsNames) {
    writeIni("Delay=1\r\n");
    // Two names of one file would take two lock files.
    const std::string other = dir.file("other.ini");
    std::filesystem::create_hard_link(path, other);
    const SettingsStatus linked = file.lock(0);
    EXPECT_FALSE(linked.ok);
    EXPECT_NE(linked.message.find("2 names"), std::string::npos) << linked.message;
    std::filesystem::remove(other);
    ASSERT_TRUE(file.lock(0).ok);
    load();
    EXPECT_TRUE(file.unitsBlocked().ok);
    std::filesystem::create_hard_link(path, other);
    EXPECT_FALSE(file.unitsBlocked().ok);
    std::filesystem::remove(other);

#ifdef _WIN32
    // Windows keeps a lock file that is open from being removed at all.
    std::error_code ec;
    EXPECT_FALSE(std::filesystem::remove(path + ".lock", ec));
    EXPECT_TRUE(file.unitsBlocked().ok);
#else
    // The lock file removed (or replaced) while held: a second copy could
    // lock the new one, so this one stops numbering.
    std::filesystem::remove(path + ".lock");
    const SettingsStatus lost = file.unitsBlocked();
    EXPECT_FALSE(lost.ok);
    EXPECT_NE(lost.message.find(path + ".lock"), std::string::npos) << lost.message;
#endif
}

#ifndef _WIN32   // owners and links of POSIX systems
TEST_F(SettingsFileTest, AnotherUsersLinkIsNotFollowedNorTheirFilesRemoved) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to give a file to another user";
    const std::string target = dir.file("elsewhere.ini");
    writeFile(target, "[TX]\r\nDelay=1\r\n");
    ASSERT_EQ(::symlink(target.c_str(), path.c_str()), 0);
    ASSERT_EQ(::lchown(path.c_str(), 4242, 4242), 0);
    const SettingsStatus refused = file.lock(0);
    EXPECT_FALSE(refused.ok);
    EXPECT_NE(refused.message.find("owned by another user"), std::string::npos) << refused.message;
    EXPECT_FALSE(std::filesystem::exists(target + ".lock"));
    EXPECT_FALSE(file.load(settings, run, devices, gens).ok);

    // A stale-looking temporary file that is not ours stays.
    ::unlink(path.c_str());
    const std::string foreign = path + ".tmpAb12Cd";
    writeFile(foreign, "x");
    ASSERT_EQ(::chown(foreign.c_str(), 4242, 4242), 0);
    ASSERT_TRUE(file.lock(0).ok);
    EXPECT_TRUE(std::filesystem::exists(foreign));
}
#endif

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
    // The sequence resumes at the stored start: IDs before it were read for
    // units, or the operator typed it.
    writeIni("RXRFIDINFO=object TProdRFID;  IsRandom = False;  IncInitRFID = 500;  IncPrevRFID = 499;  "
             "IncCurrentRFID = 100;end;\r\n"
             "TXRFIDINFO=object TProdRFID;  IsRandom = False;  IncInitRFID = 50;  IncPrevRFID = 49;  "
             "IncCurrentRFID = 100;end;\r\n");
    load();
    EXPECT_EQ(gens.RxRFID->IncPrevRFID(), 499);
    EXPECT_EQ(gens.TxRFID->IncPrevRFID(), 49);   // a start typed behind the last unit restarts there
    run.NotYetActivated = 0;
    ASSERT_TRUE(save().ok);
    const std::string text = readFile(path);
    EXPECT_NE(text.find("IncInitRFID = 500;  IncPrevRFID = 499;  IncCurrentRFID = 100;"), std::string::npos);
    EXPECT_NE(text.find("IncInitRFID = 257;  IncPrevRFID = 256;  IncCurrentRFID = 100;"),
              std::string::npos);   // TX: 0x000101, every ID below it has the reserved middle byte 0x00
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
        EXPECT_EQ(r.message.rfind("Unable to write to " + path + ": ", 0), 0u) << r.message;
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
    namespace fs = std::filesystem;
    writeIni("Delay=5\r\n");
    // On Windows: the read-only attribute.
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    load();
    EXPECT_TRUE(file.canReplace().ok == false && file.canReplace().message.find(path) != std::string::npos);
    run.NotYetActivated = 0;
    const SaveResult r = save();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "Unable to write to " + path + ": the file is read-only");
    EXPECT_TRUE(file.lastSaveFailed());
    EXPECT_EQ(readFile(path), "[TX]\r\nDelay=5\r\n");

    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
    EXPECT_TRUE(file.canReplace().ok);
    ASSERT_TRUE(save().ok);
    EXPECT_FALSE(file.lastSaveFailed());
}

TEST_F(SettingsFileTest, APathThatIsThereButCannotBeReadIsAnErrorAndNeverReplaced) {
    namespace fs = std::filesystem;
    struct Case {
        const char* name;
        std::function<std::string()> make;
        const char* reason;
    };
    const std::vector<Case> cases{
        {"folder", [&] { fs::create_directory(path); return path; }, "it is a folder"},
        {"missing folder", [&] { return dir.file("gone/TX.ini"); }, "does not exist"},
        {"empty path", [] { return std::string(); }, "no file name"},
#ifdef _WIN32
        {"device", [] { return std::string("NUL"); }, "not a regular file"},
#else
        {"FIFO", [&] { ::mkfifo(path.c_str(), 0644); return path; }, "not a regular file"},
        {"device", [&] { fs::create_symlink("/dev/null", path); return path; }, "not a regular file"},
        {"no read permission", [&] { writeIni("Delay=5\r\n"); ::chmod(path.c_str(), 0); return path; },
         "Permission denied"},
#endif
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(path);
#ifndef _WIN32
        if (std::string(c.name) == "no read permission" && ::geteuid() == 0) continue;   // root reads anyway
#endif
        const std::string p = c.make();
        const auto type = fs::symlink_status(p).type();
        SettingsFile f(p, ComponentContext{clock, nullptr});
        const LoadResult r = f.load(settings, run, devices, gens);
        EXPECT_FALSE(r.ok);
        // Named in full, with the system's separators.
        EXPECT_NE(r.message.find("settings file " + FullPath(p) + ":"), std::string::npos) << r.message;
        EXPECT_NE(r.message.find(c.reason), std::string::npos) << r.message;
        EXPECT_FALSE(f.canReplace().ok);
        run.NotYetActivated = 0;
        EXPECT_FALSE(f.save(settings, run, gens).ok);
        EXPECT_EQ(fs::symlink_status(p).type(), type);
        run.NotYetActivated = 1;
    }
}

#ifdef _WIN32
// A file another program holds open without sharing (an editor, a backup
// tool) can be neither read nor replaced; it is said, and left as it is.
TEST_F(SettingsFileTest, AFileAnotherProgramHoldsIsReportedAndLeftAlone) {
    writeIni("Delay=5\r\n");
    const HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const LoadResult r = file.load(settings, run, devices, gens);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("in use by another program"), std::string::npos) << r.message;
    EXPECT_FALSE(file.canReplace().ok);
    run.NotYetActivated = 0;
    EXPECT_FALSE(save().ok);
    CloseHandle(held);
    EXPECT_EQ(readFile(path), "[TX]\r\nDelay=5\r\n");
    EXPECT_EQ(dir.entries(), 1u);   // no temporary file left
}
#else   // links and permission bits of POSIX systems
TEST_F(SettingsFileTest, SaveReplacesALinksTargetAndKeepsItsPermissions) {
    namespace fs = std::filesystem;
    fs::create_directory(dir.file("share"));
    const std::string target = dir.file("share/TX.ini");
    writeFile(target, "[TX]\r\nDelay=5\r\n");
    ::chmod(target.c_str(), 0640);
    fs::create_symlink("share/TX.ini", path);
    load();
    run.NotYetActivated = 0;
    ASSERT_TRUE(save().ok);
    EXPECT_TRUE(fs::is_symlink(path));
    EXPECT_NE(readFile(target).find("Delay=5\r\n"), std::string::npos);
    EXPECT_NE(readFile(target).find("RXSNINFO="), std::string::npos);
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all, fs::perms(0640));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.file("share")), fs::directory_iterator()), 1);

    fs::remove(target);   // a link to a file not made yet: the first save makes it
    ASSERT_TRUE(save().ok);
    EXPECT_TRUE(fs::is_symlink(path) && fs::is_regular_file(target));
}
#endif

std::string utf16le(const std::string& ascii) {
    std::string out;
    for (char c : ascii) out += {c, '\0'};
    return out;
}

TEST_F(SettingsFileTest, ADamagedFileIsCopiedAsideOnceAndEachGeneratorReadOnItsOwn) {
    namespace fs = std::filesystem;
    using namespace std::string_literals;
    const std::string txId = "TXRFIDINFO=object TProdRFID;  IsRandom = False;  IncInitRFID = 2241622;  "
                             "IncPrevRFID = 2241621;  IncCurrentRFID = 2241000;end;\r\n";
    struct Case {
        const char* name;
        std::string bytes;
        bool damaged, txKept;
    };
    const std::vector<Case> cases{
        {"garbage", "\x01\xff\xfe[x\n\0\x02="s, true, false},
        {"empty", "", true, false},
        {"no section", "RXSNINFO=object TProdSN;end;\r\n" + txId, true, false},
        {"UTF-16 without its mark", utf16le("[TX]\r\n" + txId), true, false},
        {"NUL in a generator",
         "[TX]\r\nRXRFIDINFO=object TProdRFID;  IsRandom = \0True;end;\r\n"s + txId, true, true},
        {"too long", "[TX]\r\nRXSNINFO=object TProdSN;" + std::string(2100, ' ') + "end;\r\n" + txId, true, true},
        {"out of range", "[TX]\r\nRXRFIDINFO=object TProdRFID;  IncInitRFID = 4294967296;end;\r\n" + txId, true, true},
        {"wrong class", "[TX]\r\nRXSNINFO=object TProdRFID;  IsRandom = False;end;\r\n" + txId, true, true},
        {"UTF-16 with its mark", "\xff\xfe" + utf16le("[TX]\r\n" + txId), false, true},
        {"only a Device section", "[Device]\r\n0=F3D70A01\r\n", false, false},
        {"a generator missing", "[TX]\r\n" + txId, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const auto& e : fs::directory_iterator(dir.file(""))) fs::remove(e.path());
        writeFile(path, c.bytes);
        const LoadResult first = file.load(settings, run, devices, gens);
        // Numbering from defaults where counters were could repeat numbers.
        EXPECT_EQ(first.ok, !c.damaged);
        EXPECT_EQ(file.unitsBlocked().ok, !c.damaged);
        EXPECT_TRUE(gens.RxRFID->IsRandom());
        EXPECT_EQ(gens.TxRFID->IsRandom(), !c.txKept);
        if (c.txKept) {
            EXPECT_EQ(gens.TxRFID->NextRFID(), 0x223456);
        }
        if (!c.damaged) {
            EXPECT_EQ(first.message, "");
            EXPECT_EQ(dir.entries(), 1u);
            continue;
        }
        ASSERT_FALSE(first.damagedCopy.empty());
        EXPECT_EQ(readFile(first.damagedCopy), c.bytes);
        EXPECT_EQ(first.damagedCopy.rfind(path + ".damaged-20090101-08", 0), 0u) << first.damagedCopy;
        EXPECT_NE(first.message.find(first.damagedCopy), std::string::npos);
        EXPECT_NE(first.message.find(std::string(kShowNumbersCommand) + " " + path), std::string::npos);
        clock.advanceMs(5000);
        EXPECT_EQ(file.load(settings, run, devices, gens).damagedCopy, first.damagedCopy);   // once
        EXPECT_EQ(dir.entries(), 2u);
        // A save of the other settings keeps the numbering damaged; the
        // generators set again end it.
        run.NotYetActivated = 0;
        ASSERT_TRUE(save().ok);
        EXPECT_FALSE(file.load(settings, run, devices, gens).ok);
        file.replaceDamagedGenerators();
        ASSERT_TRUE(save().ok);
        EXPECT_TRUE(file.load(settings, run, devices, gens).ok);
        run.NotYetActivated = 1;
    }
    fs::remove(path);
    EXPECT_TRUE(file.load(settings, run, devices, gens).firstStart);
}

TEST_F(SettingsFileTest, TheFirstOfRepeatedKeysCountsAndAnOpenSectionLineDoesNotGrowTheFile) {
    writeFile(path, "[Device\r\n3=F3D70A01\r\n[TX]\r\nDelay=1\r\nDelay=2\r\n[tx]\r\nDelay=3\r\nCPI=1\r\n");
    load();
    EXPECT_EQ(settings.Delay, 1);
    EXPECT_TRUE(settings.CpiHigh);
    EXPECT_EQ(devices[10].vendorId, 0xF3D7);
    run.NotYetActivated = 0;
    ASSERT_TRUE(save().ok);
    const std::string once = readFile(path);
    EXPECT_EQ(once.rfind("[Device]\r\n3=F3D70A01\r\n", 0), 0u);
    EXPECT_EQ(once.find("Delay=", once.find("Delay=1\r\n") + 1), std::string::npos);
    load();
    ASSERT_TRUE(save().ok);
    EXPECT_EQ(readFile(path), once);
}

// The disk steps without forcing data out, so many saves stay quick.
class NoSyncOps : public SettingsFileOps {
public:
    bool flush(int) override { return true; }
    bool syncFolder(const std::string&) override { return true; }
};

std::vector<int64_t> stateOf(const TProdSN& s) {
    return {s.IsSN(), s.IsDate(), s.FixSNByteCount(), s.FixSN(), s.IncSNByteCount(),
            s.IncInitSN(), s.IncPrevSN(), s.IncCurrentSN(), s.IsFixAscii()};
}

TEST_F(SettingsFileTest, SaveLoadSaveIsAFixedPointForEveryGeneratorState) {
    SettingsFile quick(path, ComponentContext{clock, nullptr}, std::make_shared<NoSyncOps>());
    run.NotYetActivated = 0;
    std::mt19937_64 rng(2024);
    auto pick = [&](std::initializer_list<int64_t> some) {
        return rng() % 4 == 0 ? static_cast<int64_t>(rng() >> (rng() % 64)) * (rng() % 2 ? 1 : -1)
                              : *(some.begin() + rng() % some.size());
    };
    // A stored text of any lines in any order: every state a file can give.
    auto randomText = [&](const char* cls, const std::vector<std::pair<const char*, char>>& props) {
        std::string t = std::string("object ") + cls + ";";
        for (int n = static_cast<int>(rng() % 10); n > 0; --n) {
            const auto& [name, kind] = props[rng() % props.size()];
            const int64_t v = kind == 'b' ? static_cast<int64_t>(rng() % 2)
                              : kind == 'c' ? pick({-1, 0, 1, 2, 3, 4, 5, 6, 7})
                              : kind == 'i' ? pick({0, 1, 0x123456, 0xFFFFFF, 0x110000}) % 0x7FFFFFFF
                                            : pick({0, 1, 16, 254, 255, 256, 65535, -1});
            t += std::string("  ") + name + " = " + (kind == 'b' ? (v ? "True" : "False") : std::to_string(v)) + ";";
        }
        return t + "end;";
    };
    const std::vector<std::pair<const char*, char>> sn{
        {"IsSN", 'b'}, {"IsDate", 'b'}, {"FixSNByteCount", 'c'}, {"FixSN", 'l'}, {"IncSNByteCount", 'c'},
        {"IncInitSN", 'l'}, {"IncPrevSN", 'l'}, {"IncCurrentSN", 'l'}, {"IsFixAscii", 'b'}};
    const std::vector<std::pair<const char*, char>> rf{
        {"IsRandom", 'b'}, {"IncInitRFID", 'i'}, {"IncPrevRFID", 'i'}, {"IncCurrentRFID", 'i'}};

    for (int trial = 0; trial < 200; ++trial) {
        writeIni("RXSNINFO=" + randomText("TProdSN", sn) + "\r\nTXSNINFO=" + randomText("TProdSN", sn) +
                 "\r\nRXRFIDINFO=" + randomText("TProdRFID", rf) + "\r\nTXRFIDINFO=" + randomText("TProdRFID", rf) +
                 "\r\n");
        quick.load(settings, run, devices, gens);
        quick.replaceDamagedGenerators();   // what could not be read is set again
        // Then what the line does: units pass, the operator types new starts.
        for (int n = static_cast<int>(rng() % 6); n > 0; --n) {
            switch (rng() % 3) {
            case 0: AdvanceAfterPass(gens, ReadUnitRFIDs(gens)); break;
            case 1: gens.TxSN->setIncInitSN(pick({0, 1, 255})); break;
            default: gens.RxRFID->setIncInitRFID(static_cast<int32_t>(pick({1, 0x2A0000}) & 0xFFFFFF)); break;
            }
        }
        ASSERT_TRUE(quick.save(settings, run, gens).ok);
        const std::string saved = readFile(path);
        NumberingGenerators back;
        quick.load(settings, run, devices, back);
        EXPECT_EQ(stateOf(*back.RxSN), stateOf(*gens.RxSN)) << saved;
        EXPECT_EQ(stateOf(*back.TxSN), stateOf(*gens.TxSN)) << saved;
        ASSERT_TRUE(quick.save(settings, run, back).ok);
        ASSERT_EQ(readFile(path), saved);
        if (!gens.RxRFID->IsRandom()) {
            EXPECT_EQ(back.RxRFID->NextRFID(), gens.RxRFID->NextRFID()) << saved;
        }
    }
}

TEST_F(SettingsFileTest, ASerialThatWrappedContinuesAfterARestart) {
    // TX: date off, 5 fixed bytes, 1 incrementing byte from 0xFE.
    writeIni("TXSNINFO=object TProdSN;  IsSN = True;  IsDate = False;  FixSNByteCount = 5;  FixSN = 1;  "
             "IncSNByteCount = 1;  IncInitSN = 254;  IsFixAscii = False;end;\r\n");
    run.NotYetActivated = 0;
    std::vector<std::string> issued;
    for (int start = 0; start < 4; ++start) {   // one unit per program start
        load();
        issued.push_back(gens.TxSN->GetSNText());
        AdvanceAfterPass(gens, ReadUnitRFIDs(gens));
        ASSERT_TRUE(save().ok);
    }
    EXPECT_EQ(issued, (std::vector<std::string>{"0000000001-FE", "0000000001-FF", "0000000001-00", "0000000001-01"}));
}

TEST_F(SettingsFileTest, SuspendPeriodsAreKeptInTheirRanges) {
    for (const auto& [text, sleep, wakeup] : {std::tuple{"Sleep=300\r\nWakeupPeriod=1\r\n", 240, 3},
                                              std::tuple{"Sleep=-5\r\nWakeupPeriod=0x14\r\n", 0, 19}}) {
        writeIni(text);
        load();
        EXPECT_EQ(std::pair(settings.SleepPeriod, settings.WakeupPeriod), std::pair(sleep, wakeup)) << text;
    }
}

TEST_F(SettingsFileTest, RecordFileIsWrittenOnlyWhenSet) {
    struct Case {
        std::string stored;      // the key's line in the file, if any
        std::string loaded;      // what the load gives
        std::string set;         // the value saved
        std::string savedLine;   // the key's line after the save ("" = no key)
    };
    for (const Case& c : {Case{"", "", "", ""},
                          Case{"RecordFile=", "", "", "RecordFile="},
                          Case{"RecordFile = line 2/units.jsonl", "line 2/units.jsonl", "line 2/units.jsonl",
                               "RecordFile=line 2/units.jsonl"},
                          Case{"RecordFile=units.jsonl", "units.jsonl", "", ""},
                          Case{"", "", "/srv/units.jsonl", "RecordFile=/srv/units.jsonl"}}) {
        writeIni("Delay=1\r\n" + (c.stored.empty() ? "" : c.stored + "\r\n"));
        settings = ProductSettings{};
        load();
        EXPECT_EQ(settings.RecordFile, c.loaded) << c.stored;
        settings.RecordFile = c.set;
        run.NotYetActivated = 0;
        ASSERT_TRUE(save().ok);
        const std::string text = readFile(path);
        const std::vector<std::string> keys = keysOf(text);
        EXPECT_EQ(std::count(keys.begin(), keys.end(), "RecordFile"), c.savedLine.empty() ? 0 : 1) << c.stored;
        if (!c.savedLine.empty()) {
            EXPECT_NE(text.find("\r\n" + c.savedLine + "\r\n"), std::string::npos) << text;
        }
    }
}

TEST_F(SettingsFileTest, TheLockRemovesOnlyTheTemporaryFilesOfCutShortSaves) {
    const std::vector<std::string> stale{"TX.ini.tmpAb12Cd", "TX.ini.tmp000000"};
    const std::vector<std::string> kept{"TX.ini.tmpAb12C", "TX.ini.tmp-b12Cd", "TX.ini.tmpAb12Cde", "other.tmpAb12Cd",
                                        "TX.ini.damaged-20090101-080000"};
    for (const auto& n : stale) writeFile(dir.file(n), "x");
    for (const auto& n : kept) writeFile(dir.file(n), "x");
    ASSERT_TRUE(file.lock(0).ok);
    for (const auto& n : stale) EXPECT_FALSE(std::filesystem::exists(dir.file(n))) << n;
    for (const auto& n : kept) EXPECT_TRUE(std::filesystem::exists(dir.file(n))) << n;

    SettingsFile second(path, ComponentContext{clock, nullptr});
    const SettingsStatus refused = second.lock(1000);
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.message, "The settings file " + path + " is in use by another copy of the program (process " +
                                   std::to_string(::getpid()) + ")");
}

} // namespace
} // namespace kestrelon
