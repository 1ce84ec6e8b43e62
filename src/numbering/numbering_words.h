#pragma once
// The four generators in words, for an engineer who sets up a line: what
// the next unit's serial number is made of and where its RF IDs come from.
// Reading them changes nothing.

#include "numbering/prod_rfid.h"
#include "numbering/prod_sn.h"

#include <string>

namespace kestrelon {

// "on: date (2 bytes) + fixed "AB" (2 bytes, ASCII) + incrementing (2
// bytes), next 1201-4142-0015", or what off means for the device.
std::string SerialNumberInWords(const TProdSN& sn);

// "random" or "sequential, next 123456".
std::string RFIDInWords(const TProdRFID& id);

// The ID the next read gives, without taking it (a sequential read takes
// its ID). Empty for a random generator.
std::string NextRFIDText(const TProdRFID& id);

} // namespace kestrelon
