#include "device/command_set.h"

#include "device/hotkey_lists.h"

namespace kestrelon {

namespace {
uint8_t byteOf(const HexEdit& e) { return static_cast<uint8_t>(e.value() & 0xFF); }
} // namespace

bool CommandSet::btnSpecialCmd1Click(int n) {
    if (!t_.link().hasDevice()) return false;
    CommandFrame f{};
    bool valid = false;
    for (int attempt = 0; attempt < RetryCount && !valid; ++attempt) {
        f = makeFrame(op::DirectRegRead, operand::Special[0], operand::Special[1], static_cast<uint8_t>(n));
        if (!t_.exchange(f)) return false;   // the dongle is gone: show nothing
        t_.loop().ProcessMessages();
        valid = isValidAnswer(f);
    }
    if (!valid) return false;
    auto& edits = n == 4 ? eng_.edtSC04 : eng_.edtSC01;
    for (int k = 0; k < 7; ++k) edits[k].showHex2(f[k]);
    return true;
}

void CommandSet::polledDongleRead(uint8_t code, HexEdit& data, int answerByte) {
    const uint8_t address = code == op::DirectRegRead ? byteOf(eng_.edtDirectAddr) : byteOf(eng_.edtRFICAddr);
    for (int attempt = 0; attempt < RetryCount; ++attempt) {
        CommandFrame f = makeFrame(code, address);
        t_.exchange(f);
        t_.clock().Sleep(2);
        t_.loop().ProcessMessages();
        if (isValidAnswer(f)) {
            data.showHex2(f[answerByte]);
            return;
        }
    }
    t_.fail(DeviceOp::DongleRegister, code, address);   // the edit keeps what it showed
}

void CommandSet::btnC_Rd_Direct_RegClick() {
    if (t_.link().hasDevice()) polledDongleRead(op::DirectRegRead, eng_.edtDirectData, 0);
}

void CommandSet::btnRd_RFICClick() {
    if (t_.link().hasDevice()) polledDongleRead(op::RficRead, eng_.edtRFICData, 1);
}

void CommandSet::btnC_Wrt_Direct_RegClick() {
    if (!t_.link().hasDevice()) return;
    t_.SendDongleCommand(op::DirectRegWrite, byteOf(eng_.edtDirectAddr), byteOf(eng_.edtDirectData), 0);
}

void CommandSet::btnWrt_RFICClick() {
    if (!t_.link().hasDevice()) return;
    const uint8_t address = byteOf(eng_.edtRFICAddr), data = byteOf(eng_.edtRFICData);
    for (int send = 0; send < RetryCount; ++send) {
        CommandFrame f = makeFrame(op::RficWrite, address, data);
        if (t_.send(f)) return;
    }
}

void CommandSet::btnUpdateCustKeyClick() {
    if (t_.link().hasDevice()) t_.SendDongleCommand(op::Control, operand::CustKeysUpdated, 0, 0);
}

void CommandSet::btnC_JUMP_TO_PORClick() {
    if (t_.link().hasDevice() && !t_.SendDongleCommand(op::JumpToPor, operand::JumpToPor[0], operand::JumpToPor[1],
                                                          operand::JumpToPor[2]))
        t_.fail(DeviceOp::DongleCommand, op::JumpToPor, operand::JumpToPor[0]);
}

void CommandSet::btnC_RELOAD_PARAMETERClick() {
    if (t_.link().hasDevice() && !t_.SendDongleCommand(op::ReloadParameters, operand::ReloadParameters[0],
                                                          operand::ReloadParameters[1], operand::ReloadParameters[2]))
        t_.fail(DeviceOp::DongleCommand, op::ReloadParameters, operand::ReloadParameters[0]);
}

void CommandSet::rbMSEClick() {
    if (t_.link().hasDevice()) t_.SendDongleCommand(op::RxType, operand::RxTypeKey[0], operand::RxTypeKey[1],
                             devices_->rbMSE_Checked ? operand::RxTypeMouse : operand::RxTypeKeyboard);
}

// --- RF ---

bool CommandSet::btnC_RF_Wrt_EEPROMClick() {
    return confirmedRfWrite(byteOf(eng_.edtRF_EEPROMAddr), byteOf(eng_.edtRF_EEPROMData));
}

bool CommandSet::RfWriteEeprom(uint8_t address, uint8_t data) {
    eng_.edtRF_EEPROMAddr.setValue(address);
    eng_.edtRF_EEPROMData.setValue(data);
    return confirmedRfWrite(address, data);
}

bool CommandSet::confirmedRfWrite(uint8_t address, uint8_t data) {
    for (int pass = 0; pass < 3; ++pass) {
        t_.writeMouseByte(op::RfEepromWrite, address, data);
        t_.clock().Sleep(24);
        for (int poll = 0; poll < 31; ++poll) {
            t_.loop().ProcessMessages();
            CommandFrame f{};
            f[0] = kReportId;
            // Only the dongle's confirmation of this very write counts: an
            // answer left over from another command would otherwise pass a
            // byte that never reached the mouse.
            if (t_.fetch(f) && confirmsRfWrite(f, address)) return true;
            t_.readMouseByte(op::RfEepromRead, address);
        }
    }
    t_.fail(DeviceOp::MouseWriteConfirm, op::RfEepromWrite, address);
    return false;
}

void CommandSet::rfWriteFromEdits(uint8_t code, const HexEdit& addr, const HexEdit& data) {
    t_.writeMouseByte(code, byteOf(addr), byteOf(data));
}

void CommandSet::rfReadIntoEdit(uint8_t code, const HexEdit& addr, HexEdit& data) {
    const std::optional<uint8_t> v = t_.readMouseByte(code, byteOf(addr));
    data.showHex2(v ? *v : -1);   // a failed read shows FFFFFFFF
}

void CommandSet::btnC_RF_Rd_EEPROMClick() { rfReadIntoEdit(op::RfEepromRead, eng_.edtRF_EEPROMAddr, eng_.edtRF_EEPROMData); }
void CommandSet::btnC_RF_Wrt_Index_RegClick() {
    rfWriteFromEdits(op::RfIndexRegWrite, eng_.edtRF_IndexRegAddr, eng_.edtRF_IndexRegData);
}
void CommandSet::btnC_RF_Rd_Index_RegClick() {
    rfReadIntoEdit(op::RfIndexRegRead, eng_.edtRF_IndexRegAddr, eng_.edtRF_IndexRegData);
}
void CommandSet::btnC_RF_Wrt_Direct_RegClick() {
    rfWriteFromEdits(op::RfDirectRegWrite, eng_.edtRF_DirectRegAddr, eng_.edtRF_DirectRegData);
}
void CommandSet::btnC_RF_Rd_Direct_RegClick() {
    rfReadIntoEdit(op::RfDirectRegRead, eng_.edtRF_DirectRegAddr, eng_.edtRF_DirectRegData);
}
void CommandSet::btnC_RF_Wrt_RFIC_RFX5820KClick() { rfWriteFromEdits(op::RfRficWrite, eng_.edtRF_RFICAddr, eng_.edtRF_RFICData); }
void CommandSet::btnC_RF_Rd_RFIC_RFX5820KClick() { rfReadIntoEdit(op::RfRficRead, eng_.edtRF_RFICAddr, eng_.edtRF_RFICData); }
void CommandSet::btnC_RF_Wrt_SensorClick() { rfWriteFromEdits(op::RfSensorWrite, eng_.edtRF_SensorAddr, eng_.edtRF_SensorData); }
void CommandSet::btnC_RF_Rd_SensorClick() { rfReadIntoEdit(op::RfSensorRead, eng_.edtRF_SensorAddr, eng_.edtRF_SensorData); }

void CommandSet::accessCommand(uint8_t p2, uint8_t p3, uint8_t code) {
    if (t_.link().hasDevice()) t_.writeMouseByte(code, p2, p3);
}
void CommandSet::rbC_RF_ENTER_ACCESS_WO_LEDClick() { accessCommand(operand::AccessKey, operand::AccessWithoutLed, op::RfEnterAccess); }
void CommandSet::rbC_RF_ENTER_ACCESS_W_LEDClick() { accessCommand(operand::AccessKey, operand::AccessWithLed, op::RfEnterAccess); }
void CommandSet::rbC_RF_LEAVE_ACCESSClick() { accessCommand(0x00, 0x00, op::RfLeaveAccess); }

void CommandSet::btnC_RF_SETUP_CPIClick() {
    t_.writeMouseByte(op::RfSetupCpi, static_cast<uint8_t>(eng_.edtC_RF_SETUP_CPI()), operand::CpiEnd);
}

void CommandSet::btnRF_DR_3CClick() {
    eng_.edtRF_DirectRegAddr.setValue(operand::ChipRegister);
    eng_.edtRF_DirectRegData.setValue(operand::JumpToPorValue);
    btnC_RF_Wrt_Direct_RegClick();
}

void CommandSet::btnRF_DR_3DClick() {
    eng_.edtRF_DirectRegAddr.setValue(operand::ChipRegister);
    eng_.edtRF_DirectRegData.setValue(operand::FastReloadValue);
    btnC_RF_Wrt_Direct_RegClick();
}

std::optional<uint8_t> CommandSet::RfReadSensor(uint8_t address) {
    eng_.edtRF_SensorAddr.setValue(address);
    const std::optional<uint8_t> v = t_.readMouseByte(op::RfSensorRead, address);
    eng_.edtRF_SensorData.showHex2(v ? *v : -1);
    return v;
}

void CommandSet::WriteDongleRfic(uint8_t address, uint8_t value) {
    eng_.edtRFICAddr.setValue(address);
    eng_.edtRFICData.setValue(value);
    btnWrt_RFICClick();
}

void CommandSet::RfWriteRfic(uint8_t address, uint8_t value) {
    eng_.edtRF_RFICAddr.setValue(address);
    eng_.edtRF_RFICData.setValue(value);
    btnC_RF_Wrt_RFIC_RFX5820KClick();
}

void CommandSet::FillCustKeyLists() {
    settings_.edit([](ProductSettings& o) {
        o.CustKey1 = kCustKey1Default;   // "WWW HOME"
        o.CustKey2 = kCustKey2Default;   // "MAIL"
    });
}

} // namespace kestrelon
