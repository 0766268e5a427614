#include "import/convert.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "groupwise/gwapi.h"
#include "import/datetime.h"
#include "import/fieldnames.h"
#include "import/pairing.h"
#include "platform/ansi.h"
#include "platform/errors.h"
#include "platform/numtext.h"
#include "platform/oledate.h"

namespace importing {
namespace {

[[noreturn]] void refuse(std::string_view text, const std::string& why) {
  throw platform::ConversionError("'" + std::string(text) + "' " + why);
}

std::string_view trimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// Blank, or only quotes: a date or time field that gives nothing.
bool givesNothing(std::string_view s) {
  return s.find_first_not_of(" \t\"") == std::string_view::npos;
}

// A number of minutes rounded to the nearest, within what a duration may be.
int roundedMinutes(double minutes, std::string_view text) {
  if (minutes < 0) refuse(text, "is a negative duration");
  if (minutes > static_cast<double>(kMaxMinutes)) {
    refuse(text, "is a duration of more than 100 years");
  }
  return static_cast<int>(std::lround(minutes));
}

// Refuses a number too large for a double, an infinity or a NaN.
void refuseInfinite(const std::string& trimmed, std::string_view text) {
  char* end = nullptr;
  double d = std::strtod(trimmed.c_str(), &end);
  if (!trimmed.empty() && end == trimmed.c_str() + trimmed.size() && !std::isfinite(d)) {
    refuse(text, "is not a finite number");
  }
}

// A date that stands for no date, as some programs write an empty birthday: "0/0/00",
// zeros only between the separators of a date.
bool noDate(std::string_view s) {
  s = trimBlanks(s);
  return s.find('0') != std::string_view::npos &&
         s.find_first_of("/-.") != std::string_view::npos &&
         s.find_first_not_of("0/-.") == std::string_view::npos;
}

int checkedMinutes(long long minutes, std::string_view text) {
  if (minutes < 0) refuse(text, "is a negative duration");
  if (minutes > kMaxMinutes) refuse(text, "is a duration of more than 100 years");
  return static_cast<int>(minutes);
}

std::int32_t wholeNumber(std::string_view part, std::string_view text) {
  auto v = platform::tryStrToInt(part);
  if (!v) refuse(text, "is not a valid duration");
  return *v;
}

bool negative(std::string_view s) {
  s = trimBlanks(s);
  return !s.empty() && s.front() == '-';
}

// Line breaks (CR LF, LF or a lone CR) as CR LF, or each as one blank.
std::string lineBreaks(const std::string& s, bool keep) {
  if (s.find_first_of("\r\n") == std::string::npos) return s;
  std::string out;
  out.reserve(s.size() + 8);
  for (std::size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c != '\r' && c != '\n') {
      out.push_back(c);
      continue;
    }
    if (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
    out += keep ? "\r\n" : " ";
  }
  return out;
}

std::string minutesText(int minutes) {
  return std::to_string(minutes);
}

// The text of a date, or of a date and time, in the locale's form.
std::string stampText(double stamp, bool withTime) {
  return platform::dateToText(stamp, withTime);
}

std::string timeText(int seconds) {
  // Day 0 writes the time alone.
  return platform::dateToText(platform::secondsToDate(seconds % kSecondsPerDay), true);
}

bool isNameField(const std::string& n) {
  for (const char* f : kNameFields) {
    if (n == f) return true;
  }
  return false;
}

// A start or an end put together from its parts over the fields of a record.
struct StampParts {
  std::optional<double> date;
  std::optional<int> time;
  int dateColumn = -1, timeColumn = -1;
};

}  // namespace

int minutesFromHoursMinutes(std::string_view t) {
  auto p = t.find(':');
  if (p == std::string_view::npos || p == 0) return 60;
  long long hours = wholeNumber(t.substr(0, p), t);
  long long minutes = wholeNumber(t.substr(p + 1, 2), t);
  if (negative(t) || minutes < 0) refuse(t, "is a negative duration");
  return checkedMinutes(hours * 60 + minutes, t);
}

int minutesFromHours(std::string_view t) {
  std::string s(trimBlanks(t));
  std::optional<double> hours = platform::tryStrToFloat(s);
  if (!hours) {
    refuseInfinite(s, t);
    // Hours with a fraction that is no number ("1.x5") are refused; other text gives 60.
    auto p = s.find('.');
    if (p != std::string::npos && p != 0) refuse(t, "is not a valid duration");
    return 60;
  }
  return roundedMinutes(*hours * 60, t);
}

int minutesFromMinutes(std::string_view t) {
  std::string s(trimBlanks(t));
  std::optional<double> minutes = platform::tryStrToFloat(s);
  if (!minutes) {
    refuseInfinite(s, t);
    return 60;
  }
  return roundedMinutes(*minutes, t);
}

int priorityFrom(std::string_view t) {
  if (auto v = platform::tryStrToInt(t)) return *v;
  if (!t.empty()) {
    char c = static_cast<char>(std::toupper(static_cast<unsigned char>(t[0])));
    if (c >= 'A' && c <= 'D') return c - 'A' + 1;
  }
  return 1;
}

Converter::Converter(Destination destination, int dateMask, std::vector<std::string> pairing)
    : destination_(std::move(destination)), dateMask_(dateMask), pairing_(std::move(pairing)) {
  if (!destination_.addressBook) return;
  // The last column of each counts.
  for (std::size_t i = 0; i < pairing_.size(); ++i) {
    const std::string& n = pairing_[i];
    int col = static_cast<int>(i);
    if (isNameField(n)) nameCol_ = col;
    if (n == "E-Mail Address") mailCol_ = col;
    if (n == "E-Mail Type") typeCol_ = col;
    if (n == "First Name") firstCol_ = col;
    if (n == "Last Name") lastCol_ = col;
    if (n == "Organization") orgCol_ = col;
  }
  for (const char* phone : {"Office Phone Number", "Home Phone Number", "Cellular Phone Number"}) {
    for (std::size_t i = 0; i < pairing_.size(); ++i) {
      if (pairing_[i] == phone) phoneCols_.push_back(static_cast<int>(i));
    }
  }
}

std::string Converter::pairingProblem() const {
  if (destination_.addressBook && nameCol_ < 0 && mailCol_ < 0 && firstCol_ < 0 && lastCol_ < 0 &&
      orgCol_ < 0 && phoneCols_.empty()) {
    return "No column is paired with a field that names an entry (Name or E-Mail Address, or "
           "First Name, Last Name, Organization or a phone number), so no address-book entry "
           "can be made.";
  }
  return {};
}

std::string Converter::value(const std::vector<std::string>& fields, int column) const {
  if (column < 0 || static_cast<std::size_t>(column) >= fields.size()) return {};
  const std::string& name = pairing_[static_cast<std::size_t>(column)];
  return lineBreaks(fields[static_cast<std::size_t>(column)], keepsLineBreaks(name));
}

Converted Converter::convert(const std::vector<std::string>& fields) const {
  return destination_.addressBook ? addressEntry(fields) : calendarItem(fields);
}

Converted Converter::calendarItem(const std::vector<std::string>& fields) const {
  Converted out;
  out.cells.resize(pairing_.size());
  StampParts start, end;
  auto text16 = [](const std::string& s) { return gw::Variant(platform::fromUtf8(s)); };
  for (std::size_t i = 0; i < pairing_.size(); ++i) {
    const std::string& name = pairing_[i];
    const int col = static_cast<int>(i);
    if (name == kSkip) continue;
    std::string f = value(fields, col);
    Cell& cell = out.cells[i];
    auto put = [&](const char* member, gw::Variant v, std::string shown) {
      out.puts.push_back({member, std::move(v), name, f});
      cell.text = std::move(shown);
    };
    try {
      if (name == "Start Date" || name == "End Date") {
        if (givesNothing(f)) continue;
        StampParts& s = name == "Start Date" ? start : end;
        s.date = fixupdate(f, dateMask_);
        s.dateColumn = col;
        cell.text = stampText(*s.date, false);
      } else if (name == "Start Time" || name == "End Time") {
        if (givesNothing(f)) continue;
        StampParts& s = name == "Start Time" ? start : end;
        s.time = fixuptime(f);
        s.timeColumn = col;
        cell.text = timeText(*s.time);
      } else if (name == "Start DateTime" || name == "End DateTime") {
        DateAndTime dt = fixupdatetime(f, dateMask_);
        StampParts& s = name == "Start DateTime" ? start : end;
        if (dt.date) s.date = dt.date, s.dateColumn = col;
        if (dt.time) s.time = dt.time, s.timeColumn = col;
        if (dt.date) {
          cell.text = stampText(combine(*dt.date, dt.time.value_or(0)), dt.time.has_value());
        } else if (dt.time) {
          cell.text = timeText(*dt.time);
        }
      } else if (name == "Duration (HH:MM)" || name == "Duration (HH.hh/100)" ||
                 name == "Duration (minutes)") {
        if (name == "Duration (minutes)" && f.empty()) continue;
        int minutes = name == "Duration (HH:MM)"       ? minutesFromHoursMinutes(f)
                      : name == "Duration (HH.hh/100)" ? minutesFromHours(f)
                                                       : minutesFromMinutes(f);
        put("Duration", gw::Variant(minutes / 60.0 / 24.0), minutesText(minutes));
      } else if (name == "Place") {
        put("Place", text16(f), f);
      } else if (name == "Subject") {
        put("Subject", text16(f), f);
      } else if (name == "Message") {
        put("BodyText", text16(f), f);
      } else if (name == "Due Date") {
        if (givesNothing(f)) continue;
        double due = fixupdate(f, dateMask_);
        put("DueDate", gw::Variant::date(due), stampText(due, false));
      } else if (name == "Priority") {
        int p = priorityFrom(f);
        put("TaskPriority", gw::Variant(p), std::to_string(p));
      } else if (name == "Completed") {
        int c = platform::tryStrToInt(f).value_or(0);
        put("Completed", gw::Variant(c), std::to_string(c));
      }
      // Any other name is passed over.
    } catch (const platform::ConversionError& e) {
      out.problems.push_back({name, f, e.what()});
      cell = {e.what(), true};
    }
  }

  if (!out.ok()) return out;
  // The start and the end, from their parts: a time needs a date (the end may take the
  // start's), and the end may not lie before the start.
  auto fail = [&](int column, const std::string& reason) {
    auto c = static_cast<std::size_t>(column);
    out.problems.push_back({pairing_[c], value(fields, column), reason});
    out.cells[c] = {reason, true};
  };
  std::optional<double> startStamp, endStamp;
  if (start.time && !start.date) {
    fail(start.timeColumn, "a start time needs a start date");
  } else if (start.date) {
    startStamp = combine(*start.date, start.time.value_or(0));
  }
  if (end.time && !end.date && !start.date) {
    fail(end.timeColumn, "an end time needs an end date or a start date");
  } else if (end.date || end.time) {
    endStamp = combine(end.date ? *end.date : *start.date, end.time.value_or(0));
  }
  for (auto [stamp, column] : {std::pair{&startStamp, std::max(start.dateColumn, start.timeColumn)},
                               std::pair{&endStamp, std::max(end.dateColumn, end.timeColumn)}}) {
    if (!*stamp) continue;
    try {
      platform::decodeDateTime(**stamp);
    } catch (const platform::ConversionError&) {
      fail(column, "lies beyond the years 100 to 9999");
      stamp->reset();
    }
  }
  if (startStamp && endStamp && *endStamp < *startStamp) {
    fail(end.timeColumn >= 0 ? end.timeColumn : end.dateColumn,
         "ends before it starts (" + stampText(*startStamp, true) + ")");
  }
  if (!out.ok()) return out;
  auto putStamp = [&](const char* member, double stamp, const StampParts& parts) {
    auto c = static_cast<std::size_t>(std::max(parts.dateColumn, parts.timeColumn));
    out.puts.push_back(
        {member, gw::Variant::date(stamp), pairing_[c], value(fields, static_cast<int>(c))});
  };
  if (startStamp) putStamp("StartDate", *startStamp, start);
  if (endStamp) putStamp("EndDate", *endStamp, end);
  return out;
}

Converted Converter::addressEntry(const std::vector<std::string>& fields) const {
  Converted out;
  out.cells.resize(pairing_.size());
  std::string display = nameCol_ >= 0 ? value(fields, nameCol_) : value(fields, mailCol_);
  std::string mail = value(fields, mailCol_);
  std::string type = typeCol_ >= 0 ? value(fields, typeCol_) : "NGW";
  if (display.empty() && mail.empty()) {
    // An entry without a name or an address is named after the person, the
    // organisation or a phone number, whichever the line gives first.
    std::string first(trimBlanks(value(fields, firstCol_)));
    std::string last(trimBlanks(value(fields, lastCol_)));
    display = first.empty() ? last : last.empty() ? first : first + " " + last;
    if (display.empty()) display = value(fields, orgCol_);
    for (int col : phoneCols_) {
      if (display.empty()) display = value(fields, col);
    }
    if (display.empty()) {
      std::string reason =
          "the line has no name, e-mail address, first or last name, organization or phone "
          "number";
      out.problems.push_back({"Name", "", reason});
      if (nameCol_ >= 0) out.cells[static_cast<std::size_t>(nameCol_)] = {reason, true};
      return out;
    }
  }
  out.displayName = platform::fromUtf8(display);
  out.email = platform::fromUtf8(mail);
  out.emailType = platform::fromUtf8(type);
  for (std::size_t i = 0; i < pairing_.size(); ++i) {
    const std::string& name = pairing_[i];
    if (name == kSkip) continue;
    std::string f = value(fields, static_cast<int>(i));
    Cell& cell = out.cells[i];
    cell.text = static_cast<int>(i) == nameCol_ ? display : f;
    if (name == "Name" || name == "E-Mail Type" || name == "E-Mail Address") continue;
    auto defined = destination_.fieldTypes.find(name);
    const std::int32_t fieldType =
        defined == destination_.fieldTypes.end() ? gw::api::kTextField : defined->second;
    NamedField field{platform::fromUtf8(name), fieldType, {}, f};
    try {
      if (fieldType == gw::api::kNumberField) {
        std::string_view t = trimBlanks(f);
        if (t.empty()) {
          cell.text.clear();
          continue;
        }
        std::optional<double> number = platform::tryStrToFloat(t);
        if (!number) refuse(f, "is not a number");
        field.value = gw::Variant(*number);
        cell.text = platform::floatToText(*number);
      } else if (fieldType == gw::api::kDateField) {
        // An empty date, or the zeros some programs write for none, sets nothing.
        if (givesNothing(f) || noDate(f)) {
          cell.text.clear();
          continue;
        }
        double date = fixupdate(f, dateMask_);
        try {
          platform::decodeDateTime(date);
        } catch (const platform::ConversionError&) {
          refuse(f, "lies beyond the years 100 to 9999");
        }
        field.value = gw::Variant::date(date);
        cell.text = stampText(date, false);
      } else {
        field.type = gw::api::kTextField;
        field.value = gw::Variant(platform::fromUtf8(f));
      }
    } catch (const platform::ConversionError& e) {
      out.problems.push_back({name, f, e.what()});
      cell = {e.what(), true};
      continue;
    }
    out.namedFields.push_back(std::move(field));
  }
  return out;
}

}  // namespace importing
