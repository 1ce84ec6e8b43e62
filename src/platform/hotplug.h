#pragma once
// Tells the moment the operating system adds or removes a HID device, so
// that detection need not wait for its next timer tick. Where no such source
// is available (no libudev, a loop that cannot watch it, or switched off
// with KESTRELON_HOTPLUG=off in the environment), start() gives nothing and
// the timer alone keeps detection going.

#include "platform/event_loop.h"

#include <functional>
#include <memory>
#include <string>

namespace kestrelon {

class HotplugMonitor {
public:
    virtual ~HotplugMonitor() = default;

    // onChange runs from the event loop after one or more HID devices were
    // added or removed. why receives the reason when there is no monitor.
    static std::unique_ptr<HotplugMonitor> start(EventLoop& loop, std::function<void()> onChange,
                                                 std::string* why = nullptr);

    // Where the events come from, for the operator ("udev", "kernel").
    virtual std::string source() const { return {}; }
};

} // namespace kestrelon
