#include "numbering/prod_rfid.h"

#include <algorithm>

namespace kestrelon {

namespace {
bool reserved(uint32_t byte) {
    return std::find(ReservedRFIDBytes.begin(), ReservedRFIDBytes.end(), byte) != ReservedRFIDBytes.end();
}
int32_t plusOne(int32_t v) {
    return static_cast<int32_t>(static_cast<uint32_t>(v) + 1u);   // wraps instead of overflowing
}
int32_t minusOne(int32_t v) {
    return static_cast<int32_t>(static_cast<uint32_t>(v) - 1u);
}
} // namespace

bool RFIDBytesAllowed(uint32_t id) {
    const uint32_t high = ((id >> 16) & 0xFF) | 0x80;
    return !reserved(high) && !reserved((id >> 8) & 0xFF) && !reserved(id & 0xFF);
}

bool IsShiftedHighByte(uint32_t id) {
    switch ((id >> 16) & 0xFF) {
    case 0x11: case 0x15: case 0x19: case 0x1C: case 0x21: case 0x29: return true;
    default: return false;
    }
}

EntropyRFIDRandom::EntropyRFIDRandom() {
    std::random_device rd;
    std::seed_seq seq{rd(), rd(), rd(), rd(), rd(), rd(), rd(), rd()};
    engine_.seed(seq);
}

uint32_t EntropyRFIDRandom::draw24() {
    return std::uniform_int_distribution<uint32_t>(0, 0xFFFFFF)(engine_);
}

std::shared_ptr<RFIDRandomSource> DefaultRFIDRandom() {
    static const std::shared_ptr<RFIDRandomSource> source = std::make_shared<EntropyRFIDRandom>();
    return source;
}

TProdRFID::TProdRFID(std::shared_ptr<RFIDRandomSource> random)
    : random_(random ? std::move(random) : DefaultRFIDRandom()) {
    setIsRandom(true);
}

TProdRFID::TProdRFID(std::shared_ptr<RFIDRandomSource> random, Blank)
    : random_(random ? std::move(random) : DefaultRFIDRandom()) {}

std::unique_ptr<TProdRFID> TProdRFID::CreateBlank(std::shared_ptr<RFIDRandomSource> random) {
    return std::unique_ptr<TProdRFID>(new TProdRFID(std::move(random), Blank{}));
}

void TProdRFID::setIncInitRFID(int32_t v) {
    incInit_ = v;
    incPrev_ = minusOne(v);
}

void TProdRFID::setIncCurrentRFID(int32_t v) {
    incCurrent_ = v;
    incPrev_ = v;
}

int32_t TProdRFID::NextRFID() {
    if (isRandom_) {
        // Draws with a shifted high byte are passed over too: shifted, a
        // 0x29xxxx would become 0x2Axxxx, which the device stores as the
        // reserved 0xAA.
        uint32_t id;
        do id = random_->draw24() & 0xFFFFFF;
        while (!RFIDBytesAllowed(id) || IsShiftedHighByte(id));
        return static_cast<int32_t>(id);
    }
    // At most 2^24 steps: a full turn of the low 24 bits meets valid IDs.
    uint32_t id;
    do {
        incPrev_ = plusOne(incPrev_);
        id = static_cast<uint32_t>(incPrev_) & 0xFFFFFF;
    } while (!RFIDBytesAllowed(id) || IsShiftedHighByte(id));
    return static_cast<int32_t>(id);
}

} // namespace kestrelon
