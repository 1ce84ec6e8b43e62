#pragma once
// Time, injected everywhere a wait, a tick count or the date is needed. The
// real implementation waits in real time; VirtualClock advances a counter
// instantly so that a whole production cycle runs in milliseconds under test.
// The event pump and timers are a separate seam (event_loop.h), and so are
// the wait totals a benchmark reads (wait_statistics.h).

#include <cstdint>

namespace kestrelon {

struct LocalDateTime {
    int year = 2000, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
    int utcOffsetMinutes = 0;   // local time minus UTC
};

class Clock {
public:
    virtual ~Clock() = default;

    // Blocks for ms milliseconds without delivering any message.
    virtual void Sleep(uint32_t ms) = 0;
    // Milliseconds since an arbitrary origin; wraps like the platform's.
    virtual uint32_t GetTickCount() = 0;

    // Finer time for the simulated devices: a transfer that takes 300 us
    // spends it here, so the demo runs at line speed and tests stay instant.
    virtual uint64_t nowMicros() = 0;
    virtual void spendMicros(uint64_t us) = 0;

    // The PC's local date and time (serial-number date codes, the log).
    virtual LocalDateTime localNow() = 0;
};

} // namespace kestrelon
