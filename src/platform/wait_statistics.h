#pragma once
// How much of the elapsed time went into mandated waits: what a timing
// report sets against the wall time of a unit.

#include <cstdint>

namespace kestrelon {

class WaitStatistics {
public:
    virtual ~WaitStatistics() = default;
    virtual uint64_t sleptMs() const = 0;
    virtual uint64_t sleepCount() const = 0;
};

} // namespace kestrelon
