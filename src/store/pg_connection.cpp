#include "store/pg_connection.h"

#include <libpq-fe.h>

#include <cstring>
#include <map>

namespace kestrelon::store {

namespace {

// libpq's messages can run over several lines ("...failed: ...\n\tIs the
// server running...?"): one line for the operator.
std::string oneLine(const char* text) {
    std::string out;
    for (const char* c = text ? text : ""; *c; ++c) {
        if (*c == '\n' || *c == '\r' || *c == '\t') {
            if (!out.empty() && out.back() != ' ') out += ' ';
        } else {
            out += *c;
        }
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

PgError::Kind kindOfState(const std::string& state) {
    if (state.rfind("08", 0) == 0 || state == "57P01" || state == "57P02" || state == "57P03" || state == "25P03")
        return PgError::Kind::Unreachable;   // connection exceptions, shut-downs, an idle transaction ended
    if (state == "40001" || state == "40P01") return PgError::Kind::Retry;
    if (state == "55P03") return PgError::Kind::Busy;
    return PgError::Kind::Refused;
}

// What a station's connection starts from; the URI overrides any of them.
struct ConnectParams {
    std::vector<const char*> keys, values;
    // pingTimeout: a last word over the URI's own connect timeout, for the
    // question whether the server answers at all after a failed attempt.
    ConnectParams(const std::string& uri, const std::string& applicationName, const char* pingTimeout = nullptr) {
        add("connect_timeout", "5");
        add("keepalives_idle", "5");
        add("keepalives_interval", "2");
        add("keepalives_count", "3");
        add("tcp_user_timeout", "10000");
        add("application_name", applicationName.c_str());
        add("dbname", uri.c_str());   // expanded: a URI or key=value string
        if (pingTimeout) add("connect_timeout", pingTimeout);
        keys.push_back(nullptr);
        values.push_back(nullptr);
    }
    void add(const char* key, const char* value) {
        keys.push_back(key);
        values.push_back(value);
    }
};

std::map<std::string, std::string> parse(const std::string& uri, std::string* why) {
    std::map<std::string, std::string> out;
    char* err = nullptr;
    PQconninfoOption* options = PQconninfoParse(uri.c_str(), &err);
    if (!options) {
        if (why) *why = err ? oneLine(err) : "out of memory";
        PQfreemem(err);
        return out;
    }
    for (PQconninfoOption* o = options; o->keyword; ++o)
        if (o->val) out[o->keyword] = o->val;
    PQconninfoFree(options);
    out["."] = "";   // parsed
    return out;
}

} // namespace

std::unique_ptr<PgConnection> PgConnection::open(const std::string& uri, const std::string& applicationName,
                                                 PgError& error) {
    const ConnectParams p(uri, applicationName), ping(uri, applicationName, "2");
    // A server that answers refused us (authentication, no such database);
    // one that does not answer, or is starting or stopping, may come back.
    // The server can change between the attempt and the question, so one
    // that answers is asked again before the refusal counts.
    for (int attempt = 1;; ++attempt) {
        PGconn* conn = PQconnectdbParams(p.keys.data(), p.values.data(), 1);
        if (conn && PQstatus(conn) == CONNECTION_OK) {
            // The server's notices ("... already exists, skipping") are not
            // for the operator.
            PQsetNoticeProcessor(conn, [](void*, const char*) {}, nullptr);
            return std::unique_ptr<PgConnection>(new PgConnection(conn));
        }
        error = PgError{PgError::Kind::Refused, {}, conn ? oneLine(PQerrorMessage(conn)) : "out of memory"};
        PQfinish(conn);
        const PGPing answer = PQpingParams(ping.keys.data(), ping.values.data(), 1);
        if (answer == PQPING_NO_RESPONSE || answer == PQPING_REJECT) {
            error.kind = PgError::Kind::Unreachable;
            return nullptr;
        }
        if (answer != PQPING_OK || attempt == 2) return nullptr;
    }
}

PgConnection::~PgConnection() { PQfinish(conn_); }

bool PgConnection::alive() const { return PQstatus(conn_) == CONNECTION_OK; }

PgError PgConnection::errorOf(pg_result* result) const {
    PgError e;
    if (const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr) e.state = state;
    const char* primary = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    e.message = oneLine(primary ? primary : PQerrorMessage(conn_));
    if (e.message.empty()) e.message = "the connection to the server was lost";
    e.kind = !alive() || e.state.empty() ? PgError::Kind::Unreachable : kindOfState(e.state);
    return e;
}

namespace {

// A result's rows, or false when the statement failed.
bool take(PGresult* r, PgRows& out) {
    const ExecStatusType status = r ? PQresultStatus(r) : PGRES_FATAL_ERROR;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) return false;
    out.rows.clear();
    for (int i = 0; i < PQntuples(r); ++i) {
        auto& row = out.rows.emplace_back();
        for (int j = 0; j < PQnfields(r); ++j)
            row.push_back(PQgetisnull(r, i, j) ? std::nullopt : std::optional<std::string>(PQgetvalue(r, i, j)));
    }
    const char* affected = PQcmdTuples(r);
    out.affected = affected && *affected ? std::strtoul(affected, nullptr, 10) : 0;
    return true;
}

} // namespace

bool PgConnection::exec(const std::string& sql, const PgParams& params, PgRows& out, PgError& error) {
    std::vector<const char*> values;
    for (const auto& p : params) values.push_back(p ? p->c_str() : nullptr);
    PGresult* r = PQexecParams(conn_, sql.c_str(), static_cast<int>(values.size()), nullptr, values.data(), nullptr,
                               nullptr, 0);
    const bool ok = take(r, out);
    if (!ok) error = errorOf(r);
    PQclear(r);
    return ok;
}

bool PgConnection::exec(const std::string& sql, const PgParams& params, PgError& error) {
    PgRows ignored;
    return exec(sql, params, ignored, error);
}

bool PgConnection::script(const std::string& sql, PgRows& out, PgError& error) {
    PGresult* r = PQexec(conn_, sql.c_str());
    const bool ok = take(r, out);
    if (!ok) error = errorOf(r);
    PQclear(r);
    return ok;
}

bool PgConnection::script(const std::string& sql, PgError& error) {
    PgRows ignored;
    return script(sql, ignored, error);
}

bool PgConnection::copyOut(const std::string& sql, std::string& out, PgError& error) {
    PGresult* r = PQexec(conn_, sql.c_str());
    if (!r || PQresultStatus(r) != PGRES_COPY_OUT) {
        error = errorOf(r);
        PQclear(r);
        return false;
    }
    PQclear(r);
    char* buffer = nullptr;
    int n;
    while ((n = PQgetCopyData(conn_, &buffer, 0)) > 0) {
        out.append(buffer, static_cast<size_t>(n));
        PQfreemem(buffer);
    }
    bool ok = true;
    while ((r = PQgetResult(conn_)) != nullptr) {
        if (PQresultStatus(r) != PGRES_COMMAND_OK) {
            error = errorOf(r);
            ok = false;
        }
        PQclear(r);
    }
    return ok && n == -1;
}

std::string PgConnection::literal(const std::string& text) const {
    char* quoted = PQescapeLiteral(conn_, text.c_str(), text.size());
    std::string out = quoted ? quoted : "''";
    PQfreemem(quoted);
    return out;
}

bool HasPassword(const std::string& uri) {
    const auto options = parse(uri, nullptr);
    const auto it = options.find("password");
    return it != options.end() && !it->second.empty();
}

bool ParseableUri(const std::string& uri, std::string& why) { return !parse(uri, &why).empty(); }

std::string ServerName(const std::string& uri) {
    auto options = parse(uri, nullptr);
    if (options.empty()) return "postgresql://(not a connection URI)";
    const std::string host = options["host"].empty() ? options["hostaddr"] : options["host"];
    const bool socket = !host.empty() && host[0] == '/';
    std::string name = "postgresql://";
    if (!options["user"].empty()) name += options["user"] + "@";
    if (!socket) name += host + (options["port"].empty() ? "" : ":" + options["port"]);
    name += "/" + options["dbname"];
    if (socket) name += "?host=" + host + (options["port"].empty() ? "" : "&port=" + options["port"]);
    return name;
}

} // namespace kestrelon::store
