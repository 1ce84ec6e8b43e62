#pragma once
// The five transport operations nearly every command goes through, with the
// waits, attempt limits and the sticky failure flag the production run
// decides PASS or FAIL by.

#include "device/protocol.h"
#include "device/device_link.h"

namespace kestrelon {

class Transport {
public:
    Transport(HidAccess& hid, DeviceLink& link) : hid_(hid), link_(link), clock_(hid.clock()), loop_(hid.loop()) {}

    // Sticky: operations only ever set it. The production run and the erase
    // tools clear it at the points where they start afresh.
    bool CommFailed = false;

    // A dongle command without answer. False with no dongle (CommFailed is
    // not touched then) or when the platform refused the report.
    bool SendDongleCommand(uint8_t code, uint8_t p1, uint8_t p2, uint8_t p3);
    // A dongle EEPROM word (high byte first), or -1.
    int ReadEepromWord(uint8_t address);
    // Writes a dongle EEPROM word and reads it back until it matches.
    void WriteEepromVerified(uint8_t address, uint16_t value);
    // One byte from the mouse over RF, or -1.
    int RfRead(uint8_t code, uint8_t address);
    // One byte to the mouse over RF; no answer is read.
    void RfWrite(uint8_t code, uint8_t address, uint8_t value);

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
};

} // namespace kestrelon
