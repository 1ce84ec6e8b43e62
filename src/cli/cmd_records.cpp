// `records check`: whether a record file and the counters it was written
// against account for every number reserved for a unit.
#include "app/station_numbers.h"
#include "cli/commands.h"
#include "cli/file_checks.h"
#include "numbering/preview.h"
#include "numbering/settings_file.h"
#include "platform/native_path.h"
#include "platform/steady_clock.h"
#include "production/records_check.h"
#include "store/pg_connection.h"
#include "store/store_schema.h"

#include <algorithm>
#include <fstream>
#include <ostream>
#include <set>

namespace kestrelon::cli {

namespace {

// However many units the file names, the next ones are looked at up to this.
constexpr int kMaxAhead = 100000;

// The next units' numbers from a number store, as its reservations take
// them, and the units it holds without an outcome. False with why.
bool fromStore(const NumberStoreChoice& c, int count, Clock& clock, NextNumbers& next, std::set<std::string>& open,
               std::string& why) {
    store::PgError e;
    store::GeneratorValues values;
    store::PgRows rows;
    bool found = false;
    auto conn = store::PgConnection::open(c.uri, "kestrelon-mfg-cli records", e);
    if (!conn || !store::PrepareSchema(*conn, false, e) || !store::ReadGenerators(*conn, c.product, values, found, e) ||
        !conn->exec("SELECT unit FROM kestrelon.reservations WHERE product = $1 AND outcome IS NULL", {c.product}, rows,
                    e)) {
        why = "number store " + store::ServerName(c.uri) + ": " + e.message;
        return false;
    }
    NumberingGenerators g;
    std::string damaged;
    if (!found || !store::RestoreGenerators(values, ComponentContext{clock, nullptr}, g, damaged)) {
        why = "number store " + store::ServerName(c.uri) + ": no readable generators for product " + c.product;
        return false;
    }
    next.rxRandom = g.RxRFID->IsRandom();
    next.txRandom = g.TxRFID->IsRandom();
    for (int i = 0; i < count; ++i) {
        const ReservedNumbers r = TakeUnitNumbers(g);
        next.rxSn.push_back(r.rxSn.text);
        next.txSn.push_back(r.txSn.text);
        next.rxRfid.push_back(next.rxRandom ? -1 : r.rxRfid);
        next.txRfid.push_back(next.txRandom ? -1 : r.txRfid);
    }
    for (size_t i = 0; i < rows.rows.size(); ++i) open.insert(rows.at(i, 0));
    return true;
}

int check(const Args& args, const Io& io) {
    if (args.positional.empty() || args.positional[0] != "check") {
        io.error("records: unknown action" + (args.positional.empty() ? std::string() : " '" + args.positional[0] + "'") +
                 "; try 'records check RECORD_FILE'");
        return kExitUsage;
    }
    if (args.positional.size() != 2) {
        io.error("records check needs the record file");
        return kExitUsage;
    }
    const std::string recordsPath = args.positional[1];
    std::ifstream in(NativePath(recordsPath), std::ios::binary);
    if (!in) {
        io.error("cannot read the record file " + FullPath(recordsPath));
        return kExitFailed;
    }
    // The file is read twice: once to count the units, once to check them
    // against as many of the next numbers.
    const int lines = static_cast<int>(std::count(std::istreambuf_iterator<char>(in), {}, '\n'));
    in.clear();
    in.seekg(0);

    const std::string settingsPath = args.value("settings", kSettingsFileName);
    NextNumbers next;
    SteadyClock clock;
    LoadResult loaded;
    std::string why;
    // A station on a number store: its counters are the store's.
    const NumberStoreChoice store =
        ChooseNumberStore(settingsPath, args.value("store"), args.value("product"), clock);
    std::set<std::string> open;
    if (!store.uri.empty()) {
        if (!fromStore(store, std::clamp(lines, 1, kMaxAhead), clock, next, open, why)) {
            loaded.ok = false;
            loaded.message = why;
        }
    } else if (!CheckReadableIfPresent(settingsPath, why)) {
        loaded.ok = false;
        loaded.message = "cannot read the settings file " + FullPath(settingsPath) + ": " + why;
    } else {
        for (const PreviewUnit& u :
             PreviewNextUnits(settingsPath, std::clamp(lines, 1, kMaxAhead), clock, nullptr, &loaded)) {
            next.rxSn.push_back(u.rxSN);
            next.txSn.push_back(u.txSN);
            next.rxRfid.push_back(u.rxRFID.value_or(-1));
            next.txRfid.push_back(u.txRFID.value_or(-1));
            next.rxRandom = !u.rxRFID;
            next.txRandom = !u.txRFID;
        }
    }
    RecordsReport report = CheckRecords(in, next);
    if (!loaded.ok) report.settingsProblem = loaded.message;
    io.out << "records: " << FullPath(recordsPath) << "\nsettings: " << FullPath(settingsPath) << "\n";
    if (!store.uri.empty()) io.out << "numbers from: " << store::ServerName(store.uri) << ", product " << store.product << "\n";
    io.out << RecordsReportText(report);
    // Outcomes the record file has and the store does not yet (the
    // connection was lost after their reservation).
    std::vector<std::string> waiting;
    for (const std::string& unit : report.settledUnits)
        if (open.count(unit)) waiting.push_back(unit);
    if (!store.uri.empty()) io.out << "outcomes waiting for the store: " << waiting.size() << "\n";
    for (size_t i = 0; i < waiting.size() && i < 10; ++i) io.out << "waiting for the store: " << waiting[i] << "\n";
    return report.ok() ? kExitOk : kExitFailed;
}

} // namespace

Command recordsCommand() {
    return Command{"records",
                   "check a record file against the counters: every reserved number passed, failed or interrupted, "
                   "none on two passing units, none ahead of the counters",
                   "records check RECORD_FILE",
                   {{"settings", "FILE", "the settings file whose counters the records were written against "
                                         "(default TX.ini in the current folder)"},
                    stationOption(),
                    {"store", "URI", "the number store the station took its numbers from (instead of KESTRELON_STORE, "
                                     "NumberStore)"},
                    {"product", "NAME", "the product in the number store"}},
                   2,
                   2,
                   check,
                   {"0    every reserved number is accounted for: none on two passing units, none the counters",
                    "     would hand out again",
                    "1    a number on two passing units, counters behind a number a unit kept, or a file that",
                    "     cannot be read",
                    "2    bad usage"},
                   "records check --settings TX.ini records.jsonl"};
}

} // namespace kestrelon::cli
