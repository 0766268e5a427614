#include <gtest/gtest.h>

#include "groupwise/error.h"
#include "groupwise/gwapi.h"
#include "platform/oledate.h"
#include "tests/support/testsupport.h"

using namespace testing_support;
namespace api = gw::api;
using gw::Variant;

namespace {

double at(int y, int mo, int d, int h = 0, int mi = 0) {
  return platform::encodeDateTime({y, mo, d, h, mi, 0});
}

class Items : public ::testing::Test {
 protected:
  gw::ObjectRef add(const std::u16string& cls) {
    return api::addMessage(api::messages(api::calendar(account_)), cls);
  }
  // The first item found again through a fresh session.
  gw::ObjectRef reread(const char16_t* filter) {
    gw::ObjectRef found = api::findMessages(api::calendar(po_.account()), filter);
    return api::item(found, 1);
  }
  FixedClock clock_{2004, 1, 10, 8, 15};
  PostOfficeFixture po_;
  gw::ObjectRef account_ = po_.account();
};

}  // namespace

TEST_F(Items, SixClassesAndTheFieldsThePostOfficeKeeps) {
  for (const char16_t* cls :
       {u"GW.MESSAGE.APPOINTMENT", u"GW.MESSAGE.DOCUMENTREFERENCE", u"GW.MESSAGE.MAIL",
        u"GW.MESSAGE.NOTE", u"GW.MESSAGE.PHONE", u"gw.message.task"}) {
    EXPECT_NO_THROW(add(cls));
  }
  EXPECT_NE(errorText([&] { add(u"GW.MESSAGE.FAX"); }).find("Unknown item class"),
            std::string::npos);
  gw::ObjectRef task = reread(u"(TASK)");
  EXPECT_EQ(api::getProperty(task, "ClassName").toText(), u"GW.MESSAGE.TASK");
  EXPECT_EQ(api::getProperty(task, "CreationDate").toDate(), at(2004, 1, 10, 8, 15));
  EXPECT_EQ(api::getProperty(task, "ModifiedDate").toDate(), at(2004, 1, 10, 8, 15));
  EXPECT_EQ(api::getProperty(task, "AssignedDate").toDate(), at(2004, 1, 10, 8, 15));
  EXPECT_EQ(api::getProperty(task, "FromText").toText(), u"alice");
  EXPECT_TRUE(api::getProperty(task, "StartDate").isEmpty());
  EXPECT_NE(
      errorText([&] { api::setProperty(task, "FromText", Variant(u"x")); }).find("cannot be set"),
      std::string::npos);
}

TEST_F(Items, TextsAreFormattedTextObjects) {
  gw::ObjectRef note = add(u"GW.MESSAGE.NOTE");
  api::setSubject(note, u"Lunch \"at noon\"");
  api::setProperty(note, "BodyText", Variant(u"line one\r\nline two"));
  api::setProperty(note, "Place", Variant(u"Caf\u00E9"));
  gw::ObjectRef again = reread(u"(NOTE)");
  Variant subject = api::getProperty(again, "Subject");
  EXPECT_TRUE(subject.isObject());
  EXPECT_EQ(subject.toText(), u"Lunch \"at noon\"");
  EXPECT_EQ(subject.object()->get("PlainText").toText(), u"Lunch \"at noon\"");
  EXPECT_EQ(api::getProperty(again, "BodyText").toText(), u"line one\r\nline two");
  EXPECT_EQ(api::getProperty(again, "Place").toText(), u"Caf\u00E9");
}

TEST_F(Items, CompletedIsABooleanAndPriorityKeepsWhatIsPut) {
  gw::ObjectRef task = add(u"GW.MESSAGE.TASK");
  api::setProperty(task, "Completed", Variant(-1));
  api::setProperty(task, "TaskPriority", Variant(70000));
  gw::ObjectRef again = reread(u"(TASK)");
  EXPECT_EQ(api::getProperty(again, "Completed").type(), gw::VarType::Bool);
  EXPECT_EQ(api::getProperty(again, "Completed").toInt(), -1);
  EXPECT_EQ(api::getProperty(again, "TaskPriority").toInt(), 70000);
  api::setProperty(again, "Completed", Variant(0));
  api::setProperty(again, "TaskPriority", Variant(u"A1"));
  gw::ObjectRef third = reread(u"(TASK)");
  EXPECT_FALSE(api::getProperty(third, "Completed").toBool());
  EXPECT_EQ(api::getProperty(third, "TaskPriority").toText(), u"A1");
}

