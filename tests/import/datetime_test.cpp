#include "import/datetime.h"

#include <gtest/gtest.h>

#include "platform/oledate.h"
#include "tests/support/testsupport.h"

using namespace importing;

namespace {

double day(int y, int m, int d) {
  return platform::encodeDateTime({y, m, d, 0, 0, 0});
}

}  // namespace

TEST(FixUpDate, EveryMask) {
  struct Case {
    int mask;
    const char* in;
    double out;
  } cases[] = {
      {0, "1/31/97", day(1997, 1, 31)},
      {1, "1997/01/31", day(1997, 1, 31)},
      {2, "31/01/1997", day(1997, 1, 31)},
      {3, "01-31-97", day(1997, 1, 31)},
      {4, "1997-01-31 10:00", day(1997, 1, 31)},  // what follows a blank is no part of it
      {5, "31-1-1997", day(1997, 1, 31)},
      {6, "1.31.97", day(1997, 1, 31)},
      {7, "1997.1.31", day(1997, 1, 31)},
      {8, "31.1.97", day(1997, 1, 31)},
      {8, "15.01.2026", day(2026, 1, 15)},
      {0, "\"1/31/97\"", day(1997, 1, 31)},
      {0, " 1/31/97, Friday", day(1997, 1, 31)},
      {0, "2/29/04", day(2004, 2, 29)},
      {0, "1/1/29", day(2029, 1, 1)},
      {0, "1/1/30", day(1930, 1, 1)},
      {0, "1/1/0812", day(812, 1, 1)},
      {-1, "1/31/97", day(1997, 1, 31)},  // no layout chosen: the first
  };
  for (const Case& c : cases) EXPECT_EQ(fixupdate(c.in, c.mask), c.out) << c.mask << " " << c.in;

  struct Bad {
    int mask;
    const char* in;
    const char* message;
  } bad[] = {
      {0, "1/31/19977", "'1/31/19977' has a year of more than four digits"},
      {0, "19970131", "'19970131' is not a date in the layout month/day/year"},
      {0, "1/31/97/05", "'1/31/97/05' is not a date in the layout month/day/year"},
      {2, "2004-01-31", "'2004-01-31' is not a date in the layout day/month/year"},
      {0, "13/45/2004", "'13/45/2004' is not a valid date"},
      {0, "2/29/2005", "'2/29/2005' is not a valid date"},
      {0, "a/b/c", "'a/b/c' is not a date in the layout month/day/year"},
  };
  for (const Bad& b : bad)
    EXPECT_EQ(testing_support::errorText([&] { fixupdate(b.in, b.mask); }), b.message);
}

TEST(FixUpTime, EveryPartIsKept) {
  struct Case {
    const char* in;
    int seconds;
  } cases[] = {
      {"23:00", 23 * 3600},
      {"23:59:59", 23 * 3600 + 59 * 60 + 59},
      {"10:30:00 PM", 22 * 3600 + 30 * 60},
      {"10:30:15pm", 22 * 3600 + 30 * 60 + 15},
      {"12:30 pm", 12 * 3600 + 30 * 60},
      {"12:00 AM", 0},
      {"12:05 a.m.", 5 * 60},
      {"9 PM", 21 * 3600},
      {" 0:05", 5 * 60},
      {"09:15", 9 * 3600 + 15 * 60},
      {"13:5", 13 * 3600 + 5 * 60},
      {"24:00", kSecondsPerDay},
      {"24:00:00", kSecondsPerDay},
  };
  for (const Case& c : cases) EXPECT_EQ(fixuptime(c.in), c.seconds) << c.in;
  struct Bad {
    const char* in;
    const char* message;
  } bad[] = {
      {"25:00", "'25:00' is not a valid time: the hour is above 24"},
      {"24:01", "'24:01' is not a valid time: the hour is above 24"},
      {"12:60", "'12:60' is not a valid time: the minutes are above 59"},
      {"12:00:60", "'12:00:60' is not a valid time: the seconds are above 59"},
      {"13:00 pm", "'13:00 pm' is not a valid time: the hour is above 12"},
      {"x:30", "'x:30' is not a valid time"},
      {"noon", "'noon' is not a valid time"},
      {"1100", "'1100' is not a valid time"},
      {"1:2:3:4", "'1:2:3:4' is not a valid time"},
  };
  for (const Bad& b : bad)
    EXPECT_EQ(testing_support::errorText([&] { fixuptime(b.in); }), b.message);
}

TEST(FixUpDateTime, DateTimeOrEither) {
  DateAndTime both = fixupdatetime("12/31/2004 10:30:00 PM", 0);
  EXPECT_EQ(combine(*both.date, *both.time), platform::encodeDateTime({2004, 12, 31, 22, 30, 0}));
  DateAndTime dateOnly = fixupdatetime("12/31/2004", 0);
  EXPECT_EQ(*dateOnly.date, day(2004, 12, 31));
  EXPECT_FALSE(dateOnly.time);
  DateAndTime timeOnly = fixupdatetime("10:00am", 0);
  EXPECT_FALSE(timeOnly.date);
  EXPECT_EQ(*timeOnly.time, 10 * 3600);
  EXPECT_FALSE(fixupdatetime("  ", 0).date);
  // Midnight at the end of a day is the next day's start.
  DateAndTime end = fixupdatetime("1/31/2004 24:00", 0);
  EXPECT_EQ(combine(*end.date, *end.time), day(2004, 2, 1));
  EXPECT_EQ(testing_support::errorText([] { fixupdatetime("2004-01-31", 0); }),
            "'2004-01-31' is not a date in the layout month/day/year");
}
