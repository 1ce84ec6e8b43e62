// The engineering EEPROM page: a few dongle words read now and shown as
// their high byte, and writes staged into the dongle image (a run starts
// from empty images and builds them whole, so they reach no unit).
#include "app/engineering_page.h"
#include "device/eeprom_map.h"
#include "device/text_encoding.h"

#include <cstdio>

namespace kestrelon {

namespace {

std::string lastTwo(const std::string& name) { return name.size() >= 2 ? name.substr(name.size() - 2) : name; }

int wordNumber(const std::string& twoDigits) {
    if (twoDigits.size() != 2 || !isdigit(static_cast<unsigned char>(twoDigits[0])) ||
        !isdigit(static_cast<unsigned char>(twoDigits[1])))
        return -1;
    return (twoDigits[0] - '0') * 10 + (twoDigits[1] - '0');
}

} // namespace

void EngineeringPage::btnEEPROM_R_00Click(const std::string& sender) { readPageWord(lastTwo(sender)); }

int EngineeringPage::readPageWord(const std::string& d) {
    HexEdit* edit = eng_.eepromEdit(d);
    const int n = wordNumber(d);
    if (!edit || n < 0) return -1;
    edit->clear();
    return calls_.hasDongle() ? showWord(n, *edit) : -1;
}

int EngineeringPage::showWord(int n, HexEdit& edit) {
    const std::optional<uint16_t> read = calls_.readDongleWord(static_cast<uint8_t>(n));
    const int word = read ? *read : -1;
    char buf[16];
    // The high byte; a failed read (-1) shifted as an unsigned 32-bit value
    // shows FFFFFF.
    std::snprintf(buf, sizeof buf, "%02X", static_cast<uint32_t>(word) >> 8);
    edit.setText(buf);
    return word;
}

void EngineeringPage::btnEEPROM_W_00Click(const std::string& sender) {
    // A run builds its images whole: a click while it writes them stages nothing.
    if (!calls_.hasDongle() || run_.filling()) return;
    const std::string d = lastTwo(sender);
    HexEdit* edit = eng_.eepromEdit(d);
    const int n = wordNumber(d);
    if (!edit || n < 0) return;
    // The edit holds one byte; a wider text (such as a failed read's
    // FFFFFF) must not spill into a neighbouring word.
    run_.RxImage[n] = CheckedByte(static_cast<uint8_t>(edit->value() & 0xFF));
}

std::optional<std::string> EngineeringPage::readWordPair(const char* high, const char* low) {
    const int hi = readPageWord(high);
    const int lo = readPageWord(low);
    // A failed read shows FFFFFF in its word box, and an erased word holds
    // no byte at all; neither may become the ID that the next run writes
    // into every receiver.
    if (!IsValidCheckedWord(hi) || !IsValidCheckedWord(lo)) return std::nullopt;
    return eng_.eepromEdit(high)->text() + eng_.eepromEdit(low)->text();
}

void EngineeringPage::writeWordsFrom(const std::string& idText, const char* high, const char* low) {
    const long long v = HexEditValue(idText);
    eng_.eepromEdit(high)->setValue((v >> 8) & 0xFF);
    eng_.eepromEdit(low)->setValue(v & 0xFF);
    btnEEPROM_W_00Click(std::string("btnEEPROM_W_") + high);
    btnEEPROM_W_00Click(std::string("btnEEPROM_W_") + low);
}

void EngineeringPage::btnEEPROM_R_VIDClick() {
    if (const auto vid = readWordPair("15", "16"))
        settings_.edit([&](ProductSettings& o) { o.VidSet = *vid; });
    else
        messages_.warning("The VID could not be read from the receiver; the VID box keeps its value.");
}
void EngineeringPage::btnEEPROM_R_PIDClick() {
    if (const auto pid = readWordPair("17", "18"))
        settings_.edit([&](ProductSettings& o) { o.PidSet = *pid; });
    else
        messages_.warning("The PID could not be read from the receiver; the PID box keeps its value.");
}
void EngineeringPage::btnEEPROM_W_VIDClick() { writeWordsFrom(settings_->VidSet, "15", "16"); }
void EngineeringPage::btnEEPROM_W_PIDClick() { writeWordsFrom(settings_->PidSet, "17", "18"); }

void EngineeringPage::btnEEPROM_R_20Click() {
    // As with the VID and PID: only a descriptor read in full replaces the
    // box. An erased or unreadable length word, or a character word that
    // does not answer, leaves it as it was (it is a stored setting, and the
    // next run writes it into every receiver).
    const auto keep = [this] {
        messages_.warning("The USB string descriptor could not be read from the receiver; "
                          "the descriptor box keeps its value.");
    };
    if (!calls_.hasDongle()) return keep();
    const int lengthWord = showWord(dongle_eeprom::StringDescLength, eng_.edtEEPROM_19);
    if (!IsValidCheckedWord(lengthWord)) return keep();
    long long n = (eng_.edtEEPROM_19.value() - 2) / 2;
    if (n > static_cast<long long>(kMaxDescriptorChars)) n = kMaxDescriptorChars;
    std::string latin1;
    for (long long k = 0; 2 * k < n; ++k) {
        const std::optional<uint16_t> read = calls_.readDongleWord(static_cast<uint8_t>(dongle_eeprom::StringDescText + k));
        if (!read) return keep();
        const int w = *read;
        latin1 += static_cast<char>(w >> 8);
        if (2 * k + 1 < n) latin1 += static_cast<char>(w & 0xFF);
    }
    // A text box shows its text up to the first NUL.
    latin1 = latin1.substr(0, latin1.find('\0'));
    settings_.edit([&](ProductSettings& o) { o.StringDesc = Latin1ToUtf8(latin1); });
}

bool EngineeringPage::btnEEPROM_W_20Click() {
    if (!calls_.hasDongle() || run_.filling()) return true;
    std::string why;
    const std::optional<StoredDescriptor> d = StoreDescriptor(settings_->StringDesc, why);
    if (!d) {
        messages_.warning(why);
        t_.fail(DeviceOp::Descriptor, op::EepromWrite, dongle_eeprom::StringDescLength);
        return false;
    }
    eng_.edtEEPROM_19.setValue(d->lengthByte);
    btnEEPROM_W_00Click("btnEEPROM_R_19");
    for (size_t k = 0; k < d->words.size(); ++k) run_.RxImage[dongle_eeprom::StringDescText + k] = d->words[k];
    return true;
}

} // namespace kestrelon
