#include "import/importer.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "groupwise/error.h"
#include "groupwise/gwapi.h"
#include "groupwise/standin/postoffice.h"
#include "platform/errors.h"
#include "platform/oledate.h"
#include "tests/import/wrapper.h"
#include "tests/support/testsupport.h"

using namespace importing;
using namespace testing_support;
namespace api = gw::api;
using gw::CalendarKind;
using gw::Variant;
using V = std::vector<std::string>;
using namespace std::string_literals;

namespace {

double at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  return platform::encodeDateTime({y, mo, d, h, mi, s});
}

struct Host : ImportHost {
  std::vector<std::size_t> made;
  int messages = 0;
  std::uint64_t lastDone = 0, total = 0;
  void processMessages() override { ++messages; }
  void progress(std::uint64_t done, std::uint64_t all) override { lastDone = done, total = all; }
  void entriesMade(std::size_t n) override { made.push_back(n); }
};

struct Options {
  int mode = kTab;
  bool ignoreFirst = false;
  int mask = 0;
  Encoding encoding = Encoding::Windows1252;
  char separator = ',';
};

class Import : public ::testing::Test {
 protected:
  ImportResult run(Destination d, const std::string& content, V pairing, Options o = {},
                   gw::ObjectRef account = nullptr) {
    writeFile(path_, content);
    return runWith(std::move(d), std::move(pairing), o, account);
  }
  ImportResult runWith(Destination d, V pairing, Options o = {}, gw::ObjectRef account = nullptr) {
    ImportRequest r;
    r.path = path_;
    r.format.mode = o.mode;
    r.format.separator = o.separator;
    r.format.encoding = o.encoding;
    r.ignoreFirstLine = o.ignoreFirst;
    r.dateMask = o.mask;
    r.pairing = std::move(pairing);
    r.destination = std::move(d);
    return runImport(r, account ? account : account_, host_);
  }
  ImportResult cal(CalendarKind kind, const std::string& content, V pairing, Options o = {}) {
    return run(Destination::calendar(kind), content, std::move(pairing), o);
  }
  ImportResult book(const std::string& content, V pairing, const char* name = "Frequent Contacts") {
    return run(Destination::addressBookNamed(name), content, std::move(pairing));
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
  void clearCalendar() {
    for (const auto& i : items(u"(APPOINTMENT OR TASK OR NOTE)")) api::deleteObject(i);
  }
  std::vector<gw::ObjectRef> entries(const char16_t* name = u"Frequent Contacts") {
    gw::ObjectRef list =
        api::addressBookEntries(api::itemByName(api::addressBooks(account_), name));
    std::vector<gw::ObjectRef> out;
    for (int i = 1; i <= api::count(list); ++i) out.push_back(api::item(list, i));
    return out;
  }
  static std::u16string field(const gw::ObjectRef& entry, const char16_t* name) {
    return api::fieldItem(api::entryFields(entry), name).toText();
  }
  static std::u16string prop(const gw::ObjectRef& item, const char* member) {
    return api::getProperty(item, member).toText();
  }

  FixedClock clock_{2004, 1, 5, 9, 0};
  PostOfficeFixture po_;
  gw::ObjectRef account_ = po_.account();
  TempDir dir_;
  std::string path_ = dir_.file("in.txt");
  Host host_;
};

}  // namespace

