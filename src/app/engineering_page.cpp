#include "app/engineering_page.h"

#include "device/hotkey_lists.h"

namespace kestrelon {

namespace {

uint8_t byteOf(const HexEdit& e) { return static_cast<uint8_t>(e.value() & 0xFF); }

// An edit shows the byte a call sent; one that holds it already (perhaps
// typed wider, as "1FF") keeps its text.
void show(HexEdit* e, uint8_t v) {
    if (e && (e->text().empty() || byteOf(*e) != v)) e->setValue(v);
}

// Mouse commands relayed over RF have codes from 0x21 up; the dongle's own
// are below.
bool isMouseCommand(uint8_t code) { return code >= op::RfEepromWrite; }

} // namespace

EngineeringPage::EngineeringPage(DeviceCalls& calls, Transport& transport, RunState& run,
                                 Observed<ProductSettings>& options, EngineeringState& eng, std::function<bool()> mouseRxChosen,
                                 MessageRouter& messages)
    : calls_(calls), t_(transport), run_(run), settings_(options), eng_(eng), mouseRxChosen_(std::move(mouseRxChosen)),
      messages_(messages) {
    calls_.setWatcher(this);
}

EngineeringPage::~EngineeringPage() { calls_.setWatcher(nullptr); }

std::pair<HexEdit*, HexEdit*> EngineeringPage::editsOf(uint8_t code) {
    switch (code) {
    case op::DirectRegWrite:
    case op::DirectRegRead: return {&eng_.edtDirectAddr, &eng_.edtDirectData};
    case op::RficWrite:
    case op::RficRead: return {&eng_.edtRFICAddr, &eng_.edtRFICData};
    case op::RfEepromWrite:
    case op::RfEepromRead: return {&eng_.edtRF_EEPROMAddr, &eng_.edtRF_EEPROMData};
    case op::RfIndexRegWrite:
    case op::RfIndexRegRead: return {&eng_.edtRF_IndexRegAddr, &eng_.edtRF_IndexRegData};
    case op::RfDirectRegWrite:
    case op::RfDirectRegRead: return {&eng_.edtRF_DirectRegAddr, &eng_.edtRF_DirectRegData};
    case op::RfRficWrite:
    case op::RfRficRead: return {&eng_.edtRF_RFICAddr, &eng_.edtRF_RFICData};
    case op::RfSensorWrite:
    case op::RfSensorRead: return {&eng_.edtRF_SensorAddr, &eng_.edtRF_SensorData};
    default: return {nullptr, nullptr};
    }
}

void EngineeringPage::sending(uint8_t code, uint8_t address, uint8_t value) {
    if (code == op::RfSetupCpi) {
        if (eng_.edtC_RF_SETUP_CPI() != address) eng_.setC_RF_SETUP_CPI(address);
        return;
    }
    const auto [addressEdit, dataEdit] = editsOf(code);
    show(addressEdit, address);
    show(dataEdit, value);
}

// A mouse read without an answer shows FFFFFFFF; a dongle read without one
// leaves the edit as it was.
void EngineeringPage::answered(uint8_t code, uint8_t address, std::optional<uint8_t> answer) {
    const auto [addressEdit, dataEdit] = editsOf(code);
    if (!dataEdit) return;
    show(addressEdit, address);
    if (answer)
        dataEdit->showHex2(*answer);
    else if (isMouseCommand(code))
        dataEdit->showHex2(-1);
}

void EngineeringPage::special(uint8_t n, const CommandFrame& f) {
    auto& edits = n == 4 ? eng_.edtSC04 : eng_.edtSC01;
    for (size_t k = 0; k < 7; ++k) edits[k].showHex2(f[k]);
}

bool EngineeringPage::btnSpecialCmd1Click(int n) {
    // The answer shows through the watcher.
    return calls_.readSpecial(static_cast<uint8_t>(n)).has_value();
}

// A failed read leaves the edit as it showed.
void EngineeringPage::btnC_Rd_Direct_RegClick() {
    if (!calls_.hasDongle()) return;
    if (const auto v = calls_.readDongleRegister(byteOf(eng_.edtDirectAddr))) eng_.edtDirectData.showHex2(*v);
}

void EngineeringPage::btnRd_RFICClick() {
    if (!calls_.hasDongle()) return;
    if (const auto v = calls_.readDongleRfic(byteOf(eng_.edtRFICAddr))) eng_.edtRFICData.showHex2(*v);
}

void EngineeringPage::btnC_Wrt_Direct_RegClick() {
    calls_.writeDongleRegister(byteOf(eng_.edtDirectAddr), byteOf(eng_.edtDirectData));
}

void EngineeringPage::btnWrt_RFICClick() {
    calls_.writeDongleRfic(byteOf(eng_.edtRFICAddr), byteOf(eng_.edtRFICData));
}

void EngineeringPage::btnUpdateCustKeyClick() {
    calls_.customKeysUpdated();
}

void EngineeringPage::btnC_JUMP_TO_PORClick() {
    calls_.jumpDongleToPor();
}

void EngineeringPage::btnC_RELOAD_PARAMETERClick() {
    calls_.reloadDongleParameters();
}

void EngineeringPage::rbMSEClick() {
    calls_.setRxType(mouseRxChosen_());
}

// --- RF ---

bool EngineeringPage::btnC_RF_Wrt_EEPROMClick() {
    return confirmedRfWrite(byteOf(eng_.edtRF_EEPROMAddr), byteOf(eng_.edtRF_EEPROMData));
}

bool EngineeringPage::confirmedRfWrite(uint8_t address, uint8_t data) { return calls_.writeMouseEeprom(address, data).ok(); }

void EngineeringPage::rfWriteFromEdits(uint8_t code, const HexEdit& addr, const HexEdit& data) {
    calls_.writeMouse(code, byteOf(addr), byteOf(data));
}

void EngineeringPage::rfReadIntoEdit(uint8_t code, const HexEdit& addr, HexEdit& data) {
    const std::optional<uint8_t> v = calls_.readMouse(code, byteOf(addr));
    data.showHex2(v ? *v : -1);   // a failed read shows FFFFFFFF
}

void EngineeringPage::btnC_RF_Rd_EEPROMClick() { rfReadIntoEdit(op::RfEepromRead, eng_.edtRF_EEPROMAddr, eng_.edtRF_EEPROMData); }
void EngineeringPage::btnC_RF_Wrt_Index_RegClick() {
    rfWriteFromEdits(op::RfIndexRegWrite, eng_.edtRF_IndexRegAddr, eng_.edtRF_IndexRegData);
}
void EngineeringPage::btnC_RF_Rd_Index_RegClick() {
    rfReadIntoEdit(op::RfIndexRegRead, eng_.edtRF_IndexRegAddr, eng_.edtRF_IndexRegData);
}
void EngineeringPage::btnC_RF_Wrt_Direct_RegClick() {
    rfWriteFromEdits(op::RfDirectRegWrite, eng_.edtRF_DirectRegAddr, eng_.edtRF_DirectRegData);
}
void EngineeringPage::btnC_RF_Rd_Direct_RegClick() {
    rfReadIntoEdit(op::RfDirectRegRead, eng_.edtRF_DirectRegAddr, eng_.edtRF_DirectRegData);
}
void EngineeringPage::btnC_RF_Wrt_RFIC_RFX5820KClick() { rfWriteFromEdits(op::RfRficWrite, eng_.edtRF_RFICAddr, eng_.edtRF_RFICData); }
void EngineeringPage::btnC_RF_Rd_RFIC_RFX5820KClick() { rfReadIntoEdit(op::RfRficRead, eng_.edtRF_RFICAddr, eng_.edtRF_RFICData); }
void EngineeringPage::btnC_RF_Wrt_SensorClick() { rfWriteFromEdits(op::RfSensorWrite, eng_.edtRF_SensorAddr, eng_.edtRF_SensorData); }
void EngineeringPage::btnC_RF_Rd_SensorClick() { rfReadIntoEdit(op::RfSensorRead, eng_.edtRF_SensorAddr, eng_.edtRF_SensorData); }

void EngineeringPage::rbC_RF_ENTER_ACCESS_WO_LEDClick() {
    calls_.enterMouseAccess(false);
}
void EngineeringPage::rbC_RF_ENTER_ACCESS_W_LEDClick() {
    calls_.enterMouseAccess(true);
}
void EngineeringPage::rbC_RF_LEAVE_ACCESSClick() {
    calls_.leaveMouseAccess();
}

void EngineeringPage::btnC_RF_SETUP_CPIClick() {
    calls_.setupMouseCpi(static_cast<uint8_t>(eng_.edtC_RF_SETUP_CPI()));
}

void EngineeringPage::btnRF_DR_3CClick() {
    eng_.edtRF_DirectRegAddr.setValue(operand::ChipRegister);
    eng_.edtRF_DirectRegData.setValue(operand::JumpToPorValue);
    btnC_RF_Wrt_Direct_RegClick();
}

void EngineeringPage::btnRF_DR_3DClick() {
    eng_.edtRF_DirectRegAddr.setValue(operand::ChipRegister);
    eng_.edtRF_DirectRegData.setValue(operand::FastReloadValue);
    btnC_RF_Wrt_Direct_RegClick();
}

void EngineeringPage::FillCustKeyLists() {
    settings_.edit([](ProductSettings& o) {
        o.CustKey1 = kCustKey1Default;   // "WWW HOME"
        o.CustKey2 = kCustKey2Default;   // "MAIL"
    });
}

} // namespace kestrelon
