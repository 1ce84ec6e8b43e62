#include "production/record_file.h"

#include "model/product_models.h"
#include "production/unit_json.h"
#include "platform/hex_text.h"
#include "platform/calendar.h"
#include "platform/file_system.h"

#include <cerrno>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <random>

namespace kestrelon {

namespace {

std::string hex(int value, int digits) { return HexText(static_cast<uint32_t>(value), digits); }

std::string idText(int32_t id) { return id < 0 ? "" : RfIdText(id); }

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
    PutUnitNumbers(j, {idText(u.rxRfid), idText(u.txRfid), u.rxSn, u.txSn});
    j["vid"] = hex(u.vendorId, 4);
    j["pid"] = hex(u.productId, 4);
    j["version"] = hex(u.dongleVersion, 4);
    const ProductModel* model = ModelAt(u.model);
    j["model"] = model ? model->name : "";
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
    const int fd = files::OpenForAppending(path_, true);
    if (fd < 0) {
        why = "Unable to write the unit record to " + path_ + ": " + files::ErrorText(errno);
        return false;
    }
    bool ok = files::WriteAll(fd, line) && files::FlushData(fd);   // the data and the new length
    const int err = errno;
    ok = files::Close(fd) && ok;
    if (!ok) why = "Unable to write the unit record to " + path_ + ": " + files::ErrorText(err);
    return ok;
}

} // namespace kestrelon
