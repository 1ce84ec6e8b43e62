#pragma once
// The vendor/product ID pairs that detection tries, in slot order.

#include "model/product_models.h"

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

using KnownDeviceTable = std::array<KnownDevice, kKnownDeviceSlots>;

// The first slots hold the built-in receivers as start-up leaves them.
static_assert(kBuiltInProductIds.size() <= kFirstFileSlot);
inline void FillBuiltInDevices(KnownDeviceTable& t) {
    for (size_t i = 0; i < kBuiltInProductIds.size(); ++i) t[i] = KnownDevice{kDongleVendorId, kBuiltInProductIds[i]};
}

} // namespace kestrelon
