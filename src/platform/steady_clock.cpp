#include "platform/steady_clock.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <thread>

namespace kestrelon {

namespace {
uint64_t steadyNs() {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

// The system's sleep overshoots by a tenth of a millisecond or so; over the
// hundreds of waits of a production cycle that adds up. Sleep most of the
// way, then yield until the deadline.
void preciseWait(std::chrono::microseconds d) {
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + d;
    constexpr auto margin = microseconds(300);
    if (d > margin) std::this_thread::sleep_for(d - margin);
    while (steady_clock::now() < deadline) std::this_thread::yield();
}
} // namespace

SteadyClock::SteadyClock() : originNs_(steadyNs()) {}

void SteadyClock::Sleep(uint32_t ms) {
    countSleep(ms);
    preciseWait(std::chrono::milliseconds(ms));
}

uint64_t SteadyClock::nowMicros() { return (steadyNs() - originNs_) / 1000; }

void SteadyClock::spendMicros(uint64_t us) { preciseWait(std::chrono::microseconds(us)); }

LocalDateTime SteadyClock::localNow() { return systemLocalNow(); }

void SteadyClock::waitForEvents(uint32_t maxMs) {
    const uint64_t us = std::min<uint64_t>(microsUntilNextTimer(), uint64_t{maxMs} * 1000);
    if (us) std::this_thread::sleep_for(std::chrono::microseconds(us));
    ProcessMessages();
}

LocalDateTime systemLocalNow() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t secs = std::chrono::system_clock::to_time_t(now);
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &secs);
#else
    localtime_r(&secs, &tm);
#endif
    LocalDateTime t;
    t.year = tm.tm_year + 1900;
    t.month = tm.tm_mon + 1;
    t.day = tm.tm_mday;
    t.hour = tm.tm_hour;
    t.minute = tm.tm_min;
    t.second = tm.tm_sec;
    t.millisecond = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
    return t;
}

} // namespace kestrelon
