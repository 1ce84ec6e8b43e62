#include "platform/precise_wait.h"

#include <thread>

namespace kestrelon {

void PreciseWait(std::chrono::microseconds d) {
    using std::chrono::steady_clock;
    const auto deadline = steady_clock::now() + d;
    const auto margin = detail::SleepMargin();
    if (d > margin) detail::CoarseSleep(d - margin);
    while (steady_clock::now() < deadline) std::this_thread::yield();
}

} // namespace kestrelon
