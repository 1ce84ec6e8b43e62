#include "device/text_encoding.h"

namespace kestrelon {

std::optional<std::string> Utf8ToLatin1(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
        } else if ((c & 0xE0) == 0xC0 && i + 1 < s.size() && (static_cast<unsigned char>(s[i + 1]) & 0xC0) == 0x80) {
            const unsigned cp = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(s[i + 1]) & 0x3Fu);
            if (cp < 0x80 || cp > 0xFF) return std::nullopt;
            out += static_cast<char>(cp);
            i += 2;
        } else {
            return std::nullopt;   // three- and four-byte forms are all above U+00FF
        }
    }
    return out;
}

std::string Latin1ToUtf8(const std::string& s) {
    std::string out;
    for (char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::optional<StoredDescriptor> StoreDescriptor(const std::string& utf8, std::string& why) {
    const std::optional<std::string> latin1 = Utf8ToLatin1(utf8);
    if (!latin1) {
        why = "The USB string descriptor holds characters that cannot be stored one byte each "
              "(only U+0000 to U+00FF); nothing was written.";
        return std::nullopt;
    }
    if (latin1->size() > kMaxDescriptorChars) {
        why = "The USB string descriptor is longer than 46 characters; nothing was written.";
        return std::nullopt;
    }
    const std::string& s = *latin1;
    const size_t L = s.size();
    StoredDescriptor d;
    d.lengthByte = static_cast<uint8_t>(2 * L + 2);
    for (size_t k = 0; 2 * k < L; ++k) {
        const auto hi = static_cast<unsigned char>(s[2 * k]);
        const auto lo = 2 * k + 1 < L ? static_cast<unsigned char>(s[2 * k + 1]) : 0;
        d.words.push_back(static_cast<uint16_t>(hi * 256 + lo));
    }
    return d;
}

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

} // namespace kestrelon
