#pragma once
// Waits of a few milliseconds, as exact as the system allows: the 8 ms
// between a set and a get of a feature report is waited hundreds of times a
// unit, so a wait stretched to the next system tick adds up fast.

#include <chrono>

namespace kestrelon {

// Blocks for d: sleeps most of the way, then yields until the deadline.
void PreciseWait(std::chrono::microseconds d);

// While one lives, the system's timer runs at its finest resolution. On
// Windows a sleep otherwise ends on the next tick of 15.6 ms, so an 8 ms
// wait would take 15.6; elsewhere there is nothing to do. Real clocks hold
// one for as long as they live.
class FineTimerResolution {
public:
    FineTimerResolution();
    ~FineTimerResolution();
    FineTimerResolution(const FineTimerResolution&) = delete;
    FineTimerResolution& operator=(const FineTimerResolution&) = delete;

private:
    bool raised_ = false;
};

namespace detail {
// How much of a wait is left to the final yield loop, and the system's
// sleep for the rest: per system.
std::chrono::microseconds SleepMargin();
void CoarseSleep(std::chrono::microseconds d);
} // namespace detail

} // namespace kestrelon
