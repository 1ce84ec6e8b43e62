#include "numbering/file_ops.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kestrelon {

namespace {
std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}
} // namespace

bool SettingsFileOps::exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool SettingsFileOps::readAll(const std::string& path, std::string& out) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    out.clear();
    char buf[8192];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            return false;
        }
        if (n == 0) break;
        out.append(buf, static_cast<size_t>(n));
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
    ::fchmod(fd, 0644);   // mkostemp makes 0600; a settings file is shared
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

void SettingsFileOps::syncFolder(const std::string& path) {
    const int fd = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

std::shared_ptr<SettingsFileOps> PosixSettingsFileOps() {
    return std::make_shared<SettingsFileOps>();
}

bool ReplaceFileAtomically(SettingsFileOps& ops, const std::string& path, const std::string& data) {
    if (ops.isReadOnly(path)) return false;
    std::string temp;
    const int fd = ops.createTemp(path, temp);
    if (fd < 0) return false;
    const bool written = ops.writeAll(fd, data) && ops.flush(fd);
    const bool closed = ops.close(fd);
    if (!written || !closed || !ops.rename(temp, path)) {
        ops.remove(temp);
        return false;
    }
    ops.syncFolder(path);
    return true;
}

} // namespace kestrelon
