#include "platform/oledate.h"

#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "platform/errors.h"
#include "platform/locale.h"

namespace platform {
namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
// Day numbers of 1/1/100 and 12/31/9999.
constexpr std::int64_t kMinDay = -657434;
constexpr std::int64_t kMaxDay = 2958465;

bool isLeap(int y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(int y, int m) {
  static constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && isLeap(y) ? 29 : kDays[static_cast<std::size_t>(m - 1)];
}

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void civilFromDays(std::int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t yy = static_cast<std::int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yy + (m <= 2));
}

constexpr std::int64_t kEpochOffset = -25569;  // 1899-12-30 relative to 1970-01-01

[[noreturn]] void invalidDate() {
  throw ConversionError("Invalid argument to date encode");
}

std::string twoDigits(int v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02d", v);
  return buf;
}

// Writes a pattern whose tokens are runs of one letter; other characters are literal,
// with "/" and ":" standing for the locale's separators.
std::string formatPattern(const std::string& pattern, const DateTimeParts& p) {
  const UserLocale& loc = userLocale();
  std::string out;
  std::size_t i = 0;
  while (i < pattern.size()) {
    char c = pattern[i];
    std::size_t n = 1;
    while (i + n < pattern.size() && pattern[i + n] == c) ++n;
    switch (c) {
      case 'd':
        out += n >= 2 ? twoDigits(p.day) : std::to_string(p.day);
        break;
      case 'M':
        out += n >= 2 ? twoDigits(p.month) : std::to_string(p.month);
        break;
      case 'y':
        if (n <= 2) {
          out += twoDigits(p.year % 100);
        } else {
          char buf[8];
          std::snprintf(buf, sizeof buf, "%04d", p.year);
          out += buf;
        }
        break;
      case 'h': {
        int h = p.hour % 12 == 0 ? 12 : p.hour % 12;
        out += n >= 2 ? twoDigits(h) : std::to_string(h);
        break;
      }
      case 'H':
        out += n >= 2 ? twoDigits(p.hour) : std::to_string(p.hour);
        break;
      case 'm':
        out += n >= 2 ? twoDigits(p.minute) : std::to_string(p.minute);
        break;
      case 's':
        out += n >= 2 ? twoDigits(p.second) : std::to_string(p.second);
        break;
      case 't': {
        const std::string& mark = p.hour < 12 ? loc.am : loc.pm;
        out += n >= 2 ? mark : mark.substr(0, 1);
        break;
      }
      case '/':
        out.append(n, loc.dateSeparator);
        break;
      case ':':
        out.append(n, loc.timeSeparator);
        break;
      default:
        out.append(n, c);
        break;
    }
    i += n;
  }
  return out;
}

// Order of month, day and year in the locale's short date: "MDY", "DMY" or "YMD".
std::string dateOrder() {
  std::string order;
  for (char c : userLocale().shortDate) {
    char k = c == 'M' ? 'M' : c == 'd' ? 'D' : c == 'y' ? 'Y' : 0;
    if (k != 0 && order.find(k) == std::string::npos) order.push_back(k);
  }
  return order.size() == 3 ? order : "MDY";
}

struct Cursor {
  std::string_view s;
  std::size_t i = 0;
  bool atEnd() const { return i >= s.size(); }
  char peek() const { return atEnd() ? '\0' : s[i]; }
  void skipBlanks() {
    while (!atEnd() && s[i] == ' ') ++i;
  }
  // Reads 1 to maxDigits decimal digits.
  std::optional<int> number(std::size_t maxDigits, std::size_t* digitsRead = nullptr) {
    std::size_t start = i;
    int v = 0;
    while (!atEnd() && std::isdigit(static_cast<unsigned char>(s[i])) && i - start < maxDigits) {
      v = v * 10 + (s[i] - '0');
      ++i;
    }
    if (i == start || (!atEnd() && std::isdigit(static_cast<unsigned char>(s[i])))) {
      return std::nullopt;
    }
    if (digitsRead) *digitsRead = i - start;
    return v;
  }
};

bool isDateSeparator(char c) {
  return c == '/' || c == '-' || c == '.' || c == userLocale().dateSeparator;
}

bool matchMarker(Cursor& c, const std::string& marker) {
  if (marker.empty() || c.s.size() - c.i < marker.size()) return false;
  for (std::size_t k = 0; k < marker.size(); ++k) {
    if (std::tolower(static_cast<unsigned char>(c.s[c.i + k])) !=
        std::tolower(static_cast<unsigned char>(marker[k]))) {
      return false;
    }
  }
  c.i += marker.size();
  return true;
}

}  // namespace

bool isValidDate(int year, int month, int day) {
  return year >= 100 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
         day <= daysInMonth(year, month);
}

std::int64_t dayNumber(int year, int month, int day) {
  return daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
         kEpochOffset;
}

double encodeDateTime(const DateTimeParts& p) {
  if (!isValidDate(p.year, p.month, p.day) || p.hour < 0 || p.hour > 23 || p.minute < 0 ||
      p.minute > 59 || p.second < 0 || p.second > 59) {
    invalidDate();
  }
  std::int64_t secs =
      dayNumber(p.year, p.month, p.day) * kSecondsPerDay + p.hour * 3600 + p.minute * 60 + p.second;
  return secondsToDate(secs);
}

