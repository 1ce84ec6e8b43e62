#pragma once
// What the next units would receive if the program started now with a
// given settings file: the same start-up and the same per-unit reads and
// counter advance as real passing runs, on private copies, so the file is
// never touched.

#include "numbering/prod_rfid.h"
#include "numbering/settings_file.h"
#include "platform/clock.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kestrelon {

struct PreviewUnit {
    int unit = 0;                    // 1-based
    std::string rxSN, txSN;          // empty while numbering is off
    std::optional<int32_t> rxRFID;   // empty in random mode
    std::optional<int32_t> txRFID;
};

// loaded, when given, receives the load's result: a file that cannot be
// read, or a damaged one (reported, not copied: the preview writes nothing).
std::vector<PreviewUnit> PreviewNextUnits(const std::string& settingsPath, int count, Clock& clock,
                                          std::shared_ptr<RFIDRandomSource> random = nullptr,
                                          LoadResult* loaded = nullptr);

} // namespace kestrelon
