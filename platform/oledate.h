// Automation dates: a count of days since 1899-12-30 whose fraction is the time of
// day (for days before that date the fraction counts forward from the day, so -1.25
// is 12/29/1899 6:00). Conversions to and from the user's locale text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

struct DateTimeParts {
  int year = 1899;
  int month = 12;
  int day = 30;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// Years 100 to 9999, as automation dates allow.
bool isValidDate(int year, int month, int day);

// Whole days since 1899-12-30 for a valid calendar date.
std::int64_t dayNumber(int year, int month, int day);

// Throws ConversionError for a date outside years 100 to 9999 or an invalid time.
double encodeDateTime(const DateTimeParts& parts);
// Rounds to the nearest second; throws ConversionError outside years 100 to 9999.
DateTimeParts decodeDateTime(double date);

// A continuous second count since 1899-12-30 00:00:00 (negative before it), rounded.
std::int64_t dateToSeconds(double date);
double secondsToDate(std::int64_t seconds);

// The locale's short date, then, unless the time is exactly midnight, a blank and the
// locale's long time; on day 0 (12/30/1899) the time alone. With alwaysTime the time
// is written at midnight too. Throws ConversionError outside the valid range.
std::string dateToText(double date, bool alwaysTime = false);

// Reads a date text as the locale reads it: month/day/year (in the locale's order),
// years of 1 to 4 digits (00-29 are 2000-2029, 30-99 are 1930-1999), an optional time
// h:mm[:ss] with an optional am/pm in either case; surrounding blanks ignored.
std::optional<double> parseDateText(std::string_view text);

// Two-digit month, two-digit day, four-digit year, joined by the locale's separator.
std::string formatStandardShortDate(double date);

}  // namespace platform
