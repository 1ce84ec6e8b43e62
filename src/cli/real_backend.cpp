#include "cli/device_session.h"

namespace kestrelon::cli {

std::unique_ptr<HidBackend> MakeRealHidBackend() { return nullptr; }

} // namespace kestrelon::cli
