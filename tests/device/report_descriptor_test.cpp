#include "device/report_descriptor.h"

#include <gtest/gtest.h>

#include <random>

using namespace kestrelon;
using Bytes = std::vector<uint8_t>;

namespace {

// The dongle's own collection: vendor page, feature report 1 of 8 bytes.
const Bytes kVendorFeature = {
    0x06, 0x00, 0xFF,  // Usage Page (vendor 0xFF00)
    0x09, 0x01,        // Usage 1
    0xA1, 0x01,        // Collection (Application)
    0x85, 0x01,        //   Report ID 1
    0x15, 0x00, 0x26, 0xFF, 0x00,
    0x75, 0x08, 0x95, 0x08,  // 8 x 8 bits
    0x09, 0x01, 0xB1, 0x02,  // Feature
    0xC0,
};

const Bytes kBootMouse = {
    0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00,
    0x05, 0x09, 0x19, 0x01, 0x29, 0x03, 0x15, 0x00, 0x25, 0x01,
    0x95, 0x03, 0x75, 0x01, 0x81, 0x02,        // 3 buttons
    0x95, 0x01, 0x75, 0x05, 0x81, 0x03,        // padding
    0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x09, 0x38,
    0x15, 0x81, 0x25, 0x7F, 0x75, 0x08, 0x95, 0x03, 0x81, 0x06,  // X, Y, wheel
    0xC0, 0xC0,
};

const Bytes kBootKeyboard = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01,
    0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00, 0x25, 0x01,
    0x75, 0x01, 0x95, 0x08, 0x81, 0x02,        // modifiers
    0x95, 0x01, 0x75, 0x08, 0x81, 0x01,        // reserved
    0x95, 0x05, 0x75, 0x01, 0x05, 0x08, 0x19, 0x01, 0x29, 0x05, 0x91, 0x02,  // LEDs
    0x95, 0x01, 0x75, 0x03, 0x91, 0x01,        // LED padding
    0x95, 0x06, 0x75, 0x08, 0x15, 0x00, 0x25, 0x65,
    0x05, 0x07, 0x19, 0x00, 0x29, 0x65, 0x81, 0x00,  // key array
    0xC0,
};

// Mouse (ID 1), consumer control (ID 2), a 32-byte vendor feature (ID 3)
// and a 12-bit feature (ID 4) that must round up.
const Bytes kSeveralIds = {
    0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x85, 0x01,
    0x05, 0x09, 0x19, 0x01, 0x29, 0x05, 0x95, 0x05, 0x75, 0x01, 0x81, 0x02,
    0x95, 0x01, 0x75, 0x03, 0x81, 0x03,
    0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x75, 0x10, 0x95, 0x02, 0x81, 0x06,  // 1 + 4 bytes
    0xC0,
    0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x02,
    0x75, 0x10, 0x95, 0x01, 0x19, 0x00, 0x2A, 0x3C, 0x02, 0x81, 0x00,  // 2 bytes
    0xC0,
    0x06, 0x00, 0xFF, 0x09, 0x02, 0xA1, 0x01, 0x85, 0x03,
    0x75, 0x08, 0x95, 0x20, 0x09, 0x02, 0xB1, 0x02,  // 32 bytes
    0x85, 0x04, 0x75, 0x0C, 0x95, 0x01, 0x09, 0x03, 0xB1, 0x02,  // 12 bits
    0xC0,
};

ReportDescriptorInfo parse(const Bytes& b) { return ParseReportDescriptor(b); }

} // namespace

TEST(ReportDescriptor, RealWorldDescriptorsGiveTheLengthsWindowsReports) {
    auto vendor = parse(kVendorFeature);
    EXPECT_TRUE(vendor.ok()) << vendor.error;
    EXPECT_EQ(vendor.lengths.feature, 9);
    EXPECT_EQ(vendor.lengths.input, 0);
    EXPECT_EQ(vendor.lengths.output, 0);
    EXPECT_TRUE(vendor.usesReportIds);

    // Without report IDs the zero ID still takes a byte.
    auto mouse = parse(kBootMouse);
    EXPECT_TRUE(mouse.ok()) << mouse.error;
    EXPECT_EQ(mouse.lengths.input, 5);
    EXPECT_EQ(mouse.lengths.feature, 0);
    EXPECT_FALSE(mouse.usesReportIds);

    auto keyboard = parse(kBootKeyboard);
    EXPECT_TRUE(keyboard.ok()) << keyboard.error;
    EXPECT_EQ(keyboard.lengths.input, 9);
    EXPECT_EQ(keyboard.lengths.output, 2);
    EXPECT_EQ(keyboard.lengths.feature, 0);
}

TEST(ReportDescriptor, LongestReportIdWinsAndPartialBytesRoundUp) {
    auto info = parse(kSeveralIds);
    EXPECT_TRUE(info.ok()) << info.error;
    EXPECT_EQ(info.lengths.input, 6);     // mouse: 5 bytes + ID
    EXPECT_EQ(info.lengths.feature, 33);  // vendor: 32 bytes + ID, not the 12-bit one
    ASSERT_EQ(info.collections.size(), 3u);
    EXPECT_EQ(info.collections[1].usagePage, 0x0C);
    EXPECT_EQ(info.collections[1].lengths.input, 3);
    EXPECT_EQ(info.collections[2].lengths.feature, 33);

    // The 12-bit report alone takes 2 bytes + ID.
    Bytes twelveBits = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x04,
                        0x75, 0x0C, 0x95, 0x01, 0x09, 0x03, 0xB1, 0x02, 0xC0};
    EXPECT_EQ(parse(twelveBits).lengths.feature, 3);
}

