#include "numbering/settings_file.h"

#include "device/text_encoding.h"
#include "platform/file_system.h"

#include <SimpleIni.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <type_traits>

namespace kestrelon {

namespace {

constexpr const char* kTX = "TX";
constexpr const char* kDevice = "Device";
constexpr size_t kMaxStringValue = 2047;

// Case-insensitive names (CSimpleIniA), no spaces around "=", plain bytes:
// what the profile functions read and write. Repeated keys are all kept on
// reading so that the first one is the one read (sections of one name are
// merged in file order); every write replaces them all by one.
void configure(CSimpleIniA& ini) {
    ini.SetUnicode(false);
    ini.SetMultiKey(true);
    ini.SetMultiLine(false);
    ini.SetSpaces(false);
    ini.SetQuotes(false);
}

std::string replaceAll(std::string s, const std::string& from, const std::string& to) {
    size_t pos = 0;
    while ((pos = s.find(from, pos)) != std::string::npos) {
        s.replace(pos, from.size(), to);
        pos += to.size();
    }
    return s;
}

bool hexDigits(const std::string& s, int& out) {
    out = 0;
    for (char c : s) {
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else return false;
        out = out * 16 + d;
    }
    return true;
}

// The byte a NUL in the file is read as. It can stand in no valid generator
// text, so a generator value that held a NUL is refused as damaged, while
// the NUL no longer ends the whole file for the reader.
constexpr char kNulStandIn = '\x7f';


// UTF-16 after its byte-order mark (as Notepad saves "Unicode"), to UTF-8.
std::string fromUtf16(const std::string& data, bool bigEndian) {
    std::string out;
    out.reserve(data.size() / 2);
    auto unit = [&](size_t i) {
        const auto a = static_cast<unsigned char>(data[i]), b = static_cast<unsigned char>(data[i + 1]);
        return static_cast<uint32_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
    };
    for (size_t i = 2; i + 1 < data.size(); i += 2) {
        uint32_t cp = unit(i);
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 3 < data.size()) {
            const uint32_t low = unit(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0xFFFD;
        AppendUtf8(out, cp);
    }
    return out;
}

// The file's bytes as the INI reader gets them: UTF-16 with a byte-order
// mark made 8-bit, a UTF-8 mark dropped, NULs replaced, and a section line
// that lacks its "]" closed (the reader would otherwise take the following
// line into the section's name and write the file one line longer on
// every save).
std::string profileText(const std::string& data) {
    std::string text;
    if (data.compare(0, 2, "\xFF\xFE") == 0)
        text = fromUtf16(data, false);
    else if (data.compare(0, 2, "\xFE\xFF") == 0)
        text = fromUtf16(data, true);
    else if (data.compare(0, 3, "\xEF\xBB\xBF") == 0)
        text = data.substr(3);
    else
        text = data;

    std::string out;
    out.reserve(text.size() + 16);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        std::string_view line(text.data() + start, end - start);
        const size_t first = line.find_first_not_of(" \t");
        const bool openSection = first != std::string_view::npos && line[first] == '[' &&
                                 line.find(']') == std::string_view::npos;
        for (char c : line) out += c == '\0' ? kNulStandIn : c;
        if (openSection) out += ']';
        // One line end: CR LF, CR or LF.
        if (end < text.size()) {
            const size_t len = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1;
            out.append(text, end, len);
            end += len;
        }
        start = end;
    }
    return out;
}

// Line ends as the profile functions write them, at most one blank line in
// a row and none at the start. One pass: the file can be large.
std::string asProfileLines(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    // Text that starts like a byte-order mark (a stray key before the first
    // section can) would be read back as UTF-16 or lose its first bytes: an
    // empty first line keeps it as it is.
    for (const char* mark : {"\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"})
        if (text.compare(0, std::strlen(mark), mark) == 0) {
            out = "\r\n";
            break;
        }
    int blank = 0;
    bool leadingComments = true;   // still in the comment lines the text starts with
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        size_t len = end - start;
        if (len > 0 && text[start + len - 1] == '\r') --len;
        if (len == 0) {
            // Not before the first line: the writer leaves one for a section
            // with an empty name, which the next read does not keep.
            const bool started = !out.empty() && out != "\r\n";
            if (++blank <= 1 && started) out += "\r\n";
            if (started) leadingComments = false;
        } else {
            const bool comment = text[start] == ';' || text[start] == '#';
            // Comment lines at the top are read back as the file's own
            // comment only when a blank line ends them, and then written
            // with one: give them that line now.
            if (leadingComments && !comment && !out.empty() && out != "\r\n") out += "\r\n";
            leadingComments = leadingComments && comment;
            blank = 0;
            out.append(text, start, len);
            out += "\r\n";
        }
        start = end + 1;
    }
    return out;
}

bool loadProfile(CSimpleIniA& ini, const std::string& data) {
    configure(ini);
    return ini.LoadData(profileText(data)) >= 0;
}

class Reader {
public:
    explicit Reader(const CSimpleIniA& ini) : ini_(ini) {}

