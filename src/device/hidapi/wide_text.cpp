#include "device/hidapi/wide_text.h"

#include "device/text_encoding.h"

#include <cstdint>

namespace kestrelon {

std::string WideToUtf8(const wchar_t* text) {
    std::string out;
    if (!text) return out;
    for (const wchar_t* p = text; *p; ++p) {
        uint32_t cp = static_cast<uint32_t>(*p);
        if constexpr (sizeof(wchar_t) == 2) {
            cp &= 0xFFFF;
            // Join a UTF-16 surrogate pair; a lone half becomes U+FFFD.
            if (cp >= 0xD800 && cp <= 0xDBFF) {
                const uint32_t low = static_cast<uint32_t>(p[1]) & 0xFFFF;
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                    ++p;
                }
            }
        }
        AppendUtf8(out, cp);
    }
    return out;
}

} // namespace kestrelon
