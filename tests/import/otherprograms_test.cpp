// Files as other programs write them (fixtures/), imported as a user would: detection
// chooses the encoding, the delimiters and the date layout and pairs the columns by
// name, then the run stores every value as written.
#include <gtest/gtest.h>

#include "groupwise/gwapi.h"
#include "groupwise/standin/postoffice.h"
#include "import/detect.h"
#include "import/fieldnames.h"
#include "import/importer.h"
#include "platform/ansi.h"
#include "platform/oledate.h"
#include "tests/support/testsupport.h"

using namespace importing;
using namespace testing_support;
namespace api = gw::api;
using V = std::vector<std::string>;

namespace {

std::string fixture(const std::string& name) {
  return std::string(MARROWBY_IMPORT_FIXTURES) + "/" + name;
}

V bookFields() {
  V out;
  for (const auto& def : gw::standin::PostOffice::standardFieldDefs()) {
    out.push_back(platform::toUtf8(def.name));
  }
  return out;
}

class OtherPrograms : public ::testing::Test {
 protected:
  // Detects, pairs and imports a fixture; returns what detection said.
  Detection import(const std::string& name, const Destination& destination) {
    V fields = destination.addressBook ? bookFields() : calendarFields(destination.kind);
    Detection d = detectFormat(fixture(name), fields);
    EXPECT_TRUE(d.readable);
    ImportRequest r;
    r.path = fixture(name);
    r.format = d.format;
    r.ignoreFirstLine = d.headerLine;
    r.dateMask = d.dateMask < 0 ? 0 : d.dateMask;
    r.pairing = d.pairing;
    r.destination = destination;
    ImportHost host;
    // The rejected file would go beside the fixture: a copy is imported instead.
    r.path = dir_.file(name);
    writeFile(r.path, readFile(fixture(name)));
    result_ = runImport(r, account_, host);
    EXPECT_TRUE(result_.completed()) << result_.endMessage();
    EXPECT_EQ(result_.setAside, 0u) << result_.endMessage();
    return d;
  }
  std::vector<gw::ObjectRef> items(const char16_t* filter) {
    gw::ObjectRef found = api::findMessages(api::calendar(account_), filter);
    std::vector<gw::ObjectRef> out;
    for (int i = 1; i <= api::count(found); ++i) out.push_back(api::item(found, i));
    return out;
  }
  std::vector<gw::ObjectRef> entries() {
    gw::ObjectRef list =
        api::addressBookEntries(api::itemByName(api::addressBooks(account_), u"Frequent Contacts"));
    std::vector<gw::ObjectRef> out;
    for (int i = 1; i <= api::count(list); ++i) out.push_back(api::item(list, i));
    return out;
  }
  static std::string field(const gw::ObjectRef& entry, const char16_t* name) {
    return platform::toUtf8(api::fieldItem(api::entryFields(entry), name).toText());
  }
  static std::string prop(const gw::ObjectRef& item, const char* member) {
    return platform::toUtf8(api::getProperty(item, member).toText());
  }
  static std::string when(const gw::ObjectRef& item, const char* member) {
    return platform::dateToText(api::getProperty(item, member).toDate());
  }

  FixedClock clock_{2026, 1, 5, 9, 0};
  PostOfficeFixture po_;
  gw::ObjectRef account_ = po_.account();
  TempDir dir_;
  ImportResult result_;
};

}  // namespace

TEST_F(OtherPrograms, OutlookCalendar) {
  Detection d =
      import("outlook-calendar.csv", Destination::calendar(gw::CalendarKind::Appointment));
  EXPECT_EQ(d.summary,
            "Windows-1252, Standard CSV with ',', dates month/day/year, 7 of 22 columns paired "
            "by name");
  EXPECT_EQ(d.pairing[15], "Message");  // Description
  EXPECT_EQ(d.pairing[16], "Place");    // Location
  auto all = items(u"(APPOINTMENT)");
  ASSERT_EQ(all.size(), 3u);
  // In order of their start: the late call of 2025 first.
  EXPECT_EQ(prop(all[0], "Subject"), "Late call");
  EXPECT_EQ(when(all[0], "StartDate"), "12/31/2025 10:30:00 PM");
  EXPECT_EQ(when(all[0], "EndDate"), "12/31/2025 11:15:00 PM");
  EXPECT_EQ(prop(all[1], "BodyText"), "Agenda:\r\n1. Q1 \"actuals\"\r\n2. Hiring, travel");
  EXPECT_EQ(prop(all[1], "Place"), "Room 5, 2nd floor");
  EXPECT_EQ(when(all[1], "EndDate"), "1/15/2026 12:00:00 PM");
  EXPECT_EQ(prop(all[2], "Place"), "Caf\xC3\xA9 M\xC3\xBCller");
  EXPECT_EQ(when(all[2], "StartDate"), "1/16/2026");
  EXPECT_EQ(when(all[2], "EndDate"), "1/17/2026");
}

