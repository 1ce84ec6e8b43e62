#include "cli/unit_table.h"

#include "platform/hex_text.h"
#include "production/unit_json.h"

#include <nlohmann/json.hpp>

#include <cstdio>

namespace kestrelon::cli {

namespace {

std::string idText(const std::optional<int32_t>& id) {
    return id ? RfIdText(*id) : "random";
}

} // namespace

void PrintUnitTable(std::ostream& out, const std::vector<PreviewUnit>& units, bool json) {
    char line[160];
    if (!json) {
        std::snprintf(line, sizeof line, "%-6s %-16s %-16s %-8s %s\n", "UNIT", "RX SN", "TX SN", "RX RFID", "TX RFID");
        out << line;
    }
    for (const PreviewUnit& u : units) {
        if (json) {
            nlohmann::ordered_json j;
            j["unit"] = u.unit;
            PutUnitNumbers(j, {idText(u.rxRFID), idText(u.txRFID), u.rxSN, u.txSN});
            out << j.dump() << "\n";
        } else {
            std::snprintf(line, sizeof line, "%-6d %-16s %-16s %-8s %s\n", u.unit,
                          u.rxSN.empty() ? "-" : u.rxSN.c_str(), u.txSN.empty() ? "-" : u.txSN.c_str(),
                          idText(u.rxRFID).c_str(), idText(u.txRFID).c_str());
            out << line;
        }
    }
}

} // namespace kestrelon::cli
