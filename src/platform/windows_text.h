#pragma once
// Windows: UTF-8, the program's text, to and from UTF-16, the system's.
#ifdef _WIN32

#include <string>
#include <string_view>

namespace kestrelon {

std::wstring WideFromUtf8(std::string_view utf8);
std::string Utf8FromWide(std::wstring_view wide);
// The system's message for an error code of GetLastError(), without the
// full stop and line end it comes with.
std::string SystemErrorText(unsigned long code);

} // namespace kestrelon

#endif
