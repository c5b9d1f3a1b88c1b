// Dates and times as TDateTime: days since 1899-12-30 00:00 in local time, the
// fraction being the time of day (2000-01-01 is 36526.0, 1970-01-01 is 25569.0).
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

namespace vcl {

using TDateTime = double;

inline constexpr TDateTime kUnixEpochDate = 25569.0;

bool IsLeapYear(int32_t Year) noexcept;
int32_t DaysInMonth(int32_t Year, int32_t Month) noexcept; // 0 for an invalid month

// Raise EConvertError for values outside 1..9999, 1..12, 1..DaysInMonth and
// 0..23, 0..59, 0..59, 0..999.
TDateTime EncodeDate(int32_t Year, int32_t Month, int32_t Day);
TDateTime EncodeTime(int32_t Hour, int32_t Min, int32_t Sec, int32_t MSec);
// The same as a result: false for invalid values, leaving Result unchanged.
bool TryEncodeDate(int32_t Year, int32_t Month, int32_t Day, TDateTime& Result) noexcept;
bool TryEncodeTime(int32_t Hour, int32_t Min, int32_t Sec, int32_t MSec, TDateTime& Result) noexcept;

// Split a value; values outside the years 1..9999 (and NaN) give all zeros.
void DecodeDate(TDateTime Value, int32_t& Year, int32_t& Month, int32_t& Day) noexcept;
void DecodeTime(TDateTime Value, int32_t& Hour, int32_t& Min, int32_t& Sec, int32_t& MSec) noexcept;
// 1 = Monday ... 7 = Sunday.
int32_t DayOfTheWeek(TDateTime Value) noexcept;

// The current local date and time. Tests may replace the clock.
TDateTime Now();
void SetClockOverride(std::function<TDateTime()> clock);

// Conversion of file times (seconds since 1970 UTC) to local TDateTime and back.
TDateTime UnixToDateTime(int64_t Seconds);
int64_t DateTimeToUnix(TDateTime Value);

// Formats Value with a pattern. Tokens (letters are case-insensitive):
//   d dd ddd dddd   day, two-digit day, short and long English weekday name
//   m mm mmm mmmm   month, two-digit month, short and long English month name
//                   (m and mm directly after an hour token mean minutes)
//   yy yyyy         two- and four-digit year
//   h hh n nn s ss  hour, minute, second (one or two digits)
//   z zzz           milliseconds
//   am/pm a/p       twelve-hour clock marker; hours then count 12, 1 .. 11
//   "text" 'text'   literal text
// Any other character is copied.
std::string FormatDateTime(const std::string& Format, TDateTime Value);

} // namespace vcl
