#pragma once
// The two EEPROM images of a unit, built from the product options and what
// the run learnt before: the mouse's sensor class, the dongle's battery
// word, the unit's RF IDs and serial numbers. Building sends nothing and
// shows nothing; the run writes the images afterwards.

#include "model/product_settings.h"
#include "model/run_state.h"
#include "numbering/unit_numbers.h"

#include <array>
#include <cstdint>
#include <string>

namespace kestrelon {

struct UnitImageInputs {
    int32_t sensorKind = 0;                // the sensor class the mouse answered (0: unknown)
    int batteryWord = 0xFFFF;              // the dongle's battery word as read; 0xFFFF when unread
    std::array<uint8_t, 6> idBytes{};      // RX ID then TX ID, high bytes first, bit 7 set in each first
    SerialNumber txSn, rxSn;
};

struct UnitImages {
    std::array<int32_t, kTxImageSize> mouse;
    std::array<int32_t, kRxImageSize> dongle;
    // Why the USB string descriptor cannot be stored (empty when it can);
    // the dongle image then holds no descriptor.
    std::string descriptorError;
};

UnitImages BuildImages(const ProductSettings& options, const UnitImageInputs& inputs);

// A custom hot-key item the dongle is told about; other values (no
// selection) leave its words alone.
bool CustomKeyChosen(int item);

} // namespace kestrelon
