#include "app/language_choice.h"

#include <cctype>
#include <string>

namespace kestrelon {

namespace {

std::string Upper(std::string_view s) {
    std::string u(s);
    for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return u;
}

} // namespace

std::optional<TLanguateKind> ParseStoredLanguage(std::string_view stored) {
    std::string s = Upper(stored);
    if (s.size() == 3) s = "LK" + s;
    if (s == "LKENG") return lkEng;
    if (s == "LKCHT") return lkCht;
    if (s == "LKCHS") return lkChs;
    return std::nullopt;
}

int CodePageFromLocale(std::string_view locale) {
    // Language and territory: the first two fields, whatever separates them.
    const std::string u = Upper(locale.substr(0, locale.find_first_of(".@")));
    if (u.size() < 5 || u.compare(0, 2, "ZH") != 0 || (u[2] != '_' && u[2] != '-')) return 1252;
    const std::string territory = u.substr(u.find_last_of("_-") + 1);
    if (territory == "CN" || territory == "SG") return 936;
    if (territory == "TW" || territory == "HK" || territory == "MO") return 950;
    return 1252;
}

int LanguageItemForCodePage(int codePage) {
    switch (codePage) {
    case 936:
    case 10008:
    case 50935:
    case 51936:
    case 52936: return 2;
    case 950:
    case 10002:
    case 20000:
    case 20002:
    case 50937: return 1;
    default: return 0;
    }
}

} // namespace kestrelon
