#include "export/exporter.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "groupwise/error.h"
#include "groupwise/gwapi.h"
#include "groupwise/standin/postoffice.h"
#include "platform/oledate.h"
#include "platform/textfile.h"
#include "tests/platform/filetesting.h"
#include "tests/support/fakechoices.h"
#include "tests/support/fakeobject.h"
#include "tests/support/testsupport.h"

using namespace exporting;
using namespace testing_support;
namespace api = gw::api;
using gw::Variant;
using Outcome = ExportResult::Outcome;

namespace {

// The window a run reports to, with the figures it was given and a cancel button.
struct Host : ExportChoices {
  std::vector<std::pair<std::int64_t, std::int64_t>> counts;
  std::size_t cancelAfter = SIZE_MAX;  // items done when the user cancels

  void progressCount(std::int64_t done, std::int64_t total) override {
    counts.emplace_back(done, total);
  }
  bool cancelRequested() override { return counts.size() >= cancelAfter; }
};

// Records of a Standard CSV file as RFC 4180 reads them: quoted fields with doubled
// quotes and line breaks, records ended by CR LF or LF.
std::vector<std::vector<std::string>> readCsv(const std::string& text, char sep) {
  std::vector<std::vector<std::string>> records;
  std::vector<std::string> record;
  std::string field;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == sep) {
      record.push_back(std::move(field));
      field.clear();
    } else if (c == '\n' || (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
      if (c == '\r') ++i;
      record.push_back(std::move(field));
      field.clear();
      records.push_back(std::move(record));
      record.clear();
    } else {
      field += c;
    }
  }
  return records;
}

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
    request_.path = path_;
    request_.account = account_;
  }

  ExportResult run(ExportSource source, const std::vector<std::string>& fields, bool header) {
    request_.source = source;
    request_.fields = fields;
    request_.header = header;
    return runExport(request_, host_);
  }
  std::string file() const { return readFile(path_); }
  void range(const char* start, const char* stop) {
    request_.range.on = true;
    request_.range.start = start;
    request_.range.stop = stop;
  }
  gw::ObjectRef book() const {
    return api::itemByName(api::addressBooks(account_), u"Frequent Contacts");
  }

  FixedClock clock_{2004, 1, 10, 8, 15};
  PostOfficeFixture po_;
  gw::ObjectRef account_ = po_.account();
  TempDir dir_;
  std::string path_ = dir_.file("GWEXPORT.TXT");
  ExportRequest request_;
  Host host_;
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
  ExportResult result = run(ExportSource::Appointments, all, true);
  EXPECT_EQ(
      file(),
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
  EXPECT_EQ(result.outcome, Outcome::Written);
  EXPECT_EQ(result.source, ExportSource::Appointments);
  EXPECT_EQ(result.path, path_);
  EXPECT_EQ(result.records, 3);
  EXPECT_EQ(result.total, 3);
  EXPECT_EQ(result.unmappable, 0);
  EXPECT_EQ(host_.positions, (std::vector<int>{33, 67, 100}));
  EXPECT_EQ(host_.counts, (decltype(host_.counts){{1, 3}, {2, 3}, {3, 3}}));
  EXPECT_EQ(host_.shown, 1);
  EXPECT_EQ(host_.hidden, 1);
  EXPECT_EQ(host_.messages, 3);
  EXPECT_EQ(listing(dir_.path()), std::vector<std::string>{"GWEXPORT.TXT"});
}

TEST_F(ExportRuns, TasksAsTabSeparatedWithLineFeeds) {
  request_.format.setDelimiters(1);
  request_.format.setLineEnd(1);
  request_.format.setQuoteSubstitute(2);
  request_.timeFormatItem = 1;
  run(ExportSource::Tasks,
      {"Start Date", "Due Date", "AssignedDate", "ModifiedDate", "CreationDate", "Subject",
       "Priority", "Completed", "Message", "From"},
      true);
  EXPECT_EQ(file(),
            "Start Date\tDue Date\tAssignedDate\tModifiedDate\tCreationDate\tSubject\tPriority\t"
            "Completed\tMessage\tFrom\n"
            // A TAB inside a value is a blank, so the columns stay where they are.
            "\t\t01/10/2004\t01/10/2004\t01/10/2004\tOpen ended\t\t0\t\talice\n"
            "1/12/2004\t1/20/2004\t01/10/2004\t01/10/2004\t01/10/2004\tRenew permit\t2\t-1\t\t"
            "alice\n");
}

