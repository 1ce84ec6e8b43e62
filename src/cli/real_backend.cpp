#include "cli/device_session.h"
#include "frontend/real_backend.h"

namespace kestrelon::cli {

std::unique_ptr<HidBackend> MakeRealHidBackend() { return kestrelon::MakeRealHidBackend(); }

} // namespace kestrelon::cli
