#include "production/unit_info.h"

#include "numbering/prod_sn.h"

namespace kestrelon {

namespace {

// A message of several lines ("Please Check Device:", "* Mouse TX", ...) on one line.
std::string OneLine(const std::string& text) {
    std::string out;
    bool gap = false;
    for (char c : text) {
        if (c == '\r' || c == '\n') {
            gap = !out.empty();
            continue;
        }
        if (gap) out += ' ';
        gap = false;
        out += c;
    }
    return out;
}

} // namespace

std::string UnitInfoText(const UnitRecord& u) {
    if (u.refused) return "Not started: " + OneLine(u.reason);
    if (!u.passed) return "Failed step: " + u.reason;
    std::string text;
    const auto add = [&text](const char* label, const std::string& value) {
        if (value.empty()) return;
        if (!text.empty()) text += "    ";
        text += std::string(label) + " " + value;
    };
    add("RX SN", u.rxSn);
    add("TX SN", u.txSn);
    add("RX ID", u.rfId);
    if (u.txRfid >= 0) add("TX ID", PaddedHex(static_cast<uint32_t>(u.txRfid & 0xFFFFFF), 6));
    return text;
}

} // namespace kestrelon
