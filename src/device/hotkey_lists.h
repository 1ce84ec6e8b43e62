#pragma once
// The fixed item lists of the setting combo boxes.

#include <array>
#include <cstdint>

namespace kestrelon {

struct CustKeyItem {
    const char* text;
    uint16_t usage;   // HID consumer-page usage
};
constexpr int kCustKeyCount = 24;
extern const std::array<CustKeyItem, kCustKeyCount> CustKeyList;
constexpr int kCustKey1Default = 7;   // "WWW HOME"
constexpr int kCustKey2Default = 8;   // "MAIL"

struct BatteryItem {
    const char* text;
    uint8_t level;
};
constexpr int kBatteryItemCount = 3;
extern const std::array<BatteryItem, kBatteryItemCount> BatteryLevelList;
constexpr int kBatteryDefault = 2;   // 1.8 V

constexpr int kFnKeyCount = 65;      // "<Disabled>" and 64 key functions
extern const std::array<const char*, kFnKeyCount> FnKeyList;

constexpr int kRfPowerCount = 4;
extern const std::array<const char*, kRfPowerCount> RfPowerList;   // dBm

} // namespace kestrelon
