#pragma once
// The hidden engineering pages' edits. Callers load an address and a value
// into them and invoke the page button's handler; reads leave their result
// in them. The window shows them (listening to `changed`); the production
// run reads them.

#include "model/hex_edit.h"
#include "model/observed.h"

#include <array>
#include <string>

namespace kestrelon {

struct EngineeringState {
    EngineeringState();
    EngineeringState(const EngineeringState&) = delete;
    EngineeringState& operator=(const EngineeringState&) = delete;

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
    int edtC_RF_SETUP_CPI() const { return cpi_; }   // spin edit 0-3
    void setC_RF_SETUP_CPI(int v) {
        if (v == cpi_) return;
        cpi_ = v;
        changed.notify();
    }

    // Dongle EEPROM words shown on the EEPROM page (00, 01, 02, 15..19).
    HexEdit edtEEPROM_00, edtEEPROM_01, edtEEPROM_02;
    HexEdit edtEEPROM_15, edtEEPROM_16, edtEEPROM_17, edtEEPROM_18, edtEEPROM_19;

    // The edit named "edtEEPROM_" + two digits, or nullptr.
    HexEdit* eepromEdit(const std::string& twoDigits);
    // Every edit with its control name, for a front end to bind.
    template <class F>
    void forEachEdit(F&& f);

    Notifier changed;   // any edit's text, or the CPI value

private:
    int cpi_ = 0;
};

template <class F>
void EngineeringState::forEachEdit(F&& f) {
    f("edtDirectAddr", edtDirectAddr);
    f("edtDirectData", edtDirectData);
    f("edtRFICAddr", edtRFICAddr);
    f("edtRFICData", edtRFICData);
    static const char* const sc01[7] = {"edtSC01_00", "edtSC01_01", "edtSC01_02", "edtSC01_03",
                                        "edtSC01_04", "edtSC01_05", "edtSC01_06"};
    static const char* const sc04[7] = {"edtSC04_00", "edtSC04_01", "edtSC04_02", "edtSC04_03",
                                        "edtSC04_04", "edtSC04_05", "edtSC04_06"};
    for (int k = 0; k < 7; ++k) f(sc01[k], edtSC01[k]);
    for (int k = 0; k < 7; ++k) f(sc04[k], edtSC04[k]);
    f("edtRF_EEPROMAddr", edtRF_EEPROMAddr);
    f("edtRF_EEPROMData", edtRF_EEPROMData);
    f("edtRF_IndexRegAddr", edtRF_IndexRegAddr);
    f("edtRF_IndexRegData", edtRF_IndexRegData);
    f("edtRF_DirectRegAddr", edtRF_DirectRegAddr);
    f("edtRF_DirectRegData", edtRF_DirectRegData);
    f("edtRF_RFICAddr", edtRF_RFICAddr);
    f("edtRF_RFICData", edtRF_RFICData);
    f("edtRF_SensorAddr", edtRF_SensorAddr);
    f("edtRF_SensorData", edtRF_SensorData);
    f("edtEEPROM_00", edtEEPROM_00);
    f("edtEEPROM_01", edtEEPROM_01);
    f("edtEEPROM_02", edtEEPROM_02);
    f("edtEEPROM_15", edtEEPROM_15);
    f("edtEEPROM_16", edtEEPROM_16);
    f("edtEEPROM_17", edtEEPROM_17);
    f("edtEEPROM_18", edtEEPROM_18);
    f("edtEEPROM_19", edtEEPROM_19);
}

} // namespace kestrelon
