// The user's locale settings and the clock. Both come from one place so that tests
// can run the same code under another locale or on a fixed day.
#pragma once

#include <optional>
#include <string>

namespace platform {

struct UserLocale {
  // Short date pattern: d, dd, M, MM, yy, yyyy; "/" stands for dateSeparator.
  std::string shortDate = "M/d/yyyy";
  // Long time pattern: h, hh (12-hour), H, HH (24-hour), m, mm, s, ss, tt (AM/PM);
  // ":" stands for timeSeparator.
  std::string longTime = "h:mm:ss tt";
  char dateSeparator = '/';
  char timeSeparator = ':';
  char decimalSeparator = '.';
  std::string am = "AM";
  std::string pm = "PM";

  static UserLocale usEnglish() { return {}; }
};

const UserLocale& userLocale();
void setUserLocale(const UserLocale& locale);

// Local date and time as an automation date (days since 1899-12-30, fraction = time).
double nowDate();
// Today at midnight.
double todayDate();
// Tests pin the clock to a fixed automation date; nullopt returns to the real clock.
void setFixedNow(std::optional<double> now);

}  // namespace platform
