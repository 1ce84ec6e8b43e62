// HID hot-plug on Linux: a libudev monitor on the hidraw subsystem. With a
// udev daemon running, its events come after the rules ran (so the node's
// access rights are in place); without one (a bare kernel, a container),
// the kernel's own events are taken.
#include "platform/hotplug.h"

#include <libudev.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace kestrelon {

namespace {

class UdevMonitor : public HotplugMonitor {
public:
    ~UdevMonitor() override {
        watch_.reset();
        if (monitor_) udev_monitor_unref(monitor_);
        if (udev_) udev_unref(udev_);
    }

    bool open(EventLoop& loop, std::function<void()> onChange, std::string* why) {
        onChange_ = std::move(onChange);
        udev_ = udev_new();
        if (!udev_) return fail(why, "libudev could not start");
        source_ = access("/run/udev/control", F_OK) == 0 ? "udev" : "kernel";
        monitor_ = udev_monitor_new_from_netlink(udev_, source_);
        if (!monitor_) return fail(why, "no netlink socket for device events");
        if (udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr) < 0 ||
            udev_monitor_enable_receiving(monitor_) < 0)
            return fail(why, "device events cannot be received");
        watch_ = loop.watchReadable(udev_monitor_get_fd(monitor_), [this] { drain(); });
        if (!watch_) return fail(why, "the event loop cannot watch device events");
        return true;
    }

    std::string source() const override { return source_; }

private:
    static bool fail(std::string* why, const char* text) {
        if (why) *why = text;
        return false;
    }

    void drain() {
        bool any = false;
        while (udev_device* d = udev_monitor_receive_device(monitor_)) {
            any = true;
            udev_device_unref(d);
        }
        if (any && onChange_) onChange_();
    }

    const char* source_ = "";
    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    std::unique_ptr<DescriptorWatch> watch_;
    std::function<void()> onChange_;
};

} // namespace

std::unique_ptr<HotplugMonitor> HotplugMonitor::start(EventLoop& loop, std::function<void()> onChange,
                                                      std::string* why) {
    // The timer alone, as where no event source exists (to compare, or on
    // a system whose events misbehave).
    if (const char* off = std::getenv("KESTRELON_HOTPLUG"); off && std::strcmp(off, "off") == 0) {
        if (why) *why = "switched off by KESTRELON_HOTPLUG=off";
        return nullptr;
    }
    auto m = std::make_unique<UdevMonitor>();
    if (!m->open(loop, std::move(onChange), why)) return nullptr;
    return m;
}

} // namespace kestrelon
