#include "frontend/real_backend.h"

#ifdef KESTRELON_WITH_HIDAPI
#include "device/hidapi/hidapi_backend.h"
#endif
#ifdef KESTRELON_WITH_WINHID
#include "device/winhid/win_hid_backend.h"
#endif

namespace kestrelon {

std::unique_ptr<HidBackend> MakeRealHidBackend() {
#if defined(KESTRELON_WITH_HIDAPI)
    return std::make_unique<HidapiBackend>();
#elif defined(KESTRELON_WITH_WINHID)
    return std::make_unique<WinHidBackend>(SystemHidCalls());
#else
    return nullptr;
#endif
}

std::function<std::unique_ptr<HotplugMonitor>(EventLoop&, std::function<void()>)> RealHotplug() {
    return [](EventLoop& loop, std::function<void()> onChange) {
        return HotplugMonitor::start(loop, std::move(onChange));
    };
}

} // namespace kestrelon
