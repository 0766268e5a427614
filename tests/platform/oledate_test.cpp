#include <gtest/gtest.h>

#include "platform/errors.h"
#include "platform/locale.h"
#include "platform/oledate.h"

using namespace platform;

namespace {

double at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  return encodeDateTime({y, mo, d, h, mi, s});
}

class GermanLocale {
 public:
  GermanLocale() {
    UserLocale l;
    l.shortDate = "dd.MM.yyyy";
    l.longTime = "HH:mm:ss";
    l.dateSeparator = '.';
    l.decimalSeparator = ',';
    setUserLocale(l);
  }
  ~GermanLocale() { setUserLocale(UserLocale::usEnglish()); }
};

}  // namespace

TEST(OleDate, KnownDayNumbers) {
  EXPECT_EQ(at(1899, 12, 30), 0.0);
  EXPECT_EQ(at(1900, 1, 1), 2.0);
  EXPECT_EQ(at(2004, 1, 15), 38001.0);
  EXPECT_DOUBLE_EQ(at(2004, 1, 15, 18), 38001.75);
  // Before the epoch the fraction counts forward from the day.
  EXPECT_DOUBLE_EQ(at(1899, 12, 29, 6), -1.25);
}

TEST(OleDate, DecodeRoundsToTheSecondAndRoundTrips) {
  for (double d : {-657434.0, -1.25, 0.0, 37999.604166666664, 2958465.99998}) {
    DateTimeParts p = decodeDateTime(d);
    EXPECT_EQ(dateToSeconds(encodeDateTime(p)), dateToSeconds(d)) << d;
  }
  DateTimeParts p = decodeDateTime(37999.0 + 0.6 / 86400);  // to the nearest second
  EXPECT_EQ(p.second, 1);
  EXPECT_THROW(decodeDateTime(3e6), ConversionError);
  EXPECT_THROW(encodeDateTime({2004, 2, 30, 0, 0, 0}), ConversionError);
}

TEST(OleDate, TextAsTheReferenceLocaleWritesIt) {
  struct Case {
    double date;
    bool alwaysTime;
    const char* text;
  } cases[] = {
      {at(2004, 1, 15, 14, 30), false, "1/15/2004 2:30:00 PM"},
      {at(2004, 1, 15), false, "1/15/2004"},
      {at(2004, 1, 15), true, "1/15/2004 12:00:00 AM"},
      {at(2004, 1, 15, 0, 5), false, "1/15/2004 12:05:00 AM"},
      {at(2004, 12, 5, 12, 0, 7), false, "12/5/2004 12:00:07 PM"},
      {0.0, false, "12:00:00 AM"},
      {at(1899, 12, 30, 14, 30), false, "2:30:00 PM"},
      {-1.25, false, "12/29/1899 6:00:00 AM"},
      {at(100, 1, 1), false, "1/1/0100"},
  };
  for (const Case& c : cases) EXPECT_EQ(dateToText(c.date, c.alwaysTime), c.text);
  EXPECT_EQ(formatStandardShortDate(at(2004, 1, 5, 13)), "01/05/2004");
}

TEST(OleDate, TextFollowsTheUserLocale) {
  GermanLocale german;
  EXPECT_EQ(dateToText(at(2004, 1, 5, 14, 30)), "05.01.2004 14:30:00");
  EXPECT_EQ(formatStandardShortDate(at(2004, 1, 5)), "01.05.2004");
  EXPECT_EQ(parseDateText("5.1.2004 14:30"), at(2004, 1, 5, 14, 30));
}

TEST(OleDate, ReadsDateTexts) {
  struct Case {
    const char* text;
    double expected;
  } cases[] = {
      {"1/15/2004", at(2004, 1, 15)},
      {"01/15/2004 ", at(2004, 1, 15)},
      {"  1/15/04", at(2004, 1, 15)},
      {"1/15/29", at(2029, 1, 15)},
      {"1/15/30", at(1930, 1, 15)},
      {"1/15/97", at(1997, 1, 15)},
      {"1/15/5", at(2005, 1, 15)},
      {"2/29/2004", at(2004, 2, 29)},
      {"1/15/2004 2:30 PM", at(2004, 1, 15, 14, 30)},
      {"1/15/2004 2:30 pm", at(2004, 1, 15, 14, 30)},
      {"1/15/2004 2:30pm", at(2004, 1, 15, 14, 30)},
      {"1/15/2004 11:00:0 pm", at(2004, 1, 15, 23)},
      {"1/15/2004 12:00 AM", at(2004, 1, 15)},
      {"1/15/2004 12:30 pm", at(2004, 1, 15, 12, 30)},
      {"1/15/2004 0:15", at(2004, 1, 15, 0, 15)},
      {"1/15/2004 23:59:59", at(2004, 1, 15, 23, 59, 59)},
      {"1-15-2004", at(2004, 1, 15)},
      {"1/15/2004 ", at(2004, 1, 15)},
  };
  for (const Case& c : cases) {
    auto d = parseDateText(c.text);
    ASSERT_TRUE(d.has_value()) << c.text;
    EXPECT_EQ(*d, c.expected) << c.text;
  }
}

TEST(OleDate, RefusesWhatIsNoDate) {
  for (const char* text :
       {"", "   ", "abc", "1/15", "13/1/2004", "2/30/2004", "2/29/2003", "1/15/12345",
        "1/15/2004 25:00", "1/15/2004 13:00 pm", "1/15/2004 10:60", "1/15/2004 10", "10:30 am",
        "1/15/2004x", "1/15/2004 2:30 xm", "001/15/2004", "1/15/0097"}) {
    EXPECT_FALSE(parseDateText(text).has_value()) << text;
  }
}
