#include "production/record_file.h"

#include "platform/calendar.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>
#include <random>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace kestrelon {

namespace {

std::string hex(int value, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*X", digits, value);
    return buf;
}

std::string idText(int32_t id) { return id < 0 ? "" : hex(id & 0xFFFFFF, 6); }

// What both lines of a unit say about it.
nlohmann::ordered_json unitFields(const UnitRecord& u, const char* event) {
    nlohmann::ordered_json j;
    j["schema"] = kRecordSchema;
    j["event"] = event;
    j["unit"] = u.unitId;
    j["start"] = Iso8601(u.started);
    return j;
}

void addNumbersAndOrigin(nlohmann::ordered_json& j, const UnitRecord& u, const RecordOrigin& origin) {
    j["rf_id"] = u.rfId;
    j["rx_rfid"] = idText(u.rxRfid);
    j["tx_rfid"] = idText(u.txRfid);
    j["rx_sn"] = u.rxSn;
    j["tx_sn"] = u.txSn;
    j["vid"] = hex(u.vendorId, 4);
    j["pid"] = hex(u.productId, 4);
    j["version"] = hex(u.dongleVersion, 4);
    j["model"] = "0" + std::to_string(u.model + 1);
    j["station"] = origin.station;
    j["program"] = origin.program;
}

} // namespace

std::string NewUnitId() {
    static std::random_device device;
    uint32_t w[4];
    for (uint32_t& v : w) v = device();
    w[1] = (w[1] & 0xFFFF0FFFu) | 0x00004000u;   // version 4
    w[2] = (w[2] & 0x3FFFFFFFu) | 0x80000000u;   // the RFC's variant
    char buf[40];
    std::snprintf(buf, sizeof buf, "%08x-%04x-%04x-%04x-%04x%08x", w[0], w[1] >> 16, w[1] & 0xFFFF, w[2] >> 16,
                  w[2] & 0xFFFF, w[3]);
    return buf;
}

std::string RecordFile::StartedLine(const UnitRecord& u, const RecordOrigin& origin) {
    nlohmann::ordered_json j = unitFields(u, "started");
    addNumbersAndOrigin(j, u, origin);
    return j.dump();
}

std::string RecordFile::OutcomeLine(const UnitRecord& u, const RecordOrigin& origin) {
    nlohmann::ordered_json j = unitFields(u, u.passed ? "pass" : "fail");
    j["duration_ms"] = u.elapsedMs;
    j["result"] = u.passed ? "PASS" : "FAIL";
    j["failed_step"] = u.passed ? "" : u.reason;
    addNumbersAndOrigin(j, u, origin);
    return j.dump();
}

bool RecordFile::append(const std::string& text, std::string& why) const {
    const std::string line = text + "\n";
    std::FILE* f = std::fopen(path_.c_str(), "ab");
    if (!f) {
        why = "Unable to write the unit record to " + path_ + ": " + std::strerror(errno);
        return false;
    }
    bool ok = std::fwrite(line.data(), 1, line.size(), f) == line.size() && std::fflush(f) == 0;
#ifdef _WIN32
    ok = ok && _commit(_fileno(f)) == 0;
#else
    ok = ok && fsync(fileno(f)) == 0;
#endif
    const int err = errno;
    ok = std::fclose(f) == 0 && ok;
    if (!ok) why = "Unable to write the unit record to " + path_ + ": " + std::strerror(err);
    return ok;
}

} // namespace kestrelon
