#include "platform/file_lock.h"
#include "platform/virtual_clock.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <utility>
#include <unistd.h>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#endif

using namespace kestrelon;

namespace {

// Runs `then` once the waiting has passed `afterMs`, as a holder that shuts
// down meanwhile would.
class WaitingClock : public VirtualClock {
public:
    void Sleep(uint32_t ms) override {
        VirtualClock::Sleep(ms);
        if (then && sleptMs() >= afterMs) std::exchange(then, nullptr)();
    }
    uint64_t afterMs = 0;
    std::function<void()> then;
};

TEST(FileLock, OneHolderAtATimeNamedByItsProcessId) {
    const std::string path =
        (std::filesystem::temp_directory_path() / ("kestrelon-lock-" + std::to_string(::getpid()))).string();
    WaitingClock clock;
    auto first = FileLock::Acquire(path, 0, clock);
    ASSERT_EQ(first.outcome, FileLock::Outcome::Acquired) << first.reason;

    struct Case {
        uint32_t waitMs;
        uint64_t releaseAfterMs;   // 0: the holder keeps it
        FileLock::Outcome outcome;
    };
    for (const Case& c : {Case{0, 0, FileLock::Outcome::Held}, Case{5000, 0, FileLock::Outcome::Held},
                          Case{5000, 1200, FileLock::Outcome::Acquired}}) {
        SCOPED_TRACE(c.waitMs);
        const uint64_t before = clock.sleptMs();
        clock.afterMs = before + c.releaseAfterMs;
        if (c.releaseAfterMs) clock.then = [&first] { first.lock.reset(); };
        auto second = FileLock::Acquire(path, c.waitMs, clock);
        EXPECT_EQ(second.outcome, c.outcome);
        if (c.outcome == FileLock::Outcome::Held) {
            EXPECT_EQ(second.holderPid, ::getpid());
            EXPECT_GE(clock.sleptMs() - before, c.waitMs);
            EXPECT_LT(clock.sleptMs() - before, c.waitMs + 200);
        } else {
            EXPECT_LT(clock.sleptMs() - before, 1400u);   // taken as soon as it was let go
        }
    }
    std::filesystem::remove(path);
}

#ifndef _WIN32   // flock() and fork() of POSIX systems
// The holder writes its process ID only after it took the lock: a refused
// caller that reads the file in between still names it.
TEST(FileLock, TheHolderIsNamedWhenItWritesItsIdJustAfterLocking) {
    const std::string path =
        (std::filesystem::temp_directory_path() / ("kestrelon-lock-late-" + std::to_string(::getpid()))).string();
    const int holder = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
    WaitingClock clock;
    clock.afterMs = 20;
    clock.then = [holder] { ASSERT_EQ(::pwrite(holder, "4242\n", 5, 0), 5); };
    const auto refused = FileLock::Acquire(path, 0, clock);
    EXPECT_EQ(refused.outcome, FileLock::Outcome::Held);
    EXPECT_EQ(refused.holderPid, 4242);
    ::close(holder);
    std::filesystem::remove(path);
}

// A folder that takes no new file: the reason is the system's first answer,
// with the lock file's full path. Run by a user without write access to the
// folder (a child process that gives up root when the tests run as root).
TEST(FileLock, ALockFileThatCannotBeMadeTellsWhy) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("kestrelon-lock-ro-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                             fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    const std::string lockPath = (dir / "TX.ini.lock").string();
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(pipeFds[0]);
        if (::geteuid() == 0 && ::setuid(65534) != 0) ::_exit(3);
        VirtualClock clock;
        const auto a = FileLock::Acquire(lockPath, 0, clock);
        const std::string out = a.outcome == FileLock::Outcome::Failed ? a.reason : "taken";
        [[maybe_unused]] const ssize_t n = ::write(pipeFds[1], out.data(), out.size());
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    std::string reason;
    char buf[256];
    for (ssize_t n; (n = ::read(pipeFds[0], buf, sizeof buf)) > 0;) reason.append(buf, static_cast<size_t>(n));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    fs::permissions(dir, fs::perms::owner_all);
    fs::remove_all(dir);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(reason, "cannot open " + lockPath + ": " + std::strerror(EACCES));
}

#endif

} // namespace
