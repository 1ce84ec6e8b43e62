#pragma once
// What the fuzz targets share: a fixed random source, so that a finding
// replays the same way.

#include "numbering/prod_rfid.h"

#include <cstdint>

namespace kestrelon::fuzz {

class FixedRandom : public RFIDRandomSource {
public:
    uint32_t draw24() override {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_ & 0xFFFFFF;
    }

private:
    uint32_t state_ = 0x2545F491;
};

// Stops the target with a message libFuzzer shows beside the input.
[[noreturn]] void Finding(const char* what);

// KESTRELON_FUZZ_FIXED_POINT=1 in the environment: the round-trip targets
// also ask that a second store writes what the first one wrote. Off by
// default while known faults of that kind are open (fuzz/findings/).
bool CheckFixedPoint();

} // namespace kestrelon::fuzz
