// `numbering show|set`: the window's numbering panel, which the window keeps
// hidden, on the command line. `set` starts up as the window does (the
// settings file's lock, the load, the panel filled), then sets the panel's
// controls the way the window's widgets do, so every rule and every message
// is the panel's own; whatever the panel would not take leaves the file as
// it was. `show` only reads the file, without its lock.
#include "app/station.h"
#include "cli/commands.h"
#include "cli/file_checks.h"
#include "cli/settings_reading.h"
#include "cli/unit_table.h"
#include "numbering/numbering_words.h"
#include "numbering/preview.h"
#include "platform/steady_clock.h"
#include "sim/sim_hid_backend.h"

#include <charconv>
#include <cstdio>
#include <functional>
#include <optional>
#include <ostream>

namespace kestrelon::cli {

namespace {

constexpr int kShownUnits = 3;
constexpr NumberingRow kRows[] = {NumberingRow::Rx, NumberingRow::Tx};

const char* rowName(NumberingRow r) { return r == NumberingRow::Rx ? "RX" : "TX"; }
std::string optionName(NumberingRow r, const char* what) {
    return std::string("--") + (r == NumberingRow::Rx ? "rx-" : "tx-") + what;
}

// What the command line asks of one row of the panel.
struct RowRequest {
    std::optional<bool> sn, date, ascii;
    std::optional<int> fixedBytes, incBytes;
    std::optional<std::string> fixed, rfid;   // rfid: "random" or hex digits
    std::optional<unsigned long long> start;
};

const char* kSettingWhats[] = {"sn", "date", "fixed-bytes", "fixed-format", "fixed", "inc-bytes", "start", "rfid"};

bool anySetting(const Args& args) {
    for (NumberingRow r : kRows)
        for (const char* what : kSettingWhats)
            if (args.has(optionName(r, what).substr(2))) return true;
    return false;
}

// The option's syntax only; what the values mean is left to the panel.
bool readRow(const Args& args, NumberingRow r, RowRequest& q, std::string& error) {
    auto given = [&](const char* what) { return args.has(optionName(r, what).substr(2)); };
    auto value = [&](const char* what) { return args.value(optionName(r, what).substr(2)); };
    auto choice = [&](const char* what, const char* yes, const char* no, std::optional<bool>& out) {
        if (!given(what)) return true;
        const std::string v = value(what);
        if (v == yes || v == no) {
            out = v == yes;
            return true;
        }
        error = optionName(r, what) + " takes " + yes + " or " + no + ", not '" + v + "'";
        return false;
    };
    auto byteCount = [&](const char* what, std::optional<int>& out) {
        if (!given(what)) return true;
        unsigned long long n = 0;
        if (!parseNumber(value(what), 255, n)) {
            error = optionName(r, what) + " needs a number of bytes, not '" + value(what) + "'";
            return false;
        }
        out = static_cast<int>(n);
        return true;
    };
    if (!choice("sn", "on", "off", q.sn) || !choice("date", "on", "off", q.date) ||
        !choice("fixed-format", "ascii", "hex", q.ascii) || !byteCount("fixed-bytes", q.fixedBytes) ||
        !byteCount("inc-bytes", q.incBytes))
        return false;
    if (given("fixed")) q.fixed = value("fixed");
    if (given("start")) {
        const std::string v = value("start");
        unsigned long long n = 0;
        const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), n, 10);
        if (v.empty() || ec != std::errc() || end != v.data() + v.size()) {
            error = optionName(r, "start") + " needs a decimal number, not '" + v + "'";
            return false;
        }
        q.start = n;
    }
    if (given("rfid")) {
        std::string v = value("rfid");
        if (v.size() > 2 && v[0] == '0' && (v[1] == 'x' || v[1] == 'X')) v.erase(0, 2);
        if (v != "random" && (v.empty() || v.size() > 6)) {
            error = optionName(r, "rfid") + " takes random or a start of up to 6 hex digits, not '" + value("rfid") + "'";
            return false;
        }
        q.rfid = v;
    }
    return true;
}

