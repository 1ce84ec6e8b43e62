#pragma once
// An ordered record of what happened on the virtual clock and on the
// simulated HID interfaces, so tests can assert "set, 8 ms, get, 10 ms, pump".

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrelon {

struct TraceEntry {
    enum class Kind { Sleep, Pump, SetFeature, GetFeature };
    Kind kind;
    uint64_t atMicros = 0;
    uint32_t sleepMs = 0;             // Sleep only
    std::array<uint8_t, 9> frame{};   // transfers: request (set) or answer (get)
    bool ok = true;                   // transfers: what the platform returned
};

class Trace {
public:
    void add(const TraceEntry& e) { entries_.push_back(e); }
    const std::vector<TraceEntry>& entries() const { return entries_; }
    void clear() { entries_.clear(); }

    size_t count(TraceEntry::Kind k) const {
        size_t n = 0;
        for (const auto& e : entries_) n += e.kind == k;
        return n;
    }
    // Compact text form, one token per entry: "S:01 03 2F ...", "G", "W8", "P".
    std::vector<std::string> tokens(bool withFrames = false) const;

private:
    std::vector<TraceEntry> entries_;
};

} // namespace kestrelon
