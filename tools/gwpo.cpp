// gwpo: creates and inspects stand-in post offices.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "groupwise/error.h"
#include "groupwise/gwapi.h"
#include "groupwise/standin/postoffice.h"
#include "groupwise/standin/standin.h"
#include "platform/ansi.h"
#include "platform/locale.h"
#include "platform/oledate.h"

namespace api = gw::api;
using gw::standin::PostOffice;
using platform::fromUtf8;
using platform::toUtf8;

namespace {

constexpr const char* kUsage =
    "usage: gwpo [--postoffice PATH] COMMAND ARGS...\n"
    "commands:\n"
    "  create USER [--name NAME]                   new post office holding USER's mailbox\n"
    "  users                                       list the users\n"
    "  add-user USER [--name N] [--first F] [--last L] [--email E] [--title T]\n"
    "           [--department D] [--phone P] [--resource]\n"
    "  grant-proxy OWNER GRANTEE                   GRANTEE may work on OWNER's mailbox\n"
    "  revoke-proxy OWNER GRANTEE\n"
    "  add-book USER NAME                          new personal address book\n"
    "  add-field USER BOOK NAME [--type text|number|date]\n"
    "  add-entry USER BOOK NAME [--email E] [--email-type T]\n"
    "           [--kind person|resource|group|organization] [--field NAME=VALUE]...\n"
    "  add-item USER appointment|task|note|mail|phone [--subject S] [--message M]\n"
    "           [--place P] [--start DATE] [--end DATE] [--due DATE] [--priority N]\n"
    "           [--completed]\n"
    "  demo USER [--seed N]                        fill USER's mailbox with sample content\n"
    "  list USER [--items]                         what USER's mailbox holds\n"
    "The post office is PATH, else $GW_POSTOFFICE, else the default file in the data folder.\n";

struct Usage {
  std::string why;
};

[[noreturn]] void usage(const std::string& why) {
  throw Usage{why};
}

// Parsed command line: positional words and --options (repeatable ones collected).
struct Command {
  std::string name;
  std::vector<std::string> words;
  std::multimap<std::string, std::string> options;

