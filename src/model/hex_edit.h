#pragma once
// The text of a hexadecimal edit box, as the core keeps it for the window:
// reading parses hex (empty reads 0); writing a number shows it in upper
// case without leading zeros and shows nothing for 0 or less. An edit that
// belongs to a group of the presentation model tells the group's listeners
// when its text changes.

#include "model/observed.h"

#include <string>

namespace kestrelon {

long long HexEditValue(const std::string& text);
std::string HexEditText(long long value);

class HexEdit {
public:
    const std::string& text() const { return text_; }
    void setText(std::string t) {
        if (t == text_) return;
        text_ = std::move(t);
        if (owner_) owner_->notify();
    }
    void clear() { setText({}); }

    long long value() const { return HexEditValue(text_); }
    void setValue(long long v) { setText(HexEditText(v)); }
    // "Shown as two hex digits": the way a read result is displayed. A
    // negative value shows as the 32-bit pattern (-1 -> FFFFFFFF).
    void showHex2(long long v);

    // The listeners told of every change of this edit's text.
    void attach(const Notifier* owner) { owner_ = owner; }

private:
    std::string text_ = "00";
    const Notifier* owner_ = nullptr;
};

} // namespace kestrelon
