#include "device/device_calls.h"

namespace kestrelon {

namespace {
DeviceResult notSent(DeviceOp op, uint8_t code, uint8_t address) {
    return {DeviceError{"", op, code, address, true}};
}
} // namespace

std::optional<uint8_t> DeviceCalls::polledRead(uint8_t code, uint8_t address, int answerByte) {
    for (int attempt = 0; attempt < RetryCount; ++attempt) {
        CommandFrame f = makeFrame(code, address);
        t_.exchange(f);
        t_.clock().Sleep(2);
        t_.loop().ProcessMessages();
        if (isValidAnswer(f)) return answered(code, address, f[static_cast<size_t>(answerByte)]);
    }
    t_.fail(DeviceOp::DongleRegister, code, address);
    return answered(code, address, std::nullopt);
}

bool DeviceCalls::writeDongleRegister(uint8_t address, uint8_t value) {
    sending(op::DirectRegWrite, address, value);
    return t_.SendDongleCommand(op::DirectRegWrite, address, value, 0);
}

bool DeviceCalls::writeDongleRfic(uint8_t address, uint8_t value) {
    if (!hasDongle()) return false;
    sending(op::RficWrite, address, value);
    for (int send = 0; send < RetryCount; ++send) {
        CommandFrame f = makeFrame(op::RficWrite, address, value);
        if (t_.send(f)) return true;
    }
    return false;
}

std::optional<CommandFrame> DeviceCalls::readSpecial(uint8_t n) {
    if (!hasDongle()) return std::nullopt;
    CommandFrame f{};
    for (int attempt = 0; attempt < RetryCount; ++attempt) {
        f = makeFrame(op::DirectRegRead, operand::Special[0], operand::Special[1], n);
        if (!t_.exchange(f)) return std::nullopt;   // the dongle is gone
        t_.loop().ProcessMessages();
        if (isValidAnswer(f)) {
            if (watcher_) watcher_->special(n, f);
            return f;
        }
    }
    return std::nullopt;
}

std::optional<uint8_t> DeviceCalls::readMouse(uint8_t code, uint8_t address) {
    return answered(code, address, t_.readMouseByte(code, address));
}

DeviceResult DeviceCalls::writeMouse(uint8_t code, uint8_t address, uint8_t value) {
    sending(code, address, value);
    return t_.writeMouseByte(code, address, value);
}

bool DeviceCalls::customKeysUpdated() { return t_.SendDongleCommand(op::Control, operand::CustKeysUpdated, 0, 0); }

DeviceResult DeviceCalls::jumpDongleToPor() {
    if (!hasDongle()) return notSent(DeviceOp::DongleCommand, op::JumpToPor, operand::JumpToPor[0]);
    if (!t_.SendDongleCommand(op::JumpToPor, operand::JumpToPor[0], operand::JumpToPor[1], operand::JumpToPor[2]))
        return t_.fail(DeviceOp::DongleCommand, op::JumpToPor, operand::JumpToPor[0]);
    return {};
}

DeviceResult DeviceCalls::reloadDongleParameters() {
    if (!hasDongle()) return notSent(DeviceOp::DongleCommand, op::ReloadParameters, operand::ReloadParameters[0]);
    if (!t_.SendDongleCommand(op::ReloadParameters, operand::ReloadParameters[0], operand::ReloadParameters[1],
                              operand::ReloadParameters[2]))
        return t_.fail(DeviceOp::DongleCommand, op::ReloadParameters, operand::ReloadParameters[0]);
    return {};
}

bool DeviceCalls::setRxType(bool mouse) {
    return t_.SendDongleCommand(op::RxType, operand::RxTypeKey[0], operand::RxTypeKey[1],
                                mouse ? operand::RxTypeMouse : operand::RxTypeKeyboard);
}

DeviceResult DeviceCalls::writeMouseEeprom(uint8_t address, uint8_t data) {
    sending(op::RfEepromWrite, address, data);
    for (int pass = 0; pass < 3; ++pass) {
        t_.writeMouseByte(op::RfEepromWrite, address, data);
        t_.clock().Sleep(24);
        for (int poll = 0; poll < 31; ++poll) {
            t_.loop().ProcessMessages();
            CommandFrame f{};
            f[0] = kReportId;
            // An answer left over from another command would otherwise pass
            // a byte that never reached the mouse.
            if (t_.fetch(f) && confirmsRfWrite(f, address)) return {};
            t_.readMouseByte(op::RfEepromRead, address);
        }
    }
    return t_.fail(DeviceOp::MouseWriteConfirm, op::RfEepromWrite, address);
}

DeviceResult DeviceCalls::enterMouseAccess(bool withLed) {
    if (!hasDongle()) return notSent(DeviceOp::MouseWrite, op::RfEnterAccess, operand::AccessKey);
    return t_.writeMouseByte(op::RfEnterAccess, operand::AccessKey,
                             withLed ? operand::AccessWithLed : operand::AccessWithoutLed);
}

DeviceResult DeviceCalls::leaveMouseAccess() {
    if (!hasDongle()) return notSent(DeviceOp::MouseWrite, op::RfLeaveAccess, 0x00);
    return t_.writeMouseByte(op::RfLeaveAccess, 0x00, 0x00);
}

DeviceResult DeviceCalls::setupMouseCpi(uint8_t cpi) {
    sending(op::RfSetupCpi, cpi, operand::CpiEnd);
    return t_.writeMouseByte(op::RfSetupCpi, cpi, operand::CpiEnd);
}

} // namespace kestrelon
