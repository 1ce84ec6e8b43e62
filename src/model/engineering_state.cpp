#include "model/engineering_state.h"

namespace kestrelon {

EngineeringState::EngineeringState() {
    forEachEdit([this](const char*, HexEdit& e) { e.attach(&changed); });
}

HexEdit* EngineeringState::eepromEdit(const std::string& d) {
    if (d == "00") return &edtEEPROM_00;
    if (d == "01") return &edtEEPROM_01;
    if (d == "02") return &edtEEPROM_02;
    if (d == "15") return &edtEEPROM_15;
    if (d == "16") return &edtEEPROM_16;
    if (d == "17") return &edtEEPROM_17;
    if (d == "18") return &edtEEPROM_18;
    if (d == "19") return &edtEEPROM_19;
    return nullptr;
}

} // namespace kestrelon