    std::string str(const char* section, const char* key, const std::string& def) const {
        const char* v = ini_.GetValue(section, key, nullptr);
        std::string s = v ? v : def;
        if (s.size() > kMaxStringValue) s.resize(kMaxStringValue);
        return s;
    }
    int integer(const char* key, int def) const {
        const char* v = ini_.GetValue(kTX, key, nullptr);
        int out;
        return v && ParseIniInteger(str(kTX, key, ""), out) ? out : def;
    }
    bool boolean(const char* key, bool def) const { return integer(key, def ? 1 : 0) != 0; }

private:
    const CSimpleIniA& ini_;
};

int listIndex(int index, int items) { return index >= 0 && index < items ? index : kNoSelection; }

std::string vidPidText(int v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04X", static_cast<unsigned>(v));
    return buf;
}

// The integer keys of section "TX" and the values each can take. A value
// outside them is refused at load rather than cut to fit or ignored: a VID
// of 74565 would otherwise program 0x2345, a hot key beyond its list FFFF.
// A list's index may be -1: the program itself stores that for a list
// without a selection.
struct IntegerRange {
    const char* key;
    long min, max;
    bool hex;   // told in hex
};
constexpr IntegerRange kIntegerRanges[] = {
    {"CustKey1", kNoSelection, kCustKeyItems - 1, false},
    {"CustKey2", kNoSelection, kCustKeyItems - 1, false},
    {"MouseOnly", INT_MIN, INT_MAX, false},
    {"SoftISS", INT_MIN, INT_MAX, false},
    {"Sleep", 0, 240, false},
    {"WakeupPeriod", 3, 19, false},
    {"CPI", 0, 1, false},
    {"PowerSaving", 0, 2, false},
    {"Wakeup", 0, 1, false},
    {"BTY", kNoSelection, 7, false},   // 3-7 are accepted and leave the list without a selection
    {"VID", 0, 0xFFFF, true},
    {"PID", 0, 0xFFFF, true},
    {"Model_Select", 0, 2, false},
    {"Fn_PB", INT_MIN, INT_MAX, false},
    {"Fn_UIO", INT_MIN, INT_MAX, false},
    {"Fn_Direction", INT_MIN, INT_MAX, false},
    {"FnPR", kNoSelection, kFnKeyItems - 1, false},
    {"FnBreak", kNoSelection, kFnKeyItems - 1, false},
    {"Fn_Function", INT_MIN, INT_MAX, false},
    {"FnF1", kNoSelection, kFnKeyItems - 1, false},
    {"FnF2", kNoSelection, kFnKeyItems - 1, false},
    {"FnF3", kNoSelection, kFnKeyItems - 1, false},
    {"FnF4", kNoSelection, kFnKeyItems - 1, false},
    {"FnF5", kNoSelection, kFnKeyItems - 1, false},
    {"FnF6", kNoSelection, kFnKeyItems - 1, false},
    {"FnF7", kNoSelection, kFnKeyItems - 1, false},
    {"FnF8", kNoSelection, kFnKeyItems - 1, false},
    {"FnF9", kNoSelection, kFnKeyItems - 1, false},
    {"FnF10", kNoSelection, kFnKeyItems - 1, false},
    {"FnF11", kNoSelection, kFnKeyItems - 1, false},
    {"FnF12", kNoSelection, kFnKeyItems - 1, false},
    {"TX_Erased", INT_MIN, INT_MAX, false},
    {"RX_Erased", INT_MIN, INT_MAX, false},
    {"LRMBinding", INT_MIN, INT_MAX, false},
    {"RFPower", kNoSelection, kRFPowerItems - 1, false},
    {"ResetRF", INT_MIN, INT_MAX, false},
    {"Delay", 0, INT_MAX, false},
    {"KBind", INT_MIN, INT_MAX, false},
    {"EnabledMERO", INT_MIN, INT_MAX, false},
};

// "VID=74565 (0 to 0xFFFF), CustKey1=x (not a number)" for every key of the
// table whose stored value is not one its setting can take; empty when all are.
std::string outOfRangeValues(const CSimpleIniA& ini) {
    std::string told;
    for (const IntegerRange& r : kIntegerRanges) {
        const char* value = ini.GetValue(kTX, r.key, nullptr);
        if (!value) continue;
        int v = 0;
        std::string why;
        if (!ParseIniInteger(value, v)) {
            why = "not a number";
        } else if (v < r.min || v > r.max) {
            char buf[64];
            if (r.hex)
                std::snprintf(buf, sizeof buf, "0x%lX to 0x%lX", static_cast<unsigned long>(r.min),
                              static_cast<unsigned long>(r.max));
            else if (r.max == INT_MAX)
                std::snprintf(buf, sizeof buf, "%ld or more", r.min);
            else
                std::snprintf(buf, sizeof buf, "%ld to %ld", r.min, r.max);
            why = buf;
        } else {
            continue;
        }
        std::string shown(value);
        if (shown.size() > 20) shown = shown.substr(0, 20) + "...";
        told += (told.empty() ? "" : ", ") + std::string(r.key) + "=" + shown + " (" + why + ")";
    }
    return told;
}

// A generator from its INI value; null when the value is broken, too long
// or of the wrong class.
template <class T>
std::unique_ptr<T> restore(const std::string& value, const ComponentContext& ctx) {
    if (value.size() > kMaxStringValue) return nullptr;   // the profile functions would cut it short
    try {
        auto object = TextToComponent(replaceAll(value, ";", "\r\n"), ctx);
        if (auto* typed = dynamic_cast<T*>(object.get())) {
            object.release();
            return std::unique_ptr<T>(typed);
        }
    } catch (const ComponentTextError&) {
    }
    return nullptr;
}

// A stored serial-number generator whose text sets no byte counts (only a
// hand-made one) has 0 + 0 bytes, which no write rule can store again: it
// would come back with a fixed part of 6. Give it the bytes it lacks as
// fixed part, with only the fixed bytes it showed, so its serial numbers
// stay as they were and the next save stores what the load gives.
void settleByteCounts(TProdSN& sn) {
    const int limit = sn.IsDate() ? 4 : 6;
    if (sn.FixSNByteCount() + sn.IncSNByteCount() == limit) return;
    const int fix = sn.FixSNByteCount();   // 0..6 by the write rules
    const uint64_t shown = (uint64_t{1} << (8 * fix)) - 1;
    sn.setFixSN(static_cast<int64_t>(static_cast<uint64_t>(sn.FixSN()) & shown));
    sn.setIncSNByteCount(sn.IncSNByteCount());
}

// An RF ID generator resumes at the start the last save stored (the ID
// after every one it had read, or the start the operator typed), not
// merely after the last unit that passed: IDs read for units that then
// failed may be in devices already. A start of 0 is never stored by a save
// in sequence (0x000000 has reserved bytes): a text without one keeps the
// position its lines give.
void resumeAtStoredStart(TProdRFID& id) {
    if (id.IncInitRFID() != 0) id.setIncInitRFID(id.IncInitRFID());
}

template <class T>
std::unique_ptr<T> restoreSettled(const std::string& value, const ComponentContext& ctx) {
    auto object = restore<T>(value, ctx);
    if (!object) return nullptr;
    if constexpr (std::is_same_v<T, TProdSN>)
        settleByteCounts(*object);
    else
        resumeAtStoredStart(*object);
    return object;
}

// RunMode stays 2 for the whole load, whatever happens inside.
struct LoadingMode {
    explicit LoadingMode(RunState& r) : run(r) { run.RunMode = RunLoadingSettings; }
    ~LoadingMode() { run.RunMode = RunIdle; }
    RunState& run;
};

} // namespace