TEST_F(ExportRuns, DateRangesTakeTasksByTheirDueDate) {
  struct Case {
    ExportSource source;
    const char *start, *stop;
    bool header;
    const char* file;
  } cases[] = {
      {ExportSource::Notes, "01/01/2004", "01/31/2004", false, "\"Payday\"\r\n"},
      {ExportSource::Appointments, "01/16/2004", "01/16/2004", false, "\"All day\"\r\n"},
      // "Renew permit" starts on 1/12 and is due on 1/20; the open task has no due date.
      {ExportSource::Tasks, "01/15/2004", "01/25/2004", false, "\"Renew permit\"\r\n"},
      {ExportSource::Tasks, "01/20/2004", "01/20/2004", false, "\"Renew permit\"\r\n"},
      {ExportSource::Tasks, "01/10/2004", "01/13/2004", false, ""},
      // A search that finds nothing leaves the header alone.
      {ExportSource::Notes, "06/01/2004", "06/01/2004", true, "\"Subject\"\r\n"},
  };
  for (const Case& c : cases) {
    range(c.start, c.stop);
    ExportResult result = run(c.source, {"Subject"}, c.header);
    EXPECT_EQ(file(), c.file) << c.start << " " << c.stop;
    EXPECT_EQ(result.records, result.total);
  }
}

TEST_F(ExportRuns, StandardCsvInEachSeparatorAndEncoding) {
  gw::ObjectRef list = api::messages(api::calendar(account_));
  auto note = [&](const char16_t* start, const char16_t* subject, const char16_t* body) {
    gw::ObjectRef item = api::addMessage(list, u"GW.MESSAGE.NOTE");
    api::setProperty(item, "StartDate", Variant(start));
    api::setSubject(item, subject);
    api::setProperty(item, "BodyText", Variant(body));
  };
  note(u"1/3/2005", u"Plain", u"");
  note(u"1/4/2005", u"Comma, \"quoted\"", u"Line one\r\nLine two\nLine three\rfour");
  note(u"1/5/2005", u"Ren\u00E9e \u5F20\u4E09", u"semi;colon|bar\ttab");
  range("01/01/2005", "12/31/2005");
  request_.format.setDelimiters(2);
  request_.format.setQuoteSubstitute(1);  // does not apply
  const std::vector<std::string> fields = {"Start Date", "Subject", "Message"};

  // Whole files, byte for byte.
  request_.format.setEncoding(1);
  ExportResult result = run(ExportSource::Notes, fields, true);
  EXPECT_EQ(file(),
            "Start Date,Subject,Message\r\n"
            "1/3/2005,Plain,\r\n"
            "1/4/2005,\"Comma, \"\"quoted\"\"\",\"Line one\r\nLine two\r\nLine three\r\nfour\"\r\n"
            "1/5/2005,Ren\u00E9e \u5F20\u4E09,semi;colon|bar\ttab\r\n");
  EXPECT_EQ(result.unmappable, 0);

  request_.format.setCsvSeparator(1);
  request_.format.setLineEnd(1);
  request_.format.setEncoding(0);
  result = run(ExportSource::Notes, fields, false);
  EXPECT_EQ(file(),
            "1/3/2005;Plain;\n"
            "1/4/2005;\"Comma, \"\"quoted\"\"\";\"Line one\nLine two\nLine three\nfour\"\n"
            "1/5/2005;Ren\xE9"
            "e ??;\"semi;colon|bar\ttab\"\n");
  EXPECT_EQ(result.unmappable, 2);

  request_.format.setEncoding(2);
  request_.format.setCsvSeparator(0);
  run(ExportSource::Notes, {"Message"}, false);
  EXPECT_EQ(file(),
            "\xEF\xBB\xBF\"\"\n\"Line one\nLine two\nLine three\nfour\"\nsemi;colon|bar\ttab\n");

  // Every separator and line end reads back to the values, line breaks as chosen.
  request_.format.setEncoding(1);
  for (int sep = 0; sep < 4; ++sep) {
    for (int lineEnd = 0; lineEnd < 2; ++lineEnd) {
      request_.format.setCsvSeparator(sep);
      request_.format.setLineEnd(lineEnd);
      run(ExportSource::Notes, fields, true);
      std::string br = lineEnd == 0 ? "\r\n" : "\n";
      EXPECT_EQ(readCsv(file(), kCsvSeparators[sep]),
                (std::vector<std::vector<std::string>>{
                    {"Start Date", "Subject", "Message"},
                    {"1/3/2005", "Plain", ""},
                    {"1/4/2005", "Comma, \"quoted\"",
                     "Line one" + br + "Line two" + br + "Line three" + br + "four"},
                    {"1/5/2005", "Ren\u00E9e \u5F20\u4E09", "semi;colon|bar\ttab"}}))
          << sep << " " << lineEnd;
    }
  }
}