// The panel's messages ("'$0XYZ' is not a valid integer value").
class KeptMessages : public MessageSink {
public:
    void showMessage(MessageKind, const std::string&, const std::string& text) override { texts.push_back(text); }
    std::vector<std::string> texts;
};

// Sets one row's serial-number controls in the order an engineer goes
// through the box; false with the line to print when the panel refuses a
// value or a box cannot hold it.
class PanelDriver {
public:
    PanelDriver(NumberingPanel& panel, KeptMessages& messages) : p_(panel), messages_(messages) {}

    bool serial(NumberingRow r, const RowRequest& q) {
        if (q.sn) p_.setIsSN(r, *q.sn);
        if (q.date) p_.setIsDate(r, *q.date);
        if (q.fixedBytes) p_.setFixByteCount(r, *q.fixedBytes);
        if (q.incBytes) p_.setIncByteCount(r, *q.incBytes);
        if (!countsAsAsked(r, q)) return false;
        if (q.ascii) *q.ascii ? p_.checkFixAscii(r) : p_.checkFixHex(r);
        if (q.fixed && !fixedPart(r, *q.fixed)) return false;
        return !q.start || startOfSequence(r, *q.start);
    }

    // Both rows' RF IDs share one mode: the panel's four buttons are one group.
    bool rfids(const RowRequest (&q)[2]) {
        for (NumberingRow r : kRows) {
            const auto& id = q[static_cast<int>(r)].rfid;
            if (!id) continue;
            if (*id == "random") {
                p_.checkRandomRFID(r);
            } else {
                p_.checkCustomRFID(r);
                if (!step(optionName(r, "rfid"), [&] {
                        p_.setIncInitRFIDText(r, "");   // typed over, as the serial number's start
                        p_.setIncInitRFIDText(r, *id);
                    }))
                    return false;
            }
        }
        const auto& rx = q[0].rfid;
        const auto& tx = q[1].rfid;
        if (rx && tx && (*rx == "random") != (*tx == "random")) {
            error = "--rx-rfid " + *rx + " and --tx-rfid " + *tx +
                    " do not go together: both RF IDs are random or both sequential";
            return false;
        }
        return true;
    }

    std::string error;

private:
    bool step(const std::string& option, const std::function<void()>& set) {
        const size_t before = messages_.texts.size();
        set();
        if (messages_.texts.size() == before) return true;
        error = option + ": " + messages_.texts.back();
        return false;
    }

    // The byte counts the panel settled on must be the ones asked for.
    bool countsAsAsked(NumberingRow r, const RowRequest& q) {
        const SerialBoxes& b = p_.serial(r);
        const bool fixOk = !q.fixedBytes || *q.fixedBytes == b.FixByteCount;
        const bool incOk = !q.incBytes || *q.incBytes == b.IncByteCount;
        if (fixOk && incOk) return true;
        std::string asked;
        if (q.fixedBytes) asked = optionName(r, "fixed-bytes") + " " + std::to_string(*q.fixedBytes);
        if (q.incBytes)
            asked += (asked.empty() ? "" : " with ") + optionName(r, "inc-bytes") + " " + std::to_string(*q.incBytes);
        error = asked + ": the " + rowName(r) + " serial number has " +
                std::to_string(b.FixByteCount + b.IncByteCount) + " bytes " + (b.IsDate ? "besides the date" : "in all") +
                ", and the numbering panel makes them " + std::to_string(b.FixByteCount) + " fixed + " +
                std::to_string(b.IncByteCount) + " incrementing";
        return false;
    }

    bool fixedPart(NumberingRow r, const std::string& text) {
        const SerialBoxes& b = p_.serial(r);
        if (!b.fixEnabled) {
            error = optionName(r, "fixed") + ": the " + rowName(r) + " serial number has no fixed part (" +
                    optionName(r, "fixed-bytes") + " 0)";
            return false;
        }
        if (static_cast<int>(text.size()) > b.fixMaxLength) {
            error = optionName(r, "fixed") + " '" + text + "' does not fit the " + rowName(r) + " fixed part of " +
                    std::to_string(b.FixByteCount) + " bytes: at most " + std::to_string(b.fixMaxLength) +
                    (b.FixAscii ? " characters" : " hex digits");
            return false;
        }
        return step(optionName(r, "fixed"), [&] { p_.setFixSNText(r, text); });
    }