bool ParseIniInteger(const std::string& text, int& out) {
    std::string digits;
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        digits = text.substr(2);
        base = 16;
    } else if (text.size() > 1 && text[0] == '$') {
        digits = text.substr(1);
        base = 16;
    } else {
        digits = text;
    }
    if (digits.empty()) return false;
    size_t i = base == 10 && (digits[0] == '-' || digits[0] == '+') ? 1 : 0;
    if (i == digits.size()) return false;
    for (size_t k = i; k < digits.size(); ++k) {
        const char c = digits[k];
        const bool ok = (c >= '0' && c <= '9') ||
                        (base == 16 && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
        if (!ok) return false;
    }
    errno = 0;
    const long long v = std::strtoll(digits.c_str(), nullptr, base);
    if (errno == ERANGE) return false;
    // Hex values take the full 32 bits ("0xFFFFFFFF" is -1), decimal ones
    // must fit a signed int.
    if (base == 16) {
        if (v > 0xFFFFFFFFLL) return false;
        out = static_cast<int>(static_cast<uint32_t>(v));
        return true;
    }
    if (v < INT_MIN || v > INT_MAX) return false;
    out = static_cast<int>(v);
    return true;
}

std::string GeneratorValue(const TComponent& object) { return replaceAll(ComponentToText(object), "\r\n", ";"); }

