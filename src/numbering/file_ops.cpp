#include "numbering/file_ops.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kestrelon {

namespace {

constexpr int kMaxLinks = 40;   // as the kernel allows in one path

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string notRegularReason(mode_t mode) {
    return S_ISDIR(mode) ? "it is a folder" : "it is not a regular file";
}

bool folderExists(const std::string& folder) {
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A link the program may follow: the user's own, or root's.
bool trustedOwner(uid_t owner) { return owner == ::geteuid() || owner == 0; }

// mkostemp's six characters.
bool isTempSuffix(const std::string& s) {
    if (s.size() != 6) return false;
    for (char c : s)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return false;
    return true;
}

} // namespace

PathState SettingsFileOps::inspect(const std::string& path) { return InspectSettingsPath(path); }
bool SettingsFileOps::stamp(const std::string& path, FileStamp& out) { return StampOf(path, out); }
bool SettingsFileOps::canReplace(const std::string& path, std::string& reason) { return CanReplaceFile(path, reason); }
std::string SettingsFileOps::resolve(const std::string& path) { return ResolveSymlinks(path); }

bool SettingsFileOps::readAll(const std::string& path, std::string& out) {
    // Non-blocking, so that a FIFO put in the file's place cannot hang the
    // program in open(); anything but a regular file is refused at once.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return false;
    }
    out.clear();
    if (st.st_size > 0) out.reserve(static_cast<size_t>(st.st_size));
    std::vector<char> buf(1 << 16);
    for (;;) {
        const ssize_t n = ::read(fd, buf.data(), buf.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            const int e = errno;
            ::close(fd);
            errno = e;
            return false;
        }
        if (n == 0) break;
        out.append(buf.data(), static_cast<size_t>(n));
    }
    ::close(fd);
    return true;
}

