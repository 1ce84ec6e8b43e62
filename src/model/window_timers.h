#pragma once
// The main window's three timers, as the handlers that start and stop them
// see them. Owned by whoever runs the event loop (the window or a headless
// front end); a missing timer is simply not there to start.

#include "platform/clock.h"

namespace kestrelon {

class Clock;
class EventLoop;

struct WindowTimers {
    Timer* DetectHIDDeviceCounter = nullptr;   // 5000 ms, device detection
    Timer* tmrIsTxLink = nullptr;              // 500 ms, link watch and automatic start
    Timer* tmrSoftBind = nullptr;              // 1000 ms, one tick of a pairing

    static void set(Timer* t, bool on) {
        if (t) t->setEnabled(on);
    }
    static bool on(const Timer* t) { return t && t->enabled(); }
};

// How a long operation paces itself: the clock it waits on, the event
// loop it lets run between steps, and the window's timers it holds off.
struct Pacing {
    Clock& clock;
    EventLoop& loop;
    WindowTimers& timers;
};

} // namespace kestrelon
