#include "platform/calendar.h"

#include <cstdio>

namespace kestrelon {

bool isLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeapYear(y) ? 29 : days[(m - 1) % 12];
}

// Howard Hinnant's days_from_civil / civil_from_days.
int64_t daysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void civilFromDays(int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(static_cast<int64_t>(yoe) + era * 400 + (m <= 2));
}

LocalDateTime addMilliseconds(const LocalDateTime& t, int64_t ms) {
    int64_t total = ((daysFromCivil(t.year, t.month, t.day) * 24 + t.hour) * 60 + t.minute) * 60 + t.second;
    total = total * 1000 + t.millisecond + ms;
    int64_t days = total / 86400000;
    int64_t rest = total % 86400000;
    if (rest < 0) { rest += 86400000; --days; }
    LocalDateTime r;
    r.utcOffsetMinutes = t.utcOffsetMinutes;
    civilFromDays(days, r.year, r.month, r.day);
    r.millisecond = static_cast<int>(rest % 1000);
    rest /= 1000;
    r.second = static_cast<int>(rest % 60);
    rest /= 60;
    r.minute = static_cast<int>(rest % 60);
    r.hour = static_cast<int>(rest / 60);
    return r;
}

std::string Iso8601(const LocalDateTime& t) {
    char buf[48];
    const int off = t.utcOffsetMinutes < 0 ? -t.utcOffsetMinutes : t.utcOffsetMinutes;
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second, t.millisecond, t.utcOffsetMinutes < 0 ? '-' : '+', off / 60, off % 60);
    return buf;
}

} // namespace kestrelon
