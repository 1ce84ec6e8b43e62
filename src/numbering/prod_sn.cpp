#include "numbering/prod_sn.h"

#include "platform/calendar.h"

#include <cstdio>

namespace kestrelon {

int YearDayOf(const LocalDateTime& t) {
    // Whole days since 31 December 00:00 of the previous year; the time of
    // day only ever adds a fraction, which truncation drops.
    return static_cast<int>(daysFromCivil(t.year, t.month, t.day) - daysFromCivil(t.year - 1, 12, 31));
}

std::string PaddedHex(int64_t value, int digits) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%0*llX", digits < 0 ? 0 : digits,
                  static_cast<unsigned long long>(value));
    return buf;
}

bool ParseHexText(const std::string& text, int64_t& out) {
    uint64_t v = 0;
    size_t i = 0;
    while (i < text.size() && text[i] == '0') ++i;   // leading zeros do not count against the width
    if (text.size() - i > 16) return false;
    for (char c : text) {
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else return false;
        v = v * 16 + static_cast<uint64_t>(d);
    }
    out = static_cast<int64_t>(v);
    return true;
}

TProdSN::TProdSN(Clock& clock) : clock_(&clock) {
    // Applied through the write rules on a zero object, in this order: the
    // date switch asks for -2 incrementing bytes (ignored), the counts then
    // settle at 2 and 2.
    setIsSN(false);
    setIsDate(true);
    setFixSNByteCount(2);
    setIncSNByteCount(2);
    setFixSN(0);
    setIsFixAscii(true);
    setIncInitSN(0);
}

std::unique_ptr<TProdSN> TProdSN::CreateBlank(Clock& clock) {
    return std::unique_ptr<TProdSN>(new TProdSN(clock, Blank{}));
}

void TProdSN::setIsDate(bool v) {
    if (v == isDate_) return;
    isDate_ = v;
    if (v) {
        if (fixCount_ >= 2) setFixSNByteCount(fixCount_ - 2);
        else setIncSNByteCount(incCount_ - 2);
    } else {
        setFixSNByteCount(fixCount_ + 2);
    }
}

void TProdSN::setFixSNByteCount(int32_t v) {
    if (v < 0 || v > limit()) return;
    fixCount_ = v;
    incCount_ = limit() - v;
}

void TProdSN::setIncSNByteCount(int32_t v) {
    if (v < 0 || v > limit()) return;
    incCount_ = v;
    fixCount_ = limit() - v;
}

void TProdSN::setIncInitSN(int64_t v) {
    incInit_ = v;
    incPrev_ = static_cast<int64_t>(static_cast<uint64_t>(v) - 1);
}

void TProdSN::setIncCurrentSN(int64_t v) {
    incCurrent_ = v;
    incPrev_ = v;
}

int64_t TProdSN::IncNextSN() const {
    // Counts above 6 cannot pass the write rules; guard the shift anyway.
    if (incCount_ <= 0 || incCount_ > 7) return 0;
    const int64_t modulus = int64_t{1} << (8 * incCount_);
    const int64_t next = static_cast<int64_t>(static_cast<uint64_t>(incPrev_) + 1);
    return next % modulus;   // truncating, like the signed arithmetic it mirrors
}

int TProdSN::GetSNByte(int index) const {
    if (index < 0 || index > 5) return 0;
    const int dateBytes = isDate_ ? 2 : 0;
    if (index < dateBytes) {
        const LocalDateTime now = clock_->localNow();
        const int code = (now.year % 100) * 512 + YearDayOf(now);
        return index == 0 ? (code >> 8) & 0xFF : code & 0xFF;
    }
    auto byteOf = [](int64_t v, int fromLow) {
        return static_cast<int>((static_cast<uint64_t>(v) >> (8 * fromLow)) & 0xFF);
    };
    if (index < dateBytes + fixCount_) return byteOf(fixSN_, dateBytes + fixCount_ - 1 - index);
    if (index >= 6 - incCount_) return byteOf(IncNextSN(), 5 - index);
    return 0;
}

std::string TProdSN::GetSNText() const {
    if (!isSN_) return {};
    const int dateBytes = isDate_ ? 2 : 0;
    std::string text;
    for (int i = 0; i < 6; ++i) {
        char buf[4];
        std::snprintf(buf, sizeof buf, "%02X", GetSNByte(i));
        text += buf;
        const bool endOfDate = isDate_ && i == 1;
        const bool endOfFixed = i == dateBytes + fixCount_ - 1;
        if (i >= 1 && i <= 4 && (endOfDate || endOfFixed)) text += '-';
    }
    return text;
}

std::string TProdSN::GetFixSNText() const {
    if (fixCount_ <= 0) return {};
    if (!isFixAscii_) return PaddedHex(fixSN_, 2 * fixCount_);
    std::string text;
    for (int i = fixCount_ - 1; i >= 0; --i)
        text += static_cast<char>((static_cast<uint64_t>(fixSN_) >> (8 * i)) & 0xFF);
    return text;
}

std::string TProdSN::GetDateText() const {
    if (!isDate_) return {};
    const LocalDateTime now = clock_->localNow();
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d.%02d.%02d", now.year % 10000, now.month % 100, now.day % 100);
    return buf;
}

bool TProdSN::EnterFixSNText(const std::string& text) {
    if (!isFixAscii_) {
        int64_t v = 0;
        if (!ParseHexText(text, v)) return false;
        fixSN_ = v;
        return true;
    }
    uint64_t v = 0;
    for (size_t p = 0; p < text.size() && static_cast<int32_t>(p) < fixCount_; ++p)
        v |= uint64_t{static_cast<unsigned char>(text[p])} << (8 * (fixCount_ - 1 - static_cast<int32_t>(p)));
    fixSN_ = static_cast<int64_t>(v);
    return true;
}

} // namespace kestrelon
