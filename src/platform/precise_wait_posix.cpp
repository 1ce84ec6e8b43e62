// The system's sleep overshoots by a tenth of a millisecond or so.
#include "platform/precise_wait.h"

#include <thread>

namespace kestrelon {

FineTimerResolution::FineTimerResolution() = default;
FineTimerResolution::~FineTimerResolution() = default;

namespace detail {

std::chrono::microseconds SleepMargin() { return std::chrono::microseconds(300); }

void CoarseSleep(std::chrono::microseconds d) { std::this_thread::sleep_for(d); }

} // namespace detail
} // namespace kestrelon
