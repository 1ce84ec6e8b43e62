#ifndef _WIN32
#include "platform/file_lock.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fcntl.h>
#include <sys/file.h>
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

constexpr uint32_t kHolderReadMs = 300;

// The holder's process ID: it writes it, with a line end, just after it
// took the lock, so a file read in between is empty (or cut short). Read
// again for a moment before giving up on it.
long readHolder(int fd, Clock& clock) {
    for (uint32_t waited = 0;; waited += 10) {
        char buf[32] = {};
        const ssize_t n = ::pread(fd, buf, sizeof buf - 1, 0);
        char* end = nullptr;
        const long pid = n > 0 ? std::strtol(buf, &end, 10) : 0;
        if (pid > 0 && end != buf && *end == '\n') return pid;
        if (waited >= kHolderReadMs) return 0;
        clock.Sleep(10);
    }
}

// "<full path>: <reason>", so the message tells which file the system refused.
std::string failure(const std::string& path, int error) {
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    return (ec ? path : full.lexically_normal().string()) + ": " + std::strerror(error);
}

void writeOwnPid(int fd) {
    const std::string text = std::to_string(static_cast<long>(::getpid())) + "\n";
    if (::ftruncate(fd, 0) != 0) return;
    // Best effort: the lock itself is what counts, the number is for people.
    [[maybe_unused]] const ssize_t n = ::pwrite(fd, text.data(), text.size(), 0);
}

} // namespace

FileLock::FileLock(std::string path, std::unique_ptr<Handle> handle)
    : path_(std::move(path)), handle_(std::move(handle)) {}

FileLock::~FileLock() {
    if (handle_ && handle_->fd >= 0) ::close(handle_->fd);   // closing releases the lock
}

FileLock::Attempt FileLock::Acquire(const std::string& lockPath, uint32_t waitMs, Clock& clock) {
    Attempt a;
    int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    // A lock file another user made: flock() needs no write access, only
    // the process ID cannot be written then. When that fails too, the first
    // error is the one that tells (a folder that takes no new file gives
    // "Permission denied" first and "No such file or directory" after).
    if (fd < 0 && errno == EACCES) {
        fd = ::open(lockPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0) errno = EACCES;
    }
    if (fd < 0) {
        a.reason = failure(lockPath, errno);
        return a;
    }
    const uint32_t start = clock.GetTickCount();
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            writeOwnPid(fd);
            auto handle = std::make_unique<Handle>();
            handle->fd = fd;
            a.outcome = Outcome::Acquired;
            a.lock.reset(new FileLock(lockPath, std::move(handle)));
            return a;
        }
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) {
            a.reason = failure(lockPath, errno);
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
