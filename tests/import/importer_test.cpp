#include <gtest/gtest.h>

#include "groupwise/error.h"
#include "groupwise/gwapi.h"
#include "groupwise/standin/postoffice.h"
#include "import/importer.h"
#include "platform/errors.h"
#include "platform/oledate.h"
#include "tests/support/fakechoices.h"
#include "tests/support/fakedialogs.h"
#include "tests/support/testsupport.h"

using namespace importing;
using namespace testing_support;
namespace api = gw::api;
using gw::Variant;
using V = std::vector<std::string>;

namespace {

struct Count : CountDisplay {
  std::vector<std::string> shown;
  void setCountText(const std::string& t) override { shown.push_back(t); }
};

double at(int y, int mo, int d, int h = 0, int mi = 0) {
  return platform::encodeDateTime({y, mo, d, h, mi, 0});
}

class Import : public ::testing::Test {
 protected:
  // Runs an import of `lines` (joined by CR LF) with the mapping; tab-separated.
  void runCal(int kind, const std::string& content, V mapping, bool ignoreFirst = false) {
    writeFile(path_, content);
    delimiters_.select(kTab);
    options_.mode = kTab;
    ImportJob job{path_,   ignoreFirst, std::move(mapping), delimiters_, options_, mask_,
                  nullptr, dialogs_};
    ImpCal(kind, job, account_);
  }
  void runAB(const std::string& content, V mapping, const char16_t* book = u"Frequent Contacts") {
    writeFile(path_, content);
    delimiters_.select(kTab);
    options_.mode = kTab;
    ImportJob job{path_,   false,   std::move(mapping), delimiters_, options_, mask_,
                  nullptr, dialogs_};
    gw::ObjectRef books, target;
    ImpAddrs(job, account_, book, books, target, count_);
    EXPECT_EQ(api::name(target), book);
  }
  std::vector<gw::ObjectRef> items(const char16_t* filter) {
    gw::ObjectRef found = api::findMessages(api::calendar(account_), filter);
    std::vector<gw::ObjectRef> out;
    for (int i = 1; i <= api::count(found); ++i) out.push_back(api::item(found, i));
    return out;
  }
  gw::ObjectRef only(const char16_t* filter) {
    auto all = items(filter);
    EXPECT_EQ(all.size(), 1u);
    return all.empty() ? nullptr : all[0];
  }
  std::vector<gw::ObjectRef> entries(const char16_t* book = u"Frequent Contacts") {
    gw::ObjectRef list =
        api::addressBookEntries(api::itemByName(api::addressBooks(account_), book));
    std::vector<gw::ObjectRef> out;
    for (int i = 1; i <= api::count(list); ++i) out.push_back(api::item(list, i));
    return out;
  }
  static std::u16string field(const gw::ObjectRef& entry, const char16_t* name) {
    return api::fieldItem(api::entryFields(entry), name).toText();
  }

  FixedClock clock_{2004, 1, 5, 9, 0};
  PostOfficeFixture po_;
  gw::ObjectRef account_ = po_.account();
  TempDir dir_;
  std::string path_ = dir_.file("in.txt");
  Delimiters delimiters_;
  ImportChoices options_;  // delimiter mode and filters
  ImportChoices mask_;     // the date layout
  FakeDialogs dialogs_;
  Count count_;
};

}  // namespace

TEST(ImportNumbers, DurationsAndPriorities) {
  struct Case {
    const char* text;
    int hhmm, hours, minutes;
  } cases[] = {
      {"1:30", 90, 60, 60}, {"0:45", 45, 60, 60}, {"2", 60, 120, 2},
      {"1.50", 60, 90, 2},  {"2.25", 60, 135, 2}, {"0.75", 60, 45, 1},
      {"1.5", 60, 90, 2},   {"8", 60, 480, 8},    {"", 60, 60, 60},
      {":30", 60, 60, 60},  {".5", 60, 60, 1},    {"1.008E04", 60, 60, 10080},
      {"90", 60, 5400, 90}, {"abc", 60, 60, 60},  {"100000", 60, 6000000, 100000},
      {"-30", 60, 60, -30},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(minutesFromHoursMinutes(c.text), c.hhmm) << c.text;
    EXPECT_EQ(minutesFromHours(c.text), c.hours) << c.text;
    EXPECT_EQ(minutesFromMinutes(c.text), c.minutes) << c.text;
  }
  EXPECT_THROW(minutesFromHoursMinutes("a:30"), platform::ConversionError);
  EXPECT_THROW(minutesFromHoursMinutes("1:x"), platform::ConversionError);
  EXPECT_THROW(minutesFromHours("1.x5"), platform::ConversionError);
  struct Priority {
    const char* text;
    int value;
  } priorities[] = {{"3", 3}, {"b", 2},   {"D", 4},         {"Apple", 1}, {"x", 1},
                    {"", 1},  {"-1", -1}, {"70000", 70000}, {"c2", 3}};
  for (const Priority& p : priorities) EXPECT_EQ(priorityFrom(p.text), p.value) << p.text;
}

