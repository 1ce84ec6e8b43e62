#include "device/transport.h"

namespace kestrelon {

bool Transport::SendDongleCommand(uint8_t code, uint8_t p1, uint8_t p2, uint8_t p3) {
    if (!link_.hasDevice()) return false;
    CommandFrame f = makeFrame(code, p1, p2, p3);
    return send(f);
}

int Transport::ReadEepromWord(uint8_t address) {
    if (!link_.hasDevice()) {
        CommFailed = true;
        return -1;
    }
    for (int attempt = 1; attempt <= RetryCount; ++attempt) {
        CommandFrame f = makeFrame(op::EepromRead, address);
        if (!exchange(f)) {
            // A transfer error means the dongle is gone or broken: no retry.
            CommFailed = true;
            return -1;
        }
        clock_.Sleep(10);
        loop_.ProcessMessages();
        if (isValidAnswer(f)) return answerWord(f);
    }
    CommFailed = true;
    return -1;
}

void Transport::WriteEepromVerified(uint8_t address, uint16_t value) {
    loop_.ProcessMessages();
    if (!link_.hasDevice()) {
        CommFailed = true;
        return;
    }
    // Unlocks the dongle's EEPROM for writing; once per verified write.
    SendDongleCommand(op::EepromUnlock, operand::EepromUnlock[0], operand::EepromUnlock[1],
                      operand::EepromUnlock[2]);
    int readBack = -1;
    for (int pass = 1; pass <= RetryCount; ++pass) {
        if (!SendDongleCommand(op::EepromWrite, address, static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value & 0xFF))) {
            CommFailed = true;
            return;
        }
        clock_.Sleep(20);
        // A failed read (-1) compares as 0xFFFF.
        readBack = ReadEepromWord(address) & 0xFFFF;
        if (readBack == value) break;
    }
    if (readBack != value) CommFailed = true;
}

int Transport::RfRead(uint8_t code, uint8_t address) {
    const uint32_t start = clock_.GetTickCount();
    if (!link_.hasDevice()) {
        CommFailed = true;
        return -1;
    }
    for (int attempt = 1;; ++attempt) {
        CommandFrame f = rfFrame(code, address);
        exchange(f);   // a failed transfer leaves no 0xCC and costs an attempt
        loop_.ProcessMessages();
        const bool outOfTime = clock_.GetTickCount() - start > 3000;
        if (isValidAnswer(f)) return f[0];
        if (attempt >= RetryCount || outOfTime) break;
    }
    CommFailed = true;
    return -1;
}

void Transport::RfWrite(uint8_t code, uint8_t address, uint8_t value) {
    clock_.Sleep(8);
    if (!link_.hasDevice()) {
        CommFailed = true;
        return;
    }
    CommandFrame f = rfFrame(code, address, value);
    if (!send(f)) CommFailed = true;
}

} // namespace kestrelon
