#ifndef _WIN32
#include "platform/file_lock.h"

#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrelon {

// flock() locks belong to the open file description: they conflict within
// one process too, and closing another descriptor of the same file (as
// fcntl() record locks would) does not drop them.
struct FileLock::Handle {
    int fd = -1;
};

namespace {

constexpr uint32_t kRetryMs = 100;
// A holder that has just created the file writes its process ID within
// moments; a refused caller reads again for this long before it gives up.
constexpr int kHolderReads = 20;
constexpr uint32_t kHolderReadGapMs = 10;

long readHolderOnce(int fd) {
    char buf[32] = {};
    const ssize_t n = ::pread(fd, buf, sizeof buf - 1, 0);
    if (n <= 0) return 0;
    char* end = nullptr;
    const long pid = std::strtol(buf, &end, 10);
    return end != buf && pid > 0 ? pid : 0;
}

long readHolder(int fd, Clock& clock) {
    for (int i = 0;; ++i) {
        if (const long pid = readHolderOnce(fd)) return pid;
        if (i + 1 >= kHolderReads) return 0;
        clock.Sleep(kHolderReadGapMs);
    }
}

// The ID padded to one width and written over the old one in one call, so a
// reader never finds the file empty or half written once a holder has had it.
void writeOwnPid(int fd) {
    char text[24];
    const int n = std::snprintf(text, sizeof text, "%-20ld\n", static_cast<long>(::getpid()));
    // Best effort: the lock itself is what counts, the number is for people.
    if (n > 0 && ::pwrite(fd, text, static_cast<size_t>(n), 0) == n) {
        [[maybe_unused]] const int cut = ::ftruncate(fd, n);
    }
}

// The path as the system resolves it from here, so a message names the file
// whatever folder the program was started in.
std::string fullPath(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    return ec ? path : full.lexically_normal().string();
}

bool sameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Whether the path still names the open file.
bool pathNames(const std::string& path, int fd) {
    struct stat byPath {}, byFd {};
    return ::stat(path.c_str(), &byPath) == 0 && ::fstat(fd, &byFd) == 0 && sameFile(byPath, byFd);
}

int openLockFile(const std::string& lockPath, std::string& reason) {
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd >= 0) return fd;
    const int first = errno;
    // A lock file another user made: flock() needs no write access, only
    // the process ID cannot be written then.
    if (first == EACCES) {
        const int ro = ::open(lockPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (ro >= 0) return ro;
    }
    // The first error is the one that tells (a folder that takes no new
    // files, not the missing file the read-only retry then finds).
    reason = "cannot open " + fullPath(lockPath) + ": " + std::strerror(first);
    return -1;
}

} // namespace

FileLock::FileLock(std::string path, std::unique_ptr<Handle> handle)
    : path_(std::move(path)), handle_(std::move(handle)) {}

FileLock::~FileLock() {
    if (handle_ && handle_->fd >= 0) ::close(handle_->fd);   // closing releases the lock
}

bool FileLock::stillHeld(std::string& why) const {
    if (handle_ && handle_->fd >= 0 && pathNames(path_, handle_->fd)) return true;
    why = "the lock file " + path_ + " was removed or replaced while this program held it";
    return false;
}

FileLock::Attempt FileLock::Acquire(const std::string& lockPath, uint32_t waitMs, Clock& clock) {
    Attempt a;
    int fd = openLockFile(lockPath, a.reason);
    if (fd < 0) return a;
    const uint32_t start = clock.GetTickCount();
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            // A holder that was removing a stale file, or someone replacing
            // it, may have unlinked the file between our open and our lock:
            // a lock on a file that no longer has the name guards nothing.
            if (!pathNames(lockPath, fd)) {
                ::close(fd);
                fd = openLockFile(lockPath, a.reason);
                if (fd < 0) return a;
                continue;
            }
            writeOwnPid(fd);
            auto handle = std::make_unique<Handle>();
            handle->fd = fd;
            a.outcome = Outcome::Acquired;
            a.lock.reset(new FileLock(lockPath, std::move(handle)));
            return a;
        }
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) {
            a.reason = "cannot lock " + fullPath(lockPath) + ": " + std::strerror(errno);
            ::close(fd);
            return a;
        }
        if (clock.GetTickCount() - start >= waitMs) break;
        clock.Sleep(kRetryMs);
    }
    a.outcome = Outcome::Held;
    a.holderPid = readHolder(fd, clock);
    ::close(fd);
    return a;
}

} // namespace kestrelon
#endif
