#include "production/production_log.h"

#include "platform/native_path.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace kestrelon {

namespace {
std::string withoutDashes(std::string s) {
    std::erase(s, '-');
    return s;
}
} // namespace

void ProductionLog::createFolder() const {
    std::error_code ec;
    std::filesystem::create_directory(NativePath(dir_) / "Log", ec);
}

std::string ProductionLog::filePath(const LocalDateTime& d) const {
    char name[32];
    std::snprintf(name, sizeof name, "%04d-%02d-%02d.txt", d.year, d.month, d.day);
    return Utf8Path(NativePath(dir_) / "Log" / name);
}

std::string ProductionLog::formatLine(const LocalDateTime& t, const std::string& rfId, const std::string& rxSn,
                                      const std::string& txSn) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return std::string(stamp) + "," + withoutDashes(rfId) + "," + withoutDashes(rxSn) + "," + withoutDashes(txSn);
}

bool ProductionLog::append(Clock& clock, const std::string& rfId, const std::string& rxSn, const std::string& txSn,
                           std::string& error) const {
    const std::string line = formatLine(clock.localNow(), rfId, rxSn, txSn);
    const std::string path = filePath(clock.localNow());
    std::ofstream out(NativePath(path), std::ios::binary | std::ios::app);
    out << line << "\r\n";
    out.close();
    if (!out) {
        error = "Unable to write the production log " + path;
        return false;
    }
    return true;
}

} // namespace kestrelon