bool SettingsFileOps::isReadOnly(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

int SettingsFileOps::createTemp(const std::string& path, std::string& tempPath) {
    std::string pattern = path + ".tmpXXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    const int fd = ::mkostemp(buf.data(), O_CLOEXEC);
    if (fd < 0) return -1;
    // mkostemp makes 0600: the file keeps the permissions it was given, and
    // a new settings file is shared.
    struct stat st {};
    ::fchmod(fd, ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644);
    tempPath.assign(buf.data());
    return fd;
}

bool SettingsFileOps::writeAll(int fd, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

bool SettingsFileOps::flush(int fd) { return ::fsync(fd) == 0; }
bool SettingsFileOps::close(int fd) { return ::close(fd) == 0; }

bool SettingsFileOps::rename(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
}

void SettingsFileOps::remove(const std::string& path) { ::unlink(path.c_str()); }

bool SettingsFileOps::syncFolder(const std::string& path) {
    // A folder that cannot be opened for reading cannot be forced by any
    // means; the rename stands.
    const int fd = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return true;
    const bool ok = ::fsync(fd) == 0 || errno == EINVAL || errno == ENOTSUP;
    const int e = errno;
    ::close(fd);
    errno = e;
    return ok;
}

std::shared_ptr<SettingsFileOps> PosixSettingsFileOps() {
    return std::make_shared<SettingsFileOps>();
}

std::string ResolveSymlinks(const std::string& path, std::string* untrusted) {
    std::string current = path;
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
        if (!trustedOwner(st.st_uid)) {
            if (untrusted)
                *untrusted = "it is a symbolic link (" + current + ") owned by another user, which is not followed";
            return current;
        }
        std::vector<char> buf(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
        const ssize_t n = ::readlink(current.c_str(), buf.data(), buf.size());
        if (n <= 0 || static_cast<size_t>(n) >= buf.size()) return current;
        const std::string target(buf.data(), static_cast<size_t>(n));
        current = target[0] == '/' ? target : folderOf(current) + "/" + target;
    }
    return path;
}

PathState InspectSettingsPath(const std::string& path) {
    if (path.empty()) return {PathKind::Unusable, "no file name was given"};
    std::string untrusted;
    const std::string target = ResolveSymlinks(path, &untrusted);
    if (!untrusted.empty()) return {PathKind::Unusable, untrusted};
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        if (S_ISREG(st.st_mode)) return {PathKind::Regular, "", static_cast<uint64_t>(st.st_nlink)};
        return {PathKind::NotRegular, notRegularReason(st.st_mode)};
    }
    const int e = errno;
    if (e == ENOENT) {
        const std::string folder = folderOf(target);
        if (folderExists(folder)) return {PathKind::Missing, ""};
        return {PathKind::Unusable, "the folder " + folder + " does not exist"};
    }
    return {PathKind::Unusable, std::strerror(e)};
}

bool CanReplaceFile(const std::string& path, std::string& reason) {
    const PathState state = InspectSettingsPath(path);
    if (state.kind == PathKind::NotRegular || state.kind == PathKind::Unusable) {
        reason = state.reason;
        return false;
    }
    const std::string target = ResolveSymlinks(path);
    const bool readOnly = SettingsFileOps().isReadOnly(target) || ::access(target.c_str(), W_OK) != 0;
    if (state.kind == PathKind::Regular && readOnly) {
        reason = "the file is read-only";
        return false;
    }
    if (::access(folderOf(target).c_str(), W_OK | X_OK) != 0) {
        reason = "its folder " + folderOf(target) + " does not take new files (" + std::strerror(errno) + ")";
        return false;
    }
    return true;
}

bool ReplaceFileAtomically(SettingsFileOps& ops, const std::string& path, const std::string& data,
                           std::string& reason) {
    const PathState state = ops.inspect(path);
    if (state.kind == PathKind::NotRegular || state.kind == PathKind::Unusable) {
        reason = state.reason;
        return false;
    }
    const std::string target = ops.resolve(path);
    if (state.kind == PathKind::Regular && ops.isReadOnly(target)) {
        reason = "the file is read-only";
        return false;
    }
    auto failed = [&reason](const std::string& temp, SettingsFileOps* cleanUp) {
        reason = std::strerror(errno ? errno : EIO);
        if (cleanUp) cleanUp->remove(temp);
        return false;
    };
    std::string temp;
    errno = 0;
    const int fd = ops.createTemp(target, temp);
    if (fd < 0) return failed(temp, nullptr);
    errno = 0;
    if (!ops.writeAll(fd, data) || !ops.flush(fd)) {
        const int e = errno;
        ops.close(fd);
        errno = e;
        return failed(temp, &ops);
    }
    errno = 0;
    if (!ops.close(fd)) return failed(temp, &ops);
    errno = 0;
    if (!ops.rename(temp, target)) return failed(temp, &ops);
    errno = 0;
    if (!ops.syncFolder(target)) {
        reason = std::string("the folder could not be forced to the disk: ") + std::strerror(errno ? errno : EIO);
        return false;
    }
    return true;
}

std::vector<std::string> SiblingsOf(const std::string& path, const std::string& suffix) {
    std::vector<std::string> found;
    if (path.empty()) return found;
    const std::string target = ResolveSymlinks(path);
    const std::string folder = folderOf(target);
    const std::string prefix = nameOf(target) + suffix;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return found;
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name.compare(0, prefix.size(), prefix) == 0)
            found.push_back(target.find('/') == std::string::npos ? name : folder + "/" + name);
    }
    ::closedir(dir);
    return found;
}

int RemoveStaleTemps(const std::string& path) {
    int removed = 0;
    const std::string prefix = nameOf(ResolveSymlinks(path)) + ".tmp";
    for (const std::string& full : SiblingsOf(path, ".tmp")) {
        const std::string name = nameOf(full);
        if (!isTempSuffix(name.substr(prefix.size()))) continue;
        // Only our own: a file of that name someone else put there is not
        // a save of ours that was cut short.
        struct stat st {};
        if (::lstat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
            ::unlink(full.c_str()) == 0)
            ++removed;
    }
    return removed;
}

bool StampOf(const std::string& path, FileStamp& out) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    out.device = static_cast<uint64_t>(st.st_dev);
    out.inode = static_cast<uint64_t>(st.st_ino);
    out.size = static_cast<uint64_t>(st.st_size);
    out.modifiedNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return true;
}

bool WriteNewFile(const std::string& path, const std::string& data, std::string& reason) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        reason = std::strerror(errno);
        return false;
    }
    SettingsFileOps ops;
    const bool ok = ops.writeAll(fd, data) && ops.flush(fd);
    const int e = errno;
    if (!(::close(fd) == 0 && ok)) {
        reason = std::strerror(ok ? errno : e);
        ::unlink(path.c_str());
        return false;
    }
    return true;
}

std::string FullPath(const std::string& path) {
    if (path.empty()) return path;
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    return ec ? path : full.lexically_normal().string();
}

} // namespace kestrelon
