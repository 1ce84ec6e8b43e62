#pragma once
// Every language-dependent text has a one-byte id; GetLangText answers it in
// the current language. Texts are UTF-8.

#include <array>
#include <cstdint>
#include <string>

namespace kestrelon {

// The value names are stored as text in the user's settings ("lkEng", ...).
enum TLanguateKind : uint8_t { lkEng = 0, lkCht = 1, lkChs = 2 };

struct TLangTextItem {
    uint8_t Id;
    const char8_t* Text[3];   // indexed by TLanguateKind
};

constexpr int kLangTextCount = 56;
extern const std::array<TLangTextItem, kLangTextCount> LangTexts;

// The operator's language; only the language selection changes it.
extern TLanguateKind CurLanguage;

// Assigns the text of Id in CurLanguage to Text; an unknown id leaves Text
// as it was (callers pass an empty string).
void GetLangText(uint8_t Id, std::string& Text);
// Convenience for callers that want the text directly ("" when unknown).
std::string LangText(uint8_t Id);

const char* LanguageName(TLanguateKind k);   // "lkEng", "lkCht", "lkChs"

} // namespace kestrelon
