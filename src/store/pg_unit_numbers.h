#pragma once
// The numbers of several stations from one PostgreSQL database: the same
// reserve, program, settle as the settings file's counters, with the
// generators' rows locked for the moment a reservation takes, never for a
// unit's cycle.
//
//   reserve  one short transaction: lock the product's generator rows,
//            restore the generators from their stored text, take the unit's
//            numbers as the file does, store the moved generators, insert
//            the reservation, commit. A serialization failure or deadlock
//            is tried again; a server that does not answer refuses the unit
//            before anything reaches a device (retryLater), and the numbers
//            never come from the settings file instead.
//   settle   the reservation gets its outcome. A certain FAIL gives the
//            serial numbers back only while the generator rows still hold
//            the state this reservation left (no station took numbers
//            since) and only once: RF IDs stay taken.
//
// An outcome that cannot be written (the connection was lost after the
// reservation) does not stop the unit: it is kept in the record file
// anyway, held here, and written before the next reservation, once the
// server answers again.

#include "numbering/unit_numbers.h"
#include "store/pg_connection.h"
#include "store/store_schema.h"

#include <memory>
#include <string>
#include <vector>

namespace kestrelon {

struct NumberStoreConfig {
    std::string uri;                               // libpq connection URI or key=value string
    std::string product = store::kDefaultProduct;  // whose generators are used
    std::string station;                           // named in each reservation
};

class PostgresUnitNumbers final : public UnitNumbers {
public:
    PostgresUnitNumbers(NumberStoreConfig config, ComponentContext ctx);
    ~PostgresUnitNumbers() override;

    // "postgresql://user@host:port/database, product NAME": never the password.
    std::string storeName() const override;
    // Connects when there is no live connection, checks the tables and the
    // product once per connection, and writes outcomes still held. No round
    // trip while all is well.
    SettingsStatus readyForUnit() override;
    SettingsStatus reserve(const std::string& unitId, ReservedNumbers& out) override;
    SettingsStatus settlePass(const ReservedNumbers& unit, const UnitOutcome& outcome) override;
    SettingsStatus settleFail(const ReservedNumbers& unit, const UnitOutcome& outcome) override;

    const NumberStoreConfig& config() const { return config_; }
    // Outcomes held until the store answers again.
    size_t pendingOutcomes() const { return pending_.size(); }
    // Tries to write them now (shut-down); not ok while some are left.
    SettingsStatus writePending();

private:
    struct Pending {
        ReservedNumbers unit;
        UnitOutcome outcome;
        bool passed = false;
    };
    // A new connection, checked; not ok (error, when given, says why) without one.
    SettingsStatus connect(store::PgError* error = nullptr);
    SettingsStatus trouble(const std::string& doing, const store::PgError& e) const;
    // One attempt; false with the error (the transaction is rolled back).
    bool tryReserve(const std::string& unitId, ReservedNumbers& out, store::PgError& e, std::string& damaged);
    bool trySettle(const Pending& p, store::PgError& e);
    SettingsStatus settle(Pending p);
    void rollback();

    NumberStoreConfig config_;
    ComponentContext ctx_;
    std::string name_;
    std::unique_ptr<store::PgConnection> conn_;
    std::vector<Pending> pending_;
    // The unit reserved last, and the serial generators' values before and
    // after it, to give its serial numbers back.
    std::string reservedUnit_;
    std::string serialsBefore_[2], serialsAfter_[2];
};

} // namespace kestrelon
