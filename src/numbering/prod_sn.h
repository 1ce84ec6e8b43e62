#pragma once
// The 6-byte serial number of a dongle (RxSN) or a mouse (TxSN): an optional
// 2-byte date code, a fixed part and an incrementing part, plus the counter
// state that carries the incrementing part from unit to unit.
//
// Every state change goes through the set... write rules below, also when an
// object is read back from its stored text; the rules keep
//   FixSNByteCount + IncSNByteCount == (IsDate ? 4 : 6).

#include "numbering/component.h"
#include "platform/clock.h"

#include <cstdint>
#include <memory>
#include <string>

namespace kestrelon {

// Day of the year of a local date-time: 1 on 1 January (any time of day),
// 366 on 31 December of a leap year.
int YearDayOf(const LocalDateTime& t);

class TProdSN : public TComponent {
public:
    static constexpr const char* kClassName = "TProdSN";

    // An object with the defaults the program starts from (numbering off,
    // date on, 2 fixed + 2 incrementing bytes, ASCII fixed part, next value 0).
    explicit TProdSN(Clock& clock);
    // An object with every field zero or false, as the stored text form is
    // applied to; no defaults.
    static std::unique_ptr<TProdSN> CreateBlank(Clock& clock);

    const char* ClassName() const override { return kClassName; }

    bool IsSN() const { return isSN_; }
    bool IsDate() const { return isDate_; }
    int32_t FixSNByteCount() const { return fixCount_; }
    int64_t FixSN() const { return fixSN_; }
    int32_t IncSNByteCount() const { return incCount_; }
    int64_t IncInitSN() const { return incInit_; }
    int64_t IncPrevSN() const { return incPrev_; }
    int64_t IncCurrentSN() const { return incCurrent_; }
    // The value of the incrementing part the next unit gets:
    // (IncPrevSN + 1) mod 256^IncSNByteCount. Reading changes nothing.
    int64_t IncNextSN() const;
    bool IsFixAscii() const { return isFixAscii_; }

    void setIsSN(bool v) { isSN_ = v; }
    // Switching the date on takes its two bytes from the fixed part when it
    // has two, else from the incrementing part; switching off gives them to
    // the fixed part. Writing the current value does nothing.
    void setIsDate(bool v);
    // Ignored outside 0..4 (with the date) or 0..6; the other count follows.
    void setFixSNByteCount(int32_t v);
    void setIncSNByteCount(int32_t v);
    void setFixSN(int64_t v) { fixSN_ = v; }
    // Restarts the sequence: the next unit gets v.
    void setIncInitSN(int64_t v);
    void setIncPrevSN(int64_t v) { incPrev_ = v; }
    // Records the value of a passed unit: the next unit gets v + 1.
    void setIncCurrentSN(int64_t v);
    void setIsFixAscii(bool v) { isFixAscii_ = v; }

    // Byte index (0..5) of the serial number the next unit gets; the date
    // bytes come from the clock at the moment of the call. 0 for index >= 6.
    int GetSNByte(int index) const;
    // "1201-4142-0001" style: hex bytes with "-" after the date and after the
    // fixed part; empty while numbering is off.
    std::string GetSNText() const;
    // The fixed part as its box shows it: characters (may contain NULs) in
    // ASCII mode, else zero-padded upper-case hex. Empty with no fixed bytes.
    std::string GetFixSNText() const;
    // Today as "yyyy.mm.dd" with the date on, else empty.
    std::string GetDateText() const;

    // Sets FixSN from the Fixed box's text: in ASCII mode the first character
    // becomes the most significant fixed byte (characters beyond the fixed
    // part are ignored); otherwise the text is read as hex, empty = 0.
    // False, and nothing changed, when hex text is not a hex number.
    bool EnterFixSNText(const std::string& text);

private:
    struct Blank {};
    TProdSN(Clock& clock, Blank) : clock_(&clock) {}
    int limit() const { return isDate_ ? 4 : 6; }

    Clock* clock_;
    bool isSN_ = false;
    bool isDate_ = false;
    int32_t fixCount_ = 0;
    int64_t fixSN_ = 0;
    int32_t incCount_ = 0;
    int64_t incInit_ = 0;
    int64_t incPrev_ = 0;
    int64_t incCurrent_ = 0;
    bool isFixAscii_ = false;
};

// Upper-case hex of the low `digits` / 2 bytes' worth of value, zero-padded
// to `digits` (the way the Initial, Current and Next boxes show numbers).
std::string PaddedHex(int64_t value, int digits);

// Reads a hex box: empty text is 0. False when the text is not a hex number
// that fits 64 bits.
bool ParseHexText(const std::string& text, int64_t& out);

} // namespace kestrelon
