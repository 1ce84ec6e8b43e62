#pragma once
// The record of every unit: JSON lines appended to a file and forced to the
// disk. A unit leaves two lines sharing its id: "started", naming the numbers
// reserved for it, before anything is written to a device; then "pass" or
// "fail" with its verdict. A unit with no second line was interrupted (the
// program was killed, the power went). Every number ever reserved can so be
// traced. Beside the production log (passing units only, off as delivered),
// this is what a factory asks for after a returned part.
//
// The same outcome line is what `run --json` prints for each unit.

#include "production/production_run.h"

#include <string>

namespace kestrelon {

// The version of the lines' layout. Lines without a "schema" key come from
// before the reservation: one line per unit, its outcome only.
constexpr int kRecordSchema = 2;
// Beside the settings file unless the settings name another file ("off":
// no record).
constexpr const char* kDefaultRecordFileName = "records.jsonl";
constexpr const char* kRecordFileOff = "off";

// What a record names besides the unit itself.
struct RecordOrigin {
    std::string station;   // host name
    std::string program;   // the program's version
};

// A fresh unit id: 128 random bits, as a UUID.
std::string NewUnitId();

class RecordFile {
public:
    explicit RecordFile(std::string path) : path_(std::move(path)) {}
    const std::string& path() const { return path_; }

    // Appends one line and forces it to the disk; false, with the reason
    // naming the file, when that failed.
    bool append(const std::string& line, std::string& why) const;

    static std::string StartedLine(const UnitRecord& unit, const RecordOrigin& origin);
    static std::string OutcomeLine(const UnitRecord& unit, const RecordOrigin& origin);

private:
    std::string path_;
};

} // namespace kestrelon
