#pragma once
// The five transport operations nearly every command goes through, with the
// waits and attempt limits, and the first failure since the work started
// afresh, which the production run decides PASS or FAIL by.

#include "device/device_error.h"
#include "device/device_link.h"
#include "device/protocol.h"

#include <optional>
#include <string>

namespace kestrelon {

class Transport {
public:
    Transport(HidAccess& hid, DeviceLink& link) : hid_(hid), link_(link), clock_(hid.clock()), loop_(hid.loop()) {}

    // The first failure since clearFailure(): later operations never replace
    // or clear it. The production run and the erase tools clear it at the
    // points where they start afresh.
    bool failed() const { return failure_.has_value(); }
    const std::optional<DeviceError>& failure() const { return failure_; }
    void clearFailure() { failure_.reset(); }
    // The step the following operations serve, named in their errors.
    void setStep(std::string step) { step_ = std::move(step); }
    const std::string& step() const { return step_; }
    // Notes a failure found above the transport (a command's own check).
    DeviceResult fail(DeviceOp op, uint8_t code, uint8_t address, bool noDevice = false);

    // A dongle command without answer. False with no dongle (no failure is
    // noted then) or when the platform refused the report.
    bool SendDongleCommand(uint8_t code, uint8_t p1, uint8_t p2, uint8_t p3);
    // A dongle EEPROM word (high byte first).
    std::optional<uint16_t> readDongleWord(uint8_t address);
    // Writes a dongle EEPROM word and reads it back until it matches.
    DeviceResult writeDongleWord(uint8_t address, uint16_t value);
    // One byte from the mouse over RF.
    std::optional<uint8_t> readMouseByte(uint8_t code, uint8_t address);
    // One byte to the mouse over RF; no answer is read.
    DeviceResult writeMouseByte(uint8_t code, uint8_t address, uint8_t value);

    HidAccess& hid() { return hid_; }
    DeviceLink& link() { return link_; }
    Clock& clock() { return clock_; }
    EventLoop& loop() { return loop_; }

    // One set-then-get of a frame on the open dongle (false without one).
    bool exchange(CommandFrame& frame) { return hid_.HidSetGetFeature(link_.handle.get(), frame); }
    bool send(CommandFrame& frame) { return hid_.HidSetFeature(link_.handle.get(), frame); }
    bool fetch(CommandFrame& frame) { return hid_.HidGetFeature(link_.handle.get(), frame); }

private:
    HidAccess& hid_;
    DeviceLink& link_;
    Clock& clock_;
    EventLoop& loop_;
    std::optional<DeviceError> failure_;
    std::string step_;
};

} // namespace kestrelon
