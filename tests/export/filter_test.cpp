#include <gtest/gtest.h>

#include "export/filter.h"

using exporting::calcFilter;
using exporting::checkDateRange;
using exporting::DateRangeValues;
using Kind = gw::CalendarKind;

namespace {

DateRangeValues Range(bool on, std::string start, std::string stop) {
  DateRangeValues r;
  r.on = on;
  r.start = std::move(start);
  r.stop = std::move(stop);
  return r;
}

}  // namespace

TEST(CalcFilter, Expressions) {
  struct Case {
    Kind kind;
    DateRangeValues range;
    const char* expression;
  } cases[] = {
      {Kind::Appointment, Range(false, "01/15/2004", "02/01/2004"), "(APPOINTMENT)"},
      {Kind::Task, Range(false, "", ""), "(TASK)"},
      {Kind::Note, Range(false, "xx", "yy"), "(NOTE)"},
      // Tasks by the day they are due, the others by the day they start.
      {Kind::Task, Range(true, "02/01/2004", "02/29/2004"),
       "(TASK AND DUEEND_DATE >= 2004/02/01 AT 00:00:00 AND DUEEND_DATE <= 2004/02/29 AT "
       "23:59:59)"},
      {Kind::Appointment, Range(true, "01/15/2004", "01/15/2004"),
       "(APPOINTMENT AND START_DATE >= 2004/01/15 AT 00:00:00 AND START_DATE <= 2004/01/15 AT "
       "23:59:59)"},
      {Kind::Note, Range(true, "12/31/2004", "01/01/2004"),
       "(NOTE AND START_DATE >= 2004/12/31 AT 00:00:00 AND START_DATE <= 2004/01/01 AT 23:59:59)"},
      // Single digits typed with blanks in the unfilled positions.
      {Kind::Appointment, Range(true, "1 /5 /2004", " 1/ 5/2004"),
       "(APPOINTMENT AND START_DATE >= 2004/1/5 AT 00:00:00 AND START_DATE <= 2004/1/5 AT "
       "23:59:59)"},
  };
  for (const Case& c : cases) EXPECT_EQ(calcFilter(c.kind, c.range), c.expression);
  EXPECT_THROW(calcFilter(Kind::Mail, Range(false, "", "")), std::invalid_argument);
}

TEST(CalcFilter, TheRangeIsCheckedBeforeItIsUsed) {
  struct Case {
    DateRangeValues range;
    const char* problem;  // nullptr: sound
  } cases[] = {
      {Range(false, "  /  /    ", "garbage"), nullptr},  // off: not looked at
      {Range(true, "01/15/2004", "01/15/2004"), nullptr},
      {Range(true, "1 /5 /2004", " 2/29/2004"), nullptr},  // a leap day
      {Range(true, "12/31/1999", "01/01/2000"), nullptr},
      {Range(true, "  /  /    ", "02/29/2004"),
       "The start date \"  /  /    \" is not a date (month/day/year)."},
      {Range(true, "01/01/2004", "02/30/2004"),
       "The stop date \"02/30/2004\" is not a date (month/day/year)."},
      {Range(true, "02/29/2003", "03/01/2003"),
       "The start date \"02/29/2003\" is not a date (month/day/year)."},
      {Range(true, "13/01/2004", "12/01/2004"),
       "The start date \"13/01/2004\" is not a date (month/day/year)."},
      {Range(true, "01/15/20 4", "01/16/2004"),
       "The start date \"01/15/20 4\" is not a date (month/day/year)."},
      {Range(true, "", "01/16/2004"), "The start date \"\" is not a date (month/day/year)."},
      {Range(true, "12/31/2004", "01/01/2004"),
       "The start date 12/31/2004 is after the stop date 01/01/2004."},
  };
  for (const Case& c : cases) {
    auto problem = checkDateRange(c.range);
    if (c.problem) {
      EXPECT_EQ(problem.value_or("(none)"), c.problem) << c.range.start << " " << c.range.stop;
    } else {
      EXPECT_FALSE(problem) << *problem;
    }
  }
}