TEST_F(Import, FieldNamesSetTheirMembers) {
  runCal(0, "Room 5\tLunch\tline one         line two\t1:30\t90\tcolour\r\n",
         {"Place", "Subject", "Message", "Duration (HH:MM)", "Duration (minutes)", "Colour"});
  gw::ObjectRef a = only(u"(APPOINTMENT)");
  EXPECT_EQ(api::getProperty(a, "Place").toText(), u"Room 5");
  EXPECT_EQ(api::getProperty(a, "Subject").toText(), u"Lunch");
  EXPECT_EQ(api::getProperty(a, "BodyText").toText(), u"line one         line two");
  // Two durations on one line: the later one wins.
  EXPECT_DOUBLE_EQ(api::getProperty(a, "Duration").toReal() * 1440, 90);
  EXPECT_TRUE(api::getProperty(a, "StartDate").isEmpty());  // no date or time mapped

  runCal(5, "2/1/04\tc\t-1\r\n2/2/04\t\tx\r\n", {"Due Date", "Priority", "Completed"});
  auto tasks = items(u"(TASK)");
  ASSERT_EQ(tasks.size(), 2u);
  // Neither task has a start, so they come in the order they were made.
  EXPECT_EQ(api::getProperty(tasks[0], "DueDate").toDate(), at(2004, 2, 1));
  EXPECT_EQ(api::getProperty(tasks[0], "TaskPriority").toInt(), 3);
  EXPECT_TRUE(api::getProperty(tasks[0], "Completed").toBool());
  EXPECT_EQ(api::getProperty(tasks[1], "TaskPriority").toInt(), 1);
  EXPECT_FALSE(api::getProperty(tasks[1], "Completed").toBool());
  runCal(3, "Payday\r\n", {"Subject"});
  EXPECT_EQ(api::getProperty(only(u"(NOTE)"), "ClassName").toText(), u"GW.MESSAGE.NOTE");
}

TEST_F(Import, StartAndEndStamps) {
  struct Case {
    std::string line;
    V mapping;
    double start, end;
  } cases[] = {
      {"1/31/97", {"Start Date"}, at(1997, 1, 31), at(1997, 1, 31)},
      {"1/31/97\t23:00", {"Start Date", "Start Time"}, at(1997, 1, 31, 23), at(1997, 1, 31, 23)},
      {"1/31/97 11:00 PM", {"Start DateTime"}, at(1997, 1, 31, 23), at(1997, 1, 31, 23)},
      {"1/16/2004\t12:00 AM\t1/17/2004\t12:00 AM",
       {"Start Date", "Start Time", "End Date", "End Time"},
       at(2004, 1, 16),
       at(2004, 1, 17)},
      {"1/15/2004 14:30\t1/15/2004 16:00",
       {"Start DateTime", "End DateTime"},
       at(2004, 1, 15, 14, 30),
       at(2004, 1, 15, 16)},
      {"1/15/2004\t 0:05\t1/15/2004\t 1:05",
       {"Start Date", "Start Time", "End Date", "End Time"},
       at(2004, 1, 15, 0, 5),
       at(2004, 1, 15, 1, 5)},
      // An empty date field is today; a DateTime without a blank is today at that time.
      {"9:00\t", {"Start Time", "Start Date"}, at(2004, 1, 5, 9), at(2004, 1, 5, 9)},
      {"10:00am", {"Start DateTime"}, at(2004, 1, 5, 10), at(2004, 1, 5, 10)},
      {"31.1.1997", {"Start Date"}, at(1997, 1, 31), at(1997, 1, 31)},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    mask_.mask = i == std::size(cases) - 1 ? 8 : 0;
    runCal(0, c.line + "\r\n", c.mapping);
    auto all = items(u"(APPOINTMENT)");
    ASSERT_EQ(all.size(), i + 1);
    // The newest item: its start is this case's (each case has its own start).
    bool found = false;
    for (const auto& item : all) {
      if (api::getProperty(item, "StartDate").toDate() == c.start) {
        EXPECT_EQ(api::getProperty(item, "EndDate").toDate(), c.end) << c.line;
        found = true;
      }
    }
    EXPECT_TRUE(found) << c.line;
  }
}

TEST_F(Import, EveryLineSetsItsOwnStamps) {
  runCal(0, "1/10/2004\t10:00\r\n1/11/2004\t11:00\r\n", {"Start Date", "Start Time"});
  auto all = items(u"(APPOINTMENT)");
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(api::getProperty(all[0], "StartDate").toDate(), at(2004, 1, 10, 10));
  EXPECT_EQ(api::getProperty(all[1], "StartDate").toDate(), at(2004, 1, 11, 11));
}

TEST_F(Import, LinesAndTheFirstLine) {
  // The header is imported unless ignored; empty lines are passed over and the run goes
  // on to the end; a one-character line is an item like any other.
  runCal(3, "Subject\r\none\r\n\r\nx\r\n\r\nthree\r\n\r\n", {"Subject"});
  std::vector<std::u16string> subjects;
  for (const auto& n : items(u"(NOTE)"))
    subjects.push_back(api::getProperty(n, "Subject").toText());
  EXPECT_EQ(subjects, (std::vector<std::u16string>{u"Subject", u"one", u"x", u"three"}));
  runCal(5, "Subject\r\nfirst task", {"Subject"}, true);
  EXPECT_EQ(api::getProperty(only(u"(TASK)"), "Subject").toText(), u"first task");
  // No fields mapped: one empty item per line.
  runCal(0, "a\r\nb\r\n", {});
  EXPECT_EQ(items(u"(APPOINTMENT)").size(), 2u);
  EXPECT_TRUE(dialogs_.shown.empty());
}

