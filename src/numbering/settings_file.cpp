#include "numbering/settings_file.h"

#include "platform/hex_text.h"
#include "device/hotkey_lists.h"
#include "device/text_encoding.h"
#include "model/product_models.h"
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

std::string vidPidText(int v) { return HexText(static_cast<uint32_t>(v), 4); }

// Writes keys of section "TX" into the parsed file, replacing every copy of
// a repeated key by one.
class Writer {
public:
    explicit Writer(CSimpleIniA& ini) : ini_(ini) {}
    void text(const char* key, const std::string& value) { ini_.SetValue(kTX, key, value.c_str(), nullptr, true); }
    void integer(const char* key, long long v) { text(key, std::to_string(v)); }
    void boolean(const char* key, bool v) { text(key, v ? "1" : "0"); }
    void remove(const char* key) { ini_.Delete(kTX, key); }
    // Written only when set, so the files of stations without it stay as
    // they were; one that was switched off loses its value.
    void textIfSet(const char* key, const std::string& value) {
        if (!value.empty()) {
            text(key, value);
        } else if (const char* old = ini_.GetValue(kTX, key, nullptr); old && *old) {
            remove(key);
        }
    }

private:
    CSimpleIniA& ini_;
};

// The values an integer key can take. A value outside them is refused at
// load rather than cut to fit or ignored: a VID of 74565 would otherwise
// program 0x2345, a hot key beyond its list FFFF. A list's index may be -1:
// the program itself stores that for a list without a selection.
struct KeyRange {
    bool checked;   // false: a text key, nothing to check
    long min, max;
    bool hex;       // told in hex
};
constexpr KeyRange kText{false, 0, 0, false};
constexpr KeyRange kAnyInteger{true, INT_MIN, INT_MAX, false};
constexpr KeyRange listRange(int items) { return {true, kNoSelection, items - 1, false}; }

// One key of section "TX": how it is read into the options, what it can
// hold, how it is written back, and what a first start (no file yet) gives
// it. Keys are written in the order of the table, which is the order a new
// file lists them in. A key read after "Model_Select" (afterModel) can still
// override what the model's hook did to its option; the others are read
// before it.
struct SettingKey {
    const char* key;
    KeyRange range;
    bool afterModel;
    void (*read)(ProductSettings&, const Reader&, const char* key);
    void (*write)(const ProductSettings&, Writer&, const char* key);
    void (*firstStart)(ProductSettings&);   // null: a first start keeps the option as it is
};

template <auto Member, auto Value>
void setTo(ProductSettings& s) { s.*Member = Value; }
template <auto Member>
void clearText(ProductSettings& s) { (s.*Member).clear(); }

// "1" or "0"; any number reads, non-zero is true.
template <bool ProductSettings::*M, bool Def>
constexpr SettingKey boolKey(const char* key, bool afterModel, void (*first)(ProductSettings&) = nullptr) {
    return {key, kAnyInteger, afterModel, [](ProductSettings& s, const Reader& r, const char* k) { s.*M = r.boolean(k, Def); },
            [](const ProductSettings& s, Writer& w, const char* k) { w.boolean(k, s.*M); }, first};
}

// An item index into a list of Items; one outside it loads as no selection.
template <int ProductSettings::*M, int Def, int Items>
constexpr SettingKey listKey(const char* key, bool afterModel, void (*first)(ProductSettings&) = nullptr) {
    return {key, listRange(Items), afterModel,
            [](ProductSettings& s, const Reader& r, const char* k) { s.*M = listIndex(r.integer(k, Def), Items); },
            [](const ProductSettings& s, Writer& w, const char* k) { w.integer(k, s.*M); }, first};
}

// One of the twelve Fn key items.
template <size_t I>
constexpr SettingKey fnKey(const char* key) {
    return {key, listRange(kFnKeyItems), false,
            [](ProductSettings& s, const Reader& r, const char* k) { s.FnF[I] = listIndex(r.integer(k, 0), kFnKeyItems); },
            [](const ProductSettings& s, Writer& w, const char* k) { w.integer(k, s.FnF[I]); }, nullptr};
}

// A spin box's value: loads cut to its range, the dongle takes it as one byte.
template <int ProductSettings::*M, int Def, int Min, int Max>
constexpr SettingKey spinKey(const char* key) {
    return {key, {true, Min, Max, false}, true,
            [](ProductSettings& s, const Reader& r, const char* k) { s.*M = std::clamp(r.integer(k, Def), Min, Max); },
            [](const ProductSettings& s, Writer& w, const char* k) { w.integer(k, s.*M); }, nullptr};
}

