#pragma once
// Every language-dependent text has a one-byte id; GetLangText answers it in
// the current language. Texts are UTF-8. There is one current language per
// process, held by a Language object that the station owns.

#include "model/observed.h"

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

// The texts the tool itself shows by id (the window's captions look theirs
// up in its own table).
namespace text_id {
constexpr uint8_t ConnectTitle = 0x02;        // "Connect": the pairing result's title
constexpr uint8_t ConnectCaption = 0x03;      // "&Connect"
constexpr uint8_t ConnectingCaption = 0x04;   // "&Connecting", while pairing runs
constexpr uint8_t ConnectSuccess = 0x05;
constexpr uint8_t ConnectFail = 0x06;
constexpr uint8_t CheckDevice = 0x24;         // "Please Check Device:", above the missing devices
} // namespace text_id
extern const std::array<TLangTextItem, kLangTextCount> LangTexts;

// Assigns the text of Id in language k to Text; an unknown id leaves Text
// as it was (callers pass an empty string).
void GetLangText(TLanguateKind k, uint8_t Id, std::string& Text);

const char* LanguageName(TLanguateKind k);   // "lkEng", "lkCht", "lkChs"

class Language {
public:
    TLanguateKind CurLanguage() const { return cur_; }
    // Only the language selection changes it; listeners re-caption.
    void setCurLanguage(TLanguateKind k) {
        if (k == cur_) return;
        cur_ = k;
        changed.notify();
    }

    void GetLangText(uint8_t Id, std::string& Text) const { kestrelon::GetLangText(cur_, Id, Text); }
    // The text directly ("" when the id is unknown).
    std::string text(uint8_t Id) const {
        std::string t;
        GetLangText(Id, t);
        return t;
    }

    // The language dialog is open at start-up: the link check stands aside.
    bool DialogShowing = false;

    Notifier changed;

private:
    TLanguateKind cur_ = lkEng;
};

} // namespace kestrelon
