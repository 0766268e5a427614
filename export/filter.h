// The search expression that selects the calendar items of an export.
#pragma once

#include <string>

namespace exporting {

// The date-range controls of the Export page, read when the expression is built.
class DateRange {
 public:
  virtual ~DateRange() = default;
  virtual bool limited() const = 0;           // "Limit export to date range:"
  virtual std::string startText() const = 0;  // mm/dd/yyyy, unfilled positions blank
  virtual std::string stopText() const = 0;
};

// "(" kind ")", or with a range "(" kind " AND START_DATE >= y/m/d AT 00:00:00 AND
// START_DATE <= y/m/d AT 23:59:59)". The texts are taken as they stand, unchecked.
std::string calcFilter(const std::string& kind, const DateRange& range);

}  // namespace exporting
