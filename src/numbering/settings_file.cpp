#include "numbering/settings_file.h"

#include <SimpleIni.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

namespace kestrelon {

namespace {

constexpr const char* kTX = "TX";
constexpr const char* kDevice = "Device";
constexpr size_t kMaxStringValue = 2047;

// Case-insensitive names (CSimpleIniA), one value per key, no spaces around
// "=", plain bytes: what the profile functions read and write.
void configure(CSimpleIniA& ini) {
    ini.SetUnicode(false);
    ini.SetMultiKey(false);
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

// Restores a generator from its INI value; constructor defaults when the
// value is empty, broken or of the wrong class.
template <class T>
std::unique_ptr<T> restore(const std::string& value, const ComponentContext& ctx, std::unique_ptr<T> fallback) {
    if (value.empty()) return fallback;
    try {
        auto object = TextToComponent(replaceAll(value, ";", "\r\n"), ctx);
        if (auto* typed = dynamic_cast<T*>(object.get())) {
            object.release();
            return std::unique_ptr<T>(typed);
        }
    } catch (const ComponentTextError&) {
    }
    return fallback;
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

KnownDevice ParseDeviceValue(const std::string& text) {
    if (text.size() < 8) return {};
    int vid, pid;
    if (!hexDigits(text.substr(0, 4), vid) || !hexDigits(text.substr(text.size() - 4), pid)) return {};
    return KnownDevice{vid, pid};
}

SettingsFile::SettingsFile(std::string path, ComponentContext ctx, std::shared_ptr<SettingsFileOps> ops)
    : path_(std::move(path)), ctx_(std::move(ctx)), ops_(ops ? std::move(ops) : PosixSettingsFileOps()) {}

void SettingsFile::load(ProductSettings& s, RunState& run, KnownDeviceTable& devices,
                        NumberingGenerators& generators, const std::function<void(int)>& onModelChange) {
    LoadingMode loading(run);

    if (!ops_->exists(path_)) {
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
        generators.reset(ctx_);
        return;
    }

    // An existing file that cannot be read behaves like one without keys.
    std::string data;
    ops_->readAll(path_, data);
    CSimpleIniA ini;
    configure(ini);
    ini.LoadData(data);
    const Reader r(ini);

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
    s.SleepPeriod = r.integer("Sleep", 56);
    s.WakeupPeriod = r.integer("WakeupPeriod", 15);
    s.KeyboardBind = r.boolean("KBind", false);
    s.CallMERO = r.boolean("EnabledMERO", false);
    s.ResetRF = r.boolean("ResetRF", true);

    generators.RxSN = restore(r.str(kTX, "RXSNINFO", ""), ctx_, std::make_unique<TProdSN>(ctx_.clock));
    generators.TxSN = restore(r.str(kTX, "TXSNINFO", ""), ctx_, std::make_unique<TProdSN>(ctx_.clock));
    generators.RxRFID = restore(r.str(kTX, "RXRFIDINFO", ""), ctx_, std::make_unique<TProdRFID>(ctx_.random));
    generators.TxRFID = restore(r.str(kTX, "TXRFIDINFO", ""), ctx_, std::make_unique<TProdRFID>(ctx_.random));
}

SaveResult SettingsFile::save(const ProductSettings& s, const RunState& run, NumberingGenerators& generators) {
    if (run.NotYetActivated == 1) return {};
    const SaveResult failed{false, "Unable to write to " + path_};

    // Start from the file as it is, so the "Device" section, foreign keys
    // and the key order survive; a file that exists but cannot be read is
    // not overwritten with a partial picture of it.
    CSimpleIniA ini;
    configure(ini);
    if (ops_->exists(path_)) {
        std::string data;
        if (!ops_->readAll(path_, data)) return failed;
        ini.LoadData(data);
    }

    auto put = [&](const char* key, const std::string& value) { ini.SetValue(kTX, key, value.c_str()); };
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

    auto putObject = [&](const char* key, const TComponent& object) {
        put(key, replaceAll(ComponentToText(object), "\r\n", ";"));
    };
    putObject("RXSNINFO", *generators.RxSN);
    putObject("TXSNINFO", *generators.TxSN);
    // The stored start of each RF ID sequence becomes its next ID, so a
    // restart continues there.
    generators.RxRFID->setIncInitRFID(generators.RxRFID->NextRFID());
    putObject("RXRFIDINFO", *generators.RxRFID);
    generators.TxRFID->setIncInitRFID(generators.TxRFID->NextRFID());
    putObject("TXRFIDINFO", *generators.TxRFID);

    std::string text;
    if (ini.Save(text) < 0) return failed;
    // One blank line at most between sections, and line ends as the
    // platform's profile functions write them.
    text = replaceAll(text, "\r\n", "\n");
    while (text.find("\n\n\n") != std::string::npos) text = replaceAll(text, "\n\n\n", "\n\n");
    text = replaceAll(text, "\n", "\r\n");
    if (!ReplaceFileAtomically(*ops_, path_, text)) return failed;
    return {};
}

} // namespace kestrelon