TEST(ImportNumbers, DurationsAndPriorities) {
  struct Case {
    const char* text;
    int hhmm, hours, minutes;  // -1: refused
  } cases[] = {
      {"1:30", 90, 60, 60},
      {"0:45", 45, 60, 60},
      {"2", 60, 120, 2},
      {"1.50", 60, 90, 2},
      {"2.25", 60, 135, 2},
      {"0.75", 60, 45, 1},
      {"1.5", 60, 90, 2},
      {"8", 60, 480, 8},
      {"", 60, 60, 60},
      {":30", 60, 60, 60},
      // Hours are read whole and rounded to the minute, as the export writes them.
      {"2.333", 60, 140, 2},
      {"0.1667", 60, 10, 0},
      {"0.6667", 60, 40, 1},
      {"0.0083", 60, 0, 0},
      {" 168 ", 60, 10080, 168},
      {".5", 60, 30, 1},
      {"1.008E04", 60, 604800, 10080},
      {"abc", 60, 60, 60},
      {"100000", 60, 6000000, 100000},
      // Negative, beyond 100 years, or not finite: refused.
      {"-30", 60, -1, -1},
      {"-1:30", -1, 60, 60},
      {"-1.5", 60, -1, -1},
      {"-0.01", 60, -1, -1},
      {"99999999", 60, -1, -1},
      {"876600.01", 60, -1, 876600},
      {"876600:01", -1, 60, 60},
      {"1e300", 60, -1, -1},
      {"1e400", 60, -1, -1},
      {"inf", 60, -1, -1},
      {"nan", 60, -1, -1},
  };
  auto minutes = [](int (*fn)(std::string_view), const char* text) {
    try {
      return fn(text);
    } catch (const platform::ConversionError&) {
      return -1;
    }
  };
  for (const Case& c : cases) {
    EXPECT_EQ(minutes(minutesFromHoursMinutes, c.text), c.hhmm) << c.text;
    EXPECT_EQ(minutes(minutesFromHours, c.text), c.hours) << c.text;
    EXPECT_EQ(minutes(minutesFromMinutes, c.text), c.minutes) << c.text;
  }
  EXPECT_EQ(minutes(minutesFromHoursMinutes, "a:30"), -1);
  EXPECT_EQ(minutes(minutesFromHours, "1.x5"), -1);
  struct Priority {
    const char* text;
    int value;
  } priorities[] = {{"3", 3}, {"b", 2},   {"D", 4},         {"Apple", 1}, {"x", 1},
                    {"", 1},  {"-1", -1}, {"70000", 70000}, {"c2", 3}};
  for (const Priority& p : priorities) EXPECT_EQ(priorityFrom(p.text), p.value) << p.text;
}

TEST_F(Import, FieldNamesSetTheirMembers) {
  ImportResult r = cal(
      CalendarKind::Appointment, "Room 5\tLunch\tline one         line two\t1:30\t90\tcolour\r\n",
      {"Place", "Subject", "Message", "Duration (HH:MM)", "Duration (minutes)", "Colour"});
  EXPECT_EQ(r.imported, 1u);
  EXPECT_EQ(r.endMessage(), "");
  gw::ObjectRef a = only(u"(APPOINTMENT)");
  EXPECT_EQ(prop(a, "Place"), u"Room 5");
  EXPECT_EQ(prop(a, "Subject"), u"Lunch");
  EXPECT_EQ(prop(a, "BodyText"), u"line one         line two");
  // Two durations on one line: the later one wins.
  EXPECT_DOUBLE_EQ(api::getProperty(a, "Duration").toReal() * 1440, 90);
  EXPECT_TRUE(api::getProperty(a, "StartDate").isEmpty());  // no date or time mapped

  cal(CalendarKind::Task, "2/1/04\tc\t-1\r\n2/2/04\t\tx\r\n",
      {"Due Date", "Priority", "Completed"});
  auto tasks = items(u"(TASK)");
  ASSERT_EQ(tasks.size(), 2u);
  EXPECT_EQ(api::getProperty(tasks[0], "DueDate").toDate(), at(2004, 2, 1));
  EXPECT_EQ(api::getProperty(tasks[0], "TaskPriority").toInt(), 3);
  EXPECT_TRUE(api::getProperty(tasks[0], "Completed").toBool());
  EXPECT_EQ(api::getProperty(tasks[1], "TaskPriority").toInt(), 1);
  EXPECT_FALSE(api::getProperty(tasks[1], "Completed").toBool());
  cal(CalendarKind::Note, "Payday\r\n", {"Subject", kSkip, kSkip});
  EXPECT_EQ(prop(only(u"(NOTE)"), "ClassName"), u"GW.MESSAGE.NOTE");
}

