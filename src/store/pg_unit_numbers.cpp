#include "store/pg_unit_numbers.h"

#include "numbering/settings_file.h"

#include <cctype>

namespace kestrelon {

using store::PgError;
using store::PgParams;
using store::PgRows;

namespace {

constexpr int kRetries = 5;   // when the server asks for the transaction again

// Stores the moved generators and inserts the reservation; $n stand for the
// literals the transaction fills in.
constexpr const char* kTakeNumbers =
    "UPDATE kestrelon.generators AS g SET value = v.value, updated = now()"
    " FROM (VALUES ('RXRFIDINFO', $2), ('RXSNINFO', $3), ('TXRFIDINFO', $4), ('TXSNINFO', $5)) AS v(name, value)"
    " WHERE g.product = $1 AND g.name = v.name;"
    " INSERT INTO kestrelon.reservations (unit, product, station, rx_sn, tx_sn, rx_rfid, tx_rfid)"
    " VALUES ($6, $1, $7, $8, $9, $10, $11);"
    " COMMIT";

// The statement with each $n replaced by the n-th value as a literal, in
// one pass over the statement (never over what was put in).
std::string withLiterals(const store::PgConnection& conn, const char* sql, const std::vector<std::string>& values) {
    std::string out;
    for (const char* c = sql; *c; ++c) {
        if (*c != '$' || !std::isdigit(static_cast<unsigned char>(c[1]))) {
            out += *c;
            continue;
        }
        size_t n = 0;
        while (std::isdigit(static_cast<unsigned char>(c[1]))) n = n * 10 + static_cast<size_t>(*++c - '0');
        out += conn.literal(values.at(n - 1));
    }
    return out;
}

std::optional<std::string> orNull(const std::string& s) { return s.empty() ? std::nullopt : std::optional(s); }

} // namespace

PostgresUnitNumbers::PostgresUnitNumbers(NumberStoreConfig config, ComponentContext ctx)
    : config_(std::move(config)),
      ctx_(std::move(ctx)),
      name_(store::ServerName(config_.uri) + ", product " + config_.product) {}

PostgresUnitNumbers::~PostgresUnitNumbers() = default;

std::string PostgresUnitNumbers::storeName() const { return name_; }

SettingsStatus PostgresUnitNumbers::trouble(const std::string& doing, const PgError& e) const {
    if (e.kind == PgError::Kind::Unreachable)
        return {false, "The number store " + name_ + " does not answer (" + e.message + "); no unit is numbered until it does",
                true};
    return {false, "The number store " + name_ + " " + doing + ": " + e.message, e.transient()};
}

SettingsStatus PostgresUnitNumbers::connect(PgError* error) {
    conn_.reset();
    PgError local;
    PgError& e = error ? *error : local;
    auto conn = store::PgConnection::open(config_.uri, "kestrelon-mfg " + config_.station, e);
    if (!conn) return trouble("refused the connection", e);
    const std::string server = store::ServerName(config_.uri);
    const std::string init = "kestrelon-mfg-cli store init " + server + " --settings FILE --product " + config_.product;
    // A station stalled in the middle of a reservation must not keep the
    // generator rows from the others for long; a lock that does not come in
    // time is told, not waited for.
    if (!conn->script("SET idle_in_transaction_session_timeout = '10s'; SET lock_timeout = '5s'", e))
        return trouble("refused the session", e);
    if (!store::PrepareSchema(*conn, false, e)) {
        if (e.state == "42P01" && e.kind == PgError::Kind::Refused)
            return {false, "The number store " + server + " has no tables for the numbers yet; create them with: " + init};
        return trouble("cannot be used", e);
    }
    store::GeneratorValues values;
    bool found = false;
    if (!store::ReadGenerators(*conn, config_.product, values, found, e))
        return trouble("cannot be read", e);
    if (!found)
        return {false, "The number store " + server + " holds no generators for product \"" + config_.product +
                           "\"; import them with: " + init};
    conn_ = std::move(conn);
    return {};
}

void PostgresUnitNumbers::rollback() {
    PgError ignored;
    if (conn_ && !(conn_->alive() && conn_->script("ROLLBACK", ignored))) conn_.reset();
}

SettingsStatus PostgresUnitNumbers::readyForUnit() {
    if (!conn_ || !conn_->alive())
        if (SettingsStatus s = connect(); !s.ok) return s;
    // Outcomes held since the connection was lost go first. One the store
    // refuses for another reason stays held (and reported) but does not
    // stop the line.
    if (!pending_.empty() && !writePending().ok && !conn_)
        return {false, "The number store " + name_ + " does not answer; no unit is numbered until it does", true};
    return {};
}

bool PostgresUnitNumbers::tryReserve(const std::string& unitId, ReservedNumbers& out, PgError& e,
                                     std::string& damaged) {
    // Two round trips: lock and read the rows; store, insert and commit.
    // The rows stay locked from the first to the commit, never longer.
    PgRows rows;
    const std::string product = conn_->literal(config_.product);
    if (!conn_->script("BEGIN; SELECT name, value FROM kestrelon.generators WHERE product = " + product +
                           " ORDER BY name FOR UPDATE",
                       rows, e)) {
        rollback();
        return false;
    }
    store::GeneratorValues before;
    bool found = rows.rows.size() == before.size();
    for (size_t i = 0; found && i < before.size(); ++i) {
        found = rows.at(i, 0) == store::kGeneratorNames[i];
        before[i] = rows.at(i, 1);
    }
    NumberingGenerators g;
    if (!found || !store::RestoreGenerators(before, ctx_, g, damaged)) {
        if (!found) e = PgError{PgError::Kind::Refused, {}, "it holds no generators for product \"" + config_.product + "\""};
        rollback();
        return false;
    }
    // What the settings file does under its lock, on the rows' values.
    ReservedNumbers r = TakeUnitNumbers(g);
    r.unit = unitId;
    MoveRfidStartsToNext(g);
    const store::GeneratorValues after = store::ValuesOf(g);
    const std::vector<std::string> values{config_.product, after[0], after[1], after[2], after[3], unitId,
                                          config_.station, r.rxSn.text, r.txSn.text, std::to_string(r.rxRfid),
                                          std::to_string(r.txRfid)};
    if (!conn_->script(withLiterals(*conn_, kTakeNumbers, values), e)) {
        rollback();
        return false;
    }
    reservedUnit_ = unitId;
    serialsBefore_[0] = before[1];
    serialsBefore_[1] = before[3];
    serialsAfter_[0] = after[1];
    serialsAfter_[1] = after[3];
    out = std::move(r);
    return true;
}

SettingsStatus PostgresUnitNumbers::reserve(const std::string& unitId, ReservedNumbers& out) {
    for (int attempt = 1;; ++attempt) {
        if (SettingsStatus ready = readyForUnit(); !ready.ok) return ready;
        PgError e;
        std::string damaged;
        if (tryReserve(unitId, out, e, damaged)) return {};
        if (!damaged.empty())
            return {false, "The number store " + name_ + " holds a damaged generator " + damaged +
                               "; no unit is numbered until the generators are set again (kestrelon-mfg-cli store "
                               "init --force)"};
        // Asked to try again, or the connection went (a restarted server):
        // nothing was taken, or what was is a gap. Never the file's counters.
        const bool again = (e.kind == PgError::Kind::Retry && attempt < kRetries) ||
                           (e.kind == PgError::Kind::Unreachable && attempt < 2);
        if (!again) return trouble("could not reserve the unit's numbers", e);
    }
}

bool PostgresUnitNumbers::trySettle(const Pending& p, PgError& e) {
    const PgParams outcome{p.unit.unit, p.passed ? "pass" : "fail", orNull(p.outcome.failedStep),
                           std::to_string(p.outcome.durationMs), orNull(p.outcome.record)};
    constexpr const char* kSettle =
        "UPDATE kestrelon.reservations SET outcome = $2, failed_step = $3, duration_ms = $4::bigint, settled = now(),"
        " record = $5::json, serials_given_back = $6::boolean WHERE unit = $1 AND outcome IS NULL";
    const bool last = p.unit.unit == reservedUnit_ && serialsBefore_[0] + serialsBefore_[1] != serialsAfter_[0] + serialsAfter_[1];
    PgParams settle = outcome;
    if (p.passed || !last) {
        settle.push_back("false");
        return conn_->exec(kSettle, settle, e);
    }
    // A certain FAIL of the unit reserved last: its serial numbers go back
    // when no station has taken numbers since, in the same transaction that
    // settles it, so they go back once.
    PgRows rows;
    if (!conn_->script("BEGIN", e) ||
        !conn_->exec("SELECT value FROM kestrelon.generators WHERE product = $1 AND name IN ('RXSNINFO', 'TXSNINFO')"
                     " ORDER BY name FOR UPDATE",
                     {config_.product}, rows, e)) {
        rollback();
        return false;
    }
    const bool untouched = rows.rows.size() == 2 && rows.at(0, 0) == serialsAfter_[0] && rows.at(1, 0) == serialsAfter_[1];
    settle.push_back(untouched ? "true" : "false");
    PgRows settled;
    if (!conn_->exec(kSettle, settle, settled, e) ||
        (untouched && settled.affected == 1 &&
         !conn_->exec("UPDATE kestrelon.generators SET value = CASE name WHEN 'RXSNINFO' THEN $2 ELSE $3 END,"
                      " updated = now() WHERE product = $1 AND name IN ('RXSNINFO', 'TXSNINFO')",
                      {config_.product, serialsBefore_[0], serialsBefore_[1]}, e)) ||
        !conn_->script("COMMIT", e)) {
        rollback();
        return false;
    }
    reservedUnit_.clear();
    return true;
}

SettingsStatus PostgresUnitNumbers::settle(Pending p) {
    PgError e;
    std::string why;
    // At most one new connection: a server that dropped the station's
    // connection after the reservation (a restart, a cut) is usually back.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!conn_ || !conn_->alive()) {
            if (const SettingsStatus s = connect(&e); !s.ok) {
                why = e.message.empty() ? s.message : e.message;
                break;
            }
        }
        if (trySettle(p, e)) return {};
        why = e.message;
        if (e.kind != PgError::Kind::Unreachable) break;
        conn_.reset();
    }
    pending_.push_back(std::move(p));
    return {false, "The outcome of unit " + pending_.back().unit.unit + " could not be written to the number store " +
                       name_ + " (" + why +
                       "); the record file keeps it, and it is written to the store once the store answers again"};
}

SettingsStatus PostgresUnitNumbers::settlePass(const ReservedNumbers& unit, const UnitOutcome& outcome) {
    return settle(Pending{unit, outcome, true});
}

SettingsStatus PostgresUnitNumbers::settleFail(const ReservedNumbers& unit, const UnitOutcome& outcome) {
    return settle(Pending{unit, outcome, false});
}

SettingsStatus PostgresUnitNumbers::writePending() {
    if (!pending_.empty() && (!conn_ || !conn_->alive())) connect();
    while (!pending_.empty() && conn_) {
        PgError e;
        if (!trySettle(pending_.front(), e)) {
            if (e.kind == PgError::Kind::Unreachable) conn_.reset();
            break;
        }
        pending_.erase(pending_.begin());
    }
    if (pending_.empty()) return {};
    return {false, std::to_string(pending_.size()) + " unit outcome(s) are not in the number store " + name_ +
                       " yet; the record file keeps them (kestrelon-mfg-cli records check lists them)"};
}

} // namespace kestrelon
