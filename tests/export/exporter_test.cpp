#include <gtest/gtest.h>

#include "export/exporter.h"
#include "groupwise/gwapi.h"
#include "groupwise/standin/postoffice.h"
#include "tests/support/fakechoices.h"
#include "tests/support/fakeobject.h"
#include "tests/support/testsupport.h"

using namespace exporting;
using namespace testing_support;
namespace api = gw::api;
using gw::Variant;

namespace {

class ExportRuns : public ::testing::Test {
 protected:
  ExportRuns() {
    gw::ObjectRef list = api::messages(api::calendar(account_));
    auto appt = [&](const char16_t* subject, const char16_t* start, double minutes,
                    const char16_t* place, const char16_t* body) {
      gw::ObjectRef item = api::addMessage(list, u"GW.MESSAGE.APPOINTMENT");
      api::setSubject(item, subject);
      api::setProperty(item, "Duration", Variant(minutes / 1440));
      api::setProperty(item, "StartDate", Variant(start));
      api::setProperty(item, "Place", Variant(place));
      api::setProperty(item, "BodyText", Variant(body));
    };
    appt(u"Staff meeting", u"1/15/2004 2:30 PM", 90, u"Room 5", u"Agenda:\r\n1. Status");
    appt(u"All day", u"1/16/2004", 1440, u"", u"Bring \"blue\" folder");
    appt(u"Late", u"2/1/2004 11:00 PM", 60, u"", u"");

    gw::ObjectRef task = api::addMessage(list, u"GW.MESSAGE.TASK");
    api::setSubject(task, u"Renew permit");
    api::setProperty(task, "StartDate", Variant(u"1/12/2004 9:00"));
    api::setProperty(task, "DueDate", Variant(u"1/20/2004"));
    api::setProperty(task, "TaskPriority", Variant(2));
    api::setProperty(task, "Completed", Variant(1));
    gw::ObjectRef open = api::addMessage(list, u"GW.MESSAGE.TASK");
    api::setSubject(open, u"Open\tended");

    for (const char16_t* s : {u"Payday", u"Fire drill"}) {
      gw::ObjectRef note = api::addMessage(list, u"GW.MESSAGE.NOTE");
      api::setSubject(note, s);
      api::setProperty(note, "StartDate", Variant(s[0] == u'P' ? u"1/30/2004" : u"3/3/2004 10:00"));
    }
  }

  std::string run(const std::vector<std::string>& fields, bool header,
                  void (*loop)(const ExportJob&, const DateRange&, const gw::ObjectRef&,
                               CalendarHolders)) {
    platform::TextFileWriter file;
    EXPECT_TRUE(makeexpfile(file, path_));
    ExportJob job{file, format_, fields, options_, host_};
    if (header) writeHeader(job);
    gw::ObjectRef cal, msgs, msg;
    loop(job, range_, account_, {cal, msgs, msg});
    file.close();
    return readFile(path_);
  }

  FixedClock clock_{2004, 1, 10, 8, 15};
  PostOfficeFixture po_;
  gw::ObjectRef account_ = po_.account();
  TempDir dir_;
  std::string path_ = dir_.file("GWEXPORT.TXT");
  ExportFormat format_;
  ExportChoices options_;  // the time and year forms
  ExportChoices range_;    // the date range
  ExportChoices host_;     // the window the run reports to
};

}  // namespace

TEST_F(ExportRuns, AppointmentsWithAllTwelveFields) {
  std::vector<std::string> all = {"Start Date",
                                  "Start Time",
                                  "Start DateTime",
                                  "End Date",
                                  "End Time",
                                  "End DateTime",
                                  "Duration (HH.hh/100)",
                                  "Duration (minutes)",
                                  "Place",
                                  "Subject",
                                  "Message",
                                  "From"};
  EXPECT_EQ(
      run(all, true, exportAppts),
      "\"Start Date\",\"Start Time\",\"Start DateTime\",\"End Date\",\"End Time\",\"End "
      "DateTime\",\"Duration (HH.hh/100)\",\"Duration (minutes)\",\"Place\",\"Subject\","
      "\"Message\",\"From\"\r\n"
      "\"1/15/2004\",\"2:30 PM\",\"1/15/2004 2:30 PM\",\"1/15/2004\",\"4:00 PM\",\"1/15/2004 "
      "4:00 PM\",\"1.5\",\"90\",\"Room 5\",\"Staff meeting\",\"Agenda:         1. "
      "Status\",\"alice\"\r\n"
      "\"1/16/2004\",\"12:00 AM\",\"1/16/2004 12:00 AM\",\"1/17/2004\",\"12:00 AM\",\"1/17/2004 "
      "12:00 AM\",\"24\",\"1440\",\"\",\"All day\",\"Bring \"blue\" folder\",\"alice\"\r\n"
      "\"2/1/2004\",\"11:00 PM\",\"2/1/2004 11:00 PM\",\"2/2/2004\",\"12:00 AM\",\"2/2/2004 "
      "12:00 AM\",\"1\",\"60\",\"\",\"Late\",\"\",\"alice\"\r\n");
  EXPECT_EQ(host_.positions, (std::vector<int>{33, 67, 100}));
  EXPECT_EQ(host_.shown, 1);
  EXPECT_EQ(host_.hidden, 1);
  EXPECT_EQ(host_.messages, 3);
}