TEST_F(Items, EndDateIsStartPlusDuration) {
  gw::ObjectRef appt = add(u"GW.MESSAGE.APPOINTMENT");
  api::setProperty(appt, "Duration", Variant(90.0 / 1440));
  api::setProperty(appt, "StartDate", Variant(u"1/15/2004 2:30 PM"));
  EXPECT_EQ(api::getProperty(appt, "EndDate").toDate(), at(2004, 1, 15, 16));
  // Moving the start keeps the duration.
  api::setProperty(appt, "StartDate", Variant(u"1/16/2004 9:00 am"));
  EXPECT_EQ(api::getProperty(appt, "EndDate").toDate(), at(2004, 1, 16, 10, 30));
  // Setting the end changes the duration.
  api::setProperty(appt, "EndDate", Variant(u"1/16/2004 12:00 PM"));
  EXPECT_DOUBLE_EQ(api::getProperty(appt, "Duration").toReal() * 1440, 180.0);
  gw::ObjectRef again = reread(u"(APPOINTMENT)");
  EXPECT_EQ(api::getProperty(again, "StartDate").toDate(), at(2004, 1, 16, 9));
  EXPECT_EQ(api::getProperty(again, "EndDate").toDate(), at(2004, 1, 16, 12));
  EXPECT_NE(errorText([&] {
              api::setProperty(again, "EndDate", Variant(u"1/15/2004"));
            }).find("lies before the start"),
            std::string::npos);
  EXPECT_NE(errorText([&] { api::setProperty(again, "Duration", Variant(-1.0)); }).find("negative"),
            std::string::npos);
  // An end without a start places the start one duration earlier.
  gw::ObjectRef other = add(u"GW.MESSAGE.APPOINTMENT");
  api::setProperty(other, "Duration", Variant(1.0 / 24));
  api::setProperty(other, "EndDate", Variant(u"2/1/2004 10:00"));
  EXPECT_EQ(api::getProperty(other, "StartDate").toDate(), at(2004, 2, 1, 9));
  // A task's end is its due date.
  gw::ObjectRef task = add(u"GW.MESSAGE.TASK");
  api::setProperty(task, "DueDate", Variant(u"3/1/2004"));
  EXPECT_EQ(api::getProperty(task, "EndDate").toDate(), at(2004, 3, 1));
}

TEST_F(Items, DateTextsAreReadInTheUsersLocaleOrRefused) {
  gw::ObjectRef appt = add(u"GW.MESSAGE.APPOINTMENT");
  api::setProperty(appt, "StartDate", Variant(u" 1/31/97 11:00 pm "));
  EXPECT_EQ(api::getProperty(appt, "StartDate").toDate(), at(1997, 1, 31, 23));
  api::setProperty(appt, "StartDate", Variant(u"1/31/97 "));
  EXPECT_EQ(api::getProperty(appt, "StartDate").toDate(), at(1997, 1, 31));
  for (const char16_t* bad :
       {u"31/1/97", u"//1997", u" 11:00 pm", u"tomorrow", u"1/31/97 11:00 P am"}) {
    std::string err = errorText([&] { api::setProperty(appt, "StartDate", Variant(bad)); });
    EXPECT_EQ(err.rfind("Type mismatch", 0), 0u) << err;
  }
  // A refused put changes nothing.
  EXPECT_EQ(api::getProperty(appt, "StartDate").toDate(), at(1997, 1, 31));
}

TEST_F(Items, ErrorsForUnknownMembersArgumentsAndIndexes) {
  gw::ObjectRef list = api::messages(api::calendar(account_));
  EXPECT_NE(errorText([&] { list->get("Colour"); }).find("is not a member"), std::string::npos);
  EXPECT_NE(errorText([&] { list->call("Add", {}); }).find("Wrong number of arguments"),
            std::string::npos);
  EXPECT_NE(errorText([&] { list->call("Add", {Variant(3)}); }).find("Type mismatch"),
            std::string::npos);
  EXPECT_NE(errorText([&] { api::item(list, 1); }).find("out of range"), std::string::npos);
}