// A start or end keeps every part its text gives; each line sets its own.
TEST_F(Import, StartAndEndStamps) {
  struct Case {
    std::string line;
    V pairing;
    double start, end;
    int mask = 0;
  } cases[] = {
      {"1/31/97", {"Start Date"}, at(1997, 1, 31), at(1997, 1, 31)},
      {"1/31/97\t23:00", {"Start Date", "Start Time"}, at(1997, 1, 31, 23), at(1997, 1, 31, 23)},
      {"12/31/2004\t10:30:00 PM",
       {"Start Date", "Start Time"},
       at(2004, 12, 31, 22, 30),
       at(2004, 12, 31, 22, 30)},
      {"1/15/2026 10:30:00 PM",
       {"Start DateTime"},
       at(2026, 1, 15, 22, 30),
       at(2026, 1, 15, 22, 30)},
      {"1/12/2026\t23:59:59",
       {"Start Date", "Start Time"},
       at(2026, 1, 12, 23, 59, 59),
       at(2026, 1, 12, 23, 59, 59)},
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
      // An end time without an end date ends on the start's day; no end ends at the start.
      {"1/14/2004\t9:00\t\t10:30",
       {"Start Date", "Start Time", "End Date", "End Time"},
       at(2004, 1, 14, 9),
       at(2004, 1, 14, 10, 30)},
      {"1/13/2004\t9:00\t\t",
       {"Start Date", "Start Time", "End Date", "End Time"},
       at(2004, 1, 13, 9),
       at(2004, 1, 13, 9)},
      // A DateTime with a date alone is that day at midnight; 24:00 ends the day.
      {"1/11/2004\t1/11/2004 24:00",
       {"Start DateTime", "End DateTime"},
       at(2004, 1, 11),
       at(2004, 1, 12)},
      {"31.1.1997", {"Start Date"}, at(1997, 1, 31), at(1997, 1, 31), 8},
  };
  for (const Case& c : cases) {
    ImportResult r = cal(CalendarKind::Appointment, c.line + "\r\n", c.pairing, {.mask = c.mask});
    EXPECT_EQ(r.imported, 1u) << c.line << r.endMessage();
    gw::ObjectRef item;
    for (const auto& i : items(u"(APPOINTMENT)")) {
      if (api::getProperty(i, "StartDate").toDate() == c.start) item = i;
    }
    ASSERT_TRUE(item) << c.line;
    EXPECT_EQ(api::getProperty(item, "EndDate").toDate(), c.end) << c.line;
  }
}

// Empty date fields set nothing, and nothing carries over from the line before.
TEST_F(Import, EmptyDatesSetNothing) {
  cal(CalendarKind::Task, "a\t1/20/2004\t1/30/2004\r\nb\t\t\r\n",
      {"Subject", "Start Date", "Due Date"});
  auto tasks = items(u"(TASK)");
  ASSERT_EQ(tasks.size(), 2u);
  gw::ObjectRef b = prop(tasks[0], "Subject") == u"b" ? tasks[0] : tasks[1];
  EXPECT_TRUE(api::getProperty(b, "StartDate").isEmpty());
  EXPECT_TRUE(api::getProperty(b, "DueDate").isEmpty());
}

TEST_F(Import, LinesAndTheFirstLine) {
  // The header is imported unless ignored; empty lines are passed over and the run goes
  // on to the end; a lone CR ends a line; a one-character line is an item like any other.
  ImportResult r = cal(CalendarKind::Note, "Subject\r\none\r\n\r\nx\rthree\n\n", {"Subject"});
  EXPECT_EQ(r.imported, 4u);
  std::vector<std::u16string> subjects;
  for (const auto& n : items(u"(NOTE)")) subjects.push_back(prop(n, "Subject"));
  EXPECT_EQ(subjects, (std::vector<std::u16string>{u"Subject", u"one", u"x", u"three"}));
  cal(CalendarKind::Task, "Subject\r\nfirst task", {"Subject"}, {.ignoreFirst = true});
  EXPECT_EQ(prop(only(u"(TASK)"), "Subject"), u"first task");
  // No fields mapped: one empty item per line.
  EXPECT_EQ(cal(CalendarKind::Appointment, "a\r\nb\r\n", {}).imported, 2u);
  EXPECT_GE(host_.messages, 2);
  EXPECT_EQ(host_.lastDone, host_.total);
}

TEST_F(Import, TextKeepsEveryCharacter) {
  // A NUL is dropped, a Ctrl-Z inside the file is text, Windows-1252 and UTF-8 decode.
  std::string content =
      "a\0b\tCaf\xE9\r\nup\x1A"
      "down\t\x80\r\n\x1A"s;
  cal(CalendarKind::Note, content, {"Subject", "Message"});
  auto notes = items(u"(NOTE)");
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(prop(notes[0], "Subject"), u"ab");
  EXPECT_EQ(prop(notes[0], "BodyText"), u"Caf\u00E9");
  EXPECT_EQ(prop(notes[1], "Subject"), u"up\u001Adown");
  EXPECT_EQ(prop(notes[1], "BodyText"), u"\u20AC");
  cal(CalendarKind::Task,
      "\xEF\xBB\xBFRen\xC3\xA9"
      "e \xE4\xB8\xAD\r\n",
      {"Subject"}, {.encoding = Encoding::Utf8});
  EXPECT_EQ(prop(only(u"(TASK)"), "Subject"), u"Ren\u00E9e \u4E2D");
}

