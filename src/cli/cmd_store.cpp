// `store`: the number store several stations share. `init` creates or
// upgrades its tables and imports a product's generators from a settings
// file; `show` prints the generators, the next unit's numbers and each
// station's units; `export` writes the units' records.
#include "cli/commands.h"
#include "cli/file_checks.h"
#include "cli/settings_reading.h"
#include "numbering/unit_numbers.h"
#include "platform/hex_text.h"
#include "platform/steady_clock.h"
#include "store/pg_connection.h"
#include "store/store_schema.h"

#include <cstdio>
#include <memory>
#include <ostream>

namespace kestrelon::cli {

namespace {

using store::PgConnection;
using store::PgError;
using store::PgRows;

std::unique_ptr<PgConnection> connect(const Io& io, const std::string& uri, bool create) {
    PgError e;
    auto conn = PgConnection::open(uri, "kestrelon-mfg-cli store", e);
    if (conn && store::PrepareSchema(*conn, create, e)) return conn;
    io.error("number store " + store::ServerName(uri) + ": " + e.message);
    return nullptr;
}

std::string idText(const TProdRFID& g, int32_t id) {
    return g.IsRandom() ? "random" : RfIdText(id);
}

std::string orDash(const std::string& s) { return s.empty() ? "-" : s; }

// The product's generators and what the next unit would get from them.
bool showGenerators(const Io& io, PgConnection& conn, const std::string& product) {
    store::GeneratorValues values;
    bool found = false;
    PgError e;
    if (!store::ReadGenerators(conn, product, values, found, e)) {
        io.error("number store: " + e.message);
        return false;
    }
    if (!found) {
        std::vector<std::string> products;
        std::string known;
        if (store::ListProducts(conn, products, e))
            for (const auto& p : products) known += (known.empty() ? "" : ", ") + p;
        io.error("the number store holds no product \"" + product + "\" (it holds: " +
                 (known.empty() ? "none" : known) + ")");
        return false;
    }
    io.out << "product: " << product << "\n";
    for (size_t i = 0; i < values.size(); ++i) io.out << store::kGeneratorNames[i] << "=" << values[i] << "\n";
    SteadyClock clock;
    NumberingGenerators g;
    std::string damaged;
    if (!store::RestoreGenerators(values, ComponentContext{clock, nullptr}, g, damaged)) {
        io.error("the generator " + damaged + " of product \"" + product + "\" is damaged");
        return false;
    }
    const ReservedNumbers next = TakeUnitNumbers(g);
    io.out << "next unit: RX SN " << orDash(next.rxSn.text) << "  TX SN " << orDash(next.txSn.text) << "  RX RF ID "
           << idText(*g.RxRFID, next.rxRfid) << "  TX RF ID " << idText(*g.TxRFID, next.txRfid) << "\n";
    return true;
}

int init(const Args& args, const Io& io, const std::string& uri, const std::string& product) {
    const std::string path = args.value("settings", kSettingsFileName);
    std::string why;
    if (!CheckReadableIfPresent(path, why)) {
        io.error("cannot read settings file " + FullPath(path) + ": " + why);
        return kExitFailed;
    }
    SettingsReading r(path);
    SettingsFile& file = r.file;
    NumberingGenerators& generators = r.generators;
    const LoadResult loaded = file.load(r.settings, r.run, r.devices, generators);
    if (loaded.firstStart) {
        io.error("there is no settings file " + file.fullPath() + " to take the generators from");
        return kExitFailed;
    }
    if (!loaded.ok) {
        io.error(loaded.message);
        return kExitFailed;
    }
    auto conn = connect(io, uri, true);
    if (!conn) return kExitFailed;
    PgError e;
    PgRows rows;
    // One import of a product at a time; the stations' reservations wait
    // for the rows a forced import replaces.
    const bool checked =
        conn->script("BEGIN", e) &&
        conn->exec("SELECT pg_advisory_xact_lock(hashtext('kestrelon product ' || $1))", {product}, e) &&
        conn->exec("SELECT count(*) FROM kestrelon.generators WHERE product = $1", {product}, rows, e);
    if (!checked) {
        io.error("number store: " + e.message);
        return kExitFailed;
    }
    if (rows.at(0, 0) != "0" && !args.has("force")) {
        io.error("the number store already holds product \"" + product +
                 "\" (store show lists it); --force replaces its generators, and its stations then continue from "
                 "the settings file's numbers");
        return kExitFailed;
    }
    if (!store::WriteGenerators(*conn, product, store::ValuesOf(generators), e) || !conn->script("COMMIT", e)) {
        io.error("number store: " + e.message);
        return kExitFailed;
    }
    io.out << "imported the generators of " << file.fullPath() << " into " << store::ServerName(uri) << "\n";
    return showGenerators(io, *conn, product) ? kExitOk : kExitFailed;
}

int show(const Io& io, const std::string& uri, const std::string& product) {
    auto conn = connect(io, uri, false);
    if (!conn) return kExitFailed;
    io.out << "store: " << store::ServerName(uri) << ", tables of version " << store::kSchemaVersion << "\n";
    if (!showGenerators(io, *conn, product)) return kExitFailed;
    PgError e;
    PgRows rows;
    if (!conn->exec("SELECT station, count(*), count(*) FILTER (WHERE outcome = 'pass'),"
                    " count(*) FILTER (WHERE outcome = 'fail'), count(*) FILTER (WHERE outcome IS NULL)"
                    " FROM kestrelon.reservations WHERE product = $1 GROUP BY station ORDER BY station",
                    {product}, rows, e)) {
        io.error("number store: " + e.message);
        return kExitFailed;
    }
    char line[200];
    std::snprintf(line, sizeof line, "%-24s %9s %9s %9s %12s\n", "STATION", "RESERVED", "PASSED", "FAILED",
                  "INTERRUPTED");
    io.out << line;
    for (size_t i = 0; i < rows.rows.size(); ++i) {
        std::snprintf(line, sizeof line, "%-24s %9s %9s %9s %12s\n", rows.at(i, 0).c_str(), rows.at(i, 1).c_str(),
                      rows.at(i, 2).c_str(), rows.at(i, 3).c_str(), rows.at(i, 4).c_str());
        io.out << line;
    }
    return kExitOk;
}

int exportRecords(const Args& args, const Io& io, const std::string& uri, const std::string& product) {
    const std::string format = args.value("format", "jsonl");
    if (format != "jsonl" && format != "csv") {
        io.error("--format is jsonl or csv");
        return kExitUsage;
    }
    auto conn = connect(io, uri, false);
    if (!conn) return kExitFailed;
    PgError e;
    PgRows rows;
    // The time as the server reads it ("2024-05-01", "2024-05-01 06:00+02").
    if (!conn->exec("SELECT $1::timestamptz", {args.value("since", "-infinity")}, rows, e)) {
        io.error("--since: " + e.message);
        return e.state.rfind("22", 0) == 0 ? kExitUsage : kExitFailed;
    }
    const std::string columns =
        "unit, product, station, reserved, rx_sn, tx_sn, lpad(upper(to_hex(rx_rfid)), 6, '0') AS rx_rfid,"
        " lpad(upper(to_hex(tx_rfid)), 6, '0') AS tx_rfid, coalesce(outcome, 'interrupted') AS outcome, failed_step,"
        " duration_ms, settled, serials_given_back, record FROM kestrelon.reservations"
        " WHERE product = " + conn->literal(product) + " AND reserved >= " + conn->literal(rows.at(0, 0)) +
        " ORDER BY reserved, unit";
    std::string out;
    if (format == "csv") {
        if (!conn->copyOut("COPY (SELECT " + columns + ") TO STDOUT WITH (FORMAT csv, HEADER)", out, e)) {
            io.error("number store: " + e.message);
            return kExitFailed;
        }
        io.out << out;
        return kExitOk;
    }
    if (!conn->exec("SELECT row_to_json(r)::text FROM (SELECT " + columns + ") r", {}, rows, e)) {
        io.error("number store: " + e.message);
        return kExitFailed;
    }
    for (size_t i = 0; i < rows.rows.size(); ++i) io.out << rows.at(i, 0) << "\n";
    return kExitOk;
}

int run(const Args& args, const Io& io) {
    const std::string& action = args.positional[0];
    const std::string& uri = args.positional[1];
    const std::string product = args.value("product", store::kDefaultProduct);
    if (!store::ValidProduct(product)) {
        io.error("--product needs a name of 1 to 64 printable characters");
        return kExitUsage;
    }
    std::string why;
    if (!store::ParseableUri(uri, why)) {
        io.error("URI: " + why);
        return kExitUsage;
    }
    if (action == "init") return init(args, io, uri, product);
    if (action == "show") return show(io, uri, product);
    if (action == "export") return exportRecords(args, io, uri, product);
    io.error("store: unknown action '" + action + "'; it is init, show or export");
    return kExitUsage;
}

} // namespace

Command storeCommand() {
    return {"store",
            "the number store shared by stations (PostgreSQL): init imports a settings file's generators, show "
            "prints them and each station's units, export writes the units' records",
            "store init|show|export URI",
            {{"settings", "FILE", "init: the settings file whose generators are imported (default TX.ini)"},
             {"product", "NAME", "the product (or line) whose numbers are meant (default \"default\")"},
             {"force", "", "init: replace the generators of a product the store already holds"},
             {"since", "TIME", "export: the units reserved from TIME on (ISO 8601; default all)"},
             {"format", "FORMAT", "export: jsonl (one JSON object per line, default) or csv"}},
            2,
            2,
            run,
            {"0    done", "1    the store cannot be reached or used, the product is missing or already there (init), or",
             "     the settings file cannot be read", "2    bad usage: an unknown action, a URI libpq cannot read, a bad time"},
            "store init postgresql://line@db.factory/kestrelon --settings TX.ini --product mouse-a"};
}

} // namespace kestrelon::cli
