// `numbers`: the serial numbers and RF IDs the next passing units would get
// if the program started now with a given settings file. It goes through
// the program's own start-up and per-unit counter advance, so what it shows
// is what the line will issue; the file is only read.
#include "cli/commands.h"
#include "cli/file_checks.h"
#include "numbering/preview.h"
#include "numbering/settings_file.h"
#include "platform/steady_clock.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <ostream>

namespace kestrelon::cli {

namespace {

constexpr unsigned long long kMaxCount = 100000;

std::string idText(const std::optional<int32_t>& id) {
    if (!id) return "random";
    char buf[16];
    std::snprintf(buf, sizeof buf, "%06X", static_cast<unsigned>(*id) & 0xFFFFFFu);
    return buf;
}

int run(const Args& args, const Io& io) {
    unsigned long long count = 1;
    if (args.has("count") && (!parseNumber(args.value("count"), kMaxCount, count) || count == 0)) {
        io.error("--count needs a number from 1 to " + std::to_string(kMaxCount));
        return kExitUsage;
    }
    const std::string path = args.value("settings", kSettingsFileName);
    std::string why;
    if (!CheckReadableIfPresent(path, why)) {
        io.error("cannot read settings file " + path + ": " + why);
        return kExitFailed;
    }
    SteadyClock clock;
    LoadResult loaded;
    const auto units = PreviewNextUnits(path, static_cast<int>(count), clock, nullptr, &loaded);
    if (!loaded.message.empty()) io.error(loaded.message);
    if (!loaded.ok) return kExitFailed;

    const bool json = args.has("json");
    char line[160];
    if (!json) {
        std::snprintf(line, sizeof line, "%-6s %-16s %-16s %-8s %s\n", "UNIT", "RX SN", "TX SN", "RX RFID", "TX RFID");
        io.out << line;
    }
    for (const PreviewUnit& u : units) {
        if (json) {
            nlohmann::ordered_json j;   // keys in the documented order
            j["unit"] = u.unit;
            j["rx_sn"] = u.rxSN;
            j["tx_sn"] = u.txSN;
            j["rx_rfid"] = idText(u.rxRFID);
            j["tx_rfid"] = idText(u.txRFID);
            io.out << j.dump() << "\n";
        } else {
            std::snprintf(line, sizeof line, "%-6d %-16s %-16s %-8s %s\n", u.unit,
                          u.rxSN.empty() ? "-" : u.rxSN.c_str(), u.txSN.empty() ? "-" : u.txSN.c_str(),
                          idText(u.rxRFID).c_str(), idText(u.txRFID).c_str());
            io.out << line;
        }
    }
    return loaded.message.empty() ? kExitOk : kExitFailed;   // a damaged file is not a clean start
}

} // namespace

Command numbersCommand() {
    return Command{"numbers",
                   "show the serial numbers and RF IDs the next passing units would receive (the file is not changed)",
                   "numbers",
                   {{"settings", "FILE", "settings file to start from (default TX.ini in the current folder)"},
                    {"count", "N", "number of units to show (default 1)"},
                    {"json", "", "one JSON object per unit and line"}},
                   0,
                   0,
                   run};
}

} // namespace kestrelon::cli