TEST_F(Import, StandardCsvKeepsLineBreaksWhereTheyBelong) {
  ImportResult r = cal(CalendarKind::Appointment,
                       "Subject;Location;Description\r\n"
                       "\"Two\nlines\";\"Room\r\n5\";\"Agenda:\n1. \"\"Status\"\"\r\n2. Rest\"\r\n",
                       {"Subject", "Place", "Message"},
                       {.mode = kStandardCsv, .ignoreFirst = true, .separator = ';'});
  EXPECT_EQ(r.imported, 1u);
  gw::ObjectRef a = only(u"(APPOINTMENT)");
  EXPECT_EQ(prop(a, "Subject"), u"Two lines");
  EXPECT_EQ(prop(a, "Place"), u"Room 5");
  EXPECT_EQ(prop(a, "BodyText"), u"Agenda:\r\n1. \"Status\"\r\n2. Rest");
}

TEST_F(Import, AFileThatCannotBeRead) {
  writeFile(path_, "x\r\n");
  path_ = dir_.file("missing.txt");
  ImportResult r = runWith(Destination::calendar(CalendarKind::Note), {"Subject"});
  EXPECT_FALSE(r.completed());
  EXPECT_EQ(r.endMessage(), "The import stopped: Unable to open import file. Cannot open " + path_ +
                                ": No such file or directory");
  for (const std::string& p : {dir_.path(), std::string("/dev/zero")}) {
    path_ = p;
    EXPECT_FALSE(runWith(Destination::calendar(CalendarKind::Note), {"Subject"}).completed());
  }
  EXPECT_TRUE(items(u"(NOTE)").empty());
}

// A line that fails is set aside whole, before anything of it is made, and the run goes
// on; the end message lists it, and the rejected file holds it byte for byte.
TEST_F(Import, BadLinesAreSetAside) {
  std::string header = "Subject\tStart Date\tStart Time\tEnd Time\tDuration (minutes)\r\n";
  struct Bad {
    std::string line, field, value, reason;
  } bad[] = {
      {"t1\t1/2/2004\tx:30\t\t", "Start Time", "x:30", "'x:30' is not a valid time"},
      {"t2\t1/2/2004\t25:00\t\t", "Start Time", "25:00",
       "'25:00' is not a valid time: the hour is above 24"},
      {"t3\t1/31/19977\t\t\t", "Start Date", "1/31/19977",
       "'1/31/19977' has a year of more than four digits"},
      {"t4\t\t9:00\t\t", "Start Time", "9:00", "a start time needs a start date"},
      {"t5\t1/2/2004\t10:00\t9:00\t", "End Time", "9:00",
       "ends before it starts (1/2/2004 10:00:00 AM)"},
      {"t6\t1/2/2004\t\t\t-5", "Duration (minutes)", "-5", "'-5' is a negative duration"},
      {"t7\t1/2/2004\t\t\t1e300", "Duration (minutes)", "1e300",
       "'1e300' is a duration of more than 100 years"},
  };
  std::string content = header + "good 1\t1/2/2004\t9:00\t10:00\t\r\n";
  std::string rejected = header;
  for (const Bad& b : bad) {
    content += b.line + "\r\n";
    rejected += b.line + "\r\n";
  }
  content += "good 2\t1/3/2004\t\t\t\n";
  V pairing = {"Subject", "Start Date", "Start Time", "End Time", "Duration (minutes)"};
  ImportResult r = cal(CalendarKind::Appointment, content, pairing, {.ignoreFirst = true});
  EXPECT_TRUE(r.completed());
  EXPECT_EQ(r.imported, 2u);
  EXPECT_EQ(r.setAside, std::size(bad));
  ASSERT_EQ(r.firstSetAside.size(), std::size(bad));
  std::string listed;
  for (std::size_t i = 0; i < std::size(bad); ++i) {
    const SetAsideLine& s = r.firstSetAside[i];
    EXPECT_EQ(s.line, i + 3);
    EXPECT_EQ(s.field, bad[i].field);
    EXPECT_EQ(s.value, bad[i].value);
    EXPECT_EQ(s.reason, bad[i].reason);
    listed += "\nLine " + std::to_string(i + 3) + ", " + bad[i].field + ", \"" + bad[i].value +
              "\": " + bad[i].reason;
  }
  // Nothing half-made: only the good lines became items.
  EXPECT_EQ(items(u"(APPOINTMENT)").size(), 2u);
  EXPECT_EQ(r.rejectedPath, dir_.file("in.rejected.txt"));
  EXPECT_EQ(readFile(r.rejectedPath), rejected);
  EXPECT_EQ(r.endMessage(), "Imported 2 items; 7 lines set aside.\n" + listed + "\n\n" +
                                "The lines set aside are in " + r.rejectedPath +
                                "; mend them there and import that file alone.");
  EXPECT_EQ(r.countText(), "2 - done");
}

