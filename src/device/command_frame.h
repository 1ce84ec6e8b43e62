#pragma once
// The one frame spoken with the dongle: a 9-byte HID feature report with
// report ID 1. An answer is valid when its byte 7 holds 0xCC.

#include <array>
#include <cstddef>
#include <cstdint>

namespace kestrelon {

constexpr std::size_t kFrameSize = 9;
using CommandFrame = std::array<uint8_t, kFrameSize>;

constexpr uint8_t kReportId = 0x01;
constexpr uint8_t kAnswerValid = 0xCC;
constexpr uint8_t kRfMarker = 0xAA;   // byte 2 of every command relayed to the mouse
constexpr int RetryCount = 30;

inline CommandFrame makeFrame(uint8_t code, uint8_t p1 = 0, uint8_t p2 = 0, uint8_t p3 = 0) {
    return CommandFrame{kReportId, code, p1, p2, p3, 0, 0, 0, 0};
}
inline bool isValidAnswer(const CommandFrame& f) { return f[7] == kAnswerValid; }

} // namespace kestrelon
