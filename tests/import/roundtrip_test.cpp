// What Marrowby exports, Marrowby imports back to the same values: export with a
// header, import into another mailbox ignoring the first line, export again with the
// same choices, and the two files are the same.
#include <gtest/gtest.h>

#include "export/exporter.h"
#include "groupwise/gwapi.h"
#include "groupwise/standin/postoffice.h"
#include "import/importer.h"
#include "platform/ansi.h"
#include "tests/support/fakechoices.h"
#include "tests/support/fakedialogs.h"
#include "tests/support/testsupport.h"

using namespace testing_support;
namespace api = gw::api;
using gw::Variant;
using V = std::vector<std::string>;

namespace {

struct Choices : exporting::ValueOptions,
                 exporting::DateRange,
                 exporting::RunHost,
                 importing::LineOptions,
                 importing::DateMask {
  int time = 0, mode = 0;
  int timeFormatItem() const override { return time; }
  int yearFormatItem() const override { return 0; }
  bool limited() const override { return false; }
  std::string startText() const override { return {}; }
  std::string stopText() const override { return {}; }
  void processMessages() override {}
  void showProgress(bool) override {}
  void setProgress(int) override {}
  int delimiterMode() const override { return mode; }
  bool removeTrailingSpaces() const override { return false; }
  bool removeQuotes() const override { return false; }
  int itemIndex() const override { return 0; }
  void selectItem(int) override {}
};

enum class Source { Appointments, Tasks, Notes, AddressBook };

class RoundTrip : public ::testing::TestWithParam<std::tuple<int, int>> {
 protected:
  RoundTrip() {
    gw::ObjectRef list = api::messages(api::calendar(alice_));
    auto appt = [&](const char16_t* subject, const char16_t* start, double minutes,
                    const char16_t* place, const char16_t* body) {
      gw::ObjectRef a = api::addMessage(list, u"GW.MESSAGE.APPOINTMENT");
      api::setSubject(a, subject);
      api::setProperty(a, "Duration", Variant(minutes / 1440));
      api::setProperty(a, "StartDate", Variant(start));
      api::setProperty(a, "Place", Variant(place));
      api::setProperty(a, "BodyText", Variant(body));
    };
    appt(u"Staff meeting", u"1/15/2004 2:30 PM", 90, u"Room 5", u"Agenda:\r\n1. Status");
    appt(u"All day \"offsite\" event", u"1/16/2004", 1440, u"", u"");
    appt(u"Late call", u"2/1/2004 11:00 PM", 60, u"Caf\u00E9", u"x, y, z");
    appt(u"Midnight start", u"3/1/2004", 30, u"Lobby", u"bring the badge, please");
    appt(u"Noon", u"3/2/2004 12:00 PM", 45, u"Room 101", u"lunch provided");
    appt(u"Conference week", u"3/3/2004 9:00", 10080, u"Denver", u"");
    appt(u"Quarter past", u"3/15/2004 0:15", 140, u"", u"a \u4E2D b");

    auto task = [&](const char16_t* subject, const char16_t* start, const char16_t* due,
                    int priority, int completed, const char16_t* body) {
      gw::ObjectRef t = api::addMessage(list, u"GW.MESSAGE.TASK");
      api::setSubject(t, subject);
      api::setProperty(t, "StartDate", Variant(start));
      api::setProperty(t, "DueDate", Variant(due));
      api::setProperty(t, "TaskPriority", Variant(priority));
      api::setProperty(t, "Completed", Variant(completed));
      api::setProperty(t, "BodyText", Variant(body));
    };
    task(u"Renew permit", u"1/12/2004 9:00", u"1/20/2004", 2, 1, u"at the \"city\" office");
    task(u"File taxes", u"3/1/2004", u"4/15/2004", 1, 0, u"");
    task(u"Order toner", u"2/2/2004", u"2/3/2004", 4, 0, u"two boxes\r\nblack");

    for (const char16_t* s : {u"Payday", u"Fire drill \"10 sharp\" today"}) {
      gw::ObjectRef n = api::addMessage(list, u"GW.MESSAGE.NOTE");
      api::setSubject(n, s);
      api::setProperty(n, "StartDate", Variant(s[0] == u'P' ? u"1/30/2004" : u"3/3/2004 10:00"));
      api::setProperty(n, "BodyText", Variant(u"note text"));
    }

    gw::ObjectRef entries = api::addressBookEntries(book(alice_));
    auto person = [&](const char16_t* name, const char16_t* mail, const char16_t* type,
                      std::vector<std::pair<const char16_t*, const char16_t*>> fields) {
      gw::ObjectRef e = api::addEntry(entries, name, mail, type);
      for (const auto& [k, v] : fields) api::addField(api::entryFields(e), k, v);
    };
    person(u"Ann Lee", u"ann@example.com", u"SMTP",
           {{u"First Name", u"Ann"},
            {u"Last Name", u"Lee"},
            {u"City", u"Oslo"},
            {u"Comments", u"met at the \"Expo\"\r\nsecond line"}});
    entries->call("Add", {Variant(u"Project Team"), Variant(u"team@example.com"), Variant(u"NGW"),
                          Variant(gw::standin::kGroup)});
    person(u"Bob O'Brien", u"", u"NGW", {{u"Office Phone Number", u"(555) 201-0001"}});
    person(u"", u"nobody@example.com", u"", {});
  }

