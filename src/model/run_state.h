#pragma once
// The two EEPROM images a production run fills and writes, the checked-byte
// encoding most settings use inside them, and the flags that tell every
// handler what the system is doing right now.

#include <array>
#include <cstdint>

namespace kestrelon {

constexpr int kTxImageSize = 128;   // mouse EEPROM bytes
constexpr int kRxImageSize = 64;    // dongle EEPROM words
constexpr int32_t kUnwritten = -1;

// A single-byte setting stored in one dongle word with its complement: the
// value in the high half, value XOR 0xFF in the low half.
constexpr uint16_t CheckedByte(uint8_t value) {
    return static_cast<uint16_t>(value * 256 + (value ^ 0xFF));
}
// True when a stored word is a checked byte (so neither 0xFFFF nor 0).
constexpr bool IsValidCheckedWord(int word) {
    return word >= 0 && word <= 0xFFFF && ((word >> 8) & 0xFF) == ((word & 0xFF) ^ 0xFF);
}

enum RunModeValue : uint8_t { RunIdle = 0, RunFilling = 1, RunLoadingSettings = 2 };

struct RunState {
    std::array<int32_t, kTxImageSize> TxImage;
    std::array<int32_t, kRxImageSize> RxImage;

    uint8_t RunMode = RunLoadingSettings;   // nothing acts before the first load
    bool RunPassed = false;
    bool RunBusy = false;
    bool AwaitNewDongle = false;
    bool AutoRun = false;
    int32_t NotYetActivated = 1;
    int32_t SensorKind = 0;   // 0 unknown, else 0x91 or 0x9D; kept for the process
    int32_t BindInRun = 0;

    RunState() { clearImages(); }
    void clearImages() {
        TxImage.fill(kUnwritten);
        RxImage.fill(kUnwritten);
    }
    bool filling() const { return RunMode == RunFilling; }
};

} // namespace kestrelon
