#pragma once
// Time and the event pump, injected everywhere a wait, a tick count or a
// "let the window deliver its messages" is needed. The real implementations
// wait in real time; VirtualClock advances a counter instantly so that a whole
// production cycle runs in microseconds under test.

#include <cstdint>
#include <functional>
#include <memory>

namespace kestrelon {

// A periodic timer in the style of a window timer: when due it fires once at
// the next ProcessMessages, never while the program merely sleeps.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void setEnabled(bool on) = 0;
    virtual bool enabled() const = 0;
    virtual void setInterval(uint32_t ms) = 0;
    virtual uint32_t interval() const = 0;
};

struct LocalDateTime {
    int year = 2000, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
};

class Clock {
public:
    virtual ~Clock() = default;

    // Blocks for ms milliseconds without delivering any message.
    virtual void Sleep(uint32_t ms) = 0;
    // Milliseconds since an arbitrary origin; wraps like the platform's.
    virtual uint32_t GetTickCount() = 0;
    // Delivers pending messages once: due timers fire, the window repaints.
    virtual void ProcessMessages() = 0;
    virtual std::unique_ptr<Timer> createTimer(uint32_t intervalMs, std::function<void()> onTick) = 0;

    // Finer time for the simulated devices: a transfer that takes 300 us
    // spends it here, so the demo runs at line speed and tests stay instant.
    virtual uint64_t nowMicros() = 0;
    virtual void spendMicros(uint64_t us) = 0;

    // The PC's local date and time (serial-number date codes, the log).
    virtual LocalDateTime localNow() = 0;

    // Idle wait of a front end without a window: sleep until the next timer
    // is due (at most maxMs), then deliver messages.
    virtual void waitForEvents(uint32_t maxMs) = 0;
};

} // namespace kestrelon
