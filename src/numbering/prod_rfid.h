#pragma once
// The 24-bit RF IDs of a dongle (RxRFID) or a mouse (TxRFID), drawn at
// random or handed out in sequence from an operator-given start.
//
// The devices store the high byte with bit 7 set, so candidates are judged
// in that form: one whose high (as stored), middle or low byte is a reserved
// system value is never handed out.

#include "numbering/component.h"

#include <array>
#include <cstdint>
#include <memory>
#include <random>

namespace kestrelon {

inline constexpr std::array<uint8_t, 8> ReservedRFIDBytes{0x00, 0x0F, 0x55, 0x5A, 0xA5, 0xAA, 0xF0, 0xFF};

// True when the candidate passes the byte test.
bool RFIDBytesAllowed(uint32_t id);
// High bytes that the devices cannot take as they are; no ID with one of
// them is handed out.
bool IsShiftedHighByte(uint32_t id);

// Where random IDs come from. Injected so tests can steer the draws.
class RFIDRandomSource {
public:
    virtual ~RFIDRandomSource() = default;
    // A uniform draw from 0..0xFFFFFF.
    virtual uint32_t draw24() = 0;
};

// A generator seeded once from the operating system's entropy. Seeding once
// matters: re-seeding from the clock on every read hands out the same ID to
// every read within one clock tick.
class EntropyRFIDRandom : public RFIDRandomSource {
public:
    EntropyRFIDRandom();
    uint32_t draw24() override;

private:
    std::mt19937 engine_;
};

// The process-wide source, seeded on first use.
std::shared_ptr<RFIDRandomSource> DefaultRFIDRandom();

class TProdRFID : public TComponent {
public:
    static constexpr const char* kClassName = "TProdRFID";

    // Random mode; null random uses DefaultRFIDRandom().
    explicit TProdRFID(std::shared_ptr<RFIDRandomSource> random = nullptr);
    // Every field zero or false, as the stored text form is applied to.
    static std::unique_ptr<TProdRFID> CreateBlank(std::shared_ptr<RFIDRandomSource> random = nullptr);

    const char* ClassName() const override { return kClassName; }

    bool IsRandom() const { return isRandom_; }
    int32_t IncInitRFID() const { return incInit_; }
    int32_t IncPrevRFID() const { return incPrev_; }
    int32_t IncCurrentRFID() const { return incCurrent_; }

    void setIsRandom(bool v) { isRandom_ = v; }
    // Restarts the sequence at v.
    void setIncInitRFID(int32_t v);
    void setIncPrevRFID(int32_t v) { incPrev_ = v; }
    // Records the ID of a passed unit; the sequence continues after it.
    void setIncCurrentRFID(int32_t v);

    // The next ID. Random mode changes nothing. Sequential mode consumes the
    // candidate: two reads in a row return two successive IDs.
    //
    // Neither mode applies the high-byte shift: both pass over the
    // candidates that would be shifted. In sequence a shifted 0x11xxxx lands
    // on the 0x12xxxx the sequence reaches later, and an ID would be issued
    // twice; at random a shifted 0x29xxxx is stored with a reserved byte.
    int32_t NextRFID();

private:
    struct Blank {};
    TProdRFID(std::shared_ptr<RFIDRandomSource> random, Blank);

    std::shared_ptr<RFIDRandomSource> random_;
    bool isRandom_ = false;
    int32_t incInit_ = 0;
    int32_t incPrev_ = 0;
    int32_t incCurrent_ = 0;
};

} // namespace kestrelon
