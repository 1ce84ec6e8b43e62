#include "model/lang.h"

#include <gtest/gtest.h>

#include <set>

using namespace kestrelon;

namespace {

TEST(Lang, EveryIdOnceInStoredOrder) {
    std::set<int> ids;
    for (const auto& row : LangTexts) ids.insert(row.Id);
    EXPECT_EQ(ids.size(), 56u);
    EXPECT_EQ(*ids.rbegin(), 0x37);
    // Rows 0-22 hold 0x00-0x16; the rest follow the stored order.
    for (int i = 0; i <= 22; ++i) EXPECT_EQ(LangTexts[i].Id, i);
    const int rest[] = {0x18, 0x19, 0x1A, 0x1D, 0x1E, 0x1B, 0x1C, 0x26, 0x20, 0x21, 0x22, 0x24, 0x25, 0x27, 0x28, 0x17,
                        0x29, 0x2A, 0x2B, 0x2C, 0x2D, 0x2E, 0x2F, 0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x23,
                        0x1F};
    for (int i = 0; i < 33; ++i) EXPECT_EQ(LangTexts[23 + i].Id, rest[i]) << "row " << 23 + i;
}

TEST(Lang, EveryIdHasATextInEveryLanguage) {
    Language lang;
    for (int k = 0; k < 3; ++k) {
        lang.setCurLanguage(static_cast<TLanguateKind>(k));
        for (int id = 0; id <= 0x37; ++id) EXPECT_FALSE(lang.text(static_cast<uint8_t>(id)).empty()) << id;
        EXPECT_EQ(lang.text(0x38), "");
        std::string keep = "unchanged";
        lang.GetLangText(0xFF, keep);
        EXPECT_EQ(keep, "unchanged");
    }
}

TEST(Lang, TextsAreTheTableCharacters) {
    Language lang;
    int notified = 0;
    const auto watching = lang.changed.connect([&] { ++notified; });
    EXPECT_EQ(lang.text(0x03), "&Connect");
    EXPECT_EQ(lang.text(0x24), "Please Check Device:");
    EXPECT_EQ(lang.text(0x17), "Keyboard Binding");
    EXPECT_EQ(lang.text(0x1F), "Setup fail, please move mouse to rebuild RF Link!");
    lang.setCurLanguage(lkChs);
    EXPECT_EQ(lang.text(0x24), "\xE8\xAF\xB7\xE6\xA3\x80\xE6\x9F\xA5\xE4\xBB\xA5\xE4\xB8\x8B\xE8\xA3\x85\xE7\xBD\xAE\xEF\xBC\x9A");   // 请检查以下装置：
    EXPECT_EQ(lang.text(0x02), "\xE5\xAF\xB9\xE7\xA0\x81");   // 对码
    lang.setCurLanguage(lkCht);
    EXPECT_EQ(lang.text(0x24), "\xE8\xAB\x8B\xE6\xAA\xA2\xE6\x9F\xA5\xE4\xBB\xA5\xE4\xB8\x8B\xE8\xA3\x9D\xE7\xBD\xAE\xEF\xBC\x9A");   // 請檢查以下裝置：
    EXPECT_EQ(lang.text(0x25), "\xE8\xA8\xAD\xE5\xAE\x9A");   // 設定
    EXPECT_EQ(lang.text(0x17), "\xE9\x8D\xB5\xE7\x9B\xA4\xE5\xB0\x8D\xE7\xA2\xBC");   // 鍵盤對碼
    EXPECT_EQ(notified, 2);
}

} // namespace
