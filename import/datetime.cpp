#include "import/datetime.h"

#include <algorithm>
#include <cctype>

#include "platform/errors.h"
#include "platform/locale.h"
#include "platform/oledate.h"

namespace importing {
namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool allDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) {
    return std::isdigit(static_cast<unsigned char>(c));
  });
}

int toNumber(std::string_view digits) {
  int v = 0;
  for (char c : digits) v = v * 10 + (c - '0');
  return v;
}

[[noreturn]] void refuse(std::string_view text, const std::string& why) {
  throw platform::ConversionError("'" + std::string(text) + "' " + why);
}

// Matches an am/pm marker at the end of `s` (letter case ignored): am, pm, a, p, a.m.,
// p.m. or the locale's own. 0 for none, 1 for am, 2 for pm; `s` loses the marker.
int takeMarker(std::string_view& s) {
  auto lower = [](std::string_view v) {
    std::string out(v);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
  };
  const platform::UserLocale& loc = platform::userLocale();
  const std::string am = lower(loc.am), pm = lower(loc.pm);
  std::string tail = lower(s);
  struct Marker {
    std::string text;
    int which;
  };
  const Marker markers[] = {{"a.m.", 1}, {"p.m.", 2}, {am, 1},  {pm, 2},
                            {"am", 1},   {"pm", 2},   {"a", 1}, {"p", 2}};
  for (const Marker& m : markers) {
    if (!m.text.empty() && tail.size() >= m.text.size() &&
        tail.compare(tail.size() - m.text.size(), m.text.size(), m.text) == 0) {
      s.remove_suffix(m.text.size());
      return m.which;
    }
  }
  return 0;
}

}  // namespace

double fixupdate(std::string_view text, int mask) {
  std::string t(text);
  std::erase(t, '"');
  std::string_view s = trim(t);
  if (mask < 0 || mask > 8) mask = 0;
  const char sep = "/-."[mask / 3];
  const std::string layout = std::string("is not a date in the layout ") + kDateMasks[mask];
  std::size_t p1 = s.find(sep);
  std::size_t p2 = p1 == std::string_view::npos ? p1 : s.find(sep, p1 + 1);
  if (p2 == std::string_view::npos) refuse(s, layout);
  std::string_view first = s.substr(0, p1), second = s.substr(p1 + 1, p2 - p1 - 1);
  // What follows the year after a blank or a comma (a time, a weekday) is no part of it.
  std::string_view third = s.substr(p2 + 1);
  third = third.substr(0, std::min(third.find_first_of(" \t,"), third.size()));
  std::string_view month, day, year;
  switch (mask % 3) {
    case 0:
      month = first, day = second, year = third;
      break;
    case 1:
      year = first, month = second, day = third;
      break;
    default:
      day = first, month = second, year = third;
      break;
  }
  if (!allDigits(month) || !allDigits(day) || !allDigits(year) || month.size() > 2 ||
      day.size() > 2) {
    refuse(s, layout);
  }
  if (year.size() > 4) refuse(s, "has a year of more than four digits");
  int y = toNumber(year);
  if (year.size() <= 2) y += y < 30 ? 2000 : 1900;
  int m = toNumber(month), d = toNumber(day);
  if (!platform::isValidDate(y, m, d)) refuse(s, "is not a valid date");
  return static_cast<double>(platform::dayNumber(y, m, d));
}

int fixuptime(std::string_view text) {
  const std::string_view whole = trim(text);
  std::string_view s = whole;
  int marker = takeMarker(s);
  s = trim(s);
  std::string_view parts[3];
  int count = 0;
  for (;;) {
    std::size_t colon = s.find(':');
    if (count == 2 || colon == std::string_view::npos) {
      parts[count++] = s;
      break;
    }
    parts[count++] = s.substr(0, colon);
    s.remove_prefix(colon + 1);
  }
  if (count == 1 && marker == 0) refuse(whole, "is not a valid time");
  for (int k = 0; k < count; ++k) {
    if (!allDigits(parts[k]) || parts[k].size() > 2) refuse(whole, "is not a valid time");
  }
  int hour = toNumber(parts[0]);
  int minute = count > 1 ? toNumber(parts[1]) : 0;
  int second = count > 2 ? toNumber(parts[2]) : 0;
  if (minute > 59) refuse(whole, "is not a valid time: the minutes are above 59");
  if (second > 59) refuse(whole, "is not a valid time: the seconds are above 59");
  if (marker != 0) {
    if (hour > 12) refuse(whole, "is not a valid time: the hour is above 12");
    if (hour == 12) hour = 0;
    if (marker == 2) hour += 12;
  } else if (hour > 24 || (hour == 24 && (minute > 0 || second > 0))) {
    refuse(whole, "is not a valid time: the hour is above 24");
  }
  return hour * 3600 + minute * 60 + second;
}

DateAndTime fixupdatetime(std::string_view text, int mask) {
  std::string t(text);
  std::erase(t, '"');
  std::string_view s = trim(t);
  DateAndTime out;
  if (s.empty()) return out;
  std::size_t blank = s.find_first_of(" \t");
  if (blank != std::string_view::npos) {
    out.date = fixupdate(s.substr(0, blank), mask);
    std::string_view time = trim(s.substr(blank));
    if (!time.empty()) out.time = fixuptime(time);
    return out;
  }
  // One word: a time when it has a colon or ends in a marker, else a date.
  std::string_view rest = s;
  if (s.find(':') != std::string_view::npos || takeMarker(rest) != 0) {
    out.time = fixuptime(s);
  } else {
    out.date = fixupdate(s, mask);
  }
  return out;
}

double combine(double date, int seconds) {
  return platform::secondsToDate(platform::dateToSeconds(date) + seconds);
}

}  // namespace importing
