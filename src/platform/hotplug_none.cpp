// Platforms without a hot-plug source: detection runs on its timer alone.
#include "platform/hotplug.h"

namespace kestrelon {

std::unique_ptr<HotplugMonitor> HotplugMonitor::start(EventLoop&, std::function<void()>, std::string* why) {
    if (why) *why = "no device event source on this platform";
    return nullptr;
}

} // namespace kestrelon
