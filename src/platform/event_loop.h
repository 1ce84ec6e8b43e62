#pragma once
// The event pump and the window-style timers. Long operations run inside the
// handler that started them and let the loop deliver pending events between
// steps, so timers and clicks are served meanwhile.

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

// While it lives, a readable descriptor is served by the event loop.
class DescriptorWatch {
public:
    virtual ~DescriptorWatch() = default;
};

class EventLoop {
public:
    virtual ~EventLoop() = default;

    // Delivers pending events once: due timers fire, the window repaints.
    virtual void ProcessMessages() = 0;
    virtual std::unique_ptr<Timer> createTimer(uint32_t intervalMs, std::function<void()> onTick) = 0;
    // Idle wait of a front end: sleep until the next event or timer (at
    // most maxMs), then deliver what is pending.
    virtual void waitForEvents(uint32_t maxMs) = 0;
    // Calls onReadable from the loop whenever fd (a POSIX descriptor) has
    // data. Null where the loop cannot watch descriptors.
    virtual std::unique_ptr<DescriptorWatch> watchReadable(int fd, std::function<void()> onReadable) {
        (void)fd;
        (void)onReadable;
        return nullptr;
    }
};

} // namespace kestrelon
