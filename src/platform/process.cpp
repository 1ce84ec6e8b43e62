#include "platform/process.h"

#include <filesystem>

namespace kestrelon {

bool FileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

} // namespace kestrelon
