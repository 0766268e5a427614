#include "export/filter.h"

#include <algorithm>
#include <stdexcept>
#include <tuple>

namespace exporting {
namespace {

struct DatePieces {
  std::string year, month, day;
};

// Each piece of a date is a short text of at most 8 characters.
std::string piece(std::string s) {
  return s.size() > 8 ? s.substr(0, 8) : s;
}

void deleteFirst(std::string& s, char c) {
  if (auto p = s.find(c); p != std::string::npos) s.erase(p, 1);
}

// "mm/dd/yyyy" as the edit holds it (blanks for unfilled positions) cut into its
// pieces: the year the last four characters, the month before the first "/", the day
// the two characters after it, each less its first blank.
DatePieces pieces(const std::string& t) {
  DatePieces p;
  p.year = piece(t.size() >= 4 ? t.substr(t.size() - 4) : t);
  auto slash = t.find('/');
  p.month = piece(slash == std::string::npos ? std::string() : t.substr(0, slash));
  deleteFirst(p.month, ' ');
  p.day = piece(t.substr(slash == std::string::npos ? 0 : slash + 1, 2));
  if (p.day.find('/') != std::string::npos) p.day.erase(1, 1);
  deleteFirst(p.day, ' ');
  return p;
}

std::string filterDate(const std::string& t) {
  DatePieces p = pieces(t);
  return p.year + "/" + p.month + "/" + p.day;
}

// The number a piece of digits stands for, or -1 when it is empty or holds anything
// else.
int number(const std::string& s) {
  if (s.empty() || !std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return -1;
  return std::stoi(s);
}

int daysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

// Year, month and day of a date text, or nothing when the text is no date.
std::optional<std::tuple<int, int, int>> readDate(const std::string& t) {
  DatePieces p = pieces(t);
  int y = p.year.size() == 4 ? number(p.year) : -1;
  int m = number(p.month);
  int d = number(p.day);
  if (y < 100 || m < 1 || m > 12 || d < 1 || d > daysInMonth(y, m)) return std::nullopt;
  return std::make_tuple(y, m, d);
}

}  // namespace

const char* kindWord(gw::CalendarKind kind) {
  switch (kind) {
    case gw::CalendarKind::Appointment:
      return "APPOINTMENT";
    case gw::CalendarKind::Task:
      return "TASK";
    case gw::CalendarKind::Note:
      return "NOTE";
    default:
      throw std::invalid_argument("only appointments, tasks and notes are exported");
  }
}

std::string calcFilter(gw::CalendarKind kind, const DateRange& range) {
  std::string word = kindWord(kind);
  if (!range.limited()) return "(" + word + ")";
  // A task falls in the range by the day it is due, the others by the day they start.
  const char* field = kind == gw::CalendarKind::Task ? "DUEEND_DATE" : "START_DATE";
  return "(" + word + " AND " + field + " >= " + filterDate(range.startText()) +
         " AT 00:00:00 AND " + field + " <= " + filterDate(range.stopText()) + " AT 23:59:59)";
}

std::optional<std::string> checkDateRange(const DateRange& range) {
  if (!range.limited()) return std::nullopt;
  const std::string start = range.startText(), stop = range.stopText();
  auto from = readDate(start);
  if (!from) return "The start date \"" + start + "\" is not a date (month/day/year).";
  auto to = readDate(stop);
  if (!to) return "The stop date \"" + stop + "\" is not a date (month/day/year).";
  if (*from > *to) return "The start date " + start + " is after the stop date " + stop + ".";
  return std::nullopt;
}

}  // namespace exporting