TEST_F(ExportRuns, AddressBookEntriesThatArePersons) {
  gw::ObjectRef entries = api::addressBookEntries(book());
  gw::ObjectRef ann = api::addEntry(entries, u"Ann Lee", u"ann@x.org", u"SMTP");
  api::addField(api::entryFields(ann), u"City", u"Oslo");
  api::addField(api::entryFields(ann), u"Comments", u"Met at \"Expo\"\r\nsecond line");
  entries->call("Add", {Variant(u"Team"), Variant(u"team@x.org"), Variant(u"NGW"),
                        Variant(gw::standin::kGroup)});
  api::addEntry(entries, u"Bob \u5F20", u"", u"NGW");
  request_.addressBook = book();
  const std::vector<std::string> fields = {"Name", "E-Mail Address", "City", "Comments"};
  ExportResult result = run(ExportSource::AddressBook, fields, true);
  EXPECT_EQ(file(),
            "\"Name\",\"E-Mail Address\",\"City\",\"Comments\"\r\n"
            "\"Ann Lee\",\"ann@x.org\",\"Oslo\",\"Met at \"Expo\"  second line\"\r\n"
            "\"Bob ?\",\"\",\"\",\"\"\r\n");
  EXPECT_EQ(result.records, 2);
  EXPECT_EQ(result.total, 3);
  EXPECT_EQ(result.unmappable, 1);
  // The group is counted by the progress display, but writes no line.
  EXPECT_EQ(host_.positions, (std::vector<int>{33, 67, 100}));
  EXPECT_EQ(host_.counts.back(), (std::pair<std::int64_t, std::int64_t>{3, 3}));

  // Standard CSV in UTF-8 keeps the line break and the name.
  request_.format.setDelimiters(2);
  request_.format.setEncoding(1);
  run(ExportSource::AddressBook, fields, true);
  EXPECT_EQ(file(),
            "Name,E-Mail Address,City,Comments\r\n"
            "Ann Lee,ann@x.org,Oslo,\"Met at \"\"Expo\"\"\r\nsecond line\"\r\n"
            "Bob \u5F20,,,\r\n");
}

TEST_F(ExportRuns, NumberAndDateFieldsOfABookAreWritten) {
  auto po = po_.postOffice();
  std::int64_t bookId = po->books(po->findUser(u"alice")->id)[1].id;
  po->addFieldDef(bookId, u"Shoe Size", gw::standin::kFieldNumber);
  po->addFieldDef(bookId, u"Birthday", gw::standin::kFieldDate);
  gw::ObjectRef ann = api::addEntry(api::addressBookEntries(book()), u"Ann Lee", u"", u"NGW");
  api::addField(api::entryFields(ann), u"Shoe Size", api::kNumberField, Variant(38.5));
  api::addField(api::entryFields(ann), u"Birthday", api::kDateField,
                Variant::date(platform::encodeDateTime({1980, 3, 14, 0, 0, 0})));
  request_.addressBook = book();
  run(ExportSource::AddressBook, {"Name", "Shoe Size", "Birthday"}, false);
  EXPECT_EQ(file(), "\"Ann Lee\",\"38.5\",\"3/14/1980\"\r\n");
}

TEST_F(ExportRuns, AFieldThatCannotBeConvertedStaysEmpty) {
  request_.yearFormatItem = 1;  // the open task's missing dates cannot be read as years
  run(ExportSource::Tasks, {"Subject", "Due Date", "Completed"}, false);
  EXPECT_EQ(file(), "\"Open\tended\",\"\",\"0\"\r\n\"Renew permit\",\"1/20/2004\",\"-1\"\r\n");

  // A member the item lacks: the record goes on around it. A failure of the post office
  // itself ends the run, leaving the file as it was.
  auto item = std::make_shared<FakeObject>();
  item->set("Subject", Variant(u"x"));
  item->method("BodyText",
               [](auto) -> Variant { throw gw::StoreError("The post office is gone"); });
  auto found = std::make_shared<FakeObject>();
  found->set("Count", Variant(1)).set("Item", Variant(gw::ObjectRef(item)));
  auto calendar = std::make_shared<FakeObject>();
  calendar->set("FindMessages", Variant(gw::ObjectRef(found)));
  auto account = std::make_shared<FakeObject>();
  account->set("Calendar", Variant(gw::ObjectRef(calendar)));
  request_.account = account;
  run(ExportSource::Appointments, {"Place", "Subject", "Start Time"}, false);
  EXPECT_EQ(file(), "\"\",\"x\",\"\"\r\n");
  EXPECT_EQ(errorText([&] {
              run(ExportSource::Appointments, {"Subject", "Message"}, false);
            }),
            "The post office is gone");
  EXPECT_EQ(file(), "\"\",\"x\",\"\"\r\n");
  EXPECT_EQ(listing(dir_.path()), std::vector<std::string>{"GWEXPORT.TXT"});
}