// A text stored as it is; WhenSet: only written when not empty.
template <std::string ProductSettings::*M, bool WhenSet>
constexpr SettingKey textKey(const char* key, void (*first)(ProductSettings&) = nullptr) {
    return {key, kText, true, [](ProductSettings& s, const Reader& r, const char* k) { s.*M = r.str(kTX, k, ""); },
            [](const ProductSettings& s, Writer& w, const char* k) {
                if constexpr (WhenSet) w.textIfSet(k, s.*M);
                else w.text(k, s.*M);
            },
            first};
}

// A radio group of 0..Last; a value beyond Last loads as Last.
template <int ProductSettings::*M, int Last>
constexpr SettingKey radioKey(const char* key, void (*first)(ProductSettings&) = nullptr) {
    return {key, {true, 0, Last, false}, false,
            [](ProductSettings& s, const Reader& r, const char* k) {
                const int v = r.integer(k, 0);
                s.*M = v >= 0 && v < Last ? v : Last;
            },
            [](const ProductSettings& s, Writer& w, const char* k) {
                const int v = s.*M;
                w.integer(k, v >= 0 && v < Last ? v : Last);
            },
            first};
}

// The USB vendor and product IDs go together: both are written when both
// are set, else neither; both read when both are above 0.
void readIdPair(ProductSettings& s, const Reader& r, const char*) {
    const int vid = r.integer("VID", 0), pid = r.integer("PID", 0);
    if (vid >= 1 && pid >= 1) {
        s.VidSet = vidPidText(vid);
        s.PidSet = vidPidText(pid);
    } else {
        s.VidSet.clear();
        s.PidSet.clear();
    }
}
void writeIdPair(const ProductSettings& s, Writer& w, const char* key) {
    const long long vid = HexEditValue(s.VidSet), pid = HexEditValue(s.PidSet);
    if (vid > 0 && pid > 0) w.integer(key, std::string_view(key) == "VID" ? vid : pid);
    else w.remove(key);
}
void readNothing(ProductSettings&, const Reader&, const char*) {}
void clearIdPair(ProductSettings& s) {
    s.VidSet.clear();
    s.PidSet.clear();
}

constexpr const char* kModelKey = "Model_Select";
constexpr int kBatteryFallback = 6;   // asks for item 6 of a 3-item list: no selection

constexpr SettingKey kSettingKeys[] = {
    listKey<&ProductSettings::CustKey1, kCustKey1Default, kCustKeyItems>(
        "CustKey1", false, setTo<&ProductSettings::CustKey1, kCustKey1Default>),
    listKey<&ProductSettings::CustKey2, kCustKey2Default, kCustKeyItems>(
        "CustKey2", false, setTo<&ProductSettings::CustKey2, kCustKey2Default>),
    boolKey<&ProductSettings::MouseOnly, true>("MouseOnly", false),
    boolKey<&ProductSettings::SoftISS, true>("SoftISS", false, setTo<&ProductSettings::SoftISS, false>),
    spinKey<&ProductSettings::SleepPeriod, 56, 0, 240>("Sleep"),
    spinKey<&ProductSettings::WakeupPeriod, 15, 3, 19>("WakeupPeriod"),
    {"CPI", {true, 0, 1, false}, false,
     [](ProductSettings& s, const Reader& r, const char* k) { s.CpiHigh = r.integer(k, 0) != 0; },
     [](const ProductSettings& s, Writer& w, const char* k) { w.integer(k, s.CpiHigh ? 1 : 0); },
     setTo<&ProductSettings::CpiHigh, false>},
    radioKey<&ProductSettings::PowerSaving, 2>("PowerSaving", setTo<&ProductSettings::PowerSaving, 0>),
    radioKey<&ProductSettings::Wakeup, 1>("Wakeup"),
    // 0..7 is accepted although the list has three items; 3..7 (and the
    // fallback) leave it without a selection.
    {"BTY", {true, kNoSelection, 7, false}, true,
     [](ProductSettings& s, const Reader& r, const char* k) {
         int bty = r.integer(k, kBatteryFallback);
         if (bty < 0 || bty > 7) bty = kBatteryFallback;
         s.BatteryLevel = listIndex(bty, kBatteryItems);
     },
     [](const ProductSettings& s, Writer& w, const char* k) { w.integer(k, s.BatteryLevel); },
     [](ProductSettings& s) { s.BatteryLevel = listIndex(kBatteryFallback, kBatteryItems); }},
    {"VID", {true, 0, 0xFFFF, true}, true, readIdPair, writeIdPair, clearIdPair},
    {"PID", {true, 0, 0xFFFF, true}, true, readNothing, writeIdPair, nullptr},
    // Read by the load itself, between the keys before and after it.
    {kModelKey, {true, 0, kModelCount - 1, false}, false, readNothing,
     [](const ProductSettings& s, Writer& w, const char* k) { w.integer(k, s.ModelIndex); }, nullptr},
    boolKey<&ProductSettings::FNPB, false>("Fn_PB", true),
    boolKey<&ProductSettings::FnUIO, false>("Fn_UIO", true),
    boolKey<&ProductSettings::fndirection, false>("Fn_Direction", true),
    listKey<&ProductSettings::FnPR, 0, kFnKeyItems>("FnPR", true),
    listKey<&ProductSettings::FnBreak, 0, kFnKeyItems>("FnBreak", true),
    boolKey<&ProductSettings::Fn_Enabled, false>("Fn_Function", false),
    fnKey<0>("FnF1"), fnKey<1>("FnF2"), fnKey<2>("FnF3"), fnKey<3>("FnF4"), fnKey<4>("FnF5"), fnKey<5>("FnF6"),
    fnKey<6>("FnF7"), fnKey<7>("FnF8"), fnKey<8>("FnF9"), fnKey<9>("FnF10"), fnKey<10>("FnF11"), fnKey<11>("FnF12"),
    boolKey<&ProductSettings::TX_Erased, false>("TX_Erased", false),
    boolKey<&ProductSettings::RX_Erased, false>("RX_Erased", false),
    {"PName", kText, true,
     [](ProductSettings& s, const Reader& r, const char* k) { s.StringDesc = r.str(kTX, k, kDefaultStringDesc); },
     [](const ProductSettings& s, Writer& w, const char* k) { w.text(k, s.StringDesc); },
     clearText<&ProductSettings::StringDesc>},
    boolKey<&ProductSettings::LRMBinding, false>("LRMBinding", true),
    listKey<&ProductSettings::RFPower, 3, kRFPowerItems>("RFPower", true),
    boolKey<&ProductSettings::ResetRF, true>("ResetRF", true),
    // Kept and written back, used by nothing.
    {"Delay", {true, 0, INT_MAX, false}, false,
     [](ProductSettings& s, const Reader& r, const char* k) { s.Delay = r.integer(k, 0); },
     [](const ProductSettings& s, Writer& w, const char* k) { w.integer(k, s.Delay); }, nullptr},
    boolKey<&ProductSettings::KeyboardBind, false>("KBind", true),
    boolKey<&ProductSettings::CallMERO, false>("EnabledMERO", true),
    textKey<&ProductSettings::RecordFile, true>("RecordFile"),
    textKey<&ProductSettings::NumberStore, true>("NumberStore"),
    textKey<&ProductSettings::NumberStoreProduct, true>("NumberStoreProduct"),
};

