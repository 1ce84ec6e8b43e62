#pragma once
// Command line of kestrelon-uhid-dongle.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrelon::uhid {

struct DongleOptions {
    int model = 0;                       // 0 "01", 1 "02", 2 "03"
    uint16_t productId = 0x053A;
    std::optional<uint64_t> seed;        // the pair's factory IDs; default as the CLI's --sim
    std::string statePath;               // loaded when present, written on exit
    // Reports count every SET and GET from 1, as the kernel hands them over.
    std::optional<uint64_t> getErrorFrom;   // GETs from this report on fail with EIO
    std::optional<uint64_t> vanishAfter;    // unplug once this many reports were answered
    bool trace = false;                  // one stderr line per report
    bool help = false;
};

// False with a message on bad usage.
bool ParseDongleOptions(const std::vector<std::string>& args, DongleOptions& out, std::string& error);

const char* DongleUsage();

} // namespace kestrelon::uhid