TEST_F(Import, AFileThatCannotBeRead) {
  testing_support::TempDir other;
  ImportJob job{other.file("missing.txt"),
                false,
                {"Subject"},
                delimiters_,
                options_,
                mask_,
                nullptr,
                dialogs_};
  ImpCal(3, job, account_);
  job.path = other.path();  // a folder
  ImpCal(3, job, account_);
  EXPECT_EQ(dialogs_.take(), (V{"Unable to open import file.", "Unable to open import file."}));
  EXPECT_TRUE(items(u"(NOTE)").empty());
}

TEST_F(Import, ATimeThatCannotBeReadEndsTheRunAndKeepsWhatWasMade) {
  try {
    runCal(0, "1/10/2004\t10:00\tfirst\r\n1/11/2004\tx:30\tsecond\r\n1/12/2004\t9:00\tthird\r\n",
           {"Start Date", "Start Time", "Subject"});
    FAIL();
  } catch (const platform::ConversionError& e) {
    EXPECT_STREQ(e.what(), "'x' is not a valid integer value");
  }
  // The first item, and the second as far as it got.
  EXPECT_EQ(items(u"(APPOINTMENT)").size(), 2u);
  // A stamp GroupWise refuses ends the run with its own text.
  EXPECT_THROW(runCal(0, "13/45/2004\r\n", {"Start Date"}), gw::Error);
}

TEST_F(Import, AddressBookColumns) {
  auto store = po_.postOffice();
  std::int64_t book = store->books(store->findUser(u"alice")->id)[1].id;
  for (const char16_t* n : {u"Navn", u"Nom", u"Namn", u"Nombre"}) {
    store->addFieldDef(book, n, gw::standin::kFieldText);
  }
  for (const char* nameField : {"Name", "Navn", "Nom", "Namn", "Nombre"}) {
    runAB(std::string("Person ") + nameField + "\tp@x.org\tCity X\r\n",
          {nameField, "E-Mail Address", "City"});
  }
  auto all = entries();
  ASSERT_EQ(all.size(), 5u);
  EXPECT_EQ(field(all[1], u"Name"), u"Person Navn");
  EXPECT_EQ(field(all[1], u"Navn"), u"Person Navn");  // also kept as a field of its own
  EXPECT_EQ(field(all[4], u"Name"), u"Person Nombre");
  EXPECT_EQ(field(all[4], u"E-Mail Address"), u"p@x.org");
  EXPECT_EQ(field(all[4], u"E-Mail Type"), u"NGW");
  EXPECT_EQ(field(all[4], u"City"), u"City X");

  // Only an address: it names the entry too. An empty type column gives an empty type.
  runAB("only@x.org\t\r\n", {"E-Mail Address", "E-Mail Type"}, u"alice");
  gw::ObjectRef e = entries(u"alice").at(0);
  EXPECT_EQ(field(e, u"Name"), u"only@x.org");
  EXPECT_EQ(field(e, u"E-Mail Address"), u"only@x.org");
  EXPECT_EQ(field(e, u"E-Mail Type"), u"");
  // With neither a name nor an address column nothing is made and nothing said.
  count_.shown.clear();
  runAB("a\tb\r\n", {"City", "State"}, u"alice");
  EXPECT_EQ(entries(u"alice").size(), 1u);
  EXPECT_TRUE(count_.shown.empty());
  EXPECT_TRUE(dialogs_.shown.empty());
}

TEST_F(Import, TheCountAcrossRunsAndARefusedEntry) {
  runAB("A\ta@x\r\nB\tb@x\r\n\r\nC\tc@x\r\n", {"Name", "E-Mail Address"});
  EXPECT_EQ(count_.shown, (V{"1", "2", "3", "3 - done"}));
  count_.shown.clear();
  runAB("D\td@x\r\n\t\r\nE\te@x\r\n", {"Name", "E-Mail Address"});
  EXPECT_EQ(count_.shown, (V{"1"}));
  EXPECT_EQ(dialogs_.take(),
            (V{"Unable to create address book entry.\r\nCheck DisplayName or email "
               "address field."}));
  EXPECT_EQ(entries().size(), 4u);  // the earlier ones stay
}

TEST_F(Import, AFieldTheBookRefusesEndsTheRun) {
  try {
    runAB("A\t44\r\nB\t45\r\n", {"Name", "Shoe Size"});
    FAIL();
  } catch (const gw::Error& e) {
    EXPECT_EQ(std::string(e.what()),
              "The address book \"Frequent Contacts\" has no field \"Shoe Size\"");
  }
  EXPECT_EQ(entries().size(), 1u);  // the entry stays with what was stored
}
