#pragma once
// Text is held as UTF-8 in the program and converted at its boundaries: the
// USB string descriptor is stored one byte per character, device strings
// and Notepad's UTF-16 files come as UTF-16.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrelon {

// The bytes of a UTF-8 text whose characters all lie in U+0000..U+00FF, or
// nothing when a character lies beyond or the UTF-8 is malformed.
std::optional<std::string> Utf8ToLatin1(const std::string& utf8);
std::string Latin1ToUtf8(const std::string& latin1);

// The USB string descriptor as the dongle keeps it: at most this many
// characters, one byte each, two to a word (high byte first, a last odd
// character with a zero low byte), after a length byte of 2 x characters + 2.
constexpr size_t kMaxDescriptorChars = 46;
struct StoredDescriptor {
    uint8_t lengthByte = 2;
    std::vector<uint16_t> words;
};
// Nothing, and why in `why`, for a text with a character beyond U+00FF or
// longer than kMaxDescriptorChars.
std::optional<StoredDescriptor> StoreDescriptor(const std::string& utf8, std::string& why);

// Appends one code point as UTF-8; one that is no character (a surrogate,
// or beyond U+10FFFF) becomes U+FFFD.
void AppendUtf8(std::string& out, uint32_t codePoint);

} // namespace kestrelon
