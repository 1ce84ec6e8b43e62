#pragma once
// The wire protocol spoken with the dongle, and through it with the mouse:
// one 9-byte HID feature report with report ID 1, the command codes and
// their fixed operands, and how an answer is read. Everything that builds
// or reads a frame takes its numbers from here.

#include <array>
#include <cstddef>
#include <cstdint>

namespace kestrelon {

// --- the frame -------------------------------------------------------------

constexpr std::size_t kFrameSize = 9;
using CommandFrame = std::array<uint8_t, kFrameSize>;

// Byte positions. A request is report ID, code and up to three operands, the
// rest zero; an answer overwrites the whole frame, results from byte 0.
namespace frame {
constexpr int ReportId = 0;
constexpr int Code = 1;
constexpr int P1 = 2;
constexpr int P2 = 3;
constexpr int P3 = 4;
constexpr int Status = 7;   // kAnswerValid in a valid answer
} // namespace frame

constexpr uint8_t kReportId = 0x01;
constexpr uint8_t kAnswerValid = 0xCC;
constexpr uint8_t kRfMarker = 0xAA;   // first operand of every command relayed to the mouse
constexpr int RetryCount = 30;        // attempts of every polling loop

// --- command codes ---------------------------------------------------------

namespace op {
// Dongle commands.
constexpr uint8_t EepromUnlock = 0x01;       // once before a verified write
constexpr uint8_t EepromRead = 0x03;         // word: answer bytes 0 (high) and 1 (low)
constexpr uint8_t EepromWrite = 0x04;        // word address, high, low
constexpr uint8_t RficRead = 0x06;           // transceiver register: answer byte 1
constexpr uint8_t RficWrite = 0x07;
constexpr uint8_t Control = 0x08;            // custom keys updated, or binding mode
constexpr uint8_t DongleInfo = 0x09;         // channel, paired mouse and keyboard IDs
constexpr uint8_t DongleStatus = 0x0A;
constexpr uint8_t JumpToPor = 0x0E;
constexpr uint8_t ReloadParameters = 0x0F;
constexpr uint8_t DirectRegWrite = 0x12;
constexpr uint8_t DirectRegRead = 0x14;      // register: answer byte 0; also the special command
constexpr uint8_t RxType = 0x17;             // mouse or keyboard receiver
// Mouse commands over RF (first operand kRfMarker, then the mouse address).
constexpr uint8_t RfEepromWrite = 0x21;
constexpr uint8_t RfIndexRegWrite = 0x22;
constexpr uint8_t RfDirectRegWrite = 0x23;
constexpr uint8_t RfEepromRead = 0x24;
constexpr uint8_t RfIndexRegRead = 0x25;
constexpr uint8_t RfDirectRegRead = 0x26;
constexpr uint8_t RfRficWrite = 0x27;
constexpr uint8_t RfRficRead = 0x28;
constexpr uint8_t RfSensorWrite = 0x29;
constexpr uint8_t RfSensorRead = 0x2A;
constexpr uint8_t RfEnterAccess = 0x2B;
constexpr uint8_t RfLeaveAccess = 0x2C;
constexpr uint8_t RfSetupCpi = 0x2F;
} // namespace op

// --- fixed operands --------------------------------------------------------

namespace operand {
constexpr uint8_t EepromUnlock[3] = {0x07, 0x08, 0x05};
constexpr uint8_t JumpToPor[3] = {0x55, 0xAA, 0xCC};
constexpr uint8_t ReloadParameters[3] = {0xCC, 0x33, 0x55};
constexpr uint8_t RxTypeKey[2] = {0x3C, 0x5A};
constexpr uint8_t RxTypeMouse = 1, RxTypeKeyboard = 2;
constexpr uint8_t CustKeysUpdated = 0x0B;            // op::Control
constexpr uint8_t BindingMode[2] = {0x00, 0x01};     // op::Control
constexpr uint8_t Special[2] = {0xFF, 0xAA};         // op::DirectRegRead FF AA n
constexpr uint8_t SpecialLink = 1, SpecialBinding = 4;
constexpr uint8_t AccessKey = 0x5A;                  // op::RfEnterAccess 5A, then:
constexpr uint8_t AccessWithoutLed = 0x33, AccessWithLed = 0xCC;
constexpr uint8_t CpiEnd = 0xCC;                     // op::RfSetupCpi cpi CC
constexpr uint8_t ChipRegister = 0xFF;               // the mouse direct register that names its chip
constexpr uint8_t LinkProbe = 0x3E;                  // third operand of the link probe's chip read
constexpr uint8_t JumpToPorValue = 0x3C;             // written to ChipRegister
constexpr uint8_t FastReloadValue = 0x3D;            // written to ChipRegister
} // namespace operand

// The RF transceivers' output power, the same register in the dongle's and
// the mouse's chip.
namespace rf_power {
constexpr uint8_t Register = 1;
// The codes of the "RF Power" list's items: 0, -5, -10 and -20 dBm.
constexpr uint8_t Codes[] = {0x1B, 0x13, 0x0B, 0x03};
constexpr uint8_t Full = Codes[0];
// The code of a list item; anything past the list is the lowest power.
constexpr int Count = sizeof Codes;
constexpr uint8_t CodeOf(int item) { return Codes[item >= 0 && item < Count ? item : Count - 1]; }
} // namespace rf_power

// Answers of the special command.
namespace special {
constexpr int MouseSequence = 1;   // "MSE_SN": moves while the RF link is up (row 1)
constexpr int BindStatus = 1;      // row 4: the link after a bind
constexpr uint8_t Bound = 0xBB, BoundAgain = 0x33;
} // namespace special

// --- encoding and decoding -------------------------------------------------

inline CommandFrame makeFrame(uint8_t code, uint8_t p1 = 0, uint8_t p2 = 0, uint8_t p3 = 0) {
    return CommandFrame{kReportId, code, p1, p2, p3, 0, 0, 0, 0};
}
// A command relayed to the mouse.
inline CommandFrame rfFrame(uint8_t code, uint8_t address, uint8_t value = 0) {
    return makeFrame(code, kRfMarker, address, value);
}
inline bool isValidAnswer(const CommandFrame& f) { return f[frame::Status] == kAnswerValid; }
// An EEPROM word answer: byte 0 high, byte 1 low.
inline int answerWord(const CommandFrame& f) { return f[0] * 256 + f[1]; }
// The dongle's confirmation of a mouse EEPROM write to this address.
inline bool confirmsRfWrite(const CommandFrame& f, uint8_t address) {
    return isValidAnswer(f) && f[4] == op::RfEepromWrite && f[5] == address;
}

} // namespace kestrelon
