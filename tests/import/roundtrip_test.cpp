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
#include "tests/support/testsupport.h"

using namespace testing_support;
namespace api = gw::api;
using gw::Variant;
using V = std::vector<std::string>;

namespace {

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
    // A quote at one end of a value is the value's own.
    appt(u"Interview: \"Senior Analyst\"", u"3/16/2004 9:00", 10, u"", u"");
    appt(u"\"Quiet\" hours", u"3/17/2004 13:00", 40, u"Library \"B\"", u"");

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
    importing::ImportRequest request;
    request.path = dir_.file("import.txt");
    writeFile(request.path, content);
    request.format.mode = importMode_;
    // The names of the first line are read as the Import page reads them.
    EXPECT_EQ(importing::readFieldNames(request.path, request.format)->size(), fields.size());
    request.ignoreFirstLine = true;
    for (const std::string& f : fields) request.pairing.push_back(platform::ansiToUtf8(f));
    switch (source) {
      case Source::Appointments:
        request.destination = importing::Destination::calendar(gw::CalendarKind::Appointment);
        break;
      case Source::Tasks:
        request.destination = importing::Destination::calendar(gw::CalendarKind::Task);
        break;
      case Source::Notes:
        request.destination = importing::Destination::calendar(gw::CalendarKind::Note);
        break;
      case Source::AddressBook:
        request.destination = importing::Destination::addressBookNamed("Frequent Contacts");
        break;
    }
    importing::ImportHost host;
    importing::ImportResult result = importing::runImport(request, account, host);
    EXPECT_EQ(result.endMessage(), "");
    EXPECT_TRUE(result.completed());
  }

  void roundTrip(Source source, const V& fields) {
    static int mailboxes = 0;
    std::string other = "copy" + std::to_string(++mailboxes);
    po_.addUser(other);
    gw::ObjectRef copy = po_.account(other);
    std::string first = exportFrom(alice_, source, fields);
    importInto(copy, source, fields, first);
    EXPECT_EQ(exportFrom(copy, source, fields), first);
    // Every record but the header made it.
    EXPECT_GT(std::count(first.begin(), first.end(), '\n'), 2);
  }

  void SetUp() override {
    exportChoices_.time = std::get<0>(GetParam());
    importMode_ = std::get<1>(GetParam());
    format_.setDelimiters(importMode_);
    format_.setLineEnd(importMode_);  // Quote Comma with CR LF, Tab with LF
  }

  FixedClock clock_{2004, 1, 10, 8, 15};
  PostOfficeFixture po_;
  gw::ObjectRef alice_ = po_.account();
  TempDir dir_;
  ExportChoices exportChoices_;
  int importMode_ = 0;
  exporting::ExportFormat format_;
};

}  // namespace

TEST_P(RoundTrip, Appointments) {
  roundTrip(Source::Appointments, {"Start Date", "Start Time", "End Date", "End Time",
                                   "Duration (minutes)", "Place", "Subject", "Message"});
}

TEST_P(RoundTrip, AppointmentsByDateTime) {
  roundTrip(Source::Appointments, {"Subject", "Start DateTime", "End DateTime"});
}

// Durations in hours come back to the minute: 140 minutes are written "2.333".
TEST_P(RoundTrip, AppointmentsByHours) {
  roundTrip(Source::Appointments, {"Subject", "Start DateTime", "Duration (HH.hh/100)"});
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
