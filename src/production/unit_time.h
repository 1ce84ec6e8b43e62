#pragma once
// How long one unit can keep the program busy while its devices answer,
// from the waits the cycle is made of: a newer copy of the program that
// asks this one to shut down waits that long for a unit to end before it
// would end the copy the hard way.

#include "production/pairing.h"

#include <cstdint>

namespace kestrelon {

// The cycle's own waits on a pair that answers at once (2.75 s on the
// virtual clock: access mode, RF power, the byte and word writes with
// their confirmations, the reloads).
constexpr uint32_t kCycleWaitsMs = 3000;
// After the dongle's reload the mouse is checked up to 20 times; a check
// that finds it silent waits about 0.4 s (two link checks of two samples,
// leaving and entering access mode between them).
constexpr uint32_t kLinkAttempts = 20;
constexpr uint32_t kSilentLinkAttemptMs = 400;
// A keyboard binding that runs to its time-out: 16 ticks of its timer,
// and the last poll of the keyboard slots after the last tick.
constexpr uint32_t kBindTimeoutMs = (Pairing::kTimeoutTicks + 1) * Pairing::kTickMs;

constexpr uint32_t kLongestUnitMs = kCycleWaitsMs + kLinkAttempts * kSilentLinkAttemptMs + kBindTimeoutMs;

// What the waits leave out: the transfers themselves (a few hundred per
// unit), a machine busy with other work, and the shut-down after the unit.
constexpr uint32_t kUnitEndMarginMs = 10000;

} // namespace kestrelon
