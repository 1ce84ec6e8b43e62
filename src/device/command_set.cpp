#include "device/command_set.h"

#include "device/hotkey_lists.h"

namespace kestrelon {

namespace {
uint8_t byteOf(const HexEdit& e) { return static_cast<uint8_t>(e.value() & 0xFF); }
} // namespace

bool CommandSet::btnSpecialCmd1Click(int n) {
    if (!calls_.hasDongle()) return false;
    const std::optional<CommandFrame> f = calls_.readSpecial(static_cast<uint8_t>(n));
    if (!f) return false;
    auto& edits = n == 4 ? eng_.edtSC04 : eng_.edtSC01;
    for (int k = 0; k < 7; ++k) edits[k].showHex2((*f)[static_cast<size_t>(k)]);
    return true;
}

// A failed read leaves the edit as it showed.
void CommandSet::btnC_Rd_Direct_RegClick() {
    if (!calls_.hasDongle()) return;
    if (const auto v = calls_.readDongleRegister(byteOf(eng_.edtDirectAddr))) eng_.edtDirectData.showHex2(*v);
}

void CommandSet::btnRd_RFICClick() {
    if (!calls_.hasDongle()) return;
    if (const auto v = calls_.readDongleRfic(byteOf(eng_.edtRFICAddr))) eng_.edtRFICData.showHex2(*v);
}

void CommandSet::btnC_Wrt_Direct_RegClick() {
    if (calls_.hasDongle()) calls_.writeDongleRegister(byteOf(eng_.edtDirectAddr), byteOf(eng_.edtDirectData));
}

void CommandSet::btnWrt_RFICClick() {
    if (calls_.hasDongle()) calls_.writeDongleRfic(byteOf(eng_.edtRFICAddr), byteOf(eng_.edtRFICData));
}

void CommandSet::btnUpdateCustKeyClick() {
    if (calls_.hasDongle()) calls_.customKeysUpdated();
}

void CommandSet::btnC_JUMP_TO_PORClick() {
    if (calls_.hasDongle()) calls_.jumpDongleToPor();
}

void CommandSet::btnC_RELOAD_PARAMETERClick() {
    if (calls_.hasDongle()) calls_.reloadDongleParameters();
}

void CommandSet::rbMSEClick() {
    if (calls_.hasDongle()) calls_.setRxType(rxType_.mouseChosen());
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

bool CommandSet::confirmedRfWrite(uint8_t address, uint8_t data) { return calls_.writeMouseEeprom(address, data).ok(); }

void CommandSet::rfWriteFromEdits(uint8_t code, const HexEdit& addr, const HexEdit& data) {
    calls_.writeMouse(code, byteOf(addr), byteOf(data));
}

void CommandSet::rfReadIntoEdit(uint8_t code, const HexEdit& addr, HexEdit& data) {
    const std::optional<uint8_t> v = calls_.readMouse(code, byteOf(addr));
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

void CommandSet::rbC_RF_ENTER_ACCESS_WO_LEDClick() {
    if (calls_.hasDongle()) calls_.enterMouseAccess(false);
}
void CommandSet::rbC_RF_ENTER_ACCESS_W_LEDClick() {
    if (calls_.hasDongle()) calls_.enterMouseAccess(true);
}
void CommandSet::rbC_RF_LEAVE_ACCESSClick() {
    if (calls_.hasDongle()) calls_.leaveMouseAccess();
}

void CommandSet::btnC_RF_SETUP_CPIClick() {
    calls_.setupMouseCpi(static_cast<uint8_t>(eng_.edtC_RF_SETUP_CPI()));
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

void CommandSet::RfSetupCpi(uint8_t cpi) {
    eng_.setC_RF_SETUP_CPI(cpi);
    btnC_RF_SETUP_CPIClick();
}

std::optional<uint8_t> CommandSet::RfReadSensor(uint8_t address) {
    eng_.edtRF_SensorAddr.setValue(address);
    const std::optional<uint8_t> v = calls_.readMouse(op::RfSensorRead, address);
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