// Whatever stops a run, an earlier file of that name stays byte for byte and nothing
// is left beside it.
TEST_F(ExportRuns, NothingIsDestroyed) {
  const std::string earlier = "an earlier export\r\n\xE9\r\n";
  auto refusingCalendar = std::make_shared<FakeObject>();
  refusingCalendar->method("FindMessages", [](auto) -> Variant {
    throw gw::Error("The search expression is malformed at 12");
  });
  auto refusingAccount = std::make_shared<FakeObject>();
  refusingAccount->set("Calendar", Variant(gw::ObjectRef(refusingCalendar)));
  gw::ObjectRef list = api::messages(api::calendar(account_));
  gw::ObjectRef big = api::addMessage(list, u"GW.MESSAGE.NOTE");
  api::setProperty(big, "StartDate", Variant(u"3/4/2004"));
  api::setProperty(big, "BodyText", Variant(std::u16string(300000, u'x')));
  // Saved now (a read saves what is pending), so that only the export writes meanwhile.
  api::count(api::findMessages(api::calendar(account_), u"(NOTE)"));

  struct Case {
    const char* what;
    std::function<void(ExportRequest&, Host&)> setUp;
    std::string error;  // "" for a cancelled run
    rlim_t fileSizeLimit = RLIM_INFINITY;
  } cases[] = {
      {"a date that is none",
       [](ExportRequest& r, Host&) {
         r.range.on = true;
         r.range.start = "02/30/2004";
         r.range.stop = "03/01/2004";
       },
       "The start date \"02/30/2004\" is not a date (month/day/year)."},
      {"a reversed range",
       [](ExportRequest& r, Host&) {
         r.range.on = true;
         r.range.start = "03/01/2004";
         r.range.stop = "01/01/2004";
       },
       "The start date 03/01/2004 is after the stop date 01/01/2004."},
      {"no address book",
       [](ExportRequest& r, Host&) {
         r.source = ExportSource::AddressBook;
         r.addressBook = nullptr;
       },
       "No address book is chosen."},
      {"no fields", [](ExportRequest& r, Host&) { r.fields.clear(); },
       "Please choose export fields."},
      {"a refused search", [&](ExportRequest& r, Host&) { r.account = refusingAccount; },
       "The search expression is malformed at 12"},
      {"a full disk half-way", [](ExportRequest&, Host&) {},
       "Cannot write " + path_ + ": File too large", 100000},
      {"a cancel after two items", [](ExportRequest&, Host& h) { h.cancelAfter = 2; }, ""},
      {"a cancel at the first item", [](ExportRequest&, Host& h) { h.cancelAfter = 0; }, ""},
  };
  for (const Case& c : cases) {
    writeFile(path_, earlier);
    ExportRequest request = request_;
    request.source = ExportSource::Notes;
    request.fields = {"Subject", "Message"};
    request.header = true;
    Host host;
    c.setUp(request, host);
    std::string error;
    ExportResult result;
    {
      FileSizeLimit limit(c.fileSizeLimit);
      error = errorText([&] { result = runExport(request, host); });
    }
    EXPECT_EQ(error, c.error) << c.what;
    if (c.error.empty()) {
      EXPECT_EQ(result.outcome, Outcome::Cancelled) << c.what;
      EXPECT_EQ(result.records, static_cast<std::int64_t>(host.cancelAfter)) << c.what;
    }
    EXPECT_EQ(file(), earlier) << c.what;
    EXPECT_EQ(listing(dir_.path()), std::vector<std::string>{"GWEXPORT.TXT"}) << c.what;
    EXPECT_EQ(host.shown, host.hidden) << c.what;
  }
}

TEST_F(ExportRuns, APathThatCannotBeCreated) {
  for (const std::string& path : {dir_.file("missing/GWEXPORT.TXT"), std::string(), dir_.path()}) {
    request_.path = path;
    try {
      run(ExportSource::Notes, {"Subject"}, false);
      ADD_FAILURE() << path;
    } catch (const CannotCreateFile& e) {
      EXPECT_EQ(std::string(e.what()), "Unable to create export file.");
      EXPECT_EQ(e.path(), path);
      EXPECT_FALSE(e.reason().empty());
    }
  }
  EXPECT_TRUE(listing(dir_.path()).empty());
  EXPECT_EQ(host_.shown, host_.hidden);
}