    // The Initial box is hexadecimal, as wide as the incrementing part.
    bool startOfSequence(NumberingRow r, unsigned long long start) {
        const SerialBoxes& b = p_.serial(r);
        if (!b.initEnabled) {
            error = optionName(r, "start") + ": the " + rowName(r) + " serial number has no incrementing part (" +
                    optionName(r, "inc-bytes") + " 0)";
            return false;
        }
        char hex[24];
        std::snprintf(hex, sizeof hex, "%0*llX", b.initMaxLength, start);
        if (static_cast<int>(std::string(hex).size()) > b.initMaxLength) {
            const unsigned long long largest = b.initMaxLength >= 16 ? ~0ULL : (1ULL << (4 * b.initMaxLength)) - 1;
            error = optionName(r, "start") + " " + std::to_string(start) + " does not fit the " + rowName(r) +
                    " incrementing part of " + std::to_string(b.IncByteCount) + " bytes (at most " +
                    std::to_string(largest) + ")";
            return false;
        }
        // Typed over whatever the box shows: the same text again would change
        // nothing and leave the sequence where it is.
        return step(optionName(r, "start"), [&] {
            p_.setIncInitSNText(r, "");
            p_.setIncInitSNText(r, hex);
        });
    }

    NumberingPanel& p_;
    KeptMessages& messages_;
};

int show(const std::string& path, bool named, const Io& io) {
    std::string why;
    if (!CheckReadableIfPresent(path, why)) {
        io.error("cannot read settings file " + FullPath(path) + ": " + why);
        return kExitFailed;
    }
    if (named && !NamedSettingsFilePresent(path, why)) {
        io.error(why);
        return kExitFailed;
    }
    // The program's own start-up of the numbering, as `numbers` takes it.
    SettingsReading r(path);
    NumberingGenerators& g = r.generators;
    Observed<NumberingBoxes> boxes;
    NumberingPanel panel(g, boxes, [] {});
    const LoadResult loaded = StartUpNumbering(r.file, r.settings, r.run, r.devices, g, panel);
    if (!loaded.message.empty()) io.error(loaded.message);
    if (!loaded.ok) return kExitFailed;

    io.out << "settings file: " << FullPath(path)
           << (loaded.firstStart ? " (not there yet: the defaults of a first start)" : "") << "\n"
           << "RX serial number: " << SerialNumberInWords(*g.RxSN) << "\n"
           << "TX serial number: " << SerialNumberInWords(*g.TxSN) << "\n"
           << "RX RF ID: " << RFIDInWords(*g.RxRFID) << "\n"
           << "TX RF ID: " << RFIDInWords(*g.TxRFID) << "\n\n";
    PrintUnitTable(io.out, PreviewNextUnits(path, kShownUnits, r.clock), false);
    return loaded.message.empty() ? kExitOk : kExitFailed;   // a damaged file is not a clean start
}

