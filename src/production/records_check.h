#pragma once
// Reads a record file and the counters it was written against and tells
// whether every number reserved for a unit can be accounted for: how many
// units were reserved, passed, failed and interrupted (reserved, no
// outcome); any number on two passing units; and any number the counters
// would hand out again (they are behind a number a unit kept).

#include <iosfwd>
#include <string>
#include <vector>

namespace kestrelon {

struct RecordsReport {
    int reserved = 0, passed = 0, failed = 0, interrupted = 0;
    int withoutReservation = 0;   // an outcome with no "started" line (older files: every unit)
    int unreadable = 0;           // lines that are not a record (a line cut short by a full disk)
    std::vector<std::string> interruptedUnits;   // "unit-id (rx_sn ..., rx_rfid ...)"
    std::vector<std::string> duplicates;         // "rx_sn 4142-00000001 on units A and B"
    std::vector<std::string> chanceDuplicates;   // random RF IDs that met by chance
    std::vector<std::string> behind;             // "rx_rfid 123458 of unit A would be handed out again"
    std::string settingsProblem;                 // the counters could not be read
    std::vector<std::string> settledUnits;       // the units with an outcome line

    // No number on two passing units, counters past every kept number.
    bool ok() const { return duplicates.empty() && behind.empty() && settingsProblem.empty(); }
};

// What the counters will hand out next: the next units' numbers in order
// (serial number texts and sequential RF IDs; empty or -1 where numbering
// is off or the IDs are random).
struct NextNumbers {
    std::vector<std::string> rxSn, txSn;
    std::vector<int32_t> rxRfid, txRfid;
    bool rxRandom = false, txRandom = false;
};

// The records, one JSON object per line; `next` the counters as they stand.
RecordsReport CheckRecords(std::istream& records, const NextNumbers& next);

// The report as the command prints it.
std::string RecordsReportText(const RecordsReport& report);

} // namespace kestrelon