std::unique_ptr<TProdSN> SerialGeneratorFromValue(const std::string& value, const ComponentContext& ctx) {
    return restoreSettled<TProdSN>(value, ctx);
}

std::unique_ptr<TProdRFID> RfidGeneratorFromValue(const std::string& value, const ComponentContext& ctx) {
    return restoreSettled<TProdRFID>(value, ctx);
}

void MoveRfidStartsToNext(NumberingGenerators& generators) {
    // A random generator keeps the start it has: a fresh draw there on every
    // save would only make the file change each time with nothing to tell.
    for (TProdRFID* id : {generators.RxRFID.get(), generators.TxRFID.get()})
        id->setIncInitRFID(id->IsRandom() ? id->IncInitRFID() : id->NextRFID());
}

KnownDevice ParseDeviceValue(const std::string& text) {
    if (text.size() < 8) return {};
    int vid, pid;
    if (!hexDigits(text.substr(0, 4), vid) || !hexDigits(text.substr(text.size() - 4), pid)) return {};
    return KnownDevice{vid, pid};
}

// The file as last read or written, parsed, with the stamp it had then: a
// save starts from it instead of parsing the whole file again while the
// file is still that one (a large file takes most of a save's time to parse).
struct SettingsFile::Parsed {
    CSimpleIniA ini;
    FileStamp stamp;
};

SettingsFile::SettingsFile(std::string path, ComponentContext ctx, std::shared_ptr<SettingsFileOps> ops)
    : path_(std::move(path)),
      ctx_(std::move(ctx)),
      ops_(ops ? std::move(ops) : PosixSettingsFileOps()),
      fullPath_(FullPath(path_)) {}

SettingsFile::~SettingsFile() = default;

namespace {

std::string unreadableText(const std::string& path, const std::string& reason) {
    return "Cannot read the settings file " + path + ": " + reason;
}

void firstStartDefaults(ProductSettings& s) {
    s.CustKey1 = 7;
    s.CustKey2 = 8;
    s.SoftISS = false;
    s.CpiHigh = false;
    s.PowerSaving = 0;
    s.PowerOnAutoConnect = true;
    s.BatteryLevel = listIndex(6, kBatteryItems);   // asks for item 6 of a 3-item list
    s.VidSet.clear();
    s.PidSet.clear();
    s.StringDesc.clear();
}

std::string twoDigits(int v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", v % 100);
    return buf;
}

// A file that lost its "TX" section: empty, garbage, UTF-16 without its
// mark, or keys outside any section. A hand-made file with nothing but a
// "Device" section (extra receivers added before the first start) is an
// ordinary first start.
bool lacksTxSection(const CSimpleIniA& ini) {
    if (ini.GetSection(kTX)) return false;
    const CSimpleIniA::TKeyVal* loose = ini.GetSection("");
    return !ini.GetSection(kDevice) || (loose && !loose->empty());
}

} // namespace

namespace {

std::string hardLinkText(const std::string& path, uint64_t links) {
    return "The settings file " + path + " has " + std::to_string(links) +
           " names (hard links); each name would take a lock of its own, so two copies of the program could "
           "hand out the same numbers. Keep one name (a symbolic link may point at it)";
}

} // namespace

