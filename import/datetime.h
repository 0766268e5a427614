// Dates and times of an import file read exactly as written: a date under the chosen
// date layout, a time of day in 12- or 24-hour form, or both in one field. Whatever the
// text gives is kept; what it cannot mean is refused with the text named.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace importing {

// The nine layouts of "Date format mask:", in their order.
inline constexpr std::array<const char*, 9> kDateMasks = {
    "month/day/year", "year/month/day", "day/month/year", "month-day-year", "year-month-day",
    "day-month-year", "month.day.year", "year.month.day", "day.month.year"};

inline constexpr int kSecondsPerDay = 86400;

// The date of a text written under layout `mask` (0 to 8; another number counts as 0), as
// an automation date at midnight. Quotes are ignored, and so is what follows the year
// after a blank or a comma (a time, a weekday). Month and day have one or two digits, the
// year one to four (00 to 29 are 2000 to 2029, 30 to 99 are 1930 to 1999). Raises
// platform::ConversionError naming the text when it is no date.
double fixupdate(std::string_view text, int mask);

// The time of day of a text, in seconds after midnight: h:mm or h:mm:ss, or h alone with
// an am/pm marker; the marker in any letter case, with or without a blank before it.
// "24:00" and "24:00:00" are midnight at the end of the day (86400). Raises
// platform::ConversionError naming the text for an hour above 24 (12 with a marker), a
// minute or second above 59, or text that is no time.
int fixuptime(std::string_view text);

// A "DateTime" field: a date, a blank and a time; or a date alone, or a time alone.
struct DateAndTime {
  std::optional<double> date;  // midnight of the day
  std::optional<int> time;     // seconds after midnight
};
DateAndTime fixupdatetime(std::string_view text, int mask);

// Date and seconds as one automation date (86400 seconds being the next midnight).
double combine(double date, int seconds);

}  // namespace importing
