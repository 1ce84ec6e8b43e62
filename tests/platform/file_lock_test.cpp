#include "platform/file_lock.h"
#include "platform/virtual_clock.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <utility>
#include <unistd.h>

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

} // namespace
