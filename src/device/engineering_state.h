#pragma once
// The hidden engineering pages' edits. Callers load an address and a value
// into them and invoke the page button's handler; reads leave their result
// in them. The window shows them; the production run reads them.

#include "production/hex_edit.h"

#include <array>
#include <string>

namespace kestrelon {

struct EngineeringState {
    // Dongle registers (page "EEPROM RFIC Reg").
    HexEdit edtDirectAddr, edtDirectData;
    HexEdit edtRFICAddr, edtRFICData;
    std::array<HexEdit, 7> edtSC01;   // edtSC01_00 .. edtSC01_06
    std::array<HexEdit, 7> edtSC04;   // edtSC04_00 .. edtSC04_06

    // Mouse registers over RF (page "RF").
    HexEdit edtRF_EEPROMAddr, edtRF_EEPROMData;
    HexEdit edtRF_IndexRegAddr, edtRF_IndexRegData;
    HexEdit edtRF_DirectRegAddr, edtRF_DirectRegData;
    HexEdit edtRF_RFICAddr, edtRF_RFICData;
    HexEdit edtRF_SensorAddr, edtRF_SensorData;
    int edtC_RF_SETUP_CPI = 0;   // spin edit 0-3

    // Dongle EEPROM words shown on the EEPROM page (00, 01, 02, 15..19).
    HexEdit edtEEPROM_00, edtEEPROM_01, edtEEPROM_02;
    HexEdit edtEEPROM_15, edtEEPROM_16, edtEEPROM_17, edtEEPROM_18, edtEEPROM_19;

    // The edit named "edtEEPROM_" + two digits, or nullptr.
    HexEdit* eepromEdit(const std::string& twoDigits);
};

} // namespace kestrelon