  static gw::ObjectRef book(const gw::ObjectRef& account) {
    return api::itemByName(api::addressBooks(account), u"Frequent Contacts");
  }

  std::string exportFrom(const gw::ObjectRef& account, Source source, const V& fields) {
    exporting::ExportRequest request;
    request.path = dir_.file("export.txt");
    request.source = static_cast<exporting::ExportSource>(source);
    request.account = account;
    if (source == Source::AddressBook) request.addressBook = book(account);
    for (const std::string& f : fields) request.fields.push_back(platform::ansiToUtf8(f));
    request.format = format_;
    request.header = true;
    request.timeFormatItem = exportChoices_.timeFormatItem();
    request.yearFormatItem = exportChoices_.yearFormatItem();
    exporting::runExport(request, exportChoices_);
    return readFile(request.path);
  }

  void importInto(const gw::ObjectRef& account, Source source, const V& fields,
                  const std::string& content) {
    std::string path = dir_.file("import.txt");
    writeFile(path, content);
    importing::Delimiters delimiters;
    delimiters.select(importChoices_.mode);
    // The names of the first line are read as the Import page reads them.
    EXPECT_EQ(importing::readFieldNames(content.substr(0, content.find_first_of("\r\n")),
                                        delimiters, importChoices_.mode, nullptr)
                  .size(),
              fields.size());
    importing::ImportJob job{path,           true,           fields,  delimiters,
                             importChoices_, importChoices_, nullptr, dialogs_};
    struct : importing::CountDisplay {
      void setCountText(const std::string&) override {}
    } count;
    gw::ObjectRef books, target;
    switch (source) {
      case Source::Appointments:
        importing::ImpCal(0, job, account);
        break;
      case Source::Tasks:
        importing::ImpCal(5, job, account);
        break;
      case Source::Notes:
        importing::ImpCal(3, job, account);
        break;
      case Source::AddressBook:
        importing::ImpAddrs(job, account, u"Frequent Contacts", books, target, count);
        break;
    }
  }

  void roundTrip(Source source, const V& fields) {
    static int mailboxes = 0;
    std::string other = "copy" + std::to_string(++mailboxes);
    po_.addUser(other);
    gw::ObjectRef copy = po_.account(other);
    std::string first = exportFrom(alice_, source, fields);
    importInto(copy, source, fields, first);
    EXPECT_EQ(exportFrom(copy, source, fields), first);
    EXPECT_TRUE(dialogs_.shown.empty());
    // Every record but the header made it.
    EXPECT_GT(std::count(first.begin(), first.end(), '\n'), 2);
  }

  void SetUp() override {
    exportChoices_.time = std::get<0>(GetParam());
    importChoices_.mode = std::get<1>(GetParam());
    format_.setDelimiters(importChoices_.mode);
    format_.setLineEnd(importChoices_.mode);  // Quote Comma with CR LF, Tab with LF
  }

  FixedClock clock_{2004, 1, 10, 8, 15};
  PostOfficeFixture po_;
  gw::ObjectRef alice_ = po_.account();
  TempDir dir_;
  ExportChoices exportChoices_;
  ImportChoices importChoices_;
  exporting::ExportFormat format_;
  FakeDialogs dialogs_;
};

}  // namespace

TEST_P(RoundTrip, Appointments) {
  roundTrip(Source::Appointments, {"Start Date", "Start Time", "End Date", "End Time",
                                   "Duration (minutes)", "Place", "Subject", "Message"});
}

TEST_P(RoundTrip, AppointmentsByDateTime) {
  roundTrip(Source::Appointments, {"Subject", "Start DateTime", "End DateTime"});
}

TEST_P(RoundTrip, Tasks) {
  roundTrip(Source::Tasks,
            {"Start Date", "Due Date", "Subject", "Priority", "Completed", "Message"});
}

TEST_P(RoundTrip, Notes) {
  roundTrip(Source::Notes, {"Start Date", "Subject", "Message"});
}

TEST_P(RoundTrip, AddressBookWithAllItsFields) {
  V fields;
  for (const auto& def : gw::standin::PostOffice::standardFieldDefs()) {
    fields.push_back(platform::toAnsi(def.name));
  }
  roundTrip(Source::AddressBook, fields);
}

INSTANTIATE_TEST_SUITE_P(TimeAndDelimiters, RoundTrip,
                         ::testing::Combine(::testing::Values(0, 1), ::testing::Values(0, 1)),
                         [](const auto& param) {
                           return std::string(std::get<0>(param.param) ? "24h" : "12h") +
                                  (std::get<1>(param.param) ? "Tab" : "QuoteComma");
                         });
