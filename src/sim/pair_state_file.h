#pragma once
// The file a simulated pair is kept in between calls ({"pair": ...}), shared
// by the command line's --sim-state and kestrelon-uhid-dongle's --state.

#include "sim/pair_firmware.h"

#include <string>

namespace kestrelon::sim {

enum class StateLoad { Missing, Loaded, Failed };

// Missing (pair unchanged) when nothing is at path; Failed with a reason
// when something is there that is not a readable state file.
StateLoad LoadPairState(const std::string& path, PairFirmware& pair, std::string& why);

// Writes a new file beside path under a unique name and renames it over
// path, so neither a crash nor a link planted at a predictable temporary
// name can damage another file. False with a reason; path is then unchanged.
bool SavePairState(const std::string& path, const PairFirmware& pair, std::string& why);

} // namespace kestrelon::sim
