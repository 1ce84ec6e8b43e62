// The file layer on POSIX systems.
#include "platform/file_system.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrelon::files {

namespace {

void fill(const struct stat& st, Info& out) {
    out.type = S_ISREG(st.st_mode)   ? Type::Regular
               : S_ISDIR(st.st_mode) ? Type::Folder
               : S_ISLNK(st.st_mode) ? Type::Link
                                     : Type::Other;
    out.size = static_cast<uint64_t>(st.st_size);
    out.links = static_cast<uint64_t>(st.st_nlink);
    out.modifiedNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    out.volume = static_cast<uint64_t>(st.st_dev);
    out.index = static_cast<uint64_t>(st.st_ino);
    out.mode = st.st_mode & 07777;
    out.readOnly = (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
    out.ownedByUser = st.st_uid == ::geteuid();
    out.ownedByAdmin = st.st_uid == 0;
}

} // namespace

bool PathInfo(const std::string& path, Info& out) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    fill(st, out);
    return true;
}

bool LinkInfo(const std::string& path, Info& out) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return false;
    fill(st, out);
    return true;
}

bool DescriptorInfo(int fd, Info& out) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return false;
    fill(st, out);
    return true;
}

bool ReadLink(const std::string& path, std::string& target) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return false;
    std::string buf(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
    const ssize_t n = ::readlink(path.c_str(), buf.data(), buf.size());
    if (n <= 0 || static_cast<size_t>(n) >= buf.size()) return false;
    target.assign(buf.data(), static_cast<size_t>(n));
    return true;
}

bool MayWrite(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    return ::access(path.c_str(), S_ISDIR(st.st_mode) ? W_OK | X_OK : W_OK) == 0;
}

int OpenForReading(const std::string& path) {
    return ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}

int OpenForAppending(const std::string& path, bool create) {
    return ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOCTTY | (create ? O_CREAT : 0), 0666);
}

int CreateNew(const std::string& path, unsigned mode) {
    return ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<mode_t>(mode));
}

long Read(int fd, char* buf, size_t len) {
    for (;;) {
        const ssize_t n = ::read(fd, buf, len);
        if (n < 0 && errno == EINTR) continue;
        return static_cast<long>(n);
    }
}

bool WriteAll(int fd, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n == 0) errno = EIO;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool Flush(int fd) { return ::fsync(fd) == 0; }
bool FlushData(int fd) { return ::fdatasync(fd) == 0; }
bool Close(int fd) { return ::close(fd) == 0; }
bool SetMode(int fd, unsigned mode) { return ::fchmod(fd, static_cast<mode_t>(mode)) == 0; }

unsigned NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

bool ReplaceWith(const std::string& from, const std::string& to) { return ::rename(from.c_str(), to.c_str()) == 0; }

bool Remove(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool SyncFolder(const std::string& folder) {
    // A folder that cannot be opened for reading cannot be forced by any
    // means; the rename stands.
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return true;
    const bool ok = ::fsync(fd) == 0 || errno == EINVAL || errno == ENOTSUP;
    const int e = errno;
    ::close(fd);
    errno = e;
    return ok;
}

bool ListFolder(const std::string& folder, std::vector<std::string>& names) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return false;
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
    return true;
}

std::string ErrorText(int errnum) { return std::strerror(errnum); }

} // namespace kestrelon::files