SettingsStatus SettingsFile::lock(uint32_t waitMs) {
    const PathState state = ops_->inspect(path_);
    if (state.kind == PathKind::NotRegular || state.kind == PathKind::Unusable)
        return {false, unreadableText(fullPath_, state.reason)};
    if (state.kind == PathKind::Regular && state.links > 1) return {false, hardLinkText(fullPath_, state.links)};
    FileLock::Attempt a = FileLock::Acquire(ops_->resolve(path_) + ".lock", waitMs, ctx_.clock);
    switch (a.outcome) {
    case FileLock::Outcome::Acquired:
        lock_ = std::move(a.lock);
        // No save runs in another process now: what matches the pattern of
        // our temporary files is left over from one that was cut short.
        RemoveStaleTemps(path_);
        return {};
    case FileLock::Outcome::Held:
        return {false, "The settings file " + fullPath_ + " is in use by another copy of the program (process " +
                           (a.holderPid > 0 ? std::to_string(a.holderPid) : std::string("unknown")) + ")"};
    case FileLock::Outcome::Failed:
        break;
    }
    return {false, "Cannot lock the settings file " + fullPath_ + ": " + a.reason};
}

SettingsStatus SettingsFile::unitsBlocked() const {
    if (!unreadable_.empty()) return {false, unreadable_};
    if (!outOfRange_.empty()) return {false, outOfRange_};
    if (!damagedKeys_.empty()) return {false, damagedNumberingText()};
    if (lock_) {
        std::string why;
        if (!lock_->stillHeld(why))
            return {false, "The settings file " + fullPath_ + " is no longer locked for this program (" + why +
                               "); another copy could hand out the same numbers. Close the program and start it again"};
    }
    const PathState state = ops_->inspect(path_);
    if (state.kind == PathKind::Regular && state.links > 1) return {false, hardLinkText(fullPath_, state.links)};
    return {};
}

void SettingsFile::replaceDamagedGenerators() {
    damagedKeys_.clear();
    damagedCopy_.clear();
}