  std::string opt(const std::string& key, const std::string& def = "") const {
    auto it = options.find(key);
    return it == options.end() ? def : it->second;
  }
  bool has(const std::string& key) const { return options.count(key) > 0; }
};

Command parse(
    int argc, char** argv, std::string& postOffice,
    const std::map<std::string, std::pair<std::size_t, std::vector<std::string>>>& commands) {
  Command cmd;
  int i = 1;
  if (i < argc && std::strcmp(argv[i], "--postoffice") == 0) {
    if (i + 1 >= argc) usage("--postoffice needs a path");
    postOffice = argv[i + 1];
    i += 2;
  }
  if (i >= argc) usage("no command given");
  cmd.name = argv[i++];
  auto it = commands.find(cmd.name);
  if (it == commands.end()) usage("unknown command \"" + cmd.name + "\"");
  const auto& [wordCount, allowed] = it->second;
  for (; i < argc; ++i) {
    std::string a = argv[i];
    if (a.rfind("--", 0) == 0) {
      std::string key = a.substr(2);
      bool known = false, flag = false;
      for (const std::string& o : allowed) {
        if (o == key) known = true;
        if (o == key + "!") known = flag = true;
      }
      if (!known) usage("unknown option " + a + " for " + cmd.name);
      if (flag) {
        cmd.options.emplace(key, "1");
      } else {
        if (i + 1 >= argc) usage(a + " needs a value");
        cmd.options.emplace(key, argv[++i]);
      }
    } else {
      cmd.words.push_back(a);
    }
  }
  if (cmd.words.size() != wordCount) {
    usage(cmd.name + " takes " + std::to_string(wordCount) + " argument" +
          (wordCount == 1 ? "" : "s"));
  }
  return cmd;
}

gw::ObjectRef loginAs(const std::string& postOffice, const std::string& user) {
  ::setenv("GW_POSTOFFICE", postOffice.c_str(), 1);
  ::setenv("GW_USER", user.c_str(), 1);
  gw::standin::registerProgId();
  gw::ObjectRef session = api::createSession();
  api::login(session);
  return session;
}

std::int64_t userId(PostOffice& po, const std::string& user) {
  auto u = po.findUser(fromUtf8(user));
  if (!u) throw gw::Error("no user \"" + user + "\" in " + po.path());
  return u->id;
}

std::int64_t bookId(PostOffice& po, const std::string& user, const std::string& book) {
  for (const auto& b : po.books(userId(po, user))) {
    if (toUtf8(b.name) == book) return b.id;
  }
  throw gw::Error("user \"" + user + "\" has no address book \"" + book + "\"");
}

void checkDate(const std::string& option, const std::string& text) {
  if (!text.empty() && !platform::parseDateText(platform::utf8ToAnsi(text))) {
    usage("--" + option + " \"" + text + "\" is not a date (month/day/year [h:mm [am|pm]])");
  }
}

// ---- demo content ----

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

void fillDemo(const gw::ObjectRef& session, unsigned seed) {
  Demo d{std::mt19937(seed)};
  gw::ObjectRef account = api::rootAccount(session);
  gw::ObjectRef list = api::messages(api::calendar(account));
  double today = platform::todayDate();
  auto dateText = [](double date) { return fromUtf8(platform::dateToText(date, true)); };

  for (int i = 0; i < 240; ++i) {
    gw::ObjectRef item = api::addMessage(list, u"GW.MESSAGE.APPOINTMENT");
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
    api::setSubject(item, fromUtf8(d.pick(kNotes)));
    api::setProperty(item, "StartDate", gw::Variant(dateText(today + d.between(-90, 90))));
  }

  gw::ObjectRef books = api::addressBooks(account);
  for (int b = 2; b <= api::count(books); ++b) {
    gw::ObjectRef entries = api::addressBookEntries(api::item(books, b));
    int n = b == 2 ? 25 : 120;
    for (int i = 0; i < n; ++i) {
      std::string first = d.pick(kFirst), last = d.pick(kLast);
      std::string company = d.pick(kCompanies);
      std::string mail = first + "." + last + "@example.com";
      for (char& c : mail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      mail.erase(std::remove(mail.begin(), mail.end(), '\''), mail.end());
      gw::ObjectRef entry = api::addEntry(entries, fromUtf8(first + " " + last), fromUtf8(mail),
                                          d.between(0, 4) == 0 ? u"NGW" : u"SMTP");
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
      entries->call("Add", {gw::Variant(u"Project Team"), gw::Variant(u"team@example.com"),
                            gw::Variant(u"NGW"), gw::Variant(gw::standin::kGroup)});
      entries->call("Add", {gw::Variant(u"Northwind Traders"), gw::Variant(u""),
                            gw::Variant(u"NGW"), gw::Variant(gw::standin::kOrganization)});
    }
  }
}

void list(PostOffice& po, const std::string& postOffice, const std::string& user, bool items) {
  gw::ObjectRef session = loginAs(postOffice, user);
  gw::ObjectRef account = api::rootAccount(session);
  std::printf("mailbox of %s (%s)\n", user.c_str(), toUtf8(api::name(account)).c_str());
  gw::ObjectRef books = api::addressBooks(account);
  for (int i = 1; i <= api::count(books); ++i) {
    gw::ObjectRef book = api::item(books, i);
    std::printf("  address book \"%s\": %d entries, %d fields\n", toUtf8(api::name(book)).c_str(),
                api::count(api::addressBookEntries(book)), api::count(api::fieldDefinitions(book)));
  }
  gw::ObjectRef all = api::messages(api::calendar(account));
  std::map<std::string, int> byClass;
  int n = api::count(all);
  for (int i = 1; i <= n; ++i) {
    gw::ObjectRef item = api::item(all, i);
    std::string cls = toUtf8(api::getProperty(item, "ClassName").toText());
    ++byClass[cls];
    if (items) {
      std::printf("  %-28s %-22s %s\n", cls.c_str(),
                  toUtf8(api::getProperty(item, "StartDate").toText()).c_str(),
                  toUtf8(api::getProperty(item, "Subject").toText()).c_str());
    }
  }
  for (const auto& [cls, count] : byClass) std::printf("  %s: %d\n", cls.c_str(), count);
  auto grants = po.proxyGrants();
  for (const auto& [owner, grantee] : grants) {
    if (toUtf8(owner) == user)
      std::printf("  proxy access granted to %s\n", toUtf8(grantee).c_str());
  }
}

int run(int argc, char** argv) {
  using Commands = std::map<std::string, std::pair<std::size_t, std::vector<std::string>>>;
  static const Commands commands{
      {"create", {1, {"name"}}},
      {"users", {0, {}}},
      {"add-user",
       {1, {"name", "first", "last", "email", "title", "department", "phone", "resource!"}}},
      {"grant-proxy", {2, {}}},
      {"revoke-proxy", {2, {}}},
      {"add-book", {2, {}}},
      {"add-field", {3, {"type"}}},
      {"add-entry", {3, {"email", "email-type", "kind", "field"}}},
      {"add-item",
       {2, {"subject", "message", "place", "start", "end", "due", "priority", "completed!"}}},
      {"demo", {1, {"seed"}}},
      {"list", {1, {"items!"}}},
  };
  std::string postOffice;
  Command cmd = parse(argc, argv, postOffice, commands);
  if (postOffice.empty()) postOffice = gw::standin::postOfficePath();

  // Every argument is checked before anything is written.
  int fieldType = gw::standin::kFieldText;
  int kind = gw::standin::kPerson;
  std::u16string itemClass;
  std::vector<std::pair<std::string, std::string>> fields;
  unsigned seed = 1;
  if (cmd.name == "add-field") {
    std::string t = cmd.opt("type", "text");
    fieldType = t == "text"     ? gw::standin::kFieldText
                : t == "number" ? gw::standin::kFieldNumber
                : t == "date"   ? gw::standin::kFieldDate
                                : 0;
    if (!fieldType) usage("--type is text, number or date");
  }
  if (cmd.name == "add-entry") {
    std::string k = cmd.opt("kind", "person");
    kind = k == "person"         ? gw::standin::kPerson
           : k == "resource"     ? gw::standin::kResource
           : k == "group"        ? gw::standin::kGroup
           : k == "organization" ? gw::standin::kOrganization
                                 : 0;
    if (!kind) usage("--kind is person, resource, group or organization");
    if (cmd.words[2].empty() && cmd.opt("email").empty())
      usage("an entry needs a name or an e-mail");
    for (auto [it, end] = cmd.options.equal_range("field"); it != end; ++it) {
      auto eq = it->second.find('=');
      if (eq == std::string::npos || eq == 0) usage("--field takes NAME=VALUE");
      fields.emplace_back(it->second.substr(0, eq), it->second.substr(eq + 1));
    }
  }
  if (cmd.name == "add-item") {
    static const std::map<std::string, const char16_t*> kClasses{
        {"appointment", u"GW.MESSAGE.APPOINTMENT"},
        {"task", u"GW.MESSAGE.TASK"},
        {"note", u"GW.MESSAGE.NOTE"},
        {"mail", u"GW.MESSAGE.MAIL"},
        {"phone", u"GW.MESSAGE.PHONE"}};
    auto it = kClasses.find(cmd.words[1]);
    if (it == kClasses.end()) usage("the item kind is appointment, task, note, mail or phone");
    itemClass = it->second;
    for (const char* o : {"start", "end", "due"}) checkDate(o, cmd.opt(o));
    if (cmd.has("priority") &&
        cmd.opt("priority").find_first_not_of("0123456789") != std::string::npos) {
      usage("--priority takes a number");
    }
  }
  if (cmd.name == "demo" && cmd.has("seed")) {
    std::string text = cmd.opt("seed");
    char* end = nullptr;
    seed = static_cast<unsigned>(std::strtoul(text.c_str(), &end, 10));
    if (text.empty() || !end || *end) usage("--seed takes a number");
  }

  if (cmd.name == "create") {
    gw::standin::NewUser u;
    u.userId = fromUtf8(cmd.words[0]);
    u.displayName = fromUtf8(cmd.opt("name"));
    if (!PostOffice::create(postOffice, u)) throw gw::Error(postOffice + " already exists");
    std::printf("created %s with the mailbox of %s\n", postOffice.c_str(), cmd.words[0].c_str());
    return 0;
  }

  auto po = PostOffice::open(postOffice);
  if (cmd.name == "users") {
    for (const auto& u : po->users()) {
      std::printf("%-12s %-24s %s%s\n", toUtf8(u.userId).c_str(), toUtf8(u.displayName).c_str(),
                  toUtf8(u.email).c_str(), u.kind == gw::standin::kResource ? " (resource)" : "");
    }
  } else if (cmd.name == "add-user") {
    gw::standin::NewUser u;
    u.userId = fromUtf8(cmd.words[0]);
    u.displayName = fromUtf8(cmd.opt("name"));
    u.firstName = fromUtf8(cmd.opt("first"));
    u.lastName = fromUtf8(cmd.opt("last"));
    u.email = fromUtf8(cmd.opt("email"));
    u.title = fromUtf8(cmd.opt("title"));
    u.department = fromUtf8(cmd.opt("department"));
    u.phone = fromUtf8(cmd.opt("phone"));
    if (cmd.has("resource")) u.kind = gw::standin::kResource;
    po->addUser(u);
  } else if (cmd.name == "grant-proxy") {
    po->grantProxy(userId(*po, cmd.words[0]), userId(*po, cmd.words[1]));
  } else if (cmd.name == "revoke-proxy") {
    if (!po->revokeProxy(userId(*po, cmd.words[0]), userId(*po, cmd.words[1]))) {
      throw gw::Error(cmd.words[0] + " had not granted proxy access to " + cmd.words[1]);
    }
  } else if (cmd.name == "add-book") {
    po->addBook(userId(*po, cmd.words[0]), fromUtf8(cmd.words[1]));
  } else if (cmd.name == "add-field") {
    po->addFieldDef(bookId(*po, cmd.words[0], cmd.words[1]), fromUtf8(cmd.words[2]), fieldType);
  } else if (cmd.name == "add-entry") {
    bookId(*po, cmd.words[0], cmd.words[1]);  // a clear message for an unknown book
    gw::ObjectRef session = loginAs(postOffice, cmd.words[0]);
    gw::ObjectRef book =
        api::itemByName(api::addressBooks(api::rootAccount(session)), fromUtf8(cmd.words[1]));
    gw::ObjectRef entry =
        api::addressBookEntries(book)
            ->call("Add",
                   {gw::Variant(fromUtf8(cmd.words[2])), gw::Variant(fromUtf8(cmd.opt("email"))),
                    gw::Variant(fromUtf8(cmd.opt("email-type", "NGW"))), gw::Variant(kind)})
            .toObject();
    for (const auto& [k, v] : fields)
      api::addField(api::entryFields(entry), fromUtf8(k), fromUtf8(v));
  } else if (cmd.name == "add-item") {
    gw::ObjectRef session = loginAs(postOffice, cmd.words[0]);
    gw::ObjectRef item =
        api::addMessage(api::messages(api::calendar(api::rootAccount(session))), itemClass);
    if (cmd.has("subject")) api::setSubject(item, fromUtf8(cmd.opt("subject")));
    if (cmd.has("message"))
      api::setProperty(item, "BodyText", gw::Variant(fromUtf8(cmd.opt("message"))));
    if (cmd.has("place")) api::setProperty(item, "Place", gw::Variant(fromUtf8(cmd.opt("place"))));
    if (cmd.has("start"))
      api::setProperty(item, "StartDate", gw::Variant(fromUtf8(cmd.opt("start"))));
    if (cmd.has("end")) api::setProperty(item, "EndDate", gw::Variant(fromUtf8(cmd.opt("end"))));
    if (cmd.has("due")) api::setProperty(item, "DueDate", gw::Variant(fromUtf8(cmd.opt("due"))));
    if (cmd.has("priority")) {
      api::setProperty(item, "TaskPriority", gw::Variant(std::atoi(cmd.opt("priority").c_str())));
    }
    if (cmd.has("completed")) api::setProperty(item, "Completed", gw::Variant(1));
  } else if (cmd.name == "demo") {
    userId(*po, cmd.words[0]);
    fillDemo(loginAs(postOffice, cmd.words[0]), seed);
    std::printf("filled the mailbox of %s with sample content\n", cmd.words[0].c_str());
  } else if (cmd.name == "list") {
    list(*po, postOffice, cmd.words[0], cmd.has("items"));
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const Usage& u) {
    std::fprintf(stderr, "gwpo: %s\n%s", u.why.c_str(), kUsage);
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "gwpo: %s\n", e.what());
    return 1;
  }
}
