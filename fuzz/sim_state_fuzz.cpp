// The simulation state file is read by kestrelon-uhid-dongle, which runs
// as root: any document must be refused or restored, and a restored pair
// must store the same document again.
#include "fuzz_support.h"
#include "sim/pair_firmware.h"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kestrelon;
    const nlohmann::json doc = nlohmann::json::parse(data, data + size, nullptr, false);
    if (doc.is_discarded() || !doc.is_object() || !doc.contains("pair")) return 0;
    uint64_t now = 0;
    sim::PairFirmware pair(sim::PairConfig{}, [&now] { return now; });
    std::string why;
    if (!pair.loadJson(doc["pair"], &why)) {
        if (why.empty()) fuzz::Finding("a refused state gives no reason");
        return 0;
    }
    const nlohmann::json stored = pair.toJson();
    sim::PairFirmware again(sim::PairConfig{}, [&now] { return now; });
    if (!again.loadJson(stored, &why)) fuzz::Finding("a stored state does not load again");
    if (again.toJson() != stored) fuzz::Finding("store -> load -> store changed the state");
    // The restored pair answers reports without fault.
    uint8_t frame[9] = {1, 0x09};
    pair.setFeature(frame, sizeof frame);
    pair.getFeature(frame, sizeof frame);
    return 0;
}
