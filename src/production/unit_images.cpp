#include "production/unit_images.h"

#include "device/eeprom_map.h"
#include "device/hotkey_lists.h"
#include "device/text_encoding.h"

namespace kestrelon {

namespace {

namespace tx = mouse_eeprom;
namespace rx = dongle_eeprom;

// Where each ID byte goes: mouse byte, dongle word.
constexpr uint8_t kMouseByteOfRow[6] = {tx::RxId, tx::RxId + 1, tx::RxId + 2, tx::TxId, tx::TxId + 1, tx::TxId + 2};
constexpr uint8_t kDongleWordOfRow[6] = {rx::RxId, rx::RxId + 1, rx::RxId + 2, rx::TxId, rx::TxId + 1, rx::TxId + 2};

// An Fn combo's key code: item index + 0xBF, 0 for "<Disabled>" or none.
int fnCode(int item) {
    const int code = item + 0xBF;
    return code < 0xC0 ? 0 : code;
}

bool blank(const std::string& s) { return s.find_first_not_of(" \t\r\n") == std::string::npos; }

// A mouse setting: the value and its complement in the next byte.
void pair(UnitImages& im, uint8_t address, uint8_t value, uint8_t complement) {
    im.mouse[address] = value;
    im.mouse[address + 1] = complement;
}

void mouseOptions(const ProductSettings& set, UnitImages& im) {
    pair(im, tx::PowerOnConnect, 0x55, 0xAA);   // power-on auto connect is always written as disabled
    set.SoftISS ? pair(im, tx::CpiSwitch, 0x33, 0xCC) : pair(im, tx::CpiSwitch, 0xCC, 0x33);
    if (set.PowerSaving == 0)
        pair(im, tx::PowerSaving, 0x3C, 0xC3);
    else if (set.PowerSaving == 1)
        pair(im, tx::PowerSaving, 0xC5, 0x3A);
    else
        pair(im, tx::PowerSaving, 0xCA, 0x35);
    im.mouse[tx::LrmBinding] = set.LRMBinding ? tx::LrmOn[0] : tx::LrmOff[0];
    im.mouse[tx::LrmBinding + 1] = set.LRMBinding ? tx::LrmOn[1] : tx::LrmOff[1];
    set.Wakeup == 0 ? pair(im, tx::Wakeup, 0x55, 0xAA) : pair(im, tx::Wakeup, 0xAA, 0x55);
}

// The low-battery level in the mouse, and its bits in the dongle's battery
// word beside the word's other low five bits of the high byte.
void battery(const ProductSettings& set, int word, UnitImages& im) {
    // Item 1, and anything that is not item 0 or 2 (no selection included),
    // means 2.0 V.
    uint8_t level = BatteryLevelList[1].level;
    if (set.BatteryLevel == 0 || set.BatteryLevel == 2) level = BatteryLevelList[static_cast<size_t>(set.BatteryLevel)].level;
    pair(im, tx::BatteryLevel, level, level ^ 0xFF);
    im.dongle[rx::Battery] = CheckedByte(static_cast<uint8_t>(((word >> 8) & 0x1F) | level));
}

void customKey(int item, int firstWord, UnitImages& im) {
    if (!CustomKeyChosen(item)) return;
    const uint16_t u = CustKeyList[static_cast<size_t>(item)].usage;
    im.dongle[firstWord] = CheckedByte(static_cast<uint8_t>(u & 0xFF));
    im.dongle[firstWord + 1] = CheckedByte(static_cast<uint8_t>(u >> 8));
}

// Two checked bytes, high then low, of a four-digit hex box.
void usbId(const std::string& text, int firstWord, UnitImages& im) {
    const long long v = HexEditValue(text);
    im.dongle[firstWord] = CheckedByte(static_cast<uint8_t>((v >> 8) & 0xFF));
    im.dongle[firstWord + 1] = CheckedByte(static_cast<uint8_t>(v & 0xFF));
}

void fnKeys(const ProductSettings& set, UnitImages& im) {
    int flags = 0;
    if (set.Fn_Enabled) flags |= rx::FnEnabled;
    if (set.FNPB) flags |= rx::FnPrintBreakOn;
    if (set.FnUIO) flags |= rx::FnUio;
    if (set.fndirection) flags |= rx::FnDirection;
    im.dongle[rx::FnFlags] = CheckedByte(static_cast<uint8_t>(flags));
    im.dongle[rx::FnPrintBreak] = set.FNPB ? fnCode(set.FnPR) * 256 + fnCode(set.FnBreak) : 0;
    for (size_t i = 0; i < 6; ++i)
        im.dongle[rx::FnPairs[i]] = set.Fn_Enabled ? fnCode(set.FnF[2 * i]) * 256 + fnCode(set.FnF[2 * i + 1]) : 0;
}

// The descriptor's length and its text, as the dongle keeps them.
void descriptor(const std::string& text, UnitImages& im) {
    if (blank(text)) {
        im.dongle[rx::StringDescLength] = 0;
        return;
    }
    const std::optional<StoredDescriptor> d = StoreDescriptor(text, im.descriptorError);
    if (!d) return;
    im.dongle[rx::StringDescLength] = CheckedByte(d->lengthByte);
    for (size_t k = 0; k < d->words.size(); ++k) im.dongle[rx::StringDescText + k] = d->words[k];
}

} // namespace

bool CustomKeyChosen(int item) { return item >= 0 && item < kCustKeyCount; }

UnitImages BuildImages(const ProductSettings& set, const UnitImageInputs& in) {
    UnitImages im;
    im.mouse.fill(kUnwritten);
    im.dongle.fill(kUnwritten);

    mouseOptions(set, im);
    battery(set, in.batteryWord, im);
    if (in.txSn.on) {
        for (size_t i = 0; i < 6; ++i) im.mouse[tx::Serial + i] = in.txSn.bytes[i];
        im.mouse[tx::SerialEnd] = 0xFF;
        im.mouse[tx::SerialEnd + 1] = 0xFF;
    }
    const auto& id = in.idBytes;
    for (size_t k = 0; k < 6; ++k) im.mouse[kMouseByteOfRow[k]] = id[k];
    im.mouse[tx::RxIdCheck] = id[0] ^ id[1] ^ id[2] ^ 0xFF;
    im.mouse[tx::TxIdCheck] = id[3] ^ id[4] ^ id[5] ^ 0xFF;

    im.dongle[rx::SensorClass] = CheckedByte(static_cast<uint8_t>(in.sensorKind));
    im.dongle[rx::RxType] = set.MouseOnly ? rx::RxTypeMouseOnly : rx::RxTypeKeyboardMouse;
    customKey(set.CustKey1, rx::CustKey1, im);
    customKey(set.CustKey2, rx::CustKey2, im);
    // Both IDs or neither: without them the receiver keeps its own.
    if (HexEditValue(set.VidSet) > 0 && HexEditValue(set.PidSet) > 0) {
        usbId(set.VidSet, rx::UsbIds, im);
        usbId(set.PidSet, rx::UsbIds + 2, im);
    } else {
        for (int w = rx::UsbIds; w < rx::UsbIds + 4; ++w) im.dongle[w] = 0;
    }
    fnKeys(set, im);
    descriptor(set.StringDesc, im);
    if (in.rxSn.on) {
        im.dongle[rx::SerialFlag] = 0;
        for (size_t i = 0; i < 3; ++i) im.dongle[rx::Serial + i] = in.rxSn.bytes[2 * i] * 256 + in.rxSn.bytes[2 * i + 1];
    }
    for (size_t k = 0; k < 6; ++k) im.dongle[kDongleWordOfRow[k]] = CheckedByte(id[k]);
    for (uint8_t w : rx::KeyboardSlots) im.dongle[w] = 0;
    im.dongle[rx::SleepPeriod] = CheckedByte(static_cast<uint8_t>(set.SleepPeriod));
    im.dongle[rx::WakeupPeriod] = CheckedByte(static_cast<uint8_t>(set.WakeupPeriod));
    return im;
}

} // namespace kestrelon