LoadResult SettingsFile::load(ProductSettings& s, RunState& run, KnownDeviceTable& devices,
                              NumberingGenerators& generators, const std::function<void(int)>& onModelChange) {
    LoadingMode loading(run);
    unreadable_.clear();
    outOfRange_.clear();
    damagedKeys_.clear();
    damagedCopy_.clear();

    LoadResult result;
    parsed_.reset();
    const PathState state = ops_->inspect(path_);
    std::string data;
    auto parsed = std::make_unique<Parsed>();
    // Stamped before reading: a change in between makes the stamp stale
    // and the next save read the file again, never the reverse.
    const bool stamped = ops_->stamp(path_, parsed->stamp);
    if (state.kind == PathKind::Missing) {
        firstStartDefaults(s);
        generators.reset(ctx_);
        result.firstStart = true;
        return result;
    }
    if (state.kind != PathKind::Regular || !ops_->readAll(path_, data)) {
        // Never the defaults over a file that is there: saves stay refused
        // until a load succeeds.
        unreadable_ =
            unreadableText(fullPath_, state.kind == PathKind::Regular ? files::ErrorText(errno) : state.reason);
        firstStartDefaults(s);
        generators.reset(ctx_);
        result.ok = false;
        result.message = unreadable_;
        return result;
    }

    CSimpleIniA& ini = parsed->ini;
    loadProfile(ini, data);
    const Reader r(ini);
    bool damaged = lacksTxSection(ini);
    // A file without its section has lost whatever counters it held.
    if (damaged) damagedKeys_ = {"RXSNINFO", "TXSNINFO", "RXRFIDINFO", "TXRFIDINFO"};
    if (const std::string bad = outOfRangeValues(ini); !bad.empty())
        outOfRange_ = "The settings file " + fullPath_ + " has values its settings cannot take: " + bad +
                      ". No unit is programmed until they are corrected";

    s.MouseOnly = r.boolean("MouseOnly", true);
    s.CustKey1 = listIndex(r.integer("CustKey1", 7), kCustKeyItems);
    s.CustKey2 = listIndex(r.integer("CustKey2", 8), kCustKeyItems);
    s.SoftISS = r.boolean("SoftISS", true);
    s.Delay = r.integer("Delay", 0);
    s.CpiHigh = r.integer("CPI", 0) != 0;
    s.Wakeup = r.integer("Wakeup", 0) == 0 ? 0 : 1;
    {
        const int ps = r.integer("PowerSaving", 0);
        s.PowerSaving = ps == 0 ? 0 : ps == 1 ? 1 : 2;
    }
    s.TX_Erased = r.boolean("TX_Erased", false);
    s.RX_Erased = r.boolean("RX_Erased", false);

    for (int k = 0; k < kFileSlotCount; ++k) {
        const std::string key = std::to_string(k);
        devices[static_cast<size_t>(kFirstFileSlot + k)] = ParseDeviceValue(r.str(kDevice, key.c_str(), "0"));
    }

    s.Fn_Enabled = r.boolean("Fn_Function", false);
    for (int i = 0; i < 12; ++i) {
        const std::string key = "FnF" + std::to_string(i + 1);
        s.FnF[static_cast<size_t>(i)] = listIndex(r.integer(key.c_str(), 0), kFnKeyItems);
    }

    // A radio group ignores an index outside its items.
    const int model = r.integer("Model_Select", 0);
    if (model >= 0 && model <= 2 && model != s.ModelIndex) {
        s.ModelIndex = model;
        if (onModelChange) onModelChange(model);
    }

    s.FNPB = r.boolean("Fn_PB", false);
    s.FnPR = listIndex(r.integer("FnPR", 0), kFnKeyItems);
    s.FnBreak = listIndex(r.integer("FnBreak", 0), kFnKeyItems);
    s.FnUIO = r.boolean("Fn_UIO", false);
    s.fndirection = r.boolean("Fn_Direction", false);

    // 0..7 is accepted although the list has three items; 3..7 (and the
    // fallback 6) leave it without a selection.
    int bty = r.integer("BTY", 6);
    if (bty < 0 || bty > 7) bty = 6;
    s.BatteryLevel = listIndex(bty, kBatteryItems);

    const int vid = r.integer("VID", 0), pid = r.integer("PID", 0);
    if (vid >= 1 && pid >= 1) {
        s.VidSet = vidPidText(vid);
        s.PidSet = vidPidText(pid);
    } else {
        s.VidSet.clear();
        s.PidSet.clear();
    }

    s.LRMBinding = r.boolean("LRMBinding", false);
    s.StringDesc = r.str(kTX, "PName", kDefaultStringDesc);
    s.RFPower = listIndex(r.integer("RFPower", 3), kRFPowerItems);
    // The spin boxes' ranges: the dongle takes each period as one byte.
    s.SleepPeriod = std::clamp(r.integer("Sleep", 56), 0, 240);
    s.WakeupPeriod = std::clamp(r.integer("WakeupPeriod", 15), 3, 19);
    s.KeyboardBind = r.boolean("KBind", false);
    s.CallMERO = r.boolean("EnabledMERO", false);
    s.ResetRF = r.boolean("ResetRF", true);
    s.RecordFile = r.str(kTX, "RecordFile", "");
    s.NumberStore = r.str(kTX, "NumberStore", "");
    s.NumberStoreProduct = r.str(kTX, "NumberStoreProduct", "");

    // Each generator on its own: one that cannot be read starts from its
    // defaults and leaves the others as stored.
    auto generator = [&](const char* key, auto fallback) {
        using T = typename decltype(fallback)::element_type;
        const char* value = ini.GetValue(kTX, key, nullptr);
        if (!value || !*value) return fallback;
        if (auto object = restoreSettled<T>(value, ctx_)) return object;
        damaged = true;
        if (std::find(damagedKeys_.begin(), damagedKeys_.end(), key) == damagedKeys_.end()) damagedKeys_.push_back(key);
        return fallback;
    };
    generators.RxSN = generator("RXSNINFO", std::make_unique<TProdSN>(ctx_.clock));
    generators.TxSN = generator("TXSNINFO", std::make_unique<TProdSN>(ctx_.clock));
    generators.RxRFID = generator("RXRFIDINFO", std::make_unique<TProdRFID>(ctx_.random));
    generators.TxRFID = generator("TXRFIDINFO", std::make_unique<TProdRFID>(ctx_.random));
    if (stamped) parsed_ = std::move(parsed);

    if (damaged) {
        const std::string told = "The settings file " + fullPath_ + " is damaged";
        const std::string defaults = "; the values that could not be read start from their defaults";
        if (!keepDamagedCopy_) {
            result.message = told + defaults;
        } else {
            std::string reason;
            result.damagedCopy = copyDamaged(data, reason);
            if (result.damagedCopy.empty()) {
                // Its counters must not be overwritten before someone has kept them.
                unreadable_ = told + " and could not be copied aside: " + reason;
                result.ok = false;
                result.message = unreadable_;
                return result;
            }
            damagedCopy_ = result.damagedCopy;
            result.message = told + "; it was copied to " + result.damagedCopy + defaults;
        }
    }
    // Damaged generators or values out of range: told, and no unit until
    // they are set again.
    if (!damagedKeys_.empty()) {
        result.ok = false;
        result.message = damagedNumberingText();
    }
    if (!outOfRange_.empty()) {
        result.ok = false;
        result.message = result.message.empty() ? outOfRange_ : result.message + ". " + outOfRange_;
    }
    return result;
}

