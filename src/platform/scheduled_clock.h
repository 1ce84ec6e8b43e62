#pragma once
// Timer bookkeeping shared by the clocks that run without a window system:
// timers fire when due, once per ProcessMessages, from a time base the
// subclass provides (virtual or steady).

#include "platform/clock.h"
#include "platform/event_loop.h"
#include "platform/wait_statistics.h"

#include <memory>
#include <vector>

namespace kestrelon {

class ScheduledClock : public Clock, public EventLoop, public WaitStatistics {
public:
    ScheduledClock();
    ~ScheduledClock() override;

    void ProcessMessages() override;
    std::unique_ptr<Timer> createTimer(uint32_t intervalMs, std::function<void()> onTick) override;
    uint32_t GetTickCount() override { return static_cast<uint32_t>(nowMicros() / 1000); }

    // Microseconds until the earliest enabled timer is due (0 if overdue),
    // or UINT64_MAX when no timer runs.
    uint64_t microsUntilNextTimer();

    uint64_t sleptMs() const override { return sleptMs_; }
    uint64_t sleepCount() const override { return sleeps_; }

    struct TimerState;   // shared with the timer objects handed out

protected:
    virtual void onPump() {}
    void countSleep(uint32_t ms) {
        ++sleeps_;
        sleptMs_ += ms;
    }

private:
    uint64_t sleptMs_ = 0, sleeps_ = 0;
    std::shared_ptr<std::vector<std::shared_ptr<TimerState>>> timers_;
};

} // namespace kestrelon
