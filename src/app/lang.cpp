#include "app/lang.h"

namespace kestrelon {

TLanguateKind CurLanguage = lkEng;

void GetLangText(uint8_t Id, std::string& Text) {
    for (const auto& row : LangTexts) {
        if (row.Id == Id) {
            Text = reinterpret_cast<const char*>(row.Text[CurLanguage]);
            return;
        }
    }
}

std::string LangText(uint8_t Id) {
    std::string t;
    GetLangText(Id, t);
    return t;
}

const char* LanguageName(TLanguateKind k) {
    switch (k) {
    case lkCht: return "lkCht";
    case lkChs: return "lkChs";
    default: return "lkEng";
    }
}

} // namespace kestrelon
