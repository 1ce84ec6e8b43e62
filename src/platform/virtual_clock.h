#pragma once
// A clock whose time moves only when the program sleeps or a simulated
// device spends transfer time. Every Sleep and ProcessMessages is recorded.

#include "platform/scheduled_clock.h"
#include "platform/trace.h"

namespace kestrelon {

class VirtualClock : public ScheduledClock {
public:
    explicit VirtualClock(Trace* trace = nullptr) : trace_(trace) {}

    void Sleep(uint32_t ms) override;
    uint64_t nowMicros() override { return nowUs_; }
    void spendMicros(uint64_t us) override { nowUs_ += us; }
    LocalDateTime localNow() override;
    void waitForEvents(uint32_t maxMs) override;

    // The local date-time at virtual time 0 (default 2009-01-01 08:00:00).
    void setLocalStart(const LocalDateTime& t) { start_ = t; startAtUs_ = nowUs_; }
    void advanceMs(uint64_t ms) { nowUs_ += ms * 1000; }
    void setTrace(Trace* t) { trace_ = t; }

    uint64_t pumpCount() const { return pumps_; }

protected:
    void onPump() override;

private:
    Trace* trace_;
    uint64_t nowUs_ = 0;
    uint64_t pumps_ = 0;
    LocalDateTime start_{2009, 1, 1, 8, 0, 0, 0};
    uint64_t startAtUs_ = 0;
};

} // namespace kestrelon
