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
        f = makeFrame(0x14, 0xFF, 0xAA, static_cast<uint8_t>(n));
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
    const uint8_t address = code == 0x14 ? byteOf(eng_.edtDirectAddr) : byteOf(eng_.edtRFICAddr);
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
    t_.CommFailed = true;   // the edit keeps what it showed
}

void CommandSet::btnC_Rd_Direct_RegClick() {
    if (t_.link().hasDevice()) polledDongleRead(0x14, eng_.edtDirectData, 0);
}

void CommandSet::btnRd_RFICClick() {
    if (t_.link().hasDevice()) polledDongleRead(0x06, eng_.edtRFICData, 1);
}

void CommandSet::btnC_Wrt_Direct_RegClick() {
    if (!t_.link().hasDevice()) return;
    t_.SendDongleCommand(0x12, byteOf(eng_.edtDirectAddr), byteOf(eng_.edtDirectData), 0);
}

void CommandSet::btnWrt_RFICClick() {
    if (!t_.link().hasDevice()) return;
    const uint8_t address = byteOf(eng_.edtRFICAddr), data = byteOf(eng_.edtRFICData);
    for (int send = 0; send < RetryCount; ++send) {
        CommandFrame f = makeFrame(0x07, address, data);
        if (t_.send(f)) return;
    }
}

void CommandSet::btnUpdateCustKeyClick() {
    if (t_.link().hasDevice()) t_.SendDongleCommand(0x08, 0x0B, 0, 0);
}

void CommandSet::btnC_JUMP_TO_PORClick() {
    if (t_.link().hasDevice() && !t_.SendDongleCommand(0x0E, 0x55, 0xAA, 0xCC)) t_.CommFailed = true;
}

void CommandSet::btnC_RELOAD_PARAMETERClick() {
    if (t_.link().hasDevice() && !t_.SendDongleCommand(0x0F, 0xCC, 0x33, 0x55)) t_.CommFailed = true;
}

void CommandSet::rbMSEClick() {
    if (t_.link().hasDevice()) t_.SendDongleCommand(0x17, 0x3C, 0x5A, devices_->rbMSE_Checked ? 1 : 2);
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
        t_.RfWrite(0x21, address, data);
        t_.clock().Sleep(24);
        for (int poll = 0; poll < 31; ++poll) {
            t_.loop().ProcessMessages();
            CommandFrame f{};
            f[0] = kReportId;
            // Only the dongle's confirmation of this very write counts: an
            // answer left over from another command would otherwise pass a
            // byte that never reached the mouse.
            if (t_.fetch(f) && isValidAnswer(f) && f[4] == 0x21 && f[5] == address) return true;
            t_.RfRead(0x24, address);
        }
    }
    t_.CommFailed = true;
    return false;
}

void CommandSet::rfWriteFromEdits(uint8_t code, const HexEdit& addr, const HexEdit& data) {
    t_.RfWrite(code, byteOf(addr), byteOf(data));
}

void CommandSet::rfReadIntoEdit(uint8_t code, const HexEdit& addr, HexEdit& data) {
    data.showHex2(t_.RfRead(code, byteOf(addr)));   // a failed read shows FFFFFFFF
}

void CommandSet::btnC_RF_Rd_EEPROMClick() { rfReadIntoEdit(0x24, eng_.edtRF_EEPROMAddr, eng_.edtRF_EEPROMData); }
void CommandSet::btnC_RF_Wrt_Index_RegClick() {
    rfWriteFromEdits(0x22, eng_.edtRF_IndexRegAddr, eng_.edtRF_IndexRegData);
}
void CommandSet::btnC_RF_Rd_Index_RegClick() {
    rfReadIntoEdit(0x25, eng_.edtRF_IndexRegAddr, eng_.edtRF_IndexRegData);
}
void CommandSet::btnC_RF_Wrt_Direct_RegClick() {
    rfWriteFromEdits(0x23, eng_.edtRF_DirectRegAddr, eng_.edtRF_DirectRegData);
}
void CommandSet::btnC_RF_Rd_Direct_RegClick() {
    rfReadIntoEdit(0x26, eng_.edtRF_DirectRegAddr, eng_.edtRF_DirectRegData);
}
void CommandSet::btnC_RF_Wrt_RFIC_RFX5820KClick() { rfWriteFromEdits(0x27, eng_.edtRF_RFICAddr, eng_.edtRF_RFICData); }
void CommandSet::btnC_RF_Rd_RFIC_RFX5820KClick() { rfReadIntoEdit(0x28, eng_.edtRF_RFICAddr, eng_.edtRF_RFICData); }
void CommandSet::btnC_RF_Wrt_SensorClick() { rfWriteFromEdits(0x29, eng_.edtRF_SensorAddr, eng_.edtRF_SensorData); }
void CommandSet::btnC_RF_Rd_SensorClick() { rfReadIntoEdit(0x2A, eng_.edtRF_SensorAddr, eng_.edtRF_SensorData); }

void CommandSet::accessCommand(uint8_t p2, uint8_t p3, uint8_t code) {
    if (t_.link().hasDevice()) t_.RfWrite(code, p2, p3);
}
void CommandSet::rbC_RF_ENTER_ACCESS_WO_LEDClick() { accessCommand(0x5A, 0x33, 0x2B); }
void CommandSet::rbC_RF_ENTER_ACCESS_W_LEDClick() { accessCommand(0x5A, 0xCC, 0x2B); }
void CommandSet::rbC_RF_LEAVE_ACCESSClick() { accessCommand(0x00, 0x00, 0x2C); }

void CommandSet::btnC_RF_SETUP_CPIClick() {
    t_.RfWrite(0x2F, static_cast<uint8_t>(eng_.edtC_RF_SETUP_CPI()), 0xCC);
}

void CommandSet::btnRF_DR_3CClick() {
    eng_.edtRF_DirectRegAddr.setValue(0xFF);
    eng_.edtRF_DirectRegData.setValue(0x3C);
    btnC_RF_Wrt_Direct_RegClick();
}

void CommandSet::btnRF_DR_3DClick() {
    eng_.edtRF_DirectRegAddr.setValue(0xFF);
    eng_.edtRF_DirectRegData.setValue(0x3D);
    btnC_RF_Wrt_Direct_RegClick();
}

int CommandSet::RfReadSensor(uint8_t address) {
    eng_.edtRF_SensorAddr.setValue(address);
    const int v = t_.RfRead(0x2A, address);
    eng_.edtRF_SensorData.showHex2(v);
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
