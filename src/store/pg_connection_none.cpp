// A build without a PostgreSQL client (the Windows build): every store a
// station names is refused with the reason, so a station that was meant to
// share its numbers never falls back to counters of its own.
#include "store/pg_connection.h"

namespace kestrelon::store {

namespace {
const char* const kNoClient = "this build of the program has no PostgreSQL client; its numbers stay in the settings file";
} // namespace

std::unique_ptr<PgConnection> PgConnection::open(const std::string&, const std::string&, PgError& error) {
    error = {PgError::Kind::Refused, {}, kNoClient};
    return nullptr;
}

// No connection is ever made: the rest is never reached.
PgConnection::~PgConnection() = default;
bool PgConnection::alive() const { return false; }
PgError PgConnection::errorOf(pg_result*) const { return {PgError::Kind::Refused, {}, kNoClient}; }
bool PgConnection::exec(const std::string&, const PgParams&, PgRows&, PgError& error) {
    error = errorOf(nullptr);
    return false;
}
bool PgConnection::exec(const std::string&, const PgParams&, PgError& error) {
    error = errorOf(nullptr);
    return false;
}
bool PgConnection::script(const std::string&, PgRows&, PgError& error) {
    error = errorOf(nullptr);
    return false;
}
bool PgConnection::script(const std::string&, PgError& error) {
    error = errorOf(nullptr);
    return false;
}
bool PgConnection::copyOut(const std::string&, std::string&, PgError& error) {
    error = errorOf(nullptr);
    return false;
}
std::string PgConnection::literal(const std::string&) const { return "''"; }

bool HasPassword(const std::string&) { return false; }
bool ParseableUri(const std::string&, std::string& why) {
    why = kNoClient;
    return false;
}
std::string ServerName(const std::string& uri) { return uri.rfind("postgresql://", 0) == 0 ? uri : "postgresql://(not a connection URI)"; }

} // namespace kestrelon::store
