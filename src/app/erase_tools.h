#pragma once
// Erasing the mouse's or the dongle's EEPROM (all ones), each armed by its
// own check box, and the option that starts the companion program after a
// passing unit.

#include <cstdint>

namespace kestrelon {

class Station;

class EraseTools {
public:
    explicit EraseTools(Station& s) : s_(s) {}

    // The check boxes "TX Erase Operation" and "RX Erase Operation" are the
    // options TX_Erased and RX_Erased; each arms its button.
    bool suiButton2Enabled = false;   // "Erase TX"
    bool suiButton1Enabled = false;   // "Erase RX"

    void TX_ErasedClick(bool checked);
    void RX_ErasedClick(bool checked);
    void suiButton2Click();   // Erase TX: 128 confirmed RF writes of 0xFF
    void suiButton1Click();   // Erase RX: 64 verified writes of 0xFFFF
    void CallMEROClick(bool checked);

private:
    // Clears the result area, notes the start time; false (with the
    // warning) when a needed lamp is dark.
    bool begin(bool needMouse, uint32_t& start);
    void end(uint32_t start, const char* result);

    Station& s_;
};

} // namespace kestrelon
