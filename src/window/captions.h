#pragma once
// The captions that follow the operator's language: which text id each
// control of the main window shows, and the refresh that sets them all.

#include "model/lang.h"

#include <QWidget>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kestrelon {

struct CaptionRow {
    uint8_t id;
    std::vector<const char*> controls;   // object names
};
// Every translated caption of the main window except the pairing button's.
const std::vector<CaptionRow>& CaptionTable();

// The text of an id in the current language (GetLangText, or a stand-in).
using TextLookup = std::function<std::string(uint8_t id)>;

// Sets the caption of a group box, button, check box, radio button or label.
void SetCaption(QWidget* control, const QString& text);
// The caption as SetCaption would have set it.
QString Caption(const QWidget* control);

// Re-captions the main window (ApplyLanguage): every control of the table;
// the pairing button with id 0x04 ("&Connecting") while a pairing is in
// progress and 0x03 ("&Connect") otherwise; and the hot-key boxes
// cbCustKey1 and cbCustKey2 at left 90 for Simplified Chinese (its labels
// are wider), 65 otherwise.
void ApplyLanguage(QWidget& form, const TextLookup& text, bool pairingInProgress, TLanguateKind language);

} // namespace kestrelon
