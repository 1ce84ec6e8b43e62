#include "cli/file_checks.h"

#include "platform/file_system.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace kestrelon::cli {

namespace {

using files::FolderOf;

bool isFolder(const std::string& path) {
    files::Info info;
    return files::PathInfo(path, info) && info.type == files::Type::Folder;
}

// Whether a new file can be made in folder (permissions alone do not tell:
// root passes every check, a read-only mount none).
bool folderTakesFiles(const std::string& folder, std::string& why) {
    if (!isFolder(folder)) {
        why = "no folder " + folder;
        return false;
    }
    std::string probe;
    const int fd = files::CreateUnique(folder + "/.kestrelon-probe-", 0600, probe);
    if (fd < 0) {
        why = "cannot create files in " + folder + ": " + files::ErrorText(errno);
        return false;
    }
    files::Close(fd);
    files::Remove(probe);
    return true;
}

} // namespace

bool CheckReadableIfPresent(const std::string& path, std::string& why) {
    files::Info info;
    if (!files::PathInfo(path, info)) {
        const int error = errno;
        if (error == ENOENT && isFolder(FolderOf(path))) return true;
        why = error == ENOENT ? "no folder " + FolderOf(path) : files::ErrorText(error);
        return false;
    }
    if (info.type == files::Type::Folder) {
        why = "is a folder";
        return false;
    }
    if (info.type != files::Type::Regular) {   // a FIFO or a device would hang the reader
        why = "not a regular file";
        return false;
    }
    const int fd = files::OpenForReading(path);
    if (fd < 0) {
        why = files::ErrorText(errno);
        return false;
    }
    files::Close(fd);
    return true;
}

bool CheckWritable(const std::string& path, bool replaced, std::string& why) {
    if (path.empty()) {
        why = "no file name";
        return false;
    }
    files::Info info;
    const bool exists = files::PathInfo(path, info);
    if (exists) {
        if (info.type == files::Type::Folder) {
            why = "is a folder";
            return false;
        }
        if (info.type == files::Type::Regular) {
            // Opened for appending and closed at once: the contents stay.
            const int fd = files::OpenForAppending(path);
            if (fd < 0) {
                why = files::ErrorText(errno);
                return false;
            }
            files::Close(fd);
        }
    } else if (errno != ENOENT) {
        why = files::ErrorText(errno);
        return false;
    }
    if (exists && !replaced) return true;
    return folderTakesFiles(FolderOf(path), why);
}

bool NamedSettingsFilePresent(const std::string& path, std::string& error) {
    std::error_code ec;   // a link to nothing is no file either
    if (std::filesystem::status(path, ec).type() != std::filesystem::file_type::not_found) return true;
    error = "the settings file " + FullPath(path) + " does not exist";
    return false;
}

} // namespace kestrelon::cli
