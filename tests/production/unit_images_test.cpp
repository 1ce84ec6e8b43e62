#include "production/unit_images.h"

#include "device/hotkey_lists.h"

#include <gtest/gtest.h>

#include <functional>

using namespace kestrelon;

namespace {

using Edit = std::function<void(ProductSettings&)>;

// The mouse entries a setting owns: its value, then the complement.
struct MouseOption {
    const char* name;
    Edit set;
    uint8_t address, value, complement;
};

const MouseOption kMouseOptions[] = {
    {"switch CPI enabled", [](ProductSettings& o) { o.SoftISS = true; }, 0x12, 0x33, 0xCC},
    {"switch CPI disabled", [](ProductSettings& o) { o.SoftISS = false; }, 0x12, 0xCC, 0x33},
    {"motion wake-up", [](ProductSettings& o) { o.Wakeup = 0; }, 0x14, 0x55, 0xAA},
    {"button wake-up", [](ProductSettings& o) { o.Wakeup = 1; }, 0x14, 0xAA, 0x55},
    {"no power saving", [](ProductSettings& o) { o.PowerSaving = 0; }, 0x16, 0x3C, 0xC3},
    {"wake by L+R+M", [](ProductSettings& o) { o.PowerSaving = 1; }, 0x16, 0xC5, 0x3A},
    {"wake after linking", [](ProductSettings& o) { o.PowerSaving = 2; }, 0x16, 0xCA, 0x35},
    // Power-on auto connect is written disabled whatever the option says.
    {"auto connect on", [](ProductSettings& o) { o.PowerOnAutoConnect = true; }, 0x18, 0x55, 0xAA},
    {"auto connect off", [](ProductSettings& o) { o.PowerOnAutoConnect = false; }, 0x18, 0x55, 0xAA},
};

UnitImages build(const Edit& edit, UnitImageInputs in = {}) {
    ProductSettings o;
    edit(o);
    return BuildImages(o, in);
}

TEST(UnitImages, EachMouseOptionFillsItsValueAndComplement) {
    for (const auto& c : kMouseOptions) {
        SCOPED_TRACE(c.name);
        const UnitImages im = build(c.set);
        EXPECT_EQ(im.mouse[c.address], c.value);
        EXPECT_EQ(im.mouse[c.address + 1], c.complement);
    }
}

TEST(UnitImages, BatteryLevelGoesToTheMouseAndJoinsDongleWord2F) {
    struct Case {
        int item;
        int word;
        uint8_t level;
    };
    // Anything but items 0 and 2, no selection included, means 2.0 V; a
    // failed read counts as 0xFFFF.
    for (const auto c : {Case{0, 0x9F60, 0x40}, Case{1, 0x9F60, 0x20}, Case{2, 0x9F60, 0x00},
                         Case{kNoSelection, 0x9F60, 0x20}, Case{7, 0x9F60, 0x20}, Case{0, 0xFFFF, 0x40}}) {
        SCOPED_TRACE(c.item);
        UnitImageInputs in;
        in.batteryWord = c.word;
        const UnitImages im = build([&](ProductSettings& o) { o.BatteryLevel = c.item; }, in);
        EXPECT_EQ(im.mouse[0x1A], c.level);
        EXPECT_EQ(im.mouse[0x1B], c.level ^ 0xFF);
        EXPECT_EQ(im.dongle[0x2F], CheckedByte(static_cast<uint8_t>(((c.word >> 8) & 0x1F) | c.level)));
    }
}

TEST(UnitImages, CustomKeysStoreTheUsageLowByteFirst) {
    struct Case {
        int key, item, firstWord;
        int32_t low, high;
    };
    for (const auto c : {Case{2, 9, 5, 0xE21D, 0x00FF},                 // MUTE 0x0E2
                         Case{1, 7, 3, 0x23DC, 0x02FD},                 // WWW HOME 0x223
                         Case{2, kNoSelection, 5, kUnwritten, kUnwritten}}) {
        SCOPED_TRACE(c.item);
        const UnitImages im = build([&](ProductSettings& o) { (c.key == 1 ? o.CustKey1 : o.CustKey2) = c.item; });
        EXPECT_EQ(im.dongle[c.firstWord], c.low);
        EXPECT_EQ(im.dongle[c.firstWord + 1], c.high);
    }
}

TEST(UnitImages, ReceiverTypeWord38) {
    EXPECT_EQ(build([](ProductSettings& o) { o.MouseOnly = false; }).dongle[0x38], 0xFFFF);
    EXPECT_EQ(build([](ProductSettings& o) { o.MouseOnly = true; }).dongle[0x38], 0x5AA5);
}

TEST(UnitImages, StringDescriptorLengthAndTextOrWhyNot) {
    const UnitImages ab = build([](ProductSettings& o) { o.StringDesc = "AB1"; });
    EXPECT_EQ(ab.dongle[0x13], 0x08F7);
    EXPECT_EQ(ab.dongle[0x14], 0x4142);
    EXPECT_EQ(ab.dongle[0x15], 0x3100);
    EXPECT_EQ(build([](ProductSettings& o) { o.StringDesc = "  "; }).dongle[0x13], 0);
    for (const std::string& text : {std::string("Mouse \xCE\xA9"), std::string(47, 'x')}) {   // U+03A9; one too many
        const UnitImages im = build([&](ProductSettings& o) { o.StringDesc = text; });
        EXPECT_FALSE(im.descriptorError.empty()) << text;
        EXPECT_EQ(im.dongle[0x13], kUnwritten) << text;
    }
}

} // namespace
