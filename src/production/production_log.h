#pragma once
// The production log: one line per passing unit, one file per local date,
// in the folder "Log" under the current directory. Built in only when the
// build switches it on.

#include "platform/clock.h"

#include <string>

namespace kestrelon {

#if KESTRELON_LOG_ENABLED
constexpr bool LogEnabled = true;
#else
constexpr bool LogEnabled = false;
#endif

class ProductionLog {
public:
    explicit ProductionLog(std::string currentDirectory) : dir_(std::move(currentDirectory)) {}

    // Creates the folder when missing (start-up); failures are not reported.
    void createFolder() const;
    // The file of a local date: <dir>/Log/YYYY-MM-DD.txt.
    std::string filePath(const LocalDateTime& date) const;
    // "YYYY-MM-DD hh:nn:ss,ID,RXSN,TXSN" with every "-" removed from the
    // three fields, ended by CR LF. The clock is read once for the stamp and
    // again for the file name, as a unit passing at midnight may show.
    bool append(Clock& clock, const std::string& rfId, const std::string& rxSn, const std::string& txSn,
                std::string& error) const;

    static std::string formatLine(const LocalDateTime& stamp, const std::string& rfId, const std::string& rxSn,
                                  const std::string& txSn);

private:
    std::string dir_;
};

} // namespace kestrelon