// A first start: the defaults of the keys that have one, and of the options
// the file does not keep.
void firstStartDefaults(ProductSettings& s) {
    for (const SettingKey& k : kSettingKeys)
        if (k.firstStart) k.firstStart(s);
    s.PowerOnAutoConnect = true;
}

// "VID=74565 (0 to 0xFFFF), CustKey1=x (not a number)" for every integer key
// whose stored value is not one its setting can take; empty when all are.
std::string outOfRangeValues(const CSimpleIniA& ini) {
    std::string told;
    for (const SettingKey& k : kSettingKeys) {
        const KeyRange& r = k.range;
        if (!r.checked) continue;
        const char* value = ini.GetValue(kTX, k.key, nullptr);
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
        told += (told.empty() ? "" : ", ") + std::string(k.key) + "=" + shown + " (" + why + ")";
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

    for (const SettingKey& k : kSettingKeys)
        if (!k.afterModel) k.read(s, r, k.key);
    for (int k = 0; k < kFileSlotCount; ++k) {
        const std::string key = std::to_string(k);
        devices[static_cast<size_t>(kFirstFileSlot + k)] = ParseDeviceValue(r.str(kDevice, key.c_str(), "0"));
    }
    // A radio group ignores an index outside its items.
    const int model = r.integer(kModelKey, 0);
    if (ModelAt(model) && model != s.ModelIndex) {
        s.ModelIndex = model;
        if (onModelChange) onModelChange(model);
    }
    for (const SettingKey& k : kSettingKeys)
        if (k.afterModel) k.read(s, r, k.key);

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

    Writer w(ini);
    for (const SettingKey& k : kSettingKeys) k.write(s, w, k.key);

    // A generator whose stored value could not be read keeps that value
    // until the generators are set again: the defaults in memory must not
    // quietly become the file's counters.
    // A value that was lost with its section is marked, so that the next
    // start finds the numbering damaged too.
    auto putObject = [&](const char* key, const TComponent& object) {
        if (std::find(damagedKeys_.begin(), damagedKeys_.end(), key) == damagedKeys_.end()) {
            w.text(key, GeneratorValue(object));
        } else if (!ini.GetValue(kTX, key, nullptr)) {
            w.text(key, damagedCopy_.empty() ? "damaged" : "damaged; see " + damagedCopy_);
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
