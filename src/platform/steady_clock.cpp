#include "platform/steady_clock.h"

#include "platform/calendar.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <thread>

#ifndef _WIN32
#include <poll.h>
#endif

namespace kestrelon {

namespace {
uint64_t steadyNs() {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}
} // namespace

SteadyClock::SteadyClock() : originNs_(steadyNs()) {}

void SteadyClock::Sleep(uint32_t ms) {
    countSleep(ms);
    PreciseWait(std::chrono::milliseconds(ms));
}

uint64_t SteadyClock::nowMicros() { return (steadyNs() - originNs_) / 1000; }

void SteadyClock::spendMicros(uint64_t us) { PreciseWait(std::chrono::microseconds(us)); }

LocalDateTime SteadyClock::localNow() { return systemLocalNow(); }

void SteadyClock::waitForEvents(uint32_t maxMs) {
    const uint64_t us = std::min<uint64_t>(microsUntilNextTimer(), uint64_t{maxMs} * 1000);
    std::erase_if(watched_, [](const auto& w) { return !w->alive; });
#ifndef _WIN32
    if (!watched_.empty()) {
        std::vector<pollfd> fds;
        for (const auto& w : watched_) fds.push_back(pollfd{w->fd, POLLIN, 0});
        const int ms = static_cast<int>((us + 999) / 1000);
        if (poll(fds.data(), fds.size(), ms) > 0) {
            auto watched = watched_;   // a handler may add or drop watches
            for (size_t i = 0; i < fds.size(); ++i)
                if ((fds[i].revents & POLLIN) && watched[i]->alive) watched[i]->onReadable();
        }
        ProcessMessages();
        return;
    }
#endif
    if (us) std::this_thread::sleep_for(std::chrono::microseconds(us));
    ProcessMessages();
}

namespace {
class SteadyWatch : public DescriptorWatch {
public:
    explicit SteadyWatch(std::shared_ptr<SteadyClock::Watched> w) : w_(std::move(w)) {}
    ~SteadyWatch() override { w_->alive = false; }

private:
    std::shared_ptr<SteadyClock::Watched> w_;
};
} // namespace

std::unique_ptr<DescriptorWatch> SteadyClock::watchReadable(int fd, std::function<void()> onReadable) {
#ifdef _WIN32
    (void)fd;
    (void)onReadable;
    return nullptr;
#else
    auto w = std::make_shared<Watched>(Watched{fd, std::move(onReadable)});
    watched_.push_back(w);
    return std::make_unique<SteadyWatch>(w);
#endif
}

LocalDateTime systemLocalNow() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t secs = std::chrono::system_clock::to_time_t(now);
    std::tm tm{}, utc{};
#ifdef _WIN32
    localtime_s(&tm, &secs);
    gmtime_s(&utc, &secs);
#else
    localtime_r(&secs, &tm);
    gmtime_r(&secs, &utc);
#endif
    LocalDateTime t;
    t.year = tm.tm_year + 1900;
    t.month = tm.tm_mon + 1;
    t.day = tm.tm_mday;
    t.hour = tm.tm_hour;
    t.minute = tm.tm_min;
    t.second = tm.tm_sec;
    // The offset, daylight saving included, as the difference of the two
    // readings of the same instant (tm_gmtoff is not everywhere).
    const auto minutesOf = [](const std::tm& x) {
        return (daysFromCivil(x.tm_year + 1900, x.tm_mon + 1, x.tm_mday) * 24 + x.tm_hour) * 60 + x.tm_min;
    };
    t.utcOffsetMinutes = static_cast<int>(minutesOf(tm) - minutesOf(utc));
    t.millisecond = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
    return t;
}

} // namespace kestrelon
