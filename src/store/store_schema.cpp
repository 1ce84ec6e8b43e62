#include "store/store_schema.h"

#include "numbering/settings_file.h"

#include <cctype>
#include <cstdlib>
#include <iterator>

namespace kestrelon::store {

namespace {

// Each step brings the tables from the version before it to its own.
constexpr const char* kSteps[] = {
    // 1: the generators and the reservations.
    R"sql(
CREATE SCHEMA IF NOT EXISTS kestrelon;
CREATE TABLE kestrelon.schema_version (
    version integer NOT NULL,
    upgraded timestamptz NOT NULL DEFAULT now());
INSERT INTO kestrelon.schema_version (version) VALUES (0);
CREATE TABLE kestrelon.generators (
    product text NOT NULL,
    name text NOT NULL CHECK (name IN ('RXSNINFO', 'TXSNINFO', 'RXRFIDINFO', 'TXRFIDINFO')),
    value text NOT NULL,
    updated timestamptz NOT NULL DEFAULT now(),
    PRIMARY KEY (product, name));
CREATE TABLE kestrelon.reservations (
    unit text PRIMARY KEY,
    product text NOT NULL,
    station text NOT NULL,
    reserved timestamptz NOT NULL DEFAULT now(),
    rx_sn text NOT NULL,
    tx_sn text NOT NULL,
    rx_rfid integer NOT NULL,
    tx_rfid integer NOT NULL,
    outcome text CHECK (outcome IN ('pass', 'fail')),
    failed_step text,
    duration_ms bigint,
    settled timestamptz,
    serials_given_back boolean NOT NULL DEFAULT false,
    record json);
CREATE INDEX reservations_product_reserved ON kestrelon.reservations (product, reserved);
)sql",
};
static_assert(std::size(kSteps) == kSchemaVersion, "one step per schema version");

} // namespace

bool PrepareSchema(PgConnection& conn, bool create, PgError& error) {
    PgRows rows;
    // The usual case, one round trip: the tables are there at this version.
    const bool read = conn.exec("SELECT version FROM kestrelon.schema_version", {}, rows, error);
    if (read && rows.at(0, 0) == std::to_string(kSchemaVersion)) return true;
    if (!read && error.state != "42P01" && error.state != "3F000") return false;   // not a missing table

    auto fail = [&conn] {
        PgError ignored;
        if (conn.alive()) conn.script("ROLLBACK", ignored);
        return false;
    };
    // Made or upgraded by one program at a time.
    if (!conn.script("BEGIN; SELECT pg_advisory_xact_lock(hashtext('kestrelon schema'))", error)) return fail();
    if (!conn.exec("SELECT to_regclass('kestrelon.schema_version') IS NOT NULL", {}, rows, error)) return fail();
    int version = 0;
    if (rows.at(0, 0) == "t") {
        if (!conn.exec("SELECT max(version) FROM kestrelon.schema_version", {}, rows, error)) return fail();
        version = std::atoi(rows.at(0, 0).c_str());
    } else if (!create) {
        error = PgError{PgError::Kind::Refused, "42P01", "it has no tables for the numbers yet"};
        return fail();
    }
    if (version > kSchemaVersion) {
        error = PgError{PgError::Kind::Refused, {},
                        "its tables are of version " + std::to_string(version) + ", newer than this program's " +
                            std::to_string(kSchemaVersion) + "; update the program"};
        return fail();
    }
    for (int step = version; step < kSchemaVersion; ++step)
        if (!conn.script(kSteps[step], error)) return fail();
    if (version < kSchemaVersion && !conn.exec("UPDATE kestrelon.schema_version SET version = $1, upgraded = now()",
                                               {std::to_string(kSchemaVersion)}, error))
        return fail();
    return conn.script("COMMIT", error) || fail();
}

bool ValidProduct(const std::string& product) {
    if (product.empty() || product.size() > 64) return false;
    for (unsigned char c : product)
        if (!std::isprint(c)) return false;
    return true;
}

bool ListProducts(PgConnection& conn, std::vector<std::string>& out, PgError& error) {
    PgRows rows;
    if (!conn.exec("SELECT DISTINCT product FROM kestrelon.generators ORDER BY product", {}, rows, error)) return false;
    out.clear();
    for (size_t i = 0; i < rows.rows.size(); ++i) out.push_back(rows.at(i, 0));
    return true;
}

bool ReadGenerators(PgConnection& conn, const std::string& product, GeneratorValues& out, bool& found,
                    PgError& error) {
    PgRows rows;
    if (!conn.exec("SELECT name, value FROM kestrelon.generators WHERE product = $1 ORDER BY name", {product}, rows,
                   error))
        return false;
    found = rows.rows.size() == kGeneratorNames.size();
    for (size_t i = 0; found && i < kGeneratorNames.size(); ++i) {
        found = rows.at(i, 0) == kGeneratorNames[i];
        out[i] = rows.at(i, 1);
    }
    return true;
}

bool WriteGenerators(PgConnection& conn, const std::string& product, const GeneratorValues& values,
                     PgError& error) {
    PgParams params{product};
    for (const std::string& v : values) params.push_back(v);
    return conn.exec(
        "INSERT INTO kestrelon.generators (product, name, value) "
        "VALUES ($1, 'RXRFIDINFO', $2), ($1, 'RXSNINFO', $3), ($1, 'TXRFIDINFO', $4), ($1, 'TXSNINFO', $5) "
        "ON CONFLICT (product, name) DO UPDATE SET value = excluded.value, updated = now()",
        params, error);
}

bool RestoreGenerators(const GeneratorValues& v, const ComponentContext& ctx, NumberingGenerators& out,
                       std::string& damaged) {
    NumberingGenerators g;
    g.RxRFID = RfidGeneratorFromValue(v[0], ctx);
    g.RxSN = SerialGeneratorFromValue(v[1], ctx);
    g.TxRFID = RfidGeneratorFromValue(v[2], ctx);
    g.TxSN = SerialGeneratorFromValue(v[3], ctx);
    const bool present[] = {g.RxRFID != nullptr, g.RxSN != nullptr, g.TxRFID != nullptr, g.TxSN != nullptr};
    for (size_t i = 0; i < kGeneratorNames.size(); ++i) {
        if (!present[i]) {
            damaged = kGeneratorNames[i];
            return false;
        }
    }
    out = std::move(g);
    return true;
}

GeneratorValues ValuesOf(const NumberingGenerators& g) {
    return {GeneratorValue(*g.RxRFID), GeneratorValue(*g.RxSN), GeneratorValue(*g.TxRFID), GeneratorValue(*g.TxSN)};
}

} // namespace kestrelon::store
