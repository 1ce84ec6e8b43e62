#pragma once
// Which byte of the mouse's EEPROM and which word of the dongle's EEPROM
// holds what, and the values the tool stores there. A single-byte setting in
// a dongle word is a checked byte (value, then value XOR 0xFF); a mouse
// setting is a byte and its complement in the next byte.

#include <cstdint>

namespace kestrelon {

// The mouse (TX): 128 bytes.
namespace mouse_eeprom {
constexpr uint8_t TxId = 0x08;            // 3 bytes, high first, bit 7 of the first set
constexpr uint8_t TxIdCheck = 0x0B;       // XOR of the three, inverted
constexpr uint8_t RxId = 0x0C;            // 3 bytes, as TxId
constexpr uint8_t RxIdCheck = 0x0F;
constexpr uint8_t CpiSwitch = 0x12;       // switch CPI by L+R (value, complement)
constexpr uint8_t Wakeup = 0x14;
constexpr uint8_t PowerSaving = 0x16;
constexpr uint8_t PowerOnConnect = 0x18;
constexpr uint8_t BatteryLevel = 0x1A;
constexpr uint8_t LrmBinding = 0x1C;
constexpr uint8_t Serial = 0x78;          // 6 bytes
constexpr uint8_t SerialEnd = 0x7E;       // 2 bytes of 0xFF after the serial

constexpr uint8_t LrmOn[2] = {0x24, 0xDB}, LrmOff[2] = {0x00, 0xFF};
} // namespace mouse_eeprom

// The dongle (RX): 64 words.
namespace dongle_eeprom {
constexpr uint8_t RxId = 0x00;            // 3 checked bytes
constexpr uint8_t CustKey1 = 0x03;        // low then high byte of the usage, checked
constexpr uint8_t CustKey2 = 0x05;
constexpr uint8_t FnPrintBreak = 0x08;    // Fn+Print Screen code, Fn+Break code
constexpr uint8_t FnFlags = 0x09;         // checked byte of the flags below
constexpr uint8_t FnPairs[6] = {0x0B, 0x0C, 0x0D, 0x0E, 0x36, 0x0A};   // Fn+F1/F2 .. Fn+F11/F12
constexpr uint8_t UsbIds = 0x0F;          // VID high, VID low, PID high, PID low (4 checked bytes)
constexpr uint8_t StringDescLength = 0x13;   // checked byte: 2 x characters + 2
constexpr uint8_t StringDescText = 0x14;     // two characters a word
constexpr uint8_t KeyboardSlots[6] = {0x2B, 0x2C, 0x2D, 0x30, 0x31, 0x32};   // filled by a keyboard bind
constexpr uint8_t SensorClass = 0x2E;
constexpr uint8_t Battery = 0x2F;         // level bits 5-6 of the checked byte
constexpr uint8_t TxId = 0x33;            // 3 checked bytes
constexpr uint8_t RxType = 0x38;
constexpr uint8_t SleepPeriod = 0x39;
constexpr uint8_t WakeupPeriod = 0x3A;
constexpr uint8_t Serial = 0x3C;          // 3 words, two serial bytes each
constexpr uint8_t SerialFlag = 0x3F;      // 0 when a serial is stored

constexpr uint8_t FnEnabled = 0x10, FnPrintBreakOn = 0x08, FnUio = 0x20, FnDirection = 0x40;
constexpr uint16_t RxTypeMouseOnly = 0x5AA5, RxTypeKeyboardMouse = 0xFFFF;
} // namespace dongle_eeprom

// The sensor class kept in the dongle, from the mouse's sensor register 0.
namespace sensor {
constexpr uint8_t IdA = 0x11, IdB = 0x29;           // sensors of the first class
constexpr uint8_t FirstClass = 0x91, OtherClass = 0x9D;
} // namespace sensor

} // namespace kestrelon
