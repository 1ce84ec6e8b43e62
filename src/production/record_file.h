#pragma once
// The record of every unit: one JSON line per attempt, PASS and FAIL alike,
// appended to a file and forced to the disk before the next unit starts.
// Beside the production log (passing units only, off as delivered), this is
// what a factory asks for after a returned part.

#include "production/production_run.h"

#include <string>

namespace kestrelon {

// What a record names besides the unit itself.
struct RecordOrigin {
    std::string station;   // host name
    std::string program;   // the program's version
};

class RecordFile {
public:
    explicit RecordFile(std::string path) : path_(std::move(path)) {}

    // Appends the unit's line and flushes it to the disk; false, with the
    // reason naming the file, when that failed.
    bool append(const UnitRecord& unit, const RecordOrigin& origin, std::string& why) const;

    static std::string Line(const UnitRecord& unit, const RecordOrigin& origin);

private:
    std::string path_;
};

} // namespace kestrelon
