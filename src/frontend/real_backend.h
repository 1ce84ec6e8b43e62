#pragma once
// The platform's HID layer for a front end, and the hot-plug events that
// let detection follow a receiver the moment it is plugged.

#include "app/station.h"
#include "device/hid_backend.h"

#include <memory>

namespace kestrelon {

// The real HID back end (hidapi; on Windows the system's HID API), or
// nullptr when this build has none.
std::unique_ptr<HidBackend> MakeRealHidBackend();

// For StationConfig::hotplug: starts the operating system's HID hot-plug
// events on the station's loop.
std::function<std::unique_ptr<HotplugMonitor>(EventLoop&, std::function<void()>)> RealHotplug();

} // namespace kestrelon
