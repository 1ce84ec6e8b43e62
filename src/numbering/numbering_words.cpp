#include "numbering/numbering_words.h"

#include <algorithm>

namespace kestrelon {

namespace {

std::string bytes(int n) { return std::to_string(n) + (n == 1 ? " byte" : " bytes"); }

} // namespace

std::string SerialNumberInWords(const TProdSN& sn) {
    if (!sn.IsSN()) return "off: the device keeps the serial number it has";
    std::string parts;
    auto add = [&parts](const std::string& part) { parts += (parts.empty() ? "" : " + ") + part; };
    if (sn.IsDate()) add("date (2 bytes)");
    if (sn.FixSNByteCount() > 0) {
        // Characters that cannot be shown (a zero byte among them) are
        // given in hex, as the device gets them.
        std::string shown = sn.GetFixSNText();
        const bool printable =
            std::all_of(shown.begin(), shown.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
        shown = printable ? "\"" + shown + "\"" : "0x" + PaddedHex(sn.FixSN(), 2 * sn.FixSNByteCount());
        add("fixed " + shown + " (" + bytes(sn.FixSNByteCount()) + ", " + (sn.IsFixAscii() ? "ASCII" : "hex") + ")");
    }
    if (sn.IncSNByteCount() > 0) add("incrementing (" + bytes(sn.IncSNByteCount()) + ")");
    std::string text = "on: " + parts + ", next " + sn.GetSNText();
    if (sn.IncSNByteCount() <= 0) text += " (no incrementing part: every unit gets the same serial number)";
    return text;
}

std::string NextRFIDText(const TProdRFID& id) {
    if (id.IsRandom()) return {};
    TProdRFID look = id;
    return PaddedHex(static_cast<uint32_t>(look.NextRFID()), 6);
}

std::string RFIDInWords(const TProdRFID& id) {
    if (id.IsRandom()) return "random";
    return "sequential, next " + NextRFIDText(id);
}

} // namespace kestrelon
