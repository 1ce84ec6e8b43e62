#pragma once
// A unit's numbers as every JSON line of the tool names them: the record
// file, `run --json` and the preview of the next units. The RF IDs in hex,
// six digits.

#include <nlohmann/json_fwd.hpp>

#include <string>

namespace kestrelon {

struct UnitNumberTexts {
    std::string rxRfid, txRfid, rxSn, txSn;
};

// The keys, in the order the lines hold them.
inline constexpr const char* kUnitNumberKeys[] = {"rx_rfid", "tx_rfid", "rx_sn", "tx_sn"};

void PutUnitNumbers(nlohmann::ordered_json& line, const UnitNumberTexts& numbers);

} // namespace kestrelon
