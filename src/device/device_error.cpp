#include "device/device_error.h"

#include <cstdio>

namespace kestrelon {

std::string DeviceError::text() const {
    const char* what = "";
    switch (op) {
    case DeviceOp::DongleCommand: what = "sending a dongle command"; break;
    case DeviceOp::DongleRead: what = "reading dongle word"; break;
    case DeviceOp::DongleWrite: what = "writing dongle word"; break;
    case DeviceOp::DongleRegister: what = "reading dongle register"; break;
    case DeviceOp::MouseRead: what = "reading mouse address"; break;
    case DeviceOp::MouseWrite: what = "writing mouse address"; break;
    case DeviceOp::MouseWriteConfirm: what = "writing mouse EEPROM byte"; break;
    case DeviceOp::Descriptor: what = "storing the USB string descriptor at word"; break;
    }
    char buf[96];
    std::snprintf(buf, sizeof buf, "%s 0x%02X (code 0x%02X)", what, address, code);
    std::string out = buf;
    if (noDevice) out += " without a receiver";
    if (!step.empty()) out += " in step \"" + step + "\"";
    return out;
}

} // namespace kestrelon
