#pragma once
// --sim-fault FAULT[@K]: one fault for every unit, or for unit K only.

#include "sim/pair_firmware.h"

#include <optional>
#include <string>

namespace kestrelon::cli {

struct FaultPlan {
    sim::Faults faults;
    std::optional<int> onlyUnit;
};

// unplug:N, noanswer:N, xfer-error:N, mouse-silent, readback:W, each with an
// optional @K; numbers decimal or 0x... False with a reason on bad text.
bool ParseFaultText(const std::string& text, FaultPlan& out, std::string& why);

} // namespace kestrelon::cli
