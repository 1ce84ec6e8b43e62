#pragma once
// The HID report descriptors the kernel device presents. A receiver shows
// the host more than one HID interface with the same vendor and product IDs,
// and only one of them carries the 9-byte feature report; the tool has to
// pick that one by its report lengths. Linux makes one hidraw node per
// uhid device, so each interface is its own uhid device.

#include <cstdint>
#include <span>

namespace kestrelon::uhid {

// A plain mouse: report ID 2, input only, no feature reports.
std::span<const uint8_t> MouseInterfaceDescriptor();

// Consumer control (report ID 3, input only) first, then the vendor
// collection (usage page 0xFF00) with feature report ID 1 of 8 data bytes.
// The vendor collection is deliberately not the first one.
std::span<const uint8_t> VendorInterfaceDescriptor();

} // namespace kestrelon::uhid
