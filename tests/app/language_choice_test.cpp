#include "app/language_choice.h"

#include <gtest/gtest.h>

using namespace kestrelon;

namespace {

TEST(LanguageChoice, StoredNames) {
    const struct {
        const char* stored;
        std::optional<TLanguateKind> expected;
    } rows[] = {
        {"lkEng", lkEng}, {"lkcht", lkCht}, {"LKCHS", lkChs}, {"CHS", lkChs}, {"eng", lkEng}, {"Cht", lkCht},
        {"English", std::nullopt}, {"", std::nullopt}, {"lk", std::nullopt}, {"lkEng ", std::nullopt},
        {"Xyz", std::nullopt}, {"lkJpn", std::nullopt},
    };
    for (const auto& r : rows) EXPECT_EQ(ParseStoredLanguage(r.stored), r.expected) << '"' << r.stored << '"';
}

TEST(LanguageChoice, CodePageGuessAndDialogItem) {
    const struct {
        const char* locale;
        int codePage;
    } locales[] = {
        {"zh_CN", 936}, {"zh_SG", 936}, {"zh_TW", 950}, {"zh_HK", 950}, {"zh_MO", 950}, {"zh-TW", 950},
        {"zh_CN.UTF-8", 936}, {"zh_Hant_HK", 950}, {"en_US", 1252}, {"de_DE", 1252}, {"zh", 1252}, {"C", 1252},
        {"", 1252},
    };
    for (const auto& r : locales) EXPECT_EQ(CodePageFromLocale(r.locale), r.codePage) << r.locale;

    for (int cp : {936, 10008, 50935, 51936, 52936}) EXPECT_EQ(LanguageItemForCodePage(cp), 2) << cp;
    for (int cp : {950, 10002, 20000, 20002, 50937}) EXPECT_EQ(LanguageItemForCodePage(cp), 1) << cp;
    for (int cp : {1252, 437, 932, 0}) EXPECT_EQ(LanguageItemForCodePage(cp), 0) << cp;
}

} // namespace