std::string SettingsFile::damagedNumberingText() const {
    std::string text = "The numbering in the settings file " + fullPath_ + " is damaged";
    if (!damagedCopy_.empty()) text += " (the file was copied to " + damagedCopy_ + ")";
    return text + "; no unit is programmed until the serial numbers and RF IDs are set again. "
                  "See what they would be with: " + kShowNumbersCommand + " " + fullPath_;
}

// "<target>.damaged-YYYYMMDD-HHMMSS" beside the file's target, or the copy
// an earlier start already made of these very bytes.
std::string SettingsFile::copyDamaged(const std::string& data, std::string& reason) {
    for (const std::string& copy : SiblingsOf(path_, ".damaged-")) {
        std::string existing;
        if (ops_->readAll(copy, existing) && existing == data) return copy;
    }
    const std::string target = ops_->resolve(path_);
    const LocalDateTime t = ctx_.clock.localNow();
    const std::string stamp = std::to_string(t.year) + twoDigits(t.month) + twoDigits(t.day) + "-" +
                              twoDigits(t.hour) + twoDigits(t.minute) + twoDigits(t.second);
    const std::string base = target + ".damaged-" + stamp;
    for (int n = 1; n < 100; ++n) {
        const std::string copy = n == 1 ? base : base + "-" + std::to_string(n);
        if (WriteNewFile(copy, data, reason)) return copy;
        if (reason != files::ErrorText(EEXIST)) return {};
    }
    return {};
}

SettingsStatus SettingsFile::canReplace() const {
    if (!unreadable_.empty()) return {false, unreadable_};
    std::string why;
    if (!ops_->canReplace(path_, why)) return {false, "Unable to write to " + fullPath_ + ": " + why};
    return {};
}