TEST_F(Import, TenThousandLinesWithThreeBadOnes) {
  std::string content, rejected;
  for (int i = 1; i <= 10000; ++i) {
    std::string line = "Item " + std::to_string(i) + "\t1/" + std::to_string(1 + i % 28) + "/2005";
    if (i == 17) line = "Item 17\t2/30/2005";
    if (i == 5000) line = "Item 5000\t13/1/2005";
    if (i == 9999) line = "Item 9999\tsoon";
    content += line + (i == 5000 ? "\n" : "\r\n");
    if (i == 17 || i == 5000 || i == 9999) rejected += line + (i == 5000 ? "\n" : "\r\n");
  }
  ImportResult r = cal(CalendarKind::Note, content, {"Subject", "Start Date"});
  EXPECT_EQ(r.imported, 9997u);
  EXPECT_EQ(r.setAside, 3u);
  EXPECT_EQ(readFile(r.rejectedPath), rejected);
  EXPECT_EQ(items(u"(NOTE)").size(), 9997u);
}

TEST_F(Import, OverLongLinesAndUtf8MarksInTheRejectedFile) {
  std::string big(kMaxRecordBytes + 1000, 'y');
  std::string content = "\xEF\xBB\xBFok 1\r\n" + big + "\r\nRen\xE9\r\nok 2\r\n";
  ImportResult r = cal(CalendarKind::Note, content, {"Subject"}, {.encoding = Encoding::Utf8});
  EXPECT_EQ(r.imported, 2u);
  ASSERT_EQ(r.firstSetAside.size(), 2u);
  EXPECT_EQ(r.firstSetAside[0].reason, "the line is longer than 16 MB");
  EXPECT_EQ(r.firstSetAside[1].reason,
            "byte 0xE9 at column 4 is not UTF-8 (is the file Windows-1252?)");
  // The rejected file still starts with the mark, so it reads as UTF-8 again.
  EXPECT_EQ(readFile(r.rejectedPath), "\xEF\xBB\xBF" + big + "\r\nRen\xE9\r\n");
}

TEST_F(Import, TheRejectedFileCannotBeWritten) {
  std::string folder = dir_.file("ro");
  std::filesystem::create_directory(folder);
  path_ = folder + "/in.txt";
  writeFile(path_, "ok\t1/1/2004\r\nbad\t1/1/20040\r\n");
  std::filesystem::create_directory(folder + "/in.rejected.txt");  // in the way
  ImportResult r = runWith(Destination::calendar(CalendarKind::Note), {"Subject", "Start Date"});
  EXPECT_EQ(r.imported, 1u);
  EXPECT_FALSE(r.rejectedError.empty());
  EXPECT_NE(r.endMessage().find("The lines set aside could not be written to " + folder +
                                "/in.rejected.txt: "),
            std::string::npos);
}

