#include <gtest/gtest.h>

#include "import/datetime.h"
#include "platform/errors.h"
#include "tests/support/fakechoices.h"
#include "tests/support/testsupport.h"

using namespace importing;

namespace {

using Mask = testing_support::ImportChoices;

}  // namespace

TEST(FixUpDate, EveryMask) {
  testing_support::FixedClock clock(2004, 1, 5);
  struct Case {
    int mask;
    const char* in;
    const char* out;
  } cases[] = {
      {0, "1/31/97", "1/31/97"},
      {1, "1997/01/31", "01/31/1997"},
      {2, "31/01/1997", "01/31/1997"},
      {3, "01-31-97", "01/31/97"},
      {4, "1997-01-31 10:00", "01/31/1997"},
      {5, "31-1-1997", "1/31/1997"},
      {6, "1.31.97", "1/31/97"},
      {7, "1997.1.31", "1/31/1997"},
      {8, "31.1.97", "1/31/97"},
      {0, "19970131", "//1997"},
      {0, "", "01/05/2004"},
      {4, "\"\"", "01/05/2004"},
      {0, "\"1/31/97\"", "1/31/97"},
      {0, "1/31/19975", "1/31/1997"},
      {0, "1/31/97/05", "1/31/97/0"},
      {0, "1/31/97 11:00 pm", "1/31/97"},
      {0, "1/31/97, Friday", "1/31/97"},
      {2, "2004-01-31", "//2004"},  // the wrong layout puts the whole text in the year
      {0, "01234/56789/1", "0123/5678/1"},
  };
  for (const Case& c : cases) {
    Mask m;
    m.mask = c.mask;
    EXPECT_EQ(fixupdate(c.in, m, nullptr), c.out) << c.mask << " " << c.in;
  }
  Mask none;
  none.mask = -1;
  EXPECT_EQ(fixupdate("1/31/97", none, nullptr), "1/31/97");
  EXPECT_EQ(none.mask, 0);  // no layout chosen: the first is chosen
}

TEST(FixUpTime, Examples) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"23:00", "11:00 pm"},  {"12:30", "12:30 pm"},      {"09:15", "09:15 am"},
      {"00:10", "00:10 am"},  {"0:00", "0:00 am"},        {"11:00 pm", "11:00 pm"},
      {"11:00am", "11:00am"}, {"23:00:00", "11:00:0 pm"}, {"11:00 PM", "11:00 PM"},
      {"2:30 PM", "2:30 PM"}, {"25:00 pm", "25:00 pm"},   {"", ""},
      {"13:5", "1:5 pm"},
  };
  for (const Case& c : cases) EXPECT_EQ(fixuptime(c.in), c.out) << c.in;
  struct Bad {
    const char* in;
    const char* message;
  } bad[] = {
      {"x:30", "'x' is not a valid integer value"},
      {"noon", "'noon' is not a valid time"},
      {"1100", "'1100' is not a valid time"},
      {" :15", "' ' is not a valid integer value"},
  };
  for (const Bad& b : bad) {
    try {
      fixuptime(b.in);
      ADD_FAILURE() << b.in;
    } catch (const platform::ConversionError& e) {
      EXPECT_STREQ(e.what(), b.message);
    }
  }
}
