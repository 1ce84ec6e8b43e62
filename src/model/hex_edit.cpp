#include "model/hex_edit.h"

#include <cstdio>

namespace kestrelon {

long long HexEditValue(const std::string& text) {
    long long v = 0;
    if (text.empty() || text.size() > 15) return 0;
    for (char c : text) {
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else return 0;
        v = v * 16 + d;
    }
    return v;
}

std::string HexEditText(long long value) {
    if (value <= 0) return {};
    char buf[20];
    std::snprintf(buf, sizeof buf, "%llX", value);
    return buf;
}

void HexEdit::showHex2(long long v) {
    char buf[20];
    std::snprintf(buf, sizeof buf, "%02llX", static_cast<unsigned long long>(v) & (v < 0 ? 0xFFFFFFFFull : ~0ull));
    setText(buf);
}

} // namespace kestrelon
