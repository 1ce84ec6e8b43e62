#pragma once
// What the dongle last reported as its paired mouse and keyboard, and how
// far a pairing has got.

#include <cstdint>

namespace kestrelon {

struct PairingState {
    int32_t PrevMouseId = 0;
    int32_t PrevKbdId = 0;
    int32_t BindTicks = 0;   // 16: time-out; 17: the run saw the keyboard bind by itself
    bool BindSucceeded = false;   // the last bind ended with "Connect Success"
};

} // namespace kestrelon
