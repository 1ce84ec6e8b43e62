#pragma once
// Real time for front ends without a window system (the command line):
// sleeps for real, and its pump fires the headless timers.

#include "platform/precise_wait.h"
#include "platform/scheduled_clock.h"

#include <functional>
#include <memory>
#include <vector>

namespace kestrelon {

class SteadyClock : public ScheduledClock {
public:
    SteadyClock();
    void Sleep(uint32_t ms) override;
    uint64_t nowMicros() override;
    void spendMicros(uint64_t us) override;
    LocalDateTime localNow() override;
    void waitForEvents(uint32_t maxMs) override;
    // Served while waitForEvents waits (POSIX).
    std::unique_ptr<DescriptorWatch> watchReadable(int fd, std::function<void()> onReadable) override;

    struct Watched {
        int fd;
        std::function<void()> onReadable;
        bool alive = true;
    };

private:
    FineTimerResolution resolution_;
    uint64_t originNs_;
    std::vector<std::shared_ptr<Watched>> watched_;
};

// The PC's local date and time, shared by every real clock.
LocalDateTime systemLocalNow();

} // namespace kestrelon
