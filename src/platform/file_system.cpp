// The parts of the file layer that are the same everywhere: paths and
// unique names.
#include "platform/file_system.h"

#include <cctype>
#include <cerrno>
#include <random>

namespace kestrelon::files {

namespace {

#ifdef _WIN32
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

constexpr char kNameChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr size_t kUniqueLength = 6;

bool isDrive(const std::string& p) {
    return kWindows && p.size() >= 2 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':';
}

} // namespace

bool IsSeparator(char c) { return c == '/' || (kWindows && c == '\\'); }

size_t LastSeparator(const std::string& path) {
    for (size_t i = path.size(); i-- > 0;)
        if (IsSeparator(path[i])) return i;
    return std::string::npos;
}

std::string FolderOf(const std::string& path) {
    const size_t sep = LastSeparator(path);
    if (sep == std::string::npos) return isDrive(path) ? path.substr(0, 2) : ".";
    // The root stays a root: "/", "C:\" (a bare "C:" is that drive's current folder).
    if (sep == 0 || (sep == 2 && isDrive(path))) return path.substr(0, sep + 1);
    return path.substr(0, sep);
}

std::string NameOf(const std::string& path) {
    const size_t sep = LastSeparator(path);
    if (sep == std::string::npos) return isDrive(path) ? path.substr(2) : path;
    return path.substr(sep + 1);
}

bool IsAbsolute(const std::string& path) {
    if (!kWindows) return !path.empty() && path[0] == '/';
    if (path.size() >= 3 && isDrive(path) && IsSeparator(path[2])) return true;
    return path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
}

bool IsUniqueSuffix(const std::string& s) {
    if (s.size() != kUniqueLength) return false;
    for (char c : s)
        if (!std::isalnum(static_cast<unsigned char>(c))) return false;
    return true;
}

int CreateUnique(const std::string& prefix, unsigned mode, std::string& made) {
    thread_local std::mt19937 pick{std::random_device{}()};
    std::uniform_int_distribution<size_t> letter(0, sizeof kNameChars - 2);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = prefix;
        for (size_t i = 0; i < kUniqueLength; ++i) name += kNameChars[letter(pick)];
        const int fd = CreateNew(name, mode);
        if (fd >= 0) {
            made = name;
            return fd;
        }
        if (errno != EEXIST) return -1;
    }
    errno = EEXIST;
    return -1;
}

} // namespace kestrelon::files
