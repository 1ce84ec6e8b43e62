#pragma once
// The clock of the window: waits really, pumps the Qt event loop, and hands
// out QTimers, so timers and clicks are served while a long operation runs.

#include "platform/clock.h"
#include "platform/event_loop.h"
#include "platform/precise_wait.h"

#include <chrono>

namespace kestrelon {

class QtClock : public Clock, public EventLoop {
public:
    QtClock();
    void Sleep(uint32_t ms) override;
    uint32_t GetTickCount() override { return static_cast<uint32_t>(nowMicros() / 1000); }
    void ProcessMessages() override;
    std::unique_ptr<Timer> createTimer(uint32_t intervalMs, std::function<void()> onTick) override;
    uint64_t nowMicros() override;
    void spendMicros(uint64_t us) override;
    LocalDateTime localNow() override;
    void waitForEvents(uint32_t maxMs) override;
    std::unique_ptr<DescriptorWatch> watchReadable(int fd, std::function<void()> onReadable) override;

private:
    FineTimerResolution resolution_;   // Windows: 8 ms sleeps, not 15.6
    std::chrono::steady_clock::time_point origin_;
};

} // namespace kestrelon
