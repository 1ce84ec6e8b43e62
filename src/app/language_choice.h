#pragma once
// The rules of the stored language choice and of the guess offered when
// nothing is stored.

#include "model/lang.h"

#include <optional>
#include <string_view>

namespace kestrelon {

// The stored name read back: "lkEng", "lkCht" or "lkChs" in any letter case;
// a text of exactly three characters gets "lk" put in front first, so
// "Eng", "CHT", "chs" count too. Anything else is no stored choice.
std::optional<TLanguateKind> ParseStoredLanguage(std::string_view stored);

// Where the system has no ANSI code page, one is guessed from the locale
// name ("zh_CN", "zh-TW", "zh_HK.UTF-8", ...): Simplified Chinese locales
// (zh_CN, zh_SG) give 936, Traditional Chinese ones (zh_TW, zh_HK, zh_MO)
// 950, every other 1252.
int CodePageFromLocale(std::string_view locale);

// The item the language dialog starts with for a code page: 2 (Simplified
// Chinese) for 936, 10008, 50935, 51936, 52936; 1 (Traditional Chinese) for
// 950, 10002, 20000, 20002, 50937; 0 (English) for every other.
int LanguageItemForCodePage(int codePage);

} // namespace kestrelon
