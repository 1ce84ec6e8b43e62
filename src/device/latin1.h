#pragma once
// The USB string descriptor is stored one byte per character: text is held
// as UTF-8 in the program and converted at the EEPROM boundary.

#include <optional>
#include <string>

namespace kestrelon {

// The bytes of a UTF-8 text whose characters all lie in U+0000..U+00FF, or
// nothing when a character lies beyond or the UTF-8 is malformed.
std::optional<std::string> Utf8ToLatin1(const std::string& utf8);
std::string Latin1ToUtf8(const std::string& latin1);

} // namespace kestrelon
