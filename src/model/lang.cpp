#include "model/lang.h"

namespace kestrelon {

void GetLangText(TLanguateKind k, uint8_t Id, std::string& Text) {
    for (const auto& row : LangTexts) {
        if (row.Id == Id) {
            Text = reinterpret_cast<const char*>(row.Text[k]);
            return;
        }
    }
}

const char* LanguageName(TLanguateKind k) {
    switch (k) {
    case lkCht: return "lkCht";
    case lkChs: return "lkChs";
    default: return "lkEng";
    }
}

} // namespace kestrelon
