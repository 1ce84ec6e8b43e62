#include "cli/unit_table.h"

#include "platform/hex_text.h"

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
            nlohmann::ordered_json j;   // keys in the documented order
            j["unit"] = u.unit;
            j["rx_sn"] = u.rxSN;
            j["tx_sn"] = u.txSN;
            j["rx_rfid"] = idText(u.rxRFID);
            j["tx_rfid"] = idText(u.txRFID);
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
