// Windows: sleeps end on a tick of the system timer, 15.6 ms unless some
// program asked for more. A high-resolution waitable timer (Windows 10
// 1803 and later) ends within half a millisecond whatever the tick; where
// there is none, the tick is raised to 1 ms for the life of the clock and
// a longer last stretch is spent yielding.
#include "platform/precise_wait.h"

#include <windows.h>
#include <timeapi.h>

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace kestrelon {

FineTimerResolution::FineTimerResolution() : raised_(timeBeginPeriod(1) == TIMERR_NOERROR) {}

FineTimerResolution::~FineTimerResolution() {
    if (raised_) timeEndPeriod(1);
}

namespace detail {
namespace {

// One per thread, closed when the thread ends; null where the system has
// no high-resolution timers.
class WaitableTimer {
public:
    WaitableTimer()
        : h_(CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS)) {}
    ~WaitableTimer() {
        if (h_) CloseHandle(h_);
    }
    WaitableTimer(const WaitableTimer&) = delete;
    WaitableTimer& operator=(const WaitableTimer&) = delete;
    HANDLE get() const { return h_; }

private:
    HANDLE h_;
};

HANDLE threadTimer() {
    thread_local WaitableTimer timer;
    return timer.get();
}

} // namespace

std::chrono::microseconds SleepMargin() {
    return std::chrono::microseconds(threadTimer() ? 300 : 1500);
}

void CoarseSleep(std::chrono::microseconds d) {
    if (HANDLE timer = threadTimer()) {
        LARGE_INTEGER due;
        due.QuadPart = -static_cast<LONGLONG>(d.count()) * 10;   // relative, in 100 ns
        if (SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE)) {
            WaitForSingleObject(timer, INFINITE);
            return;
        }
    }
    Sleep(static_cast<DWORD>(d.count() / 1000));
}

} // namespace detail
} // namespace kestrelon
