#pragma once
// What went wrong with a device operation and where: the step of the work
// it served, the operation, its command code and the address it named.

#include <cstdint>
#include <optional>
#include <string>

namespace kestrelon {

enum class DeviceOp {
    DongleCommand,      // a dongle command that takes no answer
    DongleRead,         // a dongle EEPROM word
    DongleWrite,        // a dongle EEPROM word written and read back
    DongleRegister,     // a dongle register read by polling
    MouseRead,          // a mouse byte over RF
    MouseWrite,         // a mouse byte over RF, no answer
    MouseWriteConfirm,  // a mouse EEPROM byte the dongle confirms
    Descriptor,         // a USB string descriptor that cannot be stored
};

struct DeviceError {
    std::string step;   // the step the operation served; empty outside a run
    DeviceOp op = DeviceOp::DongleCommand;
    uint8_t code = 0;   // the command code
    uint8_t address = 0;
    bool noDevice = false;   // no dongle was open

    // "writing dongle word 0x12 (code 0x02) in step ...", for logs and messages.
    std::string text() const;
};

// What an operation without a value gives: ok, or the error.
struct DeviceResult {
    std::optional<DeviceError> error;
    bool ok() const { return !error; }
    explicit operator bool() const { return ok(); }
};

} // namespace kestrelon