int set(const Args& args, const std::string& path, const Io& io) {
    RowRequest q[2];
    std::string error;
    for (NumberingRow r : kRows)
        if (!readRow(args, r, q[static_cast<int>(r)], error)) {
            io.error(error);
            return kExitUsage;
        }
    if (!CheckReadableIfPresent(path, error) || !CheckWritable(path, true, error)) {
        io.error("settings file " + FullPath(path) + ": " + error);
        return kExitUsage;
    }
    {
        SteadyClock clock;
        sim::SimHidBackend noReceiver(clock);   // the panel needs none
        StationConfig cfg;
        cfg.settingsPath = path;
        cfg.settingsLockWaitMs = 0;   // a window or a run holds it: refuse at once
        Station st(noReceiver, clock, clock, cfg);
        KeptMessages messages;
        st.messages.install(&messages);
        const SettingsStatus started = st.StartUp();
        // Damaged generators are what this command is for: what it sets
        // replaces them (told), when nothing else stands in the way.
        bool replacing = false;
        if (!started.ok && st.settingsFile.locked() && st.settingsFile.generatorsDamaged()) {
            st.settingsFile.replaceDamagedGenerators();
            replacing = st.settingsFile.unitsBlocked().ok;
        }
        if (replacing) {
            io.error("the damaged numbering in " + st.settingsFile.fullPath() +
                     " is replaced by what is set now (the generators not set here start from their defaults)");
        } else {
            if (!started.message.empty()) io.error(started.message);
            if (!started.ok) return kExitUsage;
        }
        // As before the window's first activation, the handlers' saves do
        // nothing yet: the file is written once, when the panel took it all.
        st.numbering.setSettingsEnabled(true);
        PanelDriver panel(st.numbering, messages);
        if (!panel.serial(NumberingRow::Rx, q[0]) || !panel.serial(NumberingRow::Tx, q[1]) || !panel.rfids(q)) {
            io.error(panel.error + "; nothing was saved");
            return kExitUsage;
        }
        st.FormActivate();
        st.messages.install(nullptr);
        if (const SaveResult saved = st.btnWriteSettingClick(); !saved.ok) {
            io.error(saved.message);
            return kExitFailed;
        }
    }
    return show(path, true, io);
}

int numbering(const Args& args, const Io& io) {
    const std::string& what = args.positional[0];
    const std::string path = args.value("settings", kSettingsFileName);
    if (what == "show") {
        if (anySetting(args)) {
            io.error("numbering show takes no --rx-/--tx- options; they are for numbering set");
            return kExitUsage;
        }
        return show(path, args.has("settings"), io);
    }
    if (what == "set") {
        if (!anySetting(args)) {
            io.error("numbering set needs at least one --rx-/--tx- option; see numbering --help");
            return kExitUsage;
        }
        return set(args, path, io);
    }
    io.error("numbering takes show or set, not '" + what + "'");
    return kExitUsage;
}

std::vector<Option> options() {
    std::vector<Option> o = {
        {"settings", "FILE", "the settings file (default TX.ini in the current folder)"},
        stationOption(),
    };
    for (NumberingRow r : kRows) {
        const std::string row = rowName(r);
        const std::string p = r == NumberingRow::Rx ? "rx-" : "tx-";
        const std::string device = r == NumberingRow::Rx ? "receiver" : "mouse";
        o.push_back({p + "sn", "on|off", "give each " + device + " a serial number, or leave the one it has"});
        o.push_back({p + "date", "on|off", "the first 2 bytes are the date (year and day of the year)"});
        o.push_back({p + "fixed-bytes", "N", "bytes of the fixed part (the rest increments; 6 in all, 4 with the date)"});
        o.push_back({p + "fixed-format", "ascii|hex", "the fixed part as characters or hex digits (empties it)"});
        o.push_back({p + "fixed", "VALUE", "the fixed part"});
        o.push_back({p + "inc-bytes", "N", "bytes of the incrementing part"});
        o.push_back({p + "start", "N", "the next unit's incrementing part, in decimal"});
        o.push_back({p + "rfid", "random|HEX", row + " RF IDs at random, or in sequence from HEX (both rows share the mode)"});
    }
    return o;
}

} // namespace

Command numberingCommand() {
    return Command{"numbering",
                   "show the numbering in words with the next 3 units, or set it as the window's numbering panel does",
                   "numbering show|set",
                   options(),
                   1,
                   1,
                   numbering,
                   {"0  shown, or set and saved",
                    "1  show: the settings file named does not exist, cannot be read or is damaged; set: the save failed",
                    "2  bad usage, a value or combination the numbering panel does not take, or a settings file in use,",
                    "   unreadable or not writable (set saves nothing then)"},
                   "numbering set --rx-sn on --rx-date off --rx-fixed-bytes 2 --rx-fixed AB --rx-start 1 --rx-rfid 123456"};
}

} // namespace kestrelon::cli
