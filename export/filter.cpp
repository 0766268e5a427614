#include "export/filter.h"

namespace exporting {
namespace {

// Each piece of a date is a short text of at most 8 characters.
std::string piece(std::string s) {
  return s.size() > 8 ? s.substr(0, 8) : s;
}

void deleteFirst(std::string& s, char c) {
  if (auto p = s.find(c); p != std::string::npos) s.erase(p, 1);
}

// "mm/dd/yyyy" as the edit holds it (blanks for unfilled positions) to "yyyy/m/d".
std::string filterDate(const std::string& t) {
  std::string year = piece(t.size() >= 4 ? t.substr(t.size() - 4) : t);
  auto slash = t.find('/');
  std::string month = piece(slash == std::string::npos ? std::string() : t.substr(0, slash));
  deleteFirst(month, ' ');
  std::string day = piece(t.substr(slash == std::string::npos ? 0 : slash + 1, 2));
  if (day.find('/') != std::string::npos) day.erase(1, 1);
  deleteFirst(day, ' ');
  return year + "/" + month + "/" + day;
}

}  // namespace

std::string calcFilter(const std::string& kind, const DateRange& range) {
  if (!range.limited()) return "(" + kind + ")";
  return "(" + kind + " AND START_DATE >= " + filterDate(range.startText()) +
         " AT 00:00:00 AND START_DATE <= " + filterDate(range.stopText()) + " AT 23:59:59)";
}

}  // namespace exporting
