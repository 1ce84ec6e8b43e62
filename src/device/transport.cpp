#include "device/transport.h"

namespace kestrelon {

DeviceResult Transport::fail(DeviceOp op, uint8_t code, uint8_t address, bool noDevice) {
    DeviceError e{step_, op, code, address, noDevice};
    if (!failure_) failure_ = e;
    return {std::move(e)};
}

bool Transport::SendDongleCommand(uint8_t code, uint8_t p1, uint8_t p2, uint8_t p3) {
    if (!link_.hasDevice()) return false;
    CommandFrame f = makeFrame(code, p1, p2, p3);
    return send(f);
}

std::optional<uint16_t> Transport::readDongleWord(uint8_t address) {
    if (!link_.hasDevice()) {
        fail(DeviceOp::DongleRead, op::EepromRead, address, true);
        return std::nullopt;
    }
    for (int attempt = 1; attempt <= RetryCount; ++attempt) {
        CommandFrame f = makeFrame(op::EepromRead, address);
        if (!exchange(f)) {
            // A transfer error means the dongle is gone or broken: no retry.
            fail(DeviceOp::DongleRead, op::EepromRead, address);
            return std::nullopt;
        }
        clock_.Sleep(10);
        loop_.ProcessMessages();
        if (isValidAnswer(f)) return static_cast<uint16_t>(answerWord(f));
    }
    fail(DeviceOp::DongleRead, op::EepromRead, address);
    return std::nullopt;
}

DeviceResult Transport::writeDongleWord(uint8_t address, uint16_t value) {
    loop_.ProcessMessages();
    if (!link_.hasDevice()) return fail(DeviceOp::DongleWrite, op::EepromWrite, address, true);
    // Unlocks the dongle's EEPROM for writing; once per verified write.
    SendDongleCommand(op::EepromUnlock, operand::EepromUnlock[0], operand::EepromUnlock[1],
                      operand::EepromUnlock[2]);
    int readBack = -1;
    bool readFailed = false;
    for (int pass = 1; pass <= RetryCount; ++pass) {
        if (!SendDongleCommand(op::EepromWrite, address, static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value & 0xFF)))
            return fail(DeviceOp::DongleWrite, op::EepromWrite, address);
        clock_.Sleep(20);
        // A failed read compares as 0xFFFF (and is noted as the failure).
        const std::optional<uint16_t> word = readDongleWord(address);
        readFailed = readFailed || !word;
        readBack = word.value_or(0xFFFF);
        if (readBack == value) break;
    }
    if (readBack != value) return fail(DeviceOp::DongleWrite, op::EepromWrite, address);
    // A read that failed on an earlier pass still fails the write.
    if (readFailed) return {DeviceError{step_, DeviceOp::DongleRead, op::EepromRead, address}};
    return {};
}

std::optional<uint8_t> Transport::readMouseByte(uint8_t code, uint8_t address) {
    const uint32_t start = clock_.GetTickCount();
    if (!link_.hasDevice()) {
        fail(DeviceOp::MouseRead, code, address, true);
        return std::nullopt;
    }
    for (int attempt = 1;; ++attempt) {
        CommandFrame f = rfFrame(code, address);
        exchange(f);   // a failed transfer leaves no 0xCC and costs an attempt
        loop_.ProcessMessages();
        const bool outOfTime = clock_.GetTickCount() - start > 3000;
        if (isValidAnswer(f)) return f[0];
        if (attempt >= RetryCount || outOfTime) break;
    }
    fail(DeviceOp::MouseRead, code, address);
    return std::nullopt;
}

DeviceResult Transport::writeMouseByte(uint8_t code, uint8_t address, uint8_t value) {
    clock_.Sleep(8);
    if (!link_.hasDevice()) return fail(DeviceOp::MouseWrite, code, address, true);
    CommandFrame f = rfFrame(code, address, value);
    if (!send(f)) return fail(DeviceOp::MouseWrite, code, address);
    return {};
}

} // namespace kestrelon
