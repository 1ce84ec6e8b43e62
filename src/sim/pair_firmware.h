#pragma once
// A firmware model of one receiver (dongle) and the mouse paired with it,
// answering the 9-byte feature reports by the rules the production tool
// relies on. It knows nothing of how reports reach it: the in-process HID
// back end and the kernel HID device both feed it the same way.

#include "model/product_models.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include <nlohmann/json_fwd.hpp>

namespace kestrelon::sim {

using Id24 = std::array<uint8_t, 3>;

// Faults on demand. Transfer numbers count every set and get from the
// moment the faults were armed, starting at 1.
struct Faults {
    std::optional<uint64_t> unplugAfter;     // gone after this many transfers
    std::optional<uint64_t> noAnswerFrom;    // from this transfer on, no 0xCC
    std::optional<uint64_t> transferErrorFrom;
    bool mouseSilent = false;                // the mouse never answers over RF
    bool mouseSilentAfterReload = false;     // ... once it reloaded its parameters
    std::optional<uint8_t> readbackWord;     // this dongle word never reads back as written
};

struct PairConfig {
    int model = 0;                 // 0 "01", 1 "02", 2 "03"
    uint16_t productId = 0x053A;
    uint64_t seed = 1;
    bool keyboardPresent = false;  // a keyboard waiting to be bound
    bool mousePowered = true;
    uint8_t sensorCode = 0x29;     // mouse sensor register 0
};

class PairFirmware {
public:
    PairFirmware(PairConfig config, std::function<uint64_t()> nowMicros);

    // One feature report each way. data[0] is the report ID on entry.
    bool setFeature(const uint8_t* data, size_t len);
    bool getFeature(uint8_t* data, size_t len);

    bool attached() const { return attached_; }
    // Lets time pass for the pair: an RF command sent last (one that wants
    // no answer, such as leaving access mode) reaches the mouse. Call before
    // saving or inspecting the state.
    void settle();
    void detach() { attached_ = false; }
    uint16_t vendorId() const { return kDongleVendorId; }
    uint16_t productId() const { return config_.productId; }
    uint16_t versionNumber() const;
    uint8_t chipByte() const { return config_.model == 0 ? kFirstChipByte : kFirstChipByte + 2; }

    void armFaults(const Faults& f);
    const Faults& faults() const { return faults_; }
    uint64_t transfersSinceArmed() const { return transfers_; }

    // Inspection (tests, dumps).
    const std::array<uint16_t, 64>& dongleEeprom() const { return dongleEeprom_; }
    const std::array<uint8_t, 128>& mouseEeprom() const { return mouseEeprom_; }
    std::array<uint16_t, 64>& dongleEepromForTest() { return dongleEeprom_; }
    std::array<uint8_t, 128>& mouseEepromForTest() { return mouseEeprom_; }
    bool linked();
    bool mouseInAccessMode() const { return mouseAccess_; }
    bool bindingMode() const { return binding_; }
    uint8_t dongleRfic(uint8_t reg) const { return dongleRfic_[reg]; }
    uint8_t mouseRfic(uint8_t reg) const { return mouseRfic_[reg]; }
    uint8_t rxType() const { return rxType_; }
    uint8_t mouseCpi() const { return mouseCpi_; }
    int customKeyUpdates() const { return customKeyUpdates_; }
    Id24 dongleRxId() const { return dongleRx_; }
    Id24 donglePairedTxId() const { return dongleTx_; }
    Id24 mouseTxId() const { return mouseTx_; }
    Id24 mouseRxId() const { return mouseRx_; }
    uint8_t keyboardId() const { return kbd_[2]; }
    uint8_t channel() const { return channel_; }
    const PairConfig& config() const { return config_; }
    void setMousePowered(bool on) { config_.mousePowered = on; }
    void setKeyboardPresent(bool on) { config_.keyboardPresent = on; }

    nlohmann::json toJson() const;
    // Restores what toJson saved; false (state unchanged) on a malformed document.
    bool loadJson(const nlohmann::json& j, std::string* error = nullptr);

private:
    enum class Pending { None, RfRead, RfWrite };

    void advance();
    std::array<uint8_t, 9> answer(uint8_t b0 = 0, uint8_t b1 = 0, uint8_t b2 = 0, uint8_t b3 = 0, uint8_t b4 = 0,
                         uint8_t b5 = 0, uint8_t b6 = 0, uint8_t b8 = 0) const;
    void dongleCommand(const uint8_t* f);
    void rfCommand(const uint8_t* f);
    bool mouseAnswers();
    int mouseRead(uint8_t code, uint8_t addr) const;
    void mouseWrite(uint8_t code, uint8_t addr, uint8_t value);
    void dongleReload();
    void mouseReload();
    void finishBinding();
    void flushPendingWrite();

    PairConfig config_;
    std::function<uint64_t()> now_;
    Faults faults_;
    uint64_t transfers_ = 0;
    bool attached_ = true;

    std::array<uint16_t, 64> dongleEeprom_;
    std::array<uint8_t, 128> mouseEeprom_;
    std::array<uint8_t, 256> dongleDirect_{};
    std::array<uint8_t, 256> dongleRfic_{};
    std::array<uint8_t, 256> mouseDirect_{};
    std::array<uint8_t, 256> mouseIndex_{};
    std::array<uint8_t, 256> mouseRfic_{};
    std::array<uint8_t, 256> mouseSensor_{};

    Id24 factoryRx_{}, factoryTx_{}, keyboardOwnId_{};
    Id24 dongleRx_{}, dongleTx_{}, mouseRx_{}, mouseTx_{}, kbd_{};
    uint8_t channel_ = 40;
    uint8_t rxType_ = 1;
    uint8_t mouseCpi_ = 0;
    int customKeyUpdates_ = 0;
    bool eepromUnlocked_ = false;
    uint64_t eepromBusyUntil_ = 0;
    bool mouseAccess_ = false;
    bool mouseReloaded_ = false;

    bool binding_ = false;
    uint64_t bindingSince_ = 0;

    uint8_t mouseSeq_ = 0;
    uint64_t seqAt_ = 0;

    std::array<uint8_t, 9> answer_{};
    Pending pending_ = Pending::None;
    uint8_t pendingCode_ = 0, pendingAddr_ = 0, pendingValue_ = 0;
    uint64_t pendingReadyAt_ = 0;
    bool pendingDeliverable_ = false;
};

} // namespace kestrelon::sim
