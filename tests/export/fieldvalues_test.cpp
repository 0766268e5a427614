#include <gtest/gtest.h>

#include "export/fieldvalues.h"
#include "groupwise/gwapi.h"
#include "platform/errors.h"
#include "platform/locale.h"
#include "platform/oledate.h"
#include "tests/support/fakechoices.h"
#include "tests/support/fakeobject.h"
#include "tests/support/testsupport.h"

using namespace exporting;
using namespace testing_support;
namespace api = gw::api;
using gw::Variant;

namespace {

using Options = ExportChoices;

class TwoDigitYearLocale {
 public:
  TwoDigitYearLocale() {
    platform::UserLocale l;
    l.shortDate = "M/d/yy";
    platform::setUserLocale(l);
  }
  ~TwoDigitYearLocale() { platform::setUserLocale(platform::UserLocale::usEnglish()); }
};

}  // namespace

TEST(FieldText, DateAndTimeCutting) {
  struct Case {
    const char* in;
    int time;
    const char* adj;
  } adj[] = {
      {"1/15/2004 2:30:00 PM", 0, "1/15/2004 2:30 PM"},
      {"9:05:00 AM", 0, "9:05 AM"},
      {"1/15/2004 2:30:00 PM", 1, "1/15/2004 14:30"},
      {"2:30:00 PM", 1, " 14:30"},
      {"12:15:00 AM", 1, " 0:15"},
      {"12:30:00 PM", 1, " 12:30"},
      {"12:00:00 PM", 0, "12:00 PM"},
      {"12:05:00 AM", 0, "12:05 AM"},
      {"1/15/2004 12:00:00 AM", 1, "1/15/2004 0:00"},
      {"14:30:00", 0, "14:30 PM"},  // a locale without markers always gets PM
      {"14:30:00", 1, " 14:30"},
  };
  for (const Case& c : adj) EXPECT_EQ(adjTime(c.in, c.time), c.adj) << c.in << " " << c.time;
  EXPECT_EQ(justTime("1/15/2004 2:30:00 PM"), "2:30:00 PM");
  for (const char* bad : {"", "1/15/2004", "x:30:00"}) {
    EXPECT_THROW(justTime(bad), platform::ConversionError) << bad;
  }
  EXPECT_THROW(adjTime("1/15/2004", 0), platform::ConversionError);
  EXPECT_THROW(adjTime("1/15/2004", 1), platform::ConversionError);

  struct DateCase {
    const char* in;
    int year;
    const char* out;
  } dates[] = {
      {"1/15/04", 1, "1/15/2004"},   {"3/2/97", 1, "3/2/1997"},
      {"1/15/2004", 1, "1/15/2004"}, {"1/15/89", 1, "1/15/2089"},
      {"1/15/90", 1, "1/15/1990"},   {"1/15/00", 1, "1/15/2000"},
      {"1/15/04", 0, "1/15/04"},     {"1/15/2004 2:30:00 PM", 0, "1/15/2004"},
      {"1/15/2004", 0, "1/15/2004"},
  };
  for (const DateCase& c : dates) EXPECT_EQ(justDate(c.in, c.year), c.out) << c.in;
  EXPECT_THROW(justDate("", 1), platform::ConversionError);
  EXPECT_EQ(justDate("", 0), "");
}

TEST(FieldText, Stripquotes) {
  EXPECT_EQ(stripquotes("say \"hi\"", "\""), "say \"hi\"");
  EXPECT_EQ(stripquotes("say \"hi\"", ""), "say hi");
  EXPECT_EQ(stripquotes("say \"hi\"", "'"), "say 'hi'");
  EXPECT_EQ(stripquotes("line one\r\nline two", "\""), "line one         line two");
  EXPECT_EQ(stripquotes("a\nb\rc", "\""), "a         bc");
  EXPECT_EQ(stripquotes("tab\tand,comma", "\""), "tab\tand,comma");
  std::string big(100000, 'x');  // no length limit
  EXPECT_EQ(stripquotes(big + "\"", ""), big);
}

class ItemFields : public ::testing::Test {
 protected:
  gw::ObjectRef add(const char16_t* cls) {
    return api::addMessage(api::messages(api::calendar(account_)), cls);
  }
  std::string field(const gw::ObjectRef& item, const char* name) {
    return getApptFieldContents(name, item, options_);
  }

  FixedClock clock_{2004, 1, 10, 8, 15};
  PostOfficeFixture po_;
  gw::ObjectRef account_ = po_.account();
  Options options_;
};

TEST_F(ItemFields, EveryRowInBothTimeForms) {
  gw::ObjectRef appt = add(u"GW.MESSAGE.APPOINTMENT");
  api::setProperty(appt, "StartDate", Variant(u"1/15/2004 2:30 PM"));
  api::setProperty(appt, "Duration", Variant(90.0 / 1440));
  api::setSubject(appt, u"Lunch \"Caf\u00E9\"");
  api::setProperty(appt, "Place", Variant(u"Room 5"));
  api::setProperty(appt, "BodyText", Variant(u"line one\r\nline two"));
  struct Case {
    const char* name;
    const char* twelve;
    const char* twentyFour;
  } cases[] = {
      {"Start Date", "1/15/2004", "1/15/2004"},
      {"Start Time", "2:30 PM", " 14:30"},
      {"Start DateTime", "1/15/2004 2:30 PM", "1/15/2004 14:30"},
      {"End Date", "1/15/2004", "1/15/2004"},
      {"End Time", "4:00 PM", " 16:00"},
      {"End DateTime", "1/15/2004 4:00 PM", "1/15/2004 16:00"},
      {"Duration (HH.hh/100)", "1.5", "1.5"},
      {"Duration (minutes)", "90", "90"},
      {"Place", "Room 5", "Room 5"},
      {"Subject", "Lunch \"Caf\u00E9\"", "Lunch \"Caf\u00E9\""},  // UTF-8
      {"Message", "line one\r\nline two", "line one\r\nline two"},
      {"From", "alice", "alice"},
      {"AssignedDate", "01/10/2004", "01/10/2004"},
      {"CreationDate", "01/10/2004", "01/10/2004"},
      {"ModifiedDate", "01/10/2004", "01/10/2004"},
      {"Completed", "0", "0"},
      {"start date", "", ""},  // names are matched exactly
      {"Colour", "", ""},
  };
  for (const Case& c : cases) {
    options_.time = 0;
    EXPECT_EQ(field(appt, c.name), c.twelve) << c.name;
    options_.time = 1;
    EXPECT_EQ(field(appt, c.name), c.twentyFour) << c.name;
  }
}

