#pragma once
// One connection to a PostgreSQL server through libpq, with what a number
// store needs around it: statements with text parameters, errors told apart
// by what the caller can do about them, and the server named without its
// password.

#include <memory>
#include <optional>
#include <string>
#include <vector>

struct pg_conn;
struct pg_result;

namespace kestrelon::store {

// What went wrong with a connection or a statement.
struct PgError {
    enum class Kind {
        None,
        Unreachable,   // no answer, the connection was lost, the server is starting or stopping
        Retry,         // the server asks for the transaction again (serialization failure, deadlock)
        Busy,          // a lock was not granted in time
        Refused,       // anything else: authentication, a missing database or table, bad input
    };
    Kind kind = Kind::None;
    std::string state;     // the SQLSTATE, when the server sent one
    std::string message;   // one line
    bool transient() const { return kind == Kind::Unreachable || kind == Kind::Busy || kind == Kind::Retry; }
};

// A statement's result rows, as text; a NULL is nullopt.
struct PgRows {
    std::vector<std::vector<std::optional<std::string>>> rows;
    size_t affected = 0;   // rows an UPDATE, INSERT or DELETE touched
    // The text at a row and column; empty for a NULL or a cell not there.
    const std::string& at(size_t row, size_t column) const {
        static const std::string none;
        if (row >= rows.size() || column >= rows[row].size() || !rows[row][column]) return none;
        return *rows[row][column];
    }
};

using PgParams = std::vector<std::optional<std::string>>;

class PgConnection {
public:
    // Connects with the URI or key=value string given. Defaults that keep a
    // station from hanging (connect timeout, TCP keep-alive) come first, so
    // the URI can override them. Null with the error when it fails.
    static std::unique_ptr<PgConnection> open(const std::string& uri, const std::string& applicationName,
                                              PgError& error);
    ~PgConnection();
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    // Runs one statement ($1, $2, ... for the parameters). False with the
    // error when it failed.
    bool exec(const std::string& sql, const PgParams& params, PgRows& out, PgError& error);
    bool exec(const std::string& sql, const PgParams& params, PgError& error);
    // Several statements without parameters in one round trip; out gets
    // the last one's rows.
    bool script(const std::string& sql, PgError& error);
    bool script(const std::string& sql, PgRows& out, PgError& error);
    // COPY ... TO STDOUT: each piece of data as the server sends it.
    bool copyOut(const std::string& sql, std::string& out, PgError& error);
    // False once the connection is known to be lost.
    bool alive() const;
    // A literal for SQL text that cannot take a parameter (COPY).
    std::string literal(const std::string& text) const;

private:
    explicit PgConnection(pg_conn* conn) : conn_(conn) {}
    PgError errorOf(pg_result* result) const;
    pg_conn* conn_;
};

// Whether a URI or key=value string carries a password. False for text
// libpq cannot parse (the connection then says why).
bool HasPassword(const std::string& uri);
// Whether libpq can parse it; why not otherwise.
bool ParseableUri(const std::string& uri, std::string& why);
// The server and database a URI names, as messages show them, never with a
// password: "postgresql://user@host:port/database".
std::string ServerName(const std::string& uri);

} // namespace kestrelon::store
