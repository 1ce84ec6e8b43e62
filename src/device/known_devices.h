#pragma once
// The vendor/product ID pairs that detection tries, in slot order.

#include <array>
#include <cstdint>

namespace kestrelon {

struct KnownDevice {
    int vendorId = 0;
    int productId = 0;
    bool used() const { return vendorId != 0 && productId != 0; }
};

constexpr int kKnownDeviceSlots = 24;
constexpr int kFirstFileSlot = 7;     // slots 7..20 come from the settings file
constexpr int kFileSlotCount = 14;
constexpr uint16_t kDongleVendorId = 0xF3D7;

using KnownDeviceTable = std::array<KnownDevice, kKnownDeviceSlots>;

// Slots 0-6 as start-up leaves them; the rest zero.
inline void FillBuiltInDevices(KnownDeviceTable& t) {
    static constexpr uint16_t pids[] = {0x053A, 0x05CA, 0x05AA, 0x053F, 0x05CF, 0x053E, 0x05CE};
    for (int i = 0; i < 7; ++i) t[i] = KnownDevice{kDongleVendorId, pids[i]};
}

} // namespace kestrelon
