#include "production/records_check.h"

#include "platform/hex_text.h"
#include "production/unit_json.h"

#include <nlohmann/json.hpp>

#include <istream>
#include <map>
#include <set>
#include <sstream>

namespace kestrelon {

namespace {

constexpr size_t kListed = 10;   // interrupted units named in the text

struct Unit {
    std::string id;
    bool started = false, outcome = false, passed = false;
    std::map<std::string, std::string> numbers;   // key -> value as recorded
};

void takeNumbers(const nlohmann::json& j, Unit& u) {
    for (const char* key : kUnitNumberKeys) {
        const auto it = j.find(key);
        if (it != j.end() && it->is_string() && !it->get<std::string>().empty()) u.numbers[key] = it->get<std::string>();
    }
}

std::string hex6(int32_t id) { return RfIdText(id); }

} // namespace

RecordsReport CheckRecords(std::istream& in, const NextNumbers& next) {
    RecordsReport report;
    std::vector<Unit> units;
    std::map<std::string, size_t> byId;
    for (std::string line; std::getline(in, line);) {
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        nlohmann::json j = nlohmann::json::parse(line, nullptr, false);
        if (j.is_discarded() || !j.is_object()) {
            ++report.unreadable;
            continue;
        }
        const std::string event = j.value("event", std::string());
        const std::string id = j.contains("unit") && j["unit"].is_string() ? j["unit"].get<std::string>() : "";
        // A line of the older layout (no event) is a whole unit: its outcome.
        const bool started = event == "started";
        const bool outcome = event == "pass" || event == "fail" || (event.empty() && j.contains("result"));
        if (!started && !outcome) {
            ++report.unreadable;
            continue;
        }
        size_t at;
        if (!id.empty() && byId.count(id)) {
            at = byId[id];
        } else {
            at = units.size();
            Unit fresh;
            fresh.id = id;
            units.push_back(std::move(fresh));
            if (!id.empty()) byId[id] = at;
        }
        Unit& u = units[at];
        if (started) u.started = true;
        if (outcome) {
            u.outcome = true;
            u.passed = j.value("result", std::string()) == "PASS";
        }
        takeNumbers(j, u);
    }

    // key -> value -> the passing units that carry it
    std::map<std::string, std::map<std::string, std::vector<std::string>>> passedWith;
    // numbers the counters must be past: passed units and interrupted ones
    std::map<std::string, std::map<std::string, std::string>> kept;
    for (const Unit& u : units) {
        report.reserved += u.started;
        report.withoutReservation += u.outcome && !u.started;
        if (u.outcome) {
            u.passed ? ++report.passed : ++report.failed;
            if (!u.id.empty()) report.settledUnits.push_back(u.id);
        } else {
            ++report.interrupted;
            if (report.interruptedUnits.size() < kListed) {
                std::string text = u.id.empty() ? "(no id)" : u.id;
                std::string numbers;
                for (const auto& [key, value] : u.numbers) numbers += (numbers.empty() ? "" : ", ") + key + " " + value;
                report.interruptedUnits.push_back(numbers.empty() ? text : text + " (" + numbers + ")");
            }
        }
        for (const auto& [key, value] : u.numbers) {
            if (u.passed) passedWith[key][value].push_back(u.id.empty() ? "(no id)" : u.id);
            // A failed unit gives its serial numbers back; its RF IDs stay
            // taken, since the failed devices may hold them.
            const bool rfid = key == "rx_rfid" || key == "tx_rfid";
            if (u.passed || !u.outcome || rfid) kept[key].emplace(value, u.id.empty() ? "(no id)" : u.id);
        }
    }
    for (const auto& [key, values] : passedWith) {
        const bool random = (key == "rx_rfid" && next.rxRandom) || (key == "tx_rfid" && next.txRandom);
        for (const auto& [value, ids] : values) {
            if (ids.size() < 2) continue;
            std::string text = key + " " + value + " on units";
            for (size_t i = 0; i < ids.size(); ++i) text += (i ? (i + 1 == ids.size() ? " and " : ", ") : " ") + ids[i];
            (random ? report.chanceDuplicates : report.duplicates).push_back(text);
        }
    }
    // The next units' numbers must meet none that a unit kept.
    auto ahead = [&](const char* key, const std::vector<std::string>& values) {
        const auto& keptValues = kept[key];
        for (size_t n = 0; n < values.size(); ++n) {
            if (values[n].empty()) continue;
            const auto hit = keptValues.find(values[n]);
            if (hit == keptValues.end()) continue;
            report.behind.push_back(std::string(key) + " " + values[n] + " of unit " + hit->second +
                                    " would be handed out again, to the " + std::to_string(n + 1) +
                                    (n == 0 ? "st" : n == 1 ? "nd" : n == 2 ? "rd" : "th") + " unit from now");
            return;   // one per kind of number is enough to tell
        }
    };
    ahead("rx_sn", next.rxSn);
    ahead("tx_sn", next.txSn);
    auto ids = [](const std::vector<int32_t>& v) {
        std::vector<std::string> out;
        for (int32_t id : v) out.push_back(id < 0 ? "" : hex6(id));
        return out;
    };
    if (!next.rxRandom) ahead("rx_rfid", ids(next.rxRfid));
    if (!next.txRandom) ahead("tx_rfid", ids(next.txRfid));
    return report;
}

std::string RecordsReportText(const RecordsReport& r) {
    std::ostringstream out;
    out << "units: " << r.reserved << " reserved, " << r.passed << " passed, " << r.failed << " failed, "
        << r.interrupted << " interrupted\n";
    if (r.withoutReservation) out << "outcomes without a reservation line: " << r.withoutReservation << "\n";
    if (r.unreadable) out << "lines that are not records: " << r.unreadable << "\n";
    for (const std::string& u : r.interruptedUnits) out << "interrupted: " << u << "\n";
    if (r.interrupted > static_cast<int>(r.interruptedUnits.size()))
        out << "interrupted: ... and " << r.interrupted - static_cast<int>(r.interruptedUnits.size()) << " more\n";
    if (r.duplicates.empty()) out << "numbers on two passing units: none\n";
    for (const std::string& d : r.duplicates) out << "number on two passing units: " << d << "\n";
    for (const std::string& d : r.chanceDuplicates) out << "random RF ID met again by chance: " << d << "\n";
    if (!r.settingsProblem.empty()) {
        out << "counters: not checked: " << r.settingsProblem << "\n";
    } else if (r.behind.empty()) {
        out << "counters: past every number a unit kept\n";
    }
    for (const std::string& b : r.behind) out << "counters behind: " << b << "\n";
    return out.str();
}

} // namespace kestrelon
