#include "cli/file_checks.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <system_error>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kestrelon::cli {

namespace {

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Whether a new file can be made in folder (permissions alone do not tell:
// root passes every check, a read-only mount none).
bool folderTakesFiles(const std::string& folder, std::string& why) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        why = "no folder " + folder;
        return false;
    }
    std::string pattern = folder + "/.kestrelon-probe-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        why = "cannot create files in " + folder + ": " + std::strerror(errno);
        return false;
    }
    ::close(fd);
    ::unlink(name.data());
    return true;
}

} // namespace

bool CheckReadableIfPresent(const std::string& path, std::string& why) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        const int error = errno;
        struct stat folder {};
        if (error == ENOENT && ::stat(folderOf(path).c_str(), &folder) == 0 && S_ISDIR(folder.st_mode)) return true;
        why = error == ENOENT ? "no folder " + folderOf(path) : std::strerror(error);
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        why = "is a folder";
        return false;
    }
    if (!S_ISREG(st.st_mode)) {   // a FIFO or a device would hang the reader
        why = "not a regular file";
        return false;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        why = std::strerror(errno);
        return false;
    }
    ::close(fd);
    return true;
}

bool CheckWritable(const std::string& path, bool replaced, std::string& why) {
    if (path.empty()) {
        why = "no file name";
        return false;
    }
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists) {
        if (S_ISDIR(st.st_mode)) {
            why = "is a folder";
            return false;
        }
        if (S_ISREG(st.st_mode)) {
            // Opened for appending and closed at once: the contents stay.
            const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOCTTY);
            if (fd < 0) {
                why = std::strerror(errno);
                return false;
            }
            ::close(fd);
        }
    } else if (errno != ENOENT) {
        why = std::strerror(errno);
        return false;
    }
    if (exists && !replaced) return true;
    return folderTakesFiles(folderOf(path), why);
}

std::string FullPath(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    return ec ? path : full.lexically_normal().string();
}

bool NamedSettingsFilePresent(const std::string& path, std::string& error) {
    std::error_code ec;   // a link to nothing is no file either
    if (std::filesystem::status(path, ec).type() != std::filesystem::file_type::not_found) return true;
    error = "the settings file " + FullPath(path) + " does not exist";
    return false;
}

} // namespace kestrelon::cli