SaveResult SettingsFile::save(const ProductSettings& s, const RunState& run, NumberingGenerators& generators) {
    if (run.NotYetActivated == 1) return {};
    if (!unreadable_.empty()) {
        lastSaveFailed_ = true;
        return {false, unreadable_};
    }
    lastSaveFailed_ = true;
    auto failed = [this](const std::string& why) {
        return SaveResult{false, "Unable to write to " + fullPath_ + ": " + why};
    };

    // Start from the file as it is, so the "Device" section, foreign keys
    // and the key order survive; a file that exists but cannot be read is
    // not overwritten with a partial picture of it. Anything but a regular
    // file (a folder, a FIFO, a device) is never replaced.
    const PathState state = ops_->inspect(path_);
    if (state.kind == PathKind::NotRegular || state.kind == PathKind::Unusable) return failed(state.reason);
    FileStamp now;
    if (!parsed_ || !ops_->stamp(path_, now) || !(now == parsed_->stamp)) {
        parsed_.reset();
        auto fresh = std::make_unique<Parsed>();
        configure(fresh->ini);
        fresh->stamp = now;
        if (state.kind == PathKind::Regular) {
            std::string data;
            if (!ops_->readAll(path_, data)) return failed(files::ErrorText(errno));
            loadProfile(fresh->ini, data);
        }
        parsed_ = std::move(fresh);
    }
    CSimpleIniA& ini = parsed_->ini;

    auto put = [&](const char* key, const std::string& value) { ini.SetValue(kTX, key, value.c_str(), nullptr, true); };
    auto putInt = [&](const char* key, long long v) { put(key, std::to_string(v)); };
    auto putBool = [&](const char* key, bool v) { put(key, v ? "1" : "0"); };

    putInt("CustKey1", s.CustKey1);
    putInt("CustKey2", s.CustKey2);
    putBool("MouseOnly", s.MouseOnly);
    putBool("SoftISS", s.SoftISS);
    putInt("Sleep", s.SleepPeriod);
    putInt("WakeupPeriod", s.WakeupPeriod);
    putInt("CPI", s.CpiHigh ? 1 : 0);
    putInt("PowerSaving", s.PowerSaving == 0 ? 0 : s.PowerSaving == 1 ? 1 : 2);
    putInt("Wakeup", s.Wakeup == 0 ? 0 : 1);
    putInt("BTY", s.BatteryLevel);

    const long long vid = HexEditValue(s.VidSet), pid = HexEditValue(s.PidSet);
    if (vid > 0 && pid > 0) {
        putInt("VID", vid);
        putInt("PID", pid);
    } else {
        ini.Delete(kTX, "VID");
        ini.Delete(kTX, "PID");
    }

    putInt("Model_Select", s.ModelIndex);
    putBool("Fn_PB", s.FNPB);
    putBool("Fn_UIO", s.FnUIO);
    putBool("Fn_Direction", s.fndirection);
    putInt("FnPR", s.FnPR);
    putInt("FnBreak", s.FnBreak);
    putBool("Fn_Function", s.Fn_Enabled);
    for (int i = 0; i < 12; ++i) {
        const std::string key = "FnF" + std::to_string(i + 1);
        putInt(key.c_str(), s.FnF[static_cast<size_t>(i)]);
    }
    putBool("TX_Erased", s.TX_Erased);
    putBool("RX_Erased", s.RX_Erased);
    put("PName", s.StringDesc);
    putBool("LRMBinding", s.LRMBinding);
    putInt("RFPower", s.RFPower);
    putBool("ResetRF", s.ResetRF);
    putInt("Delay", s.Delay);
    putBool("KBind", s.KeyboardBind);
    putBool("EnabledMERO", s.CallMERO);
    // Written only when set, so the files of stations without a record stay
    // as they were; one that was switched off loses its path.
    auto putIfSet = [&](const char* key, const std::string& value) {
        if (!value.empty()) {
            put(key, value);
        } else if (const char* old = ini.GetValue(kTX, key, nullptr); old && *old) {
            ini.Delete(kTX, key);
        }
    };
    putIfSet("RecordFile", s.RecordFile);
    putIfSet("NumberStore", s.NumberStore);
    putIfSet("NumberStoreProduct", s.NumberStoreProduct);

    // A generator whose stored value could not be read keeps that value
    // until the generators are set again: the defaults in memory must not
    // quietly become the file's counters.
    // A value that was lost with its section is marked, so that the next
    // start finds the numbering damaged too.
    auto putObject = [&](const char* key, const TComponent& object) {
        if (std::find(damagedKeys_.begin(), damagedKeys_.end(), key) == damagedKeys_.end()) {
            put(key, GeneratorValue(object));
        } else if (!ini.GetValue(kTX, key, nullptr)) {
            put(key, damagedCopy_.empty() ? "damaged" : "damaged; see " + damagedCopy_);
        }
    };
    putObject("RXSNINFO", *generators.RxSN);
    putObject("TXSNINFO", *generators.TxSN);
    // The stored start of a sequential RF ID generator becomes its next ID,
    // so a restart continues there.
    MoveRfidStartsToNext(generators);
    putObject("RXRFIDINFO", *generators.RxRFID);
    putObject("TXRFIDINFO", *generators.TxRFID);

    std::string text, why;
    if (ini.Save(text) < 0) {
        parsed_.reset();
        return failed("the settings could not be put into text");
    }
    if (!ReplaceFileAtomically(*ops_, path_, asProfileLines(text), why)) {
        parsed_.reset();   // read the file again next time: it may be either version
        return failed(why);
    }
    // What was written is what the file holds now: values in range there
    // let units be programmed again.
    if (!outOfRange_.empty() && outOfRangeValues(ini).empty()) outOfRange_.clear();
    if (!ops_->stamp(path_, parsed_->stamp)) parsed_.reset();
    lastSaveFailed_ = false;
    return {};
}

} // namespace kestrelon
