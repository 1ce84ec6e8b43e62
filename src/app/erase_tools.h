#pragma once
// Erasing the mouse's or the dongle's EEPROM (all ones), each armed by its
// own check box, and the option that starts the companion program after a
// passing unit.

#include "device/device_access.h"
#include "model/messages.h"
#include "model/presentation.h"
#include "model/window_timers.h"

#include <cstdint>
#include <functional>

namespace kestrelon {

class EraseTools {
public:
    struct Parts {
        Pacing pacing;
        DeviceAccess device;
        Observed<ProductSettings>& options;
        OperatorView view;
        Observed<EraseButtons>& buttons;
        std::function<void()> writeSettings;   // btnWriteSettingClick
    };
    explicit EraseTools(Parts p) : p_(std::move(p)) {}

    // The check boxes "TX Erase Operation" and "RX Erase Operation" are the
    // options TX_Erased and RX_Erased; each arms its button.
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

    Parts p_;
};

} // namespace kestrelon
