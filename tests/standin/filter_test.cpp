#include <gtest/gtest.h>

#include "groupwise/error.h"
#include "groupwise/gwapi.h"
#include "groupwise/standin/filter.h"
#include "platform/ansi.h"
#include "platform/oledate.h"
#include "tests/support/testsupport.h"

using namespace testing_support;
namespace api = gw::api;
using gw::Variant;

namespace {

std::string parseError(const std::string& text) {
  try {
    gw::standin::parseFilter(text, 0);
  } catch (const gw::Error& e) {
    return e.what();
  }
  return "";
}

}  // namespace

TEST(FilterLanguage, MalformedExpressionsSayWhere) {
  struct Case {
    const char* text;
    const char* error;
  } cases[] = {
      {"", "position 1: expected a search condition, found the end of the expression"},
      {"()", "position 2: expected an item kind, a date field, NOT or \"(\", found \")\""},
      {"(TASK", "position 6: expected \")\", found the end of the expression"},
      {"(TASK AND)", "position 10: expected an item kind, a date field, NOT or \"(\", found \")\""},
      {"(EVENT)",
       "position 2: expected an item kind (APPOINTMENT, TASK, NOTE, MAIL, PHONE) or a "
       "date field, found \"EVENT\""},
      {"(START_DATE 2004/01/01)", "position 13: expected a comparison"},
      {"(START_DATE >= 2004/13/01)", "position 16: expected a valid date (yyyy/mm/dd)"},
      {"(START_DATE >=     /  /  AT 00:00:00)", "position 20: expected a date (yyyy/mm/dd)"},
      {"(START_DATE >= 2004/1/5 AT 25:00:00)", "position 28: expected a time of day (h:m:s)"},
      {"(START_DATE >= 04/1/5)", "position 16: expected a date (yyyy/mm/dd)"},
      {"(TASK) TASK", "position 8: expected AND, OR or the end of the expression"},
      {"(TASK AND START_DATE >= 2004/1/5 AT)", "position 36: expected a time (h:m:s)"},
  };
  for (const Case& c : cases) {
    std::string err = parseError(c.text);
    EXPECT_EQ(err.rfind("Invalid search expression at ", 0), 0u) << c.text << ": " << err;
    EXPECT_NE(err.find(c.error), std::string::npos) << c.text << ": " << err;
  }
  // Deep nesting is refused rather than exhausting the stack.
  EXPECT_NE(parseError(std::string(100000, '(') + "TASK").find("less deeply nested"),
            std::string::npos);
}

class FindMessages : public ::testing::Test {
 protected:
  void SetUp() override {
    gw::ObjectRef list = api::messages(api::calendar(account_));
    auto make = [&](const char16_t* cls, const char16_t* subject, const char16_t* start,
                    const char16_t* due) {
      gw::ObjectRef item = api::addMessage(list, cls);
      api::setSubject(item, subject);
      if (start) api::setProperty(item, "StartDate", Variant(start));
      if (due) api::setProperty(item, "DueDate", Variant(due));
    };
    make(u"GW.MESSAGE.APPOINTMENT", u"a-before", u"1/31/2004 11:59:59 PM", nullptr);
    make(u"GW.MESSAGE.APPOINTMENT", u"a-first", u"2/1/2004", nullptr);
    make(u"GW.MESSAGE.APPOINTMENT", u"a-last", u"2/29/2004 23:59:59", nullptr);
    make(u"GW.MESSAGE.APPOINTMENT", u"a-after", u"3/1/2004", nullptr);
    make(u"GW.MESSAGE.TASK", u"t-feb", u"2/10/2004 10:00", u"2/12/2004");
    make(u"GW.MESSAGE.TASK", u"t-nostart", nullptr, u"2/12/2004");
    make(u"GW.MESSAGE.NOTE", u"n-today", u"6/15/2004 8:00", nullptr);
    make(u"GW.MESSAGE.MAIL", u"m", u"2/2/2004", nullptr);
  }

  std::vector<std::u16string> find(const char16_t* filter) {
    gw::ObjectRef found = api::findMessages(api::calendar(account_), filter);
    std::vector<std::u16string> out;
    for (int i = 1; i <= api::count(found); ++i) {
      out.push_back(api::getProperty(api::item(found, i), "Subject").toText());
    }
    return out;
  }

  FixedClock clock_{2004, 6, 15, 12, 0};
  PostOfficeFixture po_;
  gw::ObjectRef account_ = po_.account();
};

TEST_F(FindMessages, KindsRangesAndLogic) {
  using V = std::vector<std::u16string>;
  struct Case {
    const char16_t* filter;
    V subjects;
  } cases[] = {
      {u"(APPOINTMENT)", V{u"a-before", u"a-first", u"a-last", u"a-after"}},
      {u"(TASK)", V{u"t-nostart", u"t-feb"}},
      {u"(note)", V{u"n-today"}},
      {u"(APPOINTMENT AND START_DATE >= 2004/02/01 AT 00:00:00 AND START_DATE <= 2004/02/29 AT "
       u"23:59:59)",
       V{u"a-first", u"a-last"}},
      {u"(APPOINTMENT AND START_DATE >= 2004/2/1 AT 0:0:1)", V{u"a-last", u"a-after"}},
      {u"(TASK AND START_DATE >= 2004/02/01 AT 00:00:00 AND START_DATE <= 2004/02/29 AT 23:59:59)",
       V{u"t-feb"}},
      {u"(TASK AND DUEEND_DATE = 2004/2/12)", V{u"t-nostart", u"t-feb"}},
      {u"(TASK AND NOT START_DATE > 2004/1/1)", V{u"t-nostart"}},
      {u"(NOTE OR MAIL)", V{u"m", u"n-today"}},
      {u"((APPOINTMENT OR TASK) AND START_DATE = 2004/2/10)", V{u"t-feb"}},
      {u"(START_DATE = TODAY)", V{u"n-today"}},
      {u"(CREATE_DATE = TODAY AND MODIFY_DATE <= TODAY AT 12:00:00 AND ASSIGNED_DATE <> 2004/1/1)",
       V{u"t-nostart", u"a-before", u"a-first", u"m", u"t-feb", u"a-last", u"a-after", u"n-today"}},
      {u"(APPOINTMENT AND START_DATE < 2004/01/31 AT 23:59:59)", V{}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(find(c.filter), c.subjects) << platform::toUtf8(c.filter);
  }
  EXPECT_THROW(find(u"(APPOINTMENT AND START_DATE >=   /  /     AT 00:00:00)"), gw::Error);
}
