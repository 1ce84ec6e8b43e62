#pragma once
// The tables of a number store shared by stations, in the PostgreSQL schema
// "kestrelon":
//
//   schema_version  one row: the layout's version; the tool creates the
//                   tables and brings older ones up to its own version
//   generators      (product, name) -> value: the four generators of each
//                   product, under the settings file's keys and in its
//                   stored text, so both hand out the same numbers
//   reservations    one row per unit: its id, product, station, time, the
//                   numbers, and once settled the outcome, failed step,
//                   duration and the record file's outcome line

#include "numbering/comp_stream.h"
#include "numbering/generators.h"
#include "store/pg_connection.h"

#include <array>
#include <string>

namespace kestrelon::store {

constexpr int kSchemaVersion = 1;
constexpr const char* kDefaultProduct = "default";
// The generators' names: the settings file's keys, in the order the rows
// are locked.
constexpr std::array<const char*, 4> kGeneratorNames = {"RXRFIDINFO", "RXSNINFO", "TXRFIDINFO", "TXSNINFO"};
using GeneratorValues = std::array<std::string, 4>;   // in kGeneratorNames order

// Creates the tables (create) or, when they are older than this program,
// upgrades them; refuses a newer layout and, without create, a database
// that has none. Not ok with the message otherwise.
bool PrepareSchema(PgConnection& conn, bool create, PgError& error);

// Whether a product name can be used: 1 to 64 printable characters.
bool ValidProduct(const std::string& product);
// The products the store holds, sorted.
bool ListProducts(PgConnection& conn, std::vector<std::string>& out, PgError& error);
// The stored values of a product's generators. False when the query
// failed; found is false when the product has not all four.
bool ReadGenerators(PgConnection& conn, const std::string& product, GeneratorValues& out, bool& found,
                    PgError& error);
bool WriteGenerators(PgConnection& conn, const std::string& product, const GeneratorValues& values,
                     PgError& error);

// The generators the values describe, settled as a settings load settles
// them. False, naming the first damaged one, when a value does not parse.
bool RestoreGenerators(const GeneratorValues& values, const ComponentContext& ctx, NumberingGenerators& out,
                       std::string& damaged);
GeneratorValues ValuesOf(const NumberingGenerators& generators);

} // namespace kestrelon::store
