#pragma once
// hidapi hands out device strings as wchar_t: UTF-32 on Linux, UTF-16 on
// Windows. The rest of the system speaks UTF-8.

#include <string>

namespace kestrelon {

// nullptr gives "". Invalid code points become U+FFFD.
std::string WideToUtf8(const wchar_t* text);

} // namespace kestrelon
