#pragma once
// The commands the dongle and, relayed over RF, the mouse take, as typed
// calls: operands in, values or results out. Nothing here knows the
// engineering page; CommandSet binds its controls to these calls.

#include "device/transport.h"

#include <optional>

namespace kestrelon {

class DeviceCalls {
public:
    explicit DeviceCalls(Transport& transport) : t_(transport) {}

    bool hasDongle() { return t_.link().hasDevice(); }

    // --- the dongle ---
    std::optional<uint16_t> readDongleWord(uint8_t address) { return t_.readDongleWord(address); }
    DeviceResult writeDongleWord(uint8_t address, uint16_t value) { return t_.writeDongleWord(address, value); }
    // A register (0x14, answer byte 0) or a transceiver register (0x06,
    // answer byte 1), polled until a valid answer comes.
    std::optional<uint8_t> readDongleRegister(uint8_t address) { return polledRead(op::DirectRegRead, address, 0); }
    std::optional<uint8_t> readDongleRfic(uint8_t address) { return polledRead(op::RficRead, address, 1); }
    // 0x12, sent once without answer.
    bool writeDongleRegister(uint8_t address, uint8_t value);
    // 0x07, sent again until the platform takes it.
    bool writeDongleRfic(uint8_t address, uint8_t value);
    // The special status command (FF AA n): the answer frame, or nothing
    // when no valid answer came or the dongle is gone.
    std::optional<CommandFrame> readSpecial(uint8_t n);
    bool customKeysUpdated();
    DeviceResult jumpDongleToPor();
    DeviceResult reloadDongleParameters();
    bool setRxType(bool mouse);

    // --- the mouse over RF ---
    std::optional<uint8_t> readMouse(uint8_t code, uint8_t address) { return t_.readMouseByte(code, address); }
    DeviceResult writeMouse(uint8_t code, uint8_t address, uint8_t value) {
        return t_.writeMouseByte(code, address, value);
    }
    // The confirmed EEPROM write: only the dongle's confirmation of this
    // very write counts.
    DeviceResult writeMouseEeprom(uint8_t address, uint8_t value);
    DeviceResult enterMouseAccess(bool withLed);
    DeviceResult leaveMouseAccess();
    DeviceResult setupMouseCpi(uint8_t cpi);

private:
    std::optional<uint8_t> polledRead(uint8_t code, uint8_t address, int answerByte);

    Transport& t_;
};

} // namespace kestrelon
