// The search expression that selects the calendar items of an export.
#pragma once

#include <optional>
#include <string>

#include "groupwise/kinds.h"

namespace exporting {

// The date-range controls of the Export page, read when the expression is built.
class DateRange {
 public:
  virtual ~DateRange() = default;
  virtual bool limited() const = 0;           // "Limit export to date range:"
  virtual std::string startText() const = 0;  // mm/dd/yyyy, unfilled positions blank
  virtual std::string stopText() const = 0;
};

// The date range as plain values.
struct DateRangeValues final : DateRange {
  bool on = false;
  std::string start, stop;

  bool limited() const override { return on; }
  std::string startText() const override { return start; }
  std::string stopText() const override { return stop; }
};

// The word of the search language for an appointment, a task or a note. Throws
// std::invalid_argument for the other kinds, which are never exported.
const char* kindWord(gw::CalendarKind kind);

// "(" kind ")", or with a range "(" kind " AND field >= y/m/d AT 00:00:00 AND field <=
// y/m/d AT 23:59:59)", where the field is the due date (DUEEND_DATE) for tasks and the
// start date (START_DATE) for appointments and notes. The texts are taken as they
// stand; checkDateRange says whether they make a range.
std::string calcFilter(gw::CalendarKind kind, const DateRange& range);

// With the range on: what is wrong with its texts (a date that is not one, a start
// after the stop), in words for the user; nothing when the range is sound or off.
std::optional<std::string> checkDateRange(const DateRange& range);

}  // namespace exporting