TEST_F(ItemFields, MidnightKeepsItsTime) {
  gw::ObjectRef appt = add(u"GW.MESSAGE.APPOINTMENT");
  api::setProperty(appt, "StartDate", Variant(u"1/15/2004"));
  api::setProperty(appt, "Duration", Variant(1.0));
  struct Case {
    const char* name;
    int time;
    const char* value;
  } cases[] = {
      {"Start Date", 0, "1/15/2004"},
      {"Start Time", 0, "12:00 AM"},
      {"Start Time", 1, " 0:00"},
      {"Start DateTime", 0, "1/15/2004 12:00 AM"},
      {"Start DateTime", 1, "1/15/2004 0:00"},
      {"End Date", 0, "1/16/2004"},
      {"End Time", 0, "12:00 AM"},
      {"End DateTime", 1, "1/16/2004 0:00"},
      {"Duration (minutes)", 0, "1440"},
      {"Duration (HH.hh/100)", 0, "24"},
  };
  for (const Case& c : cases) {
    options_.time = c.time;
    EXPECT_EQ(field(appt, c.name), c.value) << c.name;
  }
  // Noon and just after midnight.
  api::setProperty(appt, "StartDate", Variant(u"1/15/2004 12:00 pm"));
  options_.time = 0;
  EXPECT_EQ(field(appt, "Start Time"), "12:00 PM");
  options_.time = 1;
  EXPECT_EQ(field(appt, "Start Time"), " 12:00");
  api::setProperty(appt, "StartDate", Variant(u"1/15/2004 0:05"));
  options_.time = 0;
  EXPECT_EQ(field(appt, "Start Time"), "12:05 AM");
  options_.time = 1;
  EXPECT_EQ(field(appt, "Start Time"), " 0:05");
}

TEST_F(ItemFields, TasksDurationsAndYears) {
  gw::ObjectRef task = add(u"GW.MESSAGE.TASK");
  api::setProperty(task, "DueDate", Variant(u"2/29/2004"));
  api::setProperty(task, "Completed", Variant(1));
  api::setProperty(task, "TaskPriority", Variant(3));
  EXPECT_EQ(field(task, "Due Date"), "2/29/2004");
  EXPECT_EQ(field(task, "Completed"), "-1");
  EXPECT_EQ(field(task, "Priority"), "3");

  gw::ObjectRef appt = add(u"GW.MESSAGE.APPOINTMENT");
  struct Duration {
    double minutes;
    const char* hours;
    const char* mins;
  } durations[] = {{90, "1.5", "90"},
                   {140, "2.333", "140"},
                   {480, "8", "480"},
                   {10080, "168", "1.008E04"},
                   {0, "0", "0"}};
  for (const Duration& d : durations) {
    api::setProperty(appt, "Duration", Variant(d.minutes / 1440));
    EXPECT_EQ(field(appt, "Duration (HH.hh/100)"), d.hours);
    EXPECT_EQ(field(appt, "Duration (minutes)"), d.mins);
  }

  TwoDigitYearLocale twoDigits;
  api::setProperty(appt, "StartDate", Variant(u"3/2/1997 9:00"));
  options_.year = 0;
  EXPECT_EQ(field(appt, "Start Date"), "3/2/97");
  EXPECT_EQ(field(appt, "Start DateTime"), "3/2/97 9:00 AM");
  options_.year = 1;
  EXPECT_EQ(field(appt, "Start Date"), "3/2/1997");
  EXPECT_EQ(field(appt, "Start DateTime"), "3/2/97 9:00 AM");  // only date fields change
}

TEST_F(ItemFields, EmptyAndNullValues) {
  gw::ObjectRef note = add(u"GW.MESSAGE.NOTE");  // no start date
  options_.year = 1;
  for (const char* name : {"Start Date", "Start Time", "Start DateTime", "End Time"}) {
    EXPECT_THROW(field(note, name), platform::ConversionError) << name;
  }
  options_.year = 0;
  EXPECT_EQ(field(note, "Start Date"), "");
  EXPECT_EQ(field(note, "Subject"), "");

  auto fake = std::make_shared<FakeObject>();
  fake->set("StartDate", Variant::null()).set("Subject", Variant::null());
  fake->set("AssignedDate", Variant()).set("Completed", Variant(false));
  gw::ObjectRef item = fake;
  EXPECT_THROW(field(item, "Start Date"), platform::ConversionError);
  EXPECT_THROW(field(item, "Subject"), platform::ConversionError);
  EXPECT_EQ(field(item, "AssignedDate"), "12/30/1899");  // an empty date is day zero
  EXPECT_EQ(field(item, "Completed"), "0");
  EXPECT_THROW(field(item, "Place"), gw::Error);  // a member the item lacks
}
