#include "cli/device_session.h"

#ifdef KESTRELON_WITH_HIDAPI
#include "device/hidapi/hidapi_backend.h"
#endif

namespace kestrelon::cli {

std::unique_ptr<HidBackend> MakeRealHidBackend() {
#ifdef KESTRELON_WITH_HIDAPI
    return std::make_unique<HidapiBackend>();
#else
    return nullptr;
#endif
}

} // namespace kestrelon::cli