TEST_F(OtherPrograms, OutlookContacts) {
  Detection d = import("outlook-contacts.csv", Destination::addressBookNamed("Frequent Contacts"));
  EXPECT_EQ(d.summary, "Windows-1252, Standard CSV with ',', 18 of 92 columns paired by name");
  auto all = entries();
  ASSERT_EQ(all.size(), 2u);
  // Without a name column the address names the entry; without an address, the person.
  EXPECT_EQ(field(all[0], u"Name"), "renee@northwind.example");
  EXPECT_EQ(field(all[0], u"First Name"),
            "Ren\xC3\xA9"
            "e");
  EXPECT_EQ(field(all[0], u"Organization"), "Northwind, Inc.");
  EXPECT_EQ(field(all[0], u"Title"), "Account \"key\" manager");
  EXPECT_EQ(field(all[0], u"Address"), "12 Rue de la Paix\r\nB\xC3\xA2timent B");
  EXPECT_EQ(field(all[0], u"Cellular Phone Number"), "+33 6 12 34 56 78");
  EXPECT_EQ(field(all[0], u"E-Mail Type"), "SMTP");
  EXPECT_EQ(field(all[0], u"Comments"), "Met at the fair.\r\nPrefers mornings.");
  EXPECT_EQ(field(all[1], u"Name"), "Bob O'Brien");
  EXPECT_EQ(field(all[1], u"Home Phone Number"), "(555) 201-0001");
  EXPECT_EQ(field(all[1], u"City"), "");  // a home address: the business one is paired
}

TEST_F(OtherPrograms, GoogleContacts) {
  Detection d = import("google-contacts.csv", Destination::addressBookNamed("Frequent Contacts"));
  EXPECT_EQ(d.summary, "UTF-8, Standard CSV with ',', 13 of 23 columns paired by name");
  auto all = entries();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(field(all[0], u"Name"),
            "Zo\xC3\xAB \xC3\x87"
            "elik");
  EXPECT_EQ(field(all[0], u"E-Mail Address"), "zoe@example.org");
  EXPECT_EQ(field(all[0], u"Comments"), "Likes \"strong\" coffee,\r\nno sugar");
  EXPECT_EQ(field(all[0], u"Address"),
            "Ba\xC4\x9F"
            "dat Cd. 5");
  EXPECT_EQ(field(all[0], u"City"), "\xC4\xB0stanbul");
  EXPECT_EQ(field(all[0], u"Organization"),
            "\xC3\x87"
            "elik & Co.");
  EXPECT_EQ(field(all[1], u"Office Phone Number"), "(555) 201-0002");
  EXPECT_EQ(field(all[1], u"ZIP Code"), "");
}

TEST_F(OtherPrograms, Thunderbird) {
  Detection d = import("thunderbird.csv", Destination::addressBookNamed("Frequent Contacts"));
  EXPECT_EQ(d.summary, "UTF-8, Standard CSV with ',', 18 of 38 columns paired by name");
  auto all = entries();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(field(all[0], u"Name"), "J\xC3\xBCrgen Wei\xC3\x9F");
  EXPECT_EQ(field(all[0], u"Title"), "Leiter, Einkauf");
  EXPECT_EQ(field(all[0], u"Comments"), "Zwei\r\nZeilen");
  EXPECT_EQ(field(all[1], u"Name"), "Team Inbox");
  EXPECT_EQ(field(all[1], u"E-Mail Address"), "team@example.de");
}

