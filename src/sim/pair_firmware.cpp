#include "sim/pair_firmware.h"

#include <algorithm>
#include <cstring>

namespace kestrelon::sim {

namespace {

constexpr uint64_t kRfLatencyUs = 2000;          // one RF round trip to the mouse
constexpr uint64_t kEepromBusyUs = 3000;         // a dongle EEPROM word write
constexpr uint64_t kSeqPeriodUs = 8000;          // the mouse reports every 8 ms
constexpr uint64_t kMouseBindUs = 2000000;       // a mouse joins 2 s into binding mode
constexpr uint64_t kKeyboardBindUs = 3000000;    // a keyboard joins after 3 s
constexpr uint64_t kBindingTimeoutUs = 30000000;

uint64_t splitmix(uint64_t& s) {
    uint64_t z = (s += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

Id24 randomId(uint64_t& s) {
    const uint64_t v = splitmix(s);
    return Id24{static_cast<uint8_t>((v >> 16) | 0x80), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
}

bool checkedWord(uint16_t w, uint8_t& value) {
    value = static_cast<uint8_t>(w >> 8);
    return (w >> 8) == ((w & 0xFF) ^ 0xFF);
}

uint16_t checked(uint8_t v) { return static_cast<uint16_t>(v * 256 + (v ^ 0xFF)); }

// Three checked dongle words starting at first, or nothing when any is not valid.
std::optional<Id24> idFromDongleWords(const std::array<uint16_t, 64>& e, int first) {
    Id24 id;
    for (int i = 0; i < 3; ++i)
        if (!checkedWord(e[first + i], id[i])) return std::nullopt;
    return id;
}

// Three mouse bytes followed by their check byte.
std::optional<Id24> idFromMouseBytes(const std::array<uint8_t, 128>& e, int first) {
    Id24 id{e[first], e[first + 1], e[first + 2]};
    if ((id[0] ^ id[1] ^ id[2] ^ 0xFF) != e[first + 3]) return std::nullopt;
    return id;
}

} // namespace

PairFirmware::PairFirmware(PairConfig config, std::function<uint64_t()> nowMicros)
    : config_(config), now_(std::move(nowMicros)) {
    dongleEeprom_.fill(0xFFFF);
    mouseEeprom_.fill(0xFF);
    uint64_t s = config_.seed;
    factoryRx_ = randomId(s);
    factoryTx_ = randomId(s);
    keyboardOwnId_ = randomId(s);
    channel_ = static_cast<uint8_t>(2 + splitmix(s) % 81);
    mouseSensor_[0] = config_.sensorCode;
    mouseDirect_[0xFF] = chipByte();
    dongleRfic_[1] = 0x1B;
    mouseRfic_[1] = 0x1B;
    // Fresh from the factory both run on the pair's built-in IDs.
    dongleReload();
    mouseReload();
    mouseReloaded_ = false;
    seqAt_ = now_();
}

uint16_t PairFirmware::versionNumber() const {
    return kProductModels[static_cast<size_t>(std::clamp(config_.model, 0, kModelCount - 1))].dongleVersion;
}

void PairFirmware::armFaults(const Faults& f) {
    faults_ = f;
    transfers_ = 0;
}

bool PairFirmware::mouseAnswers() {
    if (!config_.mousePowered || faults_.mouseSilent) return false;
    if (faults_.mouseSilentAfterReload && mouseReloaded_) return false;
    return true;
}

bool PairFirmware::linked() {
    return mouseAnswers() && mouseRx_ == dongleRx_ && mouseTx_ == dongleTx_;
}

void PairFirmware::dongleReload() {
    dongleRx_ = idFromDongleWords(dongleEeprom_, 0x00).value_or(factoryRx_);
    dongleTx_ = idFromDongleWords(dongleEeprom_, 0x33).value_or(factoryTx_);
    kbd_ = idFromDongleWords(dongleEeprom_, 0x2B).value_or(Id24{0, 0, 0});
}

void PairFirmware::mouseReload() {
    mouseTx_ = idFromMouseBytes(mouseEeprom_, 0x08).value_or(factoryTx_);
    mouseRx_ = idFromMouseBytes(mouseEeprom_, 0x0C).value_or(factoryRx_);
    mouseReloaded_ = true;
}

void PairFirmware::settle() {
    advance();
    flushPendingWrite();
}

void PairFirmware::advance() {
    const uint64_t now = now_();
    if (now > seqAt_) {
        const uint64_t steps = (now - seqAt_) / kSeqPeriodUs;
        if (steps) {
            if (linked()) mouseSeq_ = static_cast<uint8_t>(mouseSeq_ + steps);
            seqAt_ += steps * kSeqPeriodUs;
        }
    }
    if (binding_) finishBinding();
    if (pending_ != Pending::None && !pendingDeliverable_ && now >= pendingReadyAt_ && linked()) {
        pendingDeliverable_ = true;
        if (pending_ == Pending::RfWrite) mouseWrite(pendingCode_, pendingAddr_, pendingValue_);
    }
}

void PairFirmware::finishBinding() {
    const uint64_t elapsed = now_() - bindingSince_;
    if (config_.keyboardPresent && kbd_ != keyboardOwnId_ && elapsed >= kKeyboardBindUs) {
        kbd_ = keyboardOwnId_;
        for (int i = 0; i < 3; ++i) {
            dongleEeprom_[0x2B + i] = checked(kbd_[i]);
            dongleEeprom_[0x30 + i] = checked(dongleRx_[i]);
        }
        binding_ = false;
        return;
    }
    if (mouseAnswers() && !linked() && elapsed >= kMouseBindUs) {
        // The mouse takes the dongle's ID and the dongle the mouse's.
        mouseRx_ = dongleRx_;
        dongleTx_ = mouseTx_;
        for (int i = 0; i < 3; ++i) dongleEeprom_[0x33 + i] = checked(mouseTx_[i]);
        binding_ = false;
        return;
    }
    if (elapsed >= kBindingTimeoutUs) binding_ = false;
}

std::array<uint8_t, 9> PairFirmware::answer(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3, uint8_t b4,
                                            uint8_t b5, uint8_t b6, uint8_t b8) const {
    const bool silenced = faults_.noAnswerFrom && transfers_ >= *faults_.noAnswerFrom;
    return {b0, b1, b2, b3, b4, b5, b6, static_cast<uint8_t>(silenced ? 0x00 : 0xCC), b8};
}

bool PairFirmware::setFeature(const uint8_t* data, size_t len) {
    ++transfers_;
    if (faults_.unplugAfter && transfers_ > *faults_.unplugAfter) attached_ = false;
    if (!attached_) return false;
    if (faults_.transferErrorFrom && transfers_ >= *faults_.transferErrorFrom) return false;
    if (len < 9 || data[0] != 0x01) return false;   // the dongle knows only report 1
    advance();
    if (data[2] == 0xAA && data[1] >= 0x21 && data[1] <= 0x2F)
        rfCommand(data);
    else
        dongleCommand(data);
    return true;
}

bool PairFirmware::getFeature(uint8_t* data, size_t len) {
    ++transfers_;
    if (faults_.unplugAfter && transfers_ > *faults_.unplugAfter) attached_ = false;
    if (!attached_) return false;
    if (faults_.transferErrorFrom && transfers_ >= *faults_.transferErrorFrom) return false;
    if (len == 0 || data[0] != 0x01) return false;
    advance();
    std::array<uint8_t, 9> out = answer_;
    if (pending_ == Pending::RfWrite && pendingCode_ == 0x21) {
        // The dongle holds the fetch until the mouse confirms the EEPROM write.
        if (!pendingDeliverable_) return false;
        out = answer(0, 0, 0, 0, 0x21, pendingAddr_);
    } else if (pending_ == Pending::RfRead) {
        if (pendingDeliverable_) {
            const int v = mouseRead(pendingCode_, pendingAddr_);
            out = answer(static_cast<uint8_t>(v));
        } else {
            out = std::array<uint8_t, 9>{};
        }
    }
    if (faults_.noAnswerFrom && transfers_ >= *faults_.noAnswerFrom) out[7] = 0x00;
    std::memcpy(data, out.data(), std::min(len, out.size()));
    return true;
}

void PairFirmware::flushPendingWrite() {
    // The dongle forwards an RF write at once; a newer command only takes
    // the place of its answer.
    if (pending_ == Pending::RfWrite && !pendingDeliverable_ && pendingReadyAt_ != UINT64_MAX && linked())
        mouseWrite(pendingCode_, pendingAddr_, pendingValue_);
    pending_ = Pending::None;
}

void PairFirmware::dongleCommand(const uint8_t* f) {
    const uint8_t code = f[1], p1 = f[2], p2 = f[3], p3 = f[4];
    flushPendingWrite();
    answer_ = std::array<uint8_t, 9>{};   // no 0xCC unless the command answers
    if (code != 0x01 && code != 0x03 && code != 0x04) eepromUnlocked_ = false;
    switch (code) {
    case 0x01:
        if (p1 == 0x07 && p2 == 0x08 && p3 == 0x05) eepromUnlocked_ = true;
        break;
    case 0x03:
        if (p1 < 64 && now_() >= eepromBusyUntil_) {
            const uint16_t w = dongleEeprom_[p1];
            answer_ = answer(static_cast<uint8_t>(w >> 8), static_cast<uint8_t>(w));
        }
        break;
    case 0x04:
        if (eepromUnlocked_ && p1 < 64) {
            uint16_t value = static_cast<uint16_t>(p2 * 256 + p3);
            if (faults_.readbackWord && *faults_.readbackWord == p1) value ^= 0x0100;
            dongleEeprom_[p1] = value;
            eepromBusyUntil_ = now_() + kEepromBusyUs;
        }
        break;
    case 0x06: answer_ = answer(0, dongleRfic_[p1]); break;
    case 0x07: dongleRfic_[p1] = p2; break;
    case 0x08:
        if (p1 == 0x0B) ++customKeyUpdates_;
        if (p1 == 0x00 && p2 == 0x01) {
            binding_ = true;
            bindingSince_ = now_();
        }
        break;
    case 0x09: answer_ = answer(channel_, dongleTx_[2], kbd_[2]); break;
    case 0x0A: answer_ = answer(0x01, 0x02); break;   // firmware revision; nobody reads it
    case 0x0E:
        if (p1 == 0x55 && p2 == 0xAA && p3 == 0xCC) {
            binding_ = false;
            dongleReload();
        }
        break;
    case 0x0F:
        if (p1 == 0xCC && p2 == 0x33 && p3 == 0x55) dongleReload();
        break;
    case 0x12: dongleDirect_[p1] = p2; break;
    case 0x14:
        if (p1 == 0xFF && p2 == 0xAA) {
            if (p3 == 1) {
                const uint8_t chanIdx = static_cast<uint8_t>(channel_ % 16);
                answer_ = answer(0x40, mouseSeq_, 0, chanIdx, chanIdx, chanIdx, 12);
            } else if (p3 == 4) {
                const uint8_t status = linked() ? 0xBB : (kbd_[2] != 0 ? 0x33 : 0x00);
                answer_ = answer(0, status);
            }
        } else {
            answer_ = answer(dongleDirect_[p1]);
        }
        break;
    case 0x17:
        if (p1 == 0x3C && p2 == 0x5A) rxType_ = p3;
        break;
    default: break;
    }
}

void PairFirmware::rfCommand(const uint8_t* f) {
    const uint8_t code = f[1], addr = f[3], value = f[4];
    flushPendingWrite();
    answer_ = std::array<uint8_t, 9>{};
    const bool isRead = code == 0x24 || code == 0x25 || code == 0x26 || code == 0x28 || code == 0x2A;
    pending_ = isRead ? Pending::RfRead : Pending::RfWrite;
    pendingCode_ = code;
    pendingAddr_ = addr;
    pendingValue_ = value;
    pendingReadyAt_ = now_() + kRfLatencyUs;
    pendingDeliverable_ = false;
}

int PairFirmware::mouseRead(uint8_t code, uint8_t addr) const {
    switch (code) {
    case 0x24: return addr < 128 ? mouseEeprom_[addr] : 0xFF;
    case 0x25: return mouseIndex_[addr];
    case 0x26: return mouseDirect_[addr];
    case 0x28: return mouseRfic_[addr];
    case 0x2A: return mouseSensor_[addr];
    default: return 0;
    }
}

void PairFirmware::mouseWrite(uint8_t code, uint8_t addr, uint8_t value) {
    switch (code) {
    case 0x21:
        // Outside access mode the mouse ignores the write and never confirms it.
        if (!mouseAccess_ || addr >= 128) {
            pendingDeliverable_ = false;
            pendingReadyAt_ = UINT64_MAX;
            return;
        }
        mouseEeprom_[addr] = value;
        break;
    case 0x22: mouseIndex_[addr] = value; break;
    case 0x23:
        if (addr == 0xFF && (value == 0x3C || value == 0x3D)) {
            if (value == 0x3C) mouseAccess_ = false;
            mouseReload();
        } else if (addr != 0xFF) {
            mouseDirect_[addr] = value;
        }
        break;
    case 0x27: mouseRfic_[addr] = value; break;
    case 0x29: mouseSensor_[addr] = value; break;
    case 0x2B: mouseAccess_ = true; break;
    case 0x2C: mouseAccess_ = false; break;
    case 0x2F: mouseCpi_ = addr; break;
    default: break;
    }
}

} // namespace kestrelon::sim
