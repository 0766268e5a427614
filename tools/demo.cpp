// The demo mailbox of gwpo: a few months of appointments, tasks and notes, and two
// address books of contacts, drawn from a seeded random generator so that a seed
// always gives the same content.
#include <algorithm>
#include <cstdio>
#include <map>
#include <random>
#include <string>

#include "groupwise/gwapi.h"
#include "groupwise/standin/postoffice.h"
#include "platform/ansi.h"
#include "platform/locale.h"
#include "platform/oledate.h"
#include "tools/gwpo.h"

namespace api = gw::api;
using platform::fromUtf8;

namespace gwpo {
namespace {

struct Demo {
  std::mt19937 rng;
  template <typename T, std::size_t N>
  const T& pick(const T (&a)[N]) {
    return a[std::uniform_int_distribution<std::size_t>(0, N - 1)(rng)];
  }
  int between(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
};

const char* const kFirst[] = {"Anna", "Ben",   "Carla", "David", "Elif", "Frank", "Grace", "Hugo",
                              "Ines", "Jonas", "Karin", "Luis",  "Maya", "Nils",  "Olga",  "Peter",
                              "Rosa", "Sven",  "Tara",  "Umar",  "Vera", "Walt",  "Yuki",  "Zoe"};
const char* const kLast[] = {"Adler",   "Baker",    "Castro",    "Dubois", "Evans",    "Fischer",
                             "Garcia",  "Hansen",   "Ivanova",   "Jensen", "Kowalski", "Larsen",
                             "Moreau",  "Nakamura", "O'Brien",   "Petrov", "Quinn",    "Rossi",
                             "Schmidt", "Tanaka",   "Underwood", "Vogel",  "Weber",    "Young"};
const char* const kCompanies[] = {"Northwind Traders", "Harbor Logistics",  "Bluefield Clinic",
                                  "Alder & Finch LLP", "Summit Outfitters", "City of Riverton",
                                  "Greenway Foods",    "Keystone Insurance"};
const char* const kCities[][3] = {{"Boston", "MA", "02108"},  {"Denver", "CO", "80202"},
                                  {"Seattle", "WA", "98101"}, {"Austin", "TX", "78701"},
                                  {"Chicago", "IL", "60601"}, {"Portland", "OR", "97204"}};
const char* const kStreets[] = {"Main St",    "Oak Avenue", "Harbor Road",
                                "Elm Street", "2nd Ave",    "Mill Lane"};
const char* const kMeetings[] = {"Staff meeting",      "Budget review",
                                 "Project kickoff",    "One-on-one",
                                 "Client call",        "Design review",
                                 "Quarterly planning", "Lunch with vendor",
                                 "Training session",   "Interview: \"Senior Analyst\"",
                                 "Board meeting",      "Dentist"};
const char* const kPlaces[] = {"Room 101",  "Room 5",         "Conference Room B", "Main lobby",
                               "Cafe Luna", "Teleconference", "Auditorium",        ""};
const char* const kTasks[] = {"Submit expense report",     "Renew parking permit",
                              "Prepare slides for Monday", "Call back the printer vendor",
                              "Review contract draft",     "Order new toner",
                              "Update the phone list",     "File Q3 timesheets",
                              "Book travel to Denver",     "Send thank-you notes"};
const char* const kNotes[] = {"Office closed",
                              "Payday",
                              "Fire drill at 10",
                              "Remember: casual Friday",
                              "Server maintenance tonight",
                              "Team birthday",
                              "Holiday"};

}  // namespace

DemoCounts fillDemo(const gw::ObjectRef& account, unsigned seed, Made& made) {
  Demo d{std::mt19937(seed)};
  DemoCounts counts;
  gw::ObjectRef list = api::messages(api::calendar(account));
  double today = platform::todayDate();
  auto dateText = [](double date) { return fromUtf8(platform::dateToText(date, true)); };

  counts.items = 240 + 80 + 40;
  for (int i = 0; i < 240; ++i) {
    gw::ObjectRef item = api::addMessage(list, u"GW.MESSAGE.APPOINTMENT");
    made.add(item);
    double day = today + d.between(-120, 120);
    int hour = d.between(8, 16);
    int minute = d.pick({0, 15, 30, 45, 0, 30});
    bool allDay = d.between(0, 15) == 0;
    double start = day + (allDay ? 0 : (hour * 60 + minute) / 1440.0);
    int minutes = allDay ? 1440 : d.pick({30, 45, 60, 60, 90, 120, 140});
    api::setSubject(item, fromUtf8(d.pick(kMeetings)));
    api::setProperty(item, "Place", gw::Variant(fromUtf8(d.pick(kPlaces))));
    if (d.between(0, 2) == 0) {
      api::setProperty(
          item, "BodyText",
          gw::Variant(u"Agenda:\r\n1. Status\r\n2. Open questions\r\nBring the \"blue\" folder."));
    }
    api::setProperty(item, "Duration", gw::Variant(minutes / 1440.0));
    api::setProperty(item, "StartDate", gw::Variant(dateText(start)));
  }
  for (int i = 0; i < 80; ++i) {
    gw::ObjectRef item = api::addMessage(list, u"GW.MESSAGE.TASK");
    made.add(item);
    double start = today + d.between(-60, 30);
    api::setSubject(item, fromUtf8(d.pick(kTasks)));
    api::setProperty(item, "StartDate", gw::Variant(dateText(start)));
    api::setProperty(item, "DueDate", gw::Variant(dateText(start + d.between(1, 14))));
    api::setProperty(item, "TaskPriority", gw::Variant(d.between(1, 4)));
    api::setProperty(item, "Completed", gw::Variant(start < today - 7 ? 1 : 0));
    if (d.between(0, 3) == 0) {
      api::setProperty(item, "BodyText", gw::Variant(u"See the shared folder for details."));
    }
  }
  for (int i = 0; i < 40; ++i) {
    gw::ObjectRef item = api::addMessage(list, u"GW.MESSAGE.NOTE");
    made.add(item);
    api::setSubject(item, fromUtf8(d.pick(kNotes)));
    api::setProperty(item, "StartDate", gw::Variant(dateText(today + d.between(-90, 90))));
  }

  gw::ObjectRef books = api::addressBooks(account);
  for (int b = 2; b <= api::count(books); ++b) {
    gw::ObjectRef entries = api::addressBookEntries(api::item(books, b));
    int n = b == 2 ? 25 : 120;
    counts.entries += n;
    for (int i = 0; i < n; ++i) {
      std::string first = d.pick(kFirst), last = d.pick(kLast);
      std::string company = d.pick(kCompanies);
      std::string mail = first + "." + last + "@example.com";
      for (char& c : mail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      mail.erase(std::remove(mail.begin(), mail.end(), '\''), mail.end());
      gw::ObjectRef entry = api::addEntry(entries, fromUtf8(first + " " + last), fromUtf8(mail),
                                          d.between(0, 4) == 0 ? u"NGW" : u"SMTP");
      made.add(entry);
      gw::ObjectRef fields = api::entryFields(entry);
      const auto& city = d.pick(kCities);
      char phone[32];
      std::snprintf(phone, sizeof phone, "(555) %03d-%04d", d.between(200, 999),
                    d.between(0, 9999));
      std::map<std::string, std::string> values{
          {"First Name", first},
          {"Last Name", last},
          {"Organization", company},
          {"Title", d.pick({"Manager", "Analyst", "Director", "Assistant", "Engineer"})},
          {"Office Phone Number", phone},
          {"Address", std::to_string(d.between(1, 999)) + " " + d.pick(kStreets)},
          {"City", city[0]},
          {"State", city[1]},
          {"ZIP Code", city[2]},
          {"Country", "USA"}};
      if (d.between(0, 5) == 0) values["Comments"] = "Met at the \"Spring Expo\", very helpful";
      for (const auto& [k, v] : values) api::addField(fields, fromUtf8(k), fromUtf8(v));
    }
    // Groups are entries too, but not persons.
    if (b == 3) {
      made.add(entries
                   ->call("Add", {gw::Variant(u"Project Team"), gw::Variant(u"team@example.com"),
                                  gw::Variant(u"NGW"), gw::Variant(gw::standin::kGroup)})
                   .toObject());
      made.add(entries
                   ->call("Add", {gw::Variant(u"Northwind Traders"), gw::Variant(u""),
                                  gw::Variant(u"NGW"), gw::Variant(gw::standin::kOrganization)})
                   .toObject());
      counts.entries += 2;
    }
  }
  return counts;
}

}  // namespace gwpo
