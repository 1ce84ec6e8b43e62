#pragma once
// Plain calendar arithmetic on LocalDateTime (proleptic Gregorian).

#include "platform/clock.h"

#include <cstdint>
#include <string>

namespace kestrelon {

bool isLeapYear(int year);
int daysInMonth(int year, int month);
// Days since 1970-01-01 for a civil date, and back.
int64_t daysFromCivil(int year, int month, int day);
void civilFromDays(int64_t days, int& year, int& month, int& day);
LocalDateTime addMilliseconds(const LocalDateTime& t, int64_t ms);
// "2026-12-08T14:03:05.123+01:00": ISO 8601 with milliseconds and the offset.
std::string Iso8601(const LocalDateTime& t);

} // namespace kestrelon
