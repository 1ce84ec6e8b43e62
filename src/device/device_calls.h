#pragma once
// The commands the dongle and, relayed over RF, the mouse take, as typed
// calls: operands in, values or results out. Nothing here knows the
// engineering page: it binds its controls to these calls and, as a
// CallWatcher, shows what the other parts send.

#include "device/transport.h"

#include <optional>

namespace kestrelon {

// Hears each register or EEPROM call with its operands before it is sent,
// and a read's answer after it (nothing for a read without one), and the
// special command's valid answers. The calls work the same without one.
class CallWatcher {
public:
    virtual ~CallWatcher() = default;
    virtual void sending(uint8_t code, uint8_t address, uint8_t value) = 0;
    virtual void answered(uint8_t code, uint8_t address, std::optional<uint8_t> answer) = 0;
    virtual void special(uint8_t n, const CommandFrame& answer) = 0;
};

class DeviceCalls {
public:
    explicit DeviceCalls(Transport& transport) : t_(transport) {}

    // One watcher at a time; null for none.
    void setWatcher(CallWatcher* watcher) { watcher_ = watcher; }

    bool hasDongle() { return t_.link().hasDevice(); }

    // The dongle's commands, the access mode and the special command send
    // nothing without an open dongle and leave the transport's failure as it
    // was: the link check, the run's end and the page's buttons all meet a
    // dongle that has just gone. The reads and the mouse's other writes
    // fail without one.

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
    std::optional<uint8_t> readMouse(uint8_t code, uint8_t address);
    DeviceResult writeMouse(uint8_t code, uint8_t address, uint8_t value);
    // The confirmed EEPROM write: only the dongle's confirmation of this
    // very write counts.
    DeviceResult writeMouseEeprom(uint8_t address, uint8_t value);
    DeviceResult enterMouseAccess(bool withLed);
    DeviceResult leaveMouseAccess();
    DeviceResult setupMouseCpi(uint8_t cpi);

private:
    std::optional<uint8_t> polledRead(uint8_t code, uint8_t address, int answerByte);
    void sending(uint8_t code, uint8_t address, uint8_t value) {
        if (watcher_) watcher_->sending(code, address, value);
    }
    std::optional<uint8_t> answered(uint8_t code, uint8_t address, std::optional<uint8_t> answer) {
        if (watcher_) watcher_->answered(code, address, answer);
        return answer;
    }

    Transport& t_;
    CallWatcher* watcher_ = nullptr;
};

} // namespace kestrelon
