// The setting handlers: while a production run fills the EEPROM images they
// put each product option into its entries (a value and its complement);
// at any other time they do nothing.
#include "device/command_set.h"
#include "device/eeprom_map.h"
#include "device/hotkey_lists.h"

namespace kestrelon {

void CommandSet::storeTx(uint8_t address, uint8_t value) {
    run_.TxImage[address] = value;
    eng_.edtRF_EEPROMAddr.setValue(address);
    eng_.edtRF_EEPROMData.setValue(value);
}

void CommandSet::storeTxPair(uint8_t address, uint8_t value, uint8_t complement) {
    if (!run_.filling()) return;
    storeTx(address, value);
    storeTx(static_cast<uint8_t>(address + 1), complement);
}

void CommandSet::rbRF_DR_15Click() { storeTxPair(mouse_eeprom::CpiSwitch, 0x33, 0xCC); }
void CommandSet::rbRF_DR_1AClick() { storeTxPair(mouse_eeprom::CpiSwitch, 0xCC, 0x33); }
void CommandSet::rbRF_DR_25Click() { storeTxPair(mouse_eeprom::Wakeup, 0x55, 0xAA); }
void CommandSet::rbRF_DR_2AClick() { storeTxPair(mouse_eeprom::Wakeup, 0xAA, 0x55); }
void CommandSet::rbRF_DR_45Click() { storeTxPair(mouse_eeprom::PowerSaving, 0x3C, 0xC3); }
void CommandSet::rbRF_DR_4FClick() { storeTxPair(mouse_eeprom::PowerSaving, 0xCA, 0x35); }
void CommandSet::rbRF_DR_4AClick() { storeTxPair(mouse_eeprom::PowerSaving, 0xC5, 0x3A); }
void CommandSet::rbRF_DR_5AClick() { storeTxPair(mouse_eeprom::PowerOnConnect, 0x5A, 0xA5); }
void CommandSet::rbRF_DR_55Click() { storeTxPair(mouse_eeprom::PowerOnConnect, 0x55, 0xAA); }

void CommandSet::cbRF_Set_BTY_Low_LevelChange() {
    if (!run_.filling()) return;
    // Item 1, and anything that is not item 0 or 2 (no selection included),
    // means 2.0 V.
    uint8_t level = BatteryLevelList[1].level;
    if (settings_->BatteryLevel == 0 || settings_->BatteryLevel == 2)
        level = BatteryLevelList[settings_->BatteryLevel].level;
    storeTxPair(mouse_eeprom::BatteryLevel, level, level ^ 0xFF);
    // The level's bits join the dongle's battery word; its other low five
    // bits of the high byte stay. A failed read counts as 0xFFFF.
    const int word = calls_.readDongleWord(dongle_eeprom::Battery).value_or(0xFFFF);
    const uint8_t b = static_cast<uint8_t>(((word >> 8) & 0x1F) | level);
    run_.RxImage[dongle_eeprom::Battery] = CheckedByte(b);
}

void CommandSet::rbRF_CPI_LClick() {
    if (!run_.filling()) return;
    eng_.setC_RF_SETUP_CPI(0);
    btnC_RF_SETUP_CPIClick();
}

void CommandSet::rbRF_CPI_HClick() {
    if (!run_.filling()) return;
    eng_.setC_RF_SETUP_CPI(1);
    btnC_RF_SETUP_CPIClick();
}

void CommandSet::customKey(int item, int firstWord) {
    if (!run_.filling() || item < 0 || item >= kCustKeyCount) return;
    const uint16_t u = CustKeyList[item].usage;
    run_.RxImage[firstWord] = CheckedByte(static_cast<uint8_t>(u & 0xFF));
    run_.RxImage[firstWord + 1] = CheckedByte(static_cast<uint8_t>(u >> 8));
    btnUpdateCustKeyClick();
}

void CommandSet::cbCustKey1Change() { customKey(settings_->CustKey1, dongle_eeprom::CustKey1); }
void CommandSet::cbCustKey2Change() { customKey(settings_->CustKey2, dongle_eeprom::CustKey2); }

void CommandSet::rbMouseOnlyClick() {
    if (run_.filling()) run_.RxImage[dongle_eeprom::RxType] = dongle_eeprom::RxTypeMouseOnly;
    rxType_.offerKeyboardBinding(false);
}

void CommandSet::rbKbdMseClick() {
    if (run_.filling()) run_.RxImage[dongle_eeprom::RxType] = dongle_eeprom::RxTypeKeyboardMouse;
    rxType_.offerKeyboardBinding(true);
}

} // namespace kestrelon