std::int64_t dateToSeconds(double date) {
  if (!std::isfinite(date) || date < static_cast<double>(kMinDay - 1) ||
      date > static_cast<double>(kMaxDay + 1)) {
    throw ConversionError("Invalid date value");
  }
  double whole = std::trunc(date);
  double frac = std::fabs(date - whole);
  auto secs = static_cast<std::int64_t>(std::llround(frac * kSecondsPerDay));
  return static_cast<std::int64_t>(whole) * kSecondsPerDay + secs;
}

double secondsToDate(std::int64_t seconds) {
  std::int64_t day =
      seconds >= 0 ? seconds / kSecondsPerDay : -((-seconds + kSecondsPerDay - 1) / kSecondsPerDay);
  std::int64_t rest = seconds - day * kSecondsPerDay;
  double frac = static_cast<double>(rest) / kSecondsPerDay;
  return day >= 0 ? static_cast<double>(day) + frac : static_cast<double>(day) - frac;
}

DateTimeParts decodeDateTime(double date) {
  std::int64_t secs = dateToSeconds(date);
  std::int64_t day =
      secs >= 0 ? secs / kSecondsPerDay : -((-secs + kSecondsPerDay - 1) / kSecondsPerDay);
  if (day < kMinDay || day > kMaxDay) throw ConversionError("Invalid date value");
  auto rest = static_cast<int>(secs - day * kSecondsPerDay);
  DateTimeParts p;
  civilFromDays(day + kEpochOffset, p.year, p.month, p.day);
  p.hour = rest / 3600;
  p.minute = rest / 60 % 60;
  p.second = rest % 60;
  return p;
}

std::string dateToText(double date, bool alwaysTime) {
  DateTimeParts p = decodeDateTime(date);
  const UserLocale& loc = userLocale();
  bool midnight = p.hour == 0 && p.minute == 0 && p.second == 0;
  bool dayZero = p.year == 1899 && p.month == 12 && p.day == 30;
  if (dayZero) return formatPattern(loc.longTime, p);
  std::string out = formatPattern(loc.shortDate, p);
  if (!midnight || alwaysTime) {
    out.push_back(' ');
    out += formatPattern(loc.longTime, p);
  }
  return out;
}

std::optional<double> parseDateText(std::string_view text) {
  Cursor c{text};
  c.skipBlanks();
  std::array<int, 3> parts{};
  std::array<std::size_t, 3> widths{};
  for (int k = 0; k < 3; ++k) {
    if (k > 0) {
      if (!isDateSeparator(c.peek())) return std::nullopt;
      ++c.i;
    }
    std::size_t width = 0;
    auto v = c.number(4, &width);
    if (!v) return std::nullopt;
    parts[static_cast<std::size_t>(k)] = *v;
    widths[static_cast<std::size_t>(k)] = width;
  }
  std::string order = dateOrder();
  int year = 0, month = 0, day = 0;
  std::size_t yearWidth = 0;
  for (std::size_t k = 0; k < 3; ++k) {
    if (order[k] == 'Y') {
      year = parts[k];
      yearWidth = widths[k];
    } else if (widths[k] > 2) {
      return std::nullopt;  // month and day have one or two digits
    } else if (order[k] == 'M') {
      month = parts[k];
    } else {
      day = parts[k];
    }
  }
  if (yearWidth <= 2) year += year < 30 ? 2000 : 1900;
  if (!isValidDate(year, month, day)) return std::nullopt;

  DateTimeParts p{year, month, day, 0, 0, 0};
  std::size_t beforeBlanks = c.i;
  c.skipBlanks();
  if (!c.atEnd()) {
    if (c.i == beforeBlanks) return std::nullopt;  // the time follows a blank
    auto h = c.number(2);
    if (!h || c.peek() != ':') return std::nullopt;
    ++c.i;
    auto m = c.number(2);
    if (!m) return std::nullopt;
    int s = 0;
    if (c.peek() == ':') {
      ++c.i;
      auto sv = c.number(2);
      if (!sv) return std::nullopt;
      s = *sv;
    }
    c.skipBlanks();
    const UserLocale& loc = userLocale();
    int hour = *h;
    if (matchMarker(c, "am") || matchMarker(c, loc.am)) {
      if (hour > 12) return std::nullopt;
      if (hour == 12) hour = 0;
    } else if (matchMarker(c, "pm") || matchMarker(c, loc.pm)) {
      if (hour > 12) return std::nullopt;
      if (hour < 12) hour += 12;
    }
    c.skipBlanks();
    if (!c.atEnd() || hour > 23 || *m > 59 || s > 59) return std::nullopt;
    p.hour = hour;
    p.minute = *m;
    p.second = s;
  }
  return encodeDateTime(p);
}

std::string formatStandardShortDate(double date) {
  DateTimeParts p = decodeDateTime(date);
  char sep = userLocale().dateSeparator;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d%c%02d%c%04d", p.month, sep, p.day, sep, p.year);
  return buf;
}

}  // namespace platform
