#pragma once
// Numbers in hexadecimal as people read them and files keep them: upper
// case, zero-padded to a width.

#include <cstdint>
#include <cstdio>
#include <string>

namespace kestrelon {

// At least `digits` digits; a wider value keeps all of its digits.
inline std::string HexText(uint32_t value, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*X", digits, static_cast<unsigned>(value));
    return buf;
}

// An RF ID: its 24 bits as six digits.
inline std::string RfIdText(int32_t id) { return HexText(static_cast<uint32_t>(id) & 0xFFFFFFu, 6); }

} // namespace kestrelon