TEST_F(ExportRuns, TasksAsTabSeparatedWithLineFeeds) {
  format_.setDelimiters(1);
  format_.setLineEnd(1);
  format_.setQuoteSubstitute(2);
  options_.time = 1;
  EXPECT_EQ(run({"Start Date", "Due Date", "AssignedDate", "ModifiedDate", "CreationDate",
                 "Subject", "Priority", "Completed", "Message", "From"},
                true, exportTasks),
            "Start Date\tDue Date\tAssignedDate\tModifiedDate\tCreationDate\tSubject\tPriority\t"
            "Completed\tMessage\tFrom\n"
            "\t\t01/10/2004\t01/10/2004\t01/10/2004\tOpen\tended\t\t0\t\talice\n"
            "1/12/2004\t1/20/2004\t01/10/2004\t01/10/2004\t01/10/2004\tRenew permit\t2\t-1\t\t"
            "alice\n");
}

TEST_F(ExportRuns, NotesInADateRangeWithoutHeader) {
  range_.on = true;
  range_.start = "01/01/2004";
  range_.stop = "01/31/2004";
  format_.setQuoteSubstitute(1);
  EXPECT_EQ(run({"Start Date", "Subject"}, false, exportNotes), "\"1/30/2004\",\"Payday\"\r\n");
  // A search that finds nothing leaves the header alone.
  range_.start = range_.stop = "06/01/2004";
  EXPECT_EQ(run({"Subject"}, true, exportNotes), "\"Subject\"\r\n");
  EXPECT_EQ(host_.hidden, 2);
}

TEST_F(ExportRuns, AFieldThatCannotBeConvertedStaysEmpty) {
  options_.year = 1;  // the open task's missing dates cannot be read as years
  EXPECT_EQ(run({"Subject", "Due Date", "Completed"}, false, exportTasks),
            "\"Open\tended\",\"\",\"0\"\r\n\"Renew permit\",\"1/20/2004\",\"-1\"\r\n");
  // A failing member of the item: the record goes on around it.
  auto item = std::make_shared<FakeObject>();
  item->set("Subject", Variant(u"x"));
  auto found = std::make_shared<FakeObject>();
  found->set("Count", Variant(1)).set("Item", Variant(gw::ObjectRef(item)));
  auto calendar = std::make_shared<FakeObject>();
  calendar->set("FindMessages", Variant(gw::ObjectRef(found)));
  auto account = std::make_shared<FakeObject>();
  account->set("Calendar", Variant(gw::ObjectRef(calendar)));
  platform::TextFileWriter file;
  ASSERT_TRUE(makeexpfile(file, path_));
  std::vector<std::string> fields{"Place", "Subject", "Start Time"};
  ExportJob job{file, format_, fields, options_, host_};
  gw::ObjectRef cal, msgs, msg;
  exportAppts(job, range_, account, {cal, msgs, msg});
  file.close();
  EXPECT_EQ(readFile(path_), "\"\",\"x\",\"\"\r\n");
}

TEST_F(ExportRuns, AddressBookEntriesThatArePersons) {
  auto store = po_.postOffice();
  std::int64_t bookId = store->books(store->findUser(u"alice")->id)[1].id;
  gw::ObjectRef book = api::itemByName(api::addressBooks(account_), u"Frequent Contacts");
  gw::ObjectRef entries = api::addressBookEntries(book);
  gw::ObjectRef ann = api::addEntry(entries, u"Ann Lee", u"ann@x.org", u"SMTP");
  api::addField(api::entryFields(ann), u"City", u"Oslo");
  api::addField(api::entryFields(ann), u"Comments", u"Met at \"Expo\"\r\nsecond line");
  entries->call("Add", {Variant(u"Team"), Variant(u"team@x.org"), Variant(u"NGW"),
                        Variant(gw::standin::kGroup)});
  gw::ObjectRef bob = api::addEntry(entries, u"Bob \u5F20", u"", u"NGW");
  (void)bookId;
  EXPECT_EQ(run({"Name", "E-Mail Address", "City", "Comments"}, true,
                [](const ExportJob& job, const DateRange&, const gw::ObjectRef& account,
                   CalendarHolders) {
                  exportAB(job, api::itemByName(api::addressBooks(account), u"Frequent Contacts"));
                }),
            "\"Name\",\"E-Mail Address\",\"City\",\"Comments\"\r\n"
            "\"Ann Lee\",\"ann@x.org\",\"Oslo\",\"Met at \"Expo\"  second line\"\r\n"
            "\"Bob ?\",\"\",\"\",\"\"\r\n");
  // The group is counted by the progress display, but writes no line.
  EXPECT_EQ(host_.positions, (std::vector<int>{33, 67, 100}));
}

TEST_F(ExportRuns, TheFileIsCreatedOrReplacedOrRefused) {
  writeFile(path_, "old content that is longer than the new one");
  EXPECT_EQ(run({"Subject"}, false, exportNotes), "\"Payday\"\r\n\"Fire drill\"\r\n");
  platform::TextFileWriter file;
  EXPECT_FALSE(makeexpfile(file, dir_.file("missing/GWEXPORT.TXT")));
  EXPECT_FALSE(makeexpfile(file, ""));
  EXPECT_FALSE(makeexpfile(file, dir_.path()));
}
