#include "platform/process.h"

#include "platform/native_path.h"

#include <filesystem>

namespace kestrelon {

bool FileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(NativePath(path), ec);
}

} // namespace kestrelon
