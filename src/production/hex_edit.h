#pragma once
// The text of a hexadecimal edit box, as the core keeps it for the window:
// reading parses hex (empty reads 0); writing a number shows it in upper
// case without leading zeros and shows nothing for 0 or less.

#include <cstdio>
#include <string>

namespace kestrelon {

long long HexEditValue(const std::string& text);
std::string HexEditText(long long value);

struct HexEdit {
    std::string Text = "00";

    long long value() const { return HexEditValue(Text); }
    void setValue(long long v) { Text = HexEditText(v); }
    // "Shown as two hex digits": the way a read result is displayed. A
    // negative value shows as the 32-bit pattern (-1 -> FFFFFFFF).
    void showHex2(long long v) {
        char buf[20];
        std::snprintf(buf, sizeof buf, "%02llX", static_cast<unsigned long long>(v) & (v < 0 ? 0xFFFFFFFFull : ~0ull));
        Text = buf;
    }
};

} // namespace kestrelon
