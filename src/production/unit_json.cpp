#include "production/unit_json.h"

#include <nlohmann/json.hpp>

namespace kestrelon {

void PutUnitNumbers(nlohmann::ordered_json& line, const UnitNumberTexts& n) {
    const std::string* values[] = {&n.rxRfid, &n.txRfid, &n.rxSn, &n.txSn};
    for (size_t i = 0; i < std::size(kUnitNumberKeys); ++i) line[kUnitNumberKeys[i]] = *values[i];
}

} // namespace kestrelon