TEST_F(Import, AddressBookColumns) {
  auto store = po_.postOffice();
  std::int64_t id = store->books(store->findUser(u"alice")->id)[1].id;
  for (const char16_t* n : {u"Navn", u"Nom", u"Namn", u"Nombre"}) {
    store->addFieldDef(id, n, gw::standin::kFieldText);
  }
  for (const char* nameField : {"Name", "Navn", "Nom", "Namn", "Nombre"}) {
    book(std::string("Person ") + nameField + "\tp@x.org\tCity X\r\n",
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
  book("only@x.org\t\r\n", {"E-Mail Address", "E-Mail Type"}, "alice");
  gw::ObjectRef e = entries(u"alice").at(0);
  EXPECT_EQ(field(e, u"Name"), u"only@x.org");
  EXPECT_EQ(field(e, u"E-Mail Type"), u"");
  // With no column that could name an entry the run says so and makes nothing.
  ImportResult none = book("a\tb\r\n", {"City", "State"}, "alice");
  EXPECT_FALSE(none.completed());
  EXPECT_NE(none.failure.find("no address-book entry can be made"), std::string::npos);
  // A field the book does not define: said before anything is made.
  ImportResult undefined = book("A\t44\r\n", {"Name", "Shoe Size"});
  EXPECT_EQ(undefined.failure,
            "The address book \"Frequent Contacts\" has no field \"Shoe Size\". Pair that column "
            "with another field, or skip it.");
  EXPECT_EQ(entries(u"alice").size(), 1u);
  EXPECT_EQ(entries().size(), 5u);
}

// An entry without a name or an address is named after the person, the organization or
// the first phone number; with none of these its line is set aside.
TEST_F(Import, EntriesWithoutAName) {
  V pairing = {"Name",         "E-Mail Address",    "First Name",         "Last Name",
               "Organization", "Home Phone Number", "Office Phone Number"};
  ImportResult r = book(
      "\t\tAnn\tLee\tAcme\t\t\r\n"
      "\t\t\tLee\tAcme\t\t\r\n"
      "\t\t\t\tAcme\t555-2\t555-1\r\n"
      "\t\t\t\t\t555-2\t\r\n"
      "\t\t\t\t\t\t\r\n"
      "\tann@x.org\tAnn\t\t\t\t\r\n",
      pairing);
  EXPECT_EQ(r.imported, 5u);
  ASSERT_EQ(r.setAside, 1u);
  EXPECT_EQ(r.firstSetAside[0].line, 5u);
  EXPECT_EQ(r.firstSetAside[0].reason,
            "the line has no name, e-mail address, first or last name, organization or phone "
            "number");
  std::vector<std::u16string> names;
  for (const auto& e : entries()) names.push_back(field(e, u"Name"));
  // A name left empty beside an address stays empty, as GroupWise shows the address.
  EXPECT_EQ(names, (std::vector<std::u16string>{u"Ann Lee", u"Lee", u"Acme", u"555-2", u""}));
  EXPECT_EQ(host_.made, (std::vector<std::size_t>{1, 2, 3, 4, 5}));
  EXPECT_EQ(r.countText(), "5 - done");
}

// GroupWise refusing a call after the item was made: the item is removed again and the
// line set aside with GroupWise's reason.
TEST_F(Import, ARefusedPutRemovesTheItem) {
  auto script = std::make_shared<CallScript>();
  script->before = [](std::string_view member, gw::InvokeKind kind,
                      std::span<const gw::Variant> args) {
    if (member == "Place" && kind == gw::InvokeKind::Put && args[0].text() == u"Mars") {
      throw gw::Error("No rooms on Mars");
    }
  };
  writeFile(path_, "a\tEarth\r\nb\tMars\r\nc\tMoon\r\n");
  ImportResult r = runWith(Destination::calendar(CalendarKind::Appointment), {"Subject", "Place"},
                           {}, Wrapper::account(account_, script));
  EXPECT_EQ(r.imported, 2u);
  ASSERT_EQ(r.setAside, 1u);
  EXPECT_EQ(r.firstSetAside[0].field, "Place");
  EXPECT_EQ(r.firstSetAside[0].value, "Mars");
  EXPECT_EQ(r.firstSetAside[0].reason, "No rooms on Mars");
  EXPECT_EQ(std::count(script->calls.begin(), script->calls.end(), "Delete"), 1);
  EXPECT_EQ(readFile(r.rejectedPath), "b\tMars\r\n");
}

// The post office failing ends the run, saying where and how far it was saved.
TEST_F(Import, APostOfficeFailureEndsTheRun) {
  std::string content;
  for (int i = 1; i <= 8; ++i) content += "s" + std::to_string(i) + "\r\n";
  struct Case {
    bool marks;
    int saveEvery;  // changes the write-behind saves at a time
    int failAtAdd;  // the Add that fails (0: none)
    bool commitFails;
    std::size_t stoppedAt, saved, lastSaved;
  } cases[] = {
      // Marks: each line is two changes (Add, plaintext) and every fourth change is saved:
      // at the 6th line, lines 1 to 4 are saved.
      {true, 4, 6, true, 6, 4, 4},
      // The final commit fails: what the write-behind saved counts.
      {true, 6, 0, true, 0, 6, 6},
      // No marks: every call committed at once.
      {false, 0, 6, false, 6, 5, 5},
  };
  for (const Case& c : cases) {
    auto script = std::make_shared<CallScript>();
    script->marks = c.marks;
    script->saveEvery = c.saveEvery;
    int adds = 0;
    script->before = [&](std::string_view member, gw::InvokeKind, std::span<const gw::Variant>) {
      if (member == "Add" && ++adds == c.failAtAdd) throw gw::StoreError("disk full");
    };
    if (c.commitFails) script->onCommit = [] { throw gw::StoreError("disk full"); };
    writeFile(path_, content);
    ImportResult r = runWith(Destination::calendar(CalendarKind::Note), {"Subject"}, {},
                             Wrapper::account(account_, script));
    EXPECT_FALSE(r.completed());
    EXPECT_TRUE(r.storeFailed);
    EXPECT_EQ(r.stoppedAt, c.stoppedAt);
    EXPECT_EQ(r.savedLines, c.saved);
    EXPECT_EQ(r.lastSavedLine, c.lastSaved);
    EXPECT_EQ(r.countText(), std::to_string(r.imported));  // never "done"
    std::string where = c.stoppedAt
                            ? "The import stopped at line " + std::to_string(c.stoppedAt) + ": "
                            : std::string("The import stopped: ");
    EXPECT_EQ(r.endMessage(),
              where + "the post office failed: disk full\n\n" + std::to_string(c.saved) +
                  " lines of this run are saved in "
                  "GroupWise, up to line " +
                  std::to_string(c.lastSaved) + "; import the lines after it again.");
  }
}

// The preview shows, cell by cell, what the run then stores.
TEST_F(Import, ThePreviewShowsWhatTheRunStores) {
  std::string content =
      "Subject,Start Date,Start Time,Duration,Location,Description\r\n"
      "Lunch,1/15/2026,10:30:00 PM,1:30,Caf\xC3\xA9,\"two\nlines\"\r\n"
      "Broken,2/30/2026,9:00,0:30,,\r\n";
  writeFile(path_, content);
  ImportRequest r;
  r.path = path_;
  r.format.mode = kStandardCsv;
  r.format.encoding = Encoding::Utf8;
  r.ignoreFirstLine = true;
  r.pairing = {"Subject", "Start Date", "Start Time", "Duration (HH:MM)", kSkip, "Message"};
  r.destination = Destination::calendar(CalendarKind::Appointment);
  Preview p = preview(r, account_);
  EXPECT_EQ(p.columns, (V{"Subject", "Start Date", "Start Time", "Duration (HH:MM)", "Message"}));
  ASSERT_EQ(p.rows.size(), 2u);
  V shown;
  for (const Cell& c : p.rows[0].cells) shown.push_back(c.text);
  EXPECT_EQ(shown, (V{"Lunch", "1/15/2026", "10:30:00 PM", "90", "two\r\nlines"}));
  EXPECT_TRUE(p.rows[1].cells[1].failed);
  EXPECT_EQ(p.rows[1].cells[1].text, "'2/30/2026' is not a valid date");
  EXPECT_EQ(p.rows[1].line, 4u);  // the record before it runs over two lines

  ImportResult result = runImport(r, account_, host_);
  EXPECT_EQ(result.imported, 1u);
  gw::ObjectRef a = only(u"(APPOINTMENT)");
  EXPECT_EQ(prop(a, "Subject"), u"Lunch");
  EXPECT_EQ(platform::dateToText(api::getProperty(a, "StartDate").toDate()),
            shown[1] + " " + shown[2]);
  EXPECT_DOUBLE_EQ(api::getProperty(a, "Duration").toReal() * 1440, 90);
  EXPECT_EQ(prop(a, "BodyText"), u"two\r\nlines");
}

// A quote left open on one line of a Standard CSV file costs that line alone: it is set
// aside with its reason, and the lines after it are imported as they are. A quoted line
// break stays one.
TEST_F(Import, AnUnclosedQuoteSetsAsideItsLineAlone) {
  struct Case {
    std::string header, before, broken, after;
  } cases[] = {
      // Fields quoted where they must be: the record the quote opens has too few fields.
      {"Subject,Start Date,Place\r\n", "Lunch,1/2/2026,Room 5\r\n",
       "\"Unclosed quote,1/3/2026,Hall\r\n",
       "Dinner,1/4/2026,\"Hall \"\"B\"\"\"\r\nTea,1/5/2026,\"Room\r\n6\"\r\n"},
      // Every field quoted: the next line's first quote would close the open one and the
      // count would come out right; that quote neither doubles nor closes.
      {"\"Subject\",\"Start Date\",\"Place\"\r\n", "\"Lunch\",\"1/2/2026\",\"Room 5\"\r\n",
       "\"Unclosed quote,1/3/2026,Hall\r\n",
       "\"Dinner\",\"1/4/2026\",\"Hall \"\"B\"\"\"\r\n\"Tea\",\"1/5/2026\",\"Room\r\n6\"\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.header);
    clearCalendar();
    ImportResult r =
        cal(CalendarKind::Appointment, c.header + c.before + c.broken + c.after,
            {"Subject", "Start Date", "Place"}, {.mode = kStandardCsv, .ignoreFirst = true});
    EXPECT_EQ(r.imported, 3u);
    ASSERT_EQ(r.setAside, 1u);
    EXPECT_EQ(r.firstSetAside[0].line, 3u);
    EXPECT_EQ(r.firstSetAside[0].reason, "a quoted field is not closed on this line");
    EXPECT_EQ(readFile(r.rejectedPath), c.header + c.broken);
    EXPECT_EQ(r.endMessage(),
              "Imported 3 items; 1 line set aside.\n\nLine 3: a quoted field is not closed on "
              "this line\n\nThe lines set aside are in " +
                  r.rejectedPath + "; mend them there and import that file alone.");
    std::vector<std::u16string> places;
    for (const auto& a : items(u"(APPOINTMENT)")) places.push_back(prop(a, "Place"));
    EXPECT_EQ(places, (std::vector<std::u16string>{u"Room 5", u"Hall \"B\"", u"Room 6"}));
  }
}

// Number and date fields of a book take numbers and dates: a date is read in the chosen
// layout, an empty value or "0/0/00" sets nothing, and a value that does not convert sets
// its line aside. The preview shows the same.
TEST_F(Import, NumberAndDateFieldsOfABook) {
  auto store = po_.postOffice();
  std::int64_t id = store->books(store->findUser(u"alice")->id)[1].id;
  store->addFieldDef(id, u"Birthday", gw::standin::kFieldDate);
  store->addFieldDef(id, u"Mileage", gw::standin::kFieldNumber);
  std::string content =
      "Name\tBirthday\tMileage\r\n"
      "Ann\t31.12.1980\t12.5\r\n"
      "Bob\t\t\r\n"
      "Cy\t0/0/00\t 7 \r\n"
      "Di\t30.2.1980\t1\r\n"
      "Ed\t3.3.1981\tten\r\n";
  V pairing = {"Name", "Birthday", "Mileage"};
  writeFile(path_, content);
  ImportRequest request;
  request.path = path_;
  request.format.mode = kTab;
  request.ignoreFirstLine = true;
  request.dateMask = 8;  // day.month.year
  request.pairing = pairing;
  request.destination = Destination::addressBookNamed("Frequent Contacts");

  Preview p = preview(request, account_);
  ASSERT_EQ(p.rows.size(), 5u);
  std::vector<V> shown;
  for (const auto& row : p.rows) {
    V cells;
    for (const Cell& c : row.cells) cells.push_back((c.failed ? "! " : "") + c.text);
    shown.push_back(cells);
  }
  EXPECT_EQ(shown, (std::vector<V>{{"Ann", "12/31/1980", "12.5"},
                                   {"Bob", "", ""},
                                   {"Cy", "", "7"},
                                   {"Di", "! '30.2.1980' is not a valid date", "1"},
                                   {"Ed", "3/3/1981", "! 'ten' is not a number"}}));

  ImportResult r = runImport(request, account_, host_);
  EXPECT_EQ(r.imported, 3u);
  ASSERT_EQ(r.setAside, 2u);
  EXPECT_EQ(r.firstSetAside[0].field, "Birthday");
  EXPECT_EQ(r.firstSetAside[0].value, "30.2.1980");
  EXPECT_EQ(r.firstSetAside[1].field, "Mileage");
  EXPECT_EQ(r.firstSetAside[1].reason, "'ten' is not a number");
  auto all = entries();
  ASSERT_EQ(all.size(), 3u);
  auto value = [](const gw::ObjectRef& entry, const char16_t* name) {
    return api::entryFields(entry)
        ->call("Item", {Variant(std::u16string(name))})
        .toObject()
        ->get("Value");
  };
  EXPECT_EQ(value(all[0], u"Birthday").toDate(), at(1980, 12, 31));
  EXPECT_EQ(value(all[0], u"Mileage").toReal(), 12.5);
  EXPECT_THROW(value(all[1], u"Birthday"), gw::Error);  // nothing set
  EXPECT_THROW(value(all[2], u"Birthday"), gw::Error);
  EXPECT_EQ(value(all[2], u"Mileage").toReal(), 7);
}
