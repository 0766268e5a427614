#include <gtest/gtest.h>

#include "export/filter.h"
#include "tests/support/fakechoices.h"

using exporting::calcFilter;

namespace {

testing_support::ExportChoices Range(bool on, std::string start, std::string stop) {
  testing_support::ExportChoices r;
  r.on = on;
  r.start = std::move(start);
  r.stop = std::move(stop);
  return r;
}

}  // namespace

TEST(CalcFilter, Expressions) {
  struct Case {
    const char* kind;
    testing_support::ExportChoices range;
    const char* expression;
  } cases[] = {
      {"APPOINTMENT", Range(false, "01/15/2004", "02/01/2004"), "(APPOINTMENT)"},
      {"TASK", Range(false, "", ""), "(TASK)"},
      {"NOTE", Range(false, "xx", "yy"), "(NOTE)"},
      {"TASK", Range(true, "02/01/2004", "02/29/2004"),
       "(TASK AND START_DATE >= 2004/02/01 AT 00:00:00 AND START_DATE <= 2004/02/29 AT 23:59:59)"},
      {"APPOINTMENT", Range(true, "01/15/2004", "01/15/2004"),
       "(APPOINTMENT AND START_DATE >= 2004/01/15 AT 00:00:00 AND START_DATE <= 2004/01/15 AT "
       "23:59:59)"},
      // Start later than end: built all the same.
      {"NOTE", Range(true, "12/31/2004", "01/01/2004"),
       "(NOTE AND START_DATE >= 2004/12/31 AT 00:00:00 AND START_DATE <= 2004/01/01 AT 23:59:59)"},
      // Single digits typed with blanks in the unfilled positions.
      {"APPOINTMENT", Range(true, "1 /5 /2004", " 1/ 5/2004"),
       "(APPOINTMENT AND START_DATE >= 2004/1/5 AT 00:00:00 AND START_DATE <= 2004/1/5 AT "
       "23:59:59)"},
      // An empty edit goes in unchecked; GroupWise refuses the result.
      {"TASK", Range(true, "  /  /    ", "02/29/2004"),
       "(TASK AND START_DATE >=     / /  AT 00:00:00 AND START_DATE <= 2004/02/29 AT 23:59:59)"},
  };
  for (const Case& c : cases) EXPECT_EQ(calcFilter(c.kind, c.range), c.expression);
}