TEST_F(OtherPrograms, ExcelInEurope) {
  Detection d = import("excel-semicolon.csv", Destination::calendar(gw::CalendarKind::Appointment));
  EXPECT_EQ(d.summary,
            "Windows-1252, Standard CSV with ';', dates day.month.year, 7 of 7 columns paired by "
            "name");
  auto all = items(u"(APPOINTMENT)");
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(prop(all[0], "Subject"), "Jahresabschluss");
  EXPECT_EQ(prop(all[0], "BodyText"), "\"Sekt\" mitbringen");
  EXPECT_EQ(when(all[1], "StartDate"), "1/15/2026 9:00:00 AM");
  EXPECT_EQ(when(all[1], "EndDate"), "1/15/2026 10:30:00 AM");
  EXPECT_EQ(prop(all[1], "Place"), "Raum 3; Erdgeschoss");
  EXPECT_EQ(prop(all[1], "BodyText"), "Protokoll: M\xC3\xBCller");

  d = import("excel-utf8.csv", Destination::addressBookNamed("Frequent Contacts"));
  EXPECT_EQ(d.summary, "UTF-8, Standard CSV with ',', 5 of 5 columns paired by name");
  EXPECT_EQ(d.header.front(), "Name");  // the mark is no part of the first name
  auto people = entries();
  ASSERT_EQ(people.size(), 2u);
  EXPECT_EQ(field(people[0], u"Name"), "S\xC3\xB8ren Kierkegaard");
  EXPECT_EQ(field(people[0], u"Comments"), "\"Either/Or\", 1843");
  EXPECT_EQ(field(people[0], u"Office Phone Number"), "");
  EXPECT_EQ(field(people[1], u"Name"), "\xCE\xA9 Team");
}

// The program's own files: Quote Comma and Tab come back as themselves.
TEST_F(OtherPrograms, DetectionOfTheProgramsOwnLayouts) {
  struct Case {
    std::string content, summary;
    int mask;
  } cases[] = {
      // Quotes inside a value are written as they are: Standard CSV would misread them.
      {"\"Subject\",\"Place\"\r\n\"Say \"hi\"\",\"Room \"5\"\"\r\n",
       "Windows-1252, Quote Comma, 2 of 2 columns paired by name", -1},
      {"Subject\tStart Date\r\nStaff \"meeting\"\t31.01.2004\r\n",
       "Windows-1252, Tab, dates day.month.year, 2 of 2 columns paired by name", 8},
      {"a,b\r\n1/2/2004,2004-01-31\r\n",
       "Windows-1252, Standard CSV with ',', 0 of 2 columns paired by name", -1},
      {"Caf\xC3\xA9|x\n1|2\n", "UTF-8, Standard CSV with '|', 0 of 2 columns paired by name", -1},
      {"\xEF\xBB\xBFonly one column\n",
       "UTF-8, Standard CSV with ',', 0 of 1 columns paired by name", -1},
  };
  for (const Case& c : cases) {
    writeFile(dir_.file("own.txt"), c.content);
    Detection d = detectFormat(dir_.file("own.txt"), {"Subject", "Start Date", "Place"});
    EXPECT_EQ(d.summary, c.summary) << c.content;
    EXPECT_EQ(d.dateMask, c.mask) << c.content;
  }
  EXPECT_FALSE(detectFormat(dir_.file("missing.txt")).readable);
}

// The encoding is the whole file's: an export whose first accented letter comes after
// the first 64 KB is still UTF-8, and one byte that is not UTF-8 anywhere makes it
// Windows-1252.
TEST_F(OtherPrograms, EncodingOfTheWholeFile) {
  std::string ascii = "Subject,Place\r\n";
  for (int i = 1; i < 4000; ++i) ascii += "Meeting " + std::to_string(i) + ",Room 5\r\n";
  ASSERT_GT(ascii.size(), kDetectBytes);
  const std::string late = "Lunch,Caf\xC3\xA9\r\n";
  struct Case {
    std::string content;
    Encoding encoding;
  } cases[] = {
      {ascii, Encoding::Windows1252},
      {ascii + late, Encoding::Utf8},
      {ascii + late + "Tea,Caf\xE9\r\n", Encoding::Windows1252},
      {ascii + "Tea,Caf\xC3", Encoding::Windows1252},  // a letter cut off at the end
  };
  for (const Case& c : cases) {
    writeFile(dir_.file("late.csv"), c.content);
    EXPECT_EQ(detectFormat(dir_.file("late.csv")).format.encoding, c.encoding);
  }
  // Imported with what detection chose, the letter comes through whole.
  writeFile(dir_.file("late.csv"), ascii + late);
  Detection d = detectFormat(dir_.file("late.csv"), {"Subject", "Place"});
  EXPECT_EQ(d.summary, "UTF-8, Standard CSV with ',', 2 of 2 columns paired by name");
  ImportRequest r;
  r.path = dir_.file("late.csv");
  r.format = d.format;
  r.ignoreFirstLine = d.headerLine;
  r.pairing = d.pairing;
  r.destination = Destination::calendar(gw::CalendarKind::Appointment);
  ImportHost host;
  EXPECT_EQ(runImport(r, account_, host).imported, 4000u);
  std::string lunch;
  for (const auto& n : items(u"(APPOINTMENT)")) {
    if (prop(n, "Subject") == "Lunch") lunch = prop(n, "Place");
  }
  EXPECT_EQ(lunch, "Caf\xC3\xA9");
}