TEST(ReportDescriptor, ReceiverInterfacesAreToldApartByTheirFeatureReport) {
    // Interface 0: keyboard (ID 1) and consumer control (ID 3).
    Bytes keys(kBootKeyboard.begin(), kBootKeyboard.begin() + 6);
    keys.insert(keys.end(), {0x85, 0x01});
    keys.insert(keys.end(), kBootKeyboard.begin() + 6, kBootKeyboard.end());
    keys.insert(keys.end(), {0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x03, 0x75, 0x10, 0x95, 0x01,
                             0x19, 0x00, 0x2A, 0x3C, 0x02, 0x81, 0x00, 0xC0});
    // Interface 1: mouse (ID 2) and the vendor collection.
    Bytes vendor(kSeveralIds.begin(), kSeveralIds.begin() + 39);
    vendor[7] = 0x02;
    vendor.insert(vendor.end(), kVendorFeature.begin(), kVendorFeature.end());

    auto keyInfo = parse(keys);
    EXPECT_TRUE(keyInfo.ok()) << keyInfo.error;
    EXPECT_EQ(keyInfo.lengths.feature, 0);
    EXPECT_EQ(keyInfo.lengths.input, 9);
    ASSERT_EQ(keyInfo.collections.size(), 2u);
    EXPECT_EQ(keyInfo.collections[0].usagePage, 0x01);
    EXPECT_EQ(keyInfo.collections[0].usage, 0x06);
    EXPECT_EQ(keyInfo.collections[1].usagePage, 0x0C);

    auto vendorInfo = parse(vendor);
    EXPECT_TRUE(vendorInfo.ok()) << vendorInfo.error;
    EXPECT_EQ(vendorInfo.lengths.feature, 9);
    ASSERT_EQ(vendorInfo.collections.size(), 2u);
    EXPECT_EQ(vendorInfo.collections[0].lengths.feature, 0);   // the mouse
    EXPECT_EQ(vendorInfo.collections[1].usagePage, 0xFF00);
    EXPECT_EQ(vendorInfo.collections[1].lengths.feature, 9);
}

TEST(ReportDescriptor, PushPopAndLongItemsAreHonoured) {
    // 4 x 8 bits pushed, a 16-bit field, then the 32 bits restored by Pop.
    Bytes pushPop = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x05, 0x75, 0x08, 0x95, 0x04,
                     0xA4, 0x75, 0x10, 0x95, 0x01, 0xB1, 0x02, 0xB4, 0xB1, 0x02, 0xC0};
    EXPECT_EQ(parse(pushPop).lengths.feature, 1 + 2 + 4);

    // A long item carries nothing that changes lengths, even bytes that
    // would look like items.
    Bytes withLong = {0xFE, 0x03, 0x10, 0x95, 0x40, 0xB1};
    withLong.insert(withLong.end(), kVendorFeature.begin(), kVendorFeature.end());
    auto info = parse(withLong);
    EXPECT_TRUE(info.ok()) << info.error;
    EXPECT_EQ(info.lengths.feature, 9);

    // A 4-byte usage names its own page.
    Bytes extendedUsage = {0x0B, 0x01, 0x00, 0x00, 0xFF, 0xA1, 0x01, 0xC0};
    auto ext = parse(extendedUsage);
    ASSERT_EQ(ext.collections.size(), 1u);
    EXPECT_EQ(ext.collections[0].usagePage, 0xFF00);
    EXPECT_EQ(ext.collections[0].usage, 1);
}

TEST(ReportDescriptor, BrokenDescriptorsAreReportedNotTrusted) {
    EXPECT_FALSE(parse({}).ok());
    EXPECT_FALSE(parse({0xB4}).ok());                   // Pop without Push
    EXPECT_FALSE(parse({0xC0}).ok());                   // End without Collection
    EXPECT_FALSE(parse({0xA1, 0x01}).ok());             // never closed
    EXPECT_FALSE(parse({0x86, 0x00, 0x01}).ok());       // report ID 256
    EXPECT_FALSE(parse({0xFE, 0x10, 0x00, 0x01}).ok()); // long item past the end

    // Every cut of a good descriptor is an error (a split item or an open
    // collection) except the two that end before the collection, and none
    // claims a feature report longer than the whole one.
    for (size_t n = 1; n < kVendorFeature.size(); ++n) {
        Bytes cut(kVendorFeature.begin(), kVendorFeature.begin() + static_cast<long>(n));
        auto info = parse(cut);
        if (n != 3 && n != 5) {
            EXPECT_FALSE(info.ok()) << "cut at " << n;
        }
        EXPECT_LE(info.lengths.feature, 9);
    }

    // Sizes whose product overflows 32 bits must not wrap to a small length.
    Bytes huge = {0x85, 0x01, 0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0xB1, 0x02};
    auto info = parse(huge);
    EXPECT_FALSE(info.ok());
    EXPECT_GT(info.lengths.feature, 0xFFFF);
    EXPECT_LE(info.lengths.feature, 0xFFFF + 1);
}

TEST(ReportDescriptor, RandomBytesNeverReadOutOfBounds) {
    std::mt19937 rng(20261208);
    std::uniform_int_distribution<int> byte(0, 255), length(0, 300);
    for (int round = 0; round < 3000; ++round) {
        // Exactly sized, so the sanitizer build sees any read past the end.
        Bytes junk(static_cast<size_t>(length(rng)));
        for (auto& b : junk) b = static_cast<uint8_t>(byte(rng));
        auto info = parse(junk);
        EXPECT_GE(info.lengths.feature, 0);
        EXPECT_LE(info.lengths.feature, 0xFFFF + 1);
        EXPECT_LE(info.collections.size(), junk.size());
    }
}
