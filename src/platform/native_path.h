#pragma once
// Paths are UTF-8 text throughout the program. The system's own path type
// takes them as they are on POSIX and as UTF-16 on Windows, where a plain
// std::string would be read in the ANSI code page and a folder named in
// another script could not be reached.

#include <filesystem>
#include <string>

namespace kestrelon {

inline std::filesystem::path NativePath(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string Utf8Path(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

} // namespace kestrelon
