// gwpo: creates and inspects stand-in post offices. Each command is an entry of one
// table: its arguments, a check of them that runs before anything is opened, and its
// action. A writing command changes nothing when any part of it fails.
#include "tools/gwpo.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "groupwise/error.h"
#include "groupwise/gwapi.h"
#include "groupwise/standin/postoffice.h"
#include "groupwise/standin/standin.h"
#include "import/journal.h"
#include "import/undo.h"
#include "platform/ansi.h"
#include "platform/locale.h"
#include "platform/numtext.h"
#include "platform/oledate.h"

namespace api = gw::api;
using gw::standin::PostOffice;
using platform::fromUtf8;
using platform::toUtf8;

namespace gwpo {

void Made::allOrNothing(const std::function<void(Made&)>& write) {
  try {
    write(*this);
    api::commit(account_);
  } catch (const std::exception& e) {
    std::string failure = e.what();
    try {
      for (auto it = made_.rbegin(); it != made_.rend(); ++it) {
        try {
          api::deleteObject(*it);
        } catch (const gw::StoreError&) {
          throw;
        } catch (const gw::Error&) {
          // Already gone.
        }
      }
      api::commit(account_);
    } catch (const std::exception& undo) {
      throw gw::StoreError(failure + "; what was made could not be taken back: " + undo.what());
    }
    throw;
  }
}

namespace {

// A usage error: one line saying what is wrong; the command's own usage follows it.
struct Usage {
  std::string why;
};

[[noreturn]] void usage(const std::string& why) {
  throw Usage{why};
}

// The command line: the post office, the command, its words and --options (repeatable
// ones kept in order).
struct Args {
  std::string postOffice;
  std::string command;
  std::vector<std::string> words;
  std::multimap<std::string, std::string> options;
  bool help = false;

  std::string opt(const std::string& key, const std::string& fallback = "") const {
    auto it = options.find(key);
    return it == options.end() ? fallback : it->second;
  }
  bool has(const std::string& key) const { return options.count(key) > 0; }
  std::vector<std::string> all(const std::string& key) const {
    std::vector<std::string> out;
    for (auto [it, end] = options.equal_range(key); it != end; ++it) out.push_back(it->second);
    return out;
  }
  const std::string& user() const { return words.at(0); }
};

struct Command {
  std::string_view name;
  std::string_view arguments;  // as the usage shows them
  std::string_view summary;
  std::size_t words;
  // Options: "x" takes a value, "x!" is a flag.
  std::vector<std::string_view> options;
  // Checks the arguments before anything is opened; raises Usage.
  std::function<void(const Args&)> check;
  std::function<void(const Args&)> run;
};

const std::vector<Command>& commands();

std::string commandUsage(const Command& c) {
  return "gwpo [--postoffice PATH] " + std::string(c.name) +
         (c.arguments.empty() ? "" : " " + std::string(c.arguments));
}

void printUsage(std::FILE* out) {
  std::fprintf(out, "usage: gwpo [--postoffice PATH] COMMAND ARGS...\n\ncommands:\n");
  for (const Command& c : commands()) {
    std::string line =
        std::string(c.name) + (c.arguments.empty() ? "" : " ") + std::string(c.arguments);
    std::fprintf(out, "  %s\n      %s\n", line.c_str(), std::string(c.summary).c_str());
  }
  std::fprintf(out,
               "\nThe post office is PATH, else $GW_POSTOFFICE, else %s.\n"
               "gwpo --help, -h or help shows this text.\n",
               gw::standin::defaultPostOfficePath().c_str());
}

// ---- reading the command line ----

Args parse(int argc, char** argv) {
  Args args;
  std::vector<std::string> rest;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--postoffice" || a.rfind("--postoffice=", 0) == 0) {
      if (a == "--postoffice") {
        args.postOffice = i + 1 < argc ? argv[++i] : "";
      } else {
        args.postOffice = a.substr(13);
      }
      if (args.postOffice.empty()) usage("--postoffice needs a path");
    } else if (a == "--help" || a == "-h") {
      args.help = true;
    } else {
      rest.push_back(std::move(a));
    }
  }
  if (rest.empty()) return args;
  args.command = rest[0];
  if (args.command == "help") {
    args.help = true;
    return args;
  }
  const Command* cmd = nullptr;
  for (const Command& c : commands()) {
    if (c.name == args.command) cmd = &c;
  }
  if (!cmd) usage("unknown command \"" + args.command + "\"");
  if (args.help) return args;
  for (std::size_t i = 1; i < rest.size(); ++i) {
    const std::string& a = rest[i];
    if (a.rfind("--", 0) != 0) {
      args.words.push_back(a);
      continue;
    }
    std::string key = a.substr(2), value;
    bool inlineValue = false;
    if (auto eq = key.find('='); eq != std::string::npos) {
      value = key.substr(eq + 1);
      key = key.substr(0, eq);
      inlineValue = true;
    }
    bool known = false, flag = false;
    for (std::string_view o : cmd->options) {
      if (o == key) known = true;
      if (o == key + "!") known = flag = true;
    }
    if (!known) usage("unknown option --" + key + " for " + args.command);
    if (flag) {
      if (inlineValue) usage("--" + key + " takes no value");
      args.options.emplace(key, "1");
    } else if (inlineValue) {
      args.options.emplace(key, value);
    } else {
      if (i + 1 >= rest.size()) usage("--" + key + " needs a value");
      args.options.emplace(key, rest[++i]);
    }
  }
  if (args.words.size() != cmd->words) {
    usage(args.command + " takes " + std::to_string(cmd->words) + " argument" +
          (cmd->words == 1 ? "" : "s") + ", not " + std::to_string(args.words.size()));
  }
  if (cmd->check) cmd->check(args);
  return args;
}

// ---- helpers of the actions ----

std::string postOfficeOf(const Args& args) {
  return args.postOffice.empty() ? gw::standin::postOfficePath() : args.postOffice;
}

std::shared_ptr<PostOffice> openPostOffice(const Args& args) {
  return PostOffice::open(postOfficeOf(args));
}

// A session logged in as the user, as the program logs in.
gw::ObjectRef loginAs(const Args& args, const std::string& user) {
  if (!args.postOffice.empty()) ::setenv("GW_POSTOFFICE", args.postOffice.c_str(), 1);
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

gw::ObjectRef bookOf(const gw::ObjectRef& account, const std::string& user,
                     const std::string& book) {
  gw::ObjectRef books = api::addressBooks(account);
  for (int i = 1, n = api::count(books); i <= n; ++i) {
    gw::ObjectRef b = api::item(books, i);
    if (toUtf8(api::name(b)) == book) return b;
  }
  throw gw::Error("user \"" + user + "\" has no address book \"" + book + "\"");
}

void checkDate(const Args& args, const char* option) {
  std::string text = args.opt(option);
  if (args.has(option) && !platform::parseDateText(platform::utf8ToAnsi(text))) {
    usage(std::string("--") + option + " \"" + text +
          "\" is not a date (month/day/year [h:mm [am|pm]])");
  }
}

void checkNumber(const Args& args, const char* option) {
  std::string text = args.opt(option);
  if (args.has(option) &&
      (text.empty() || text.find_first_not_of("0123456789") != std::string::npos ||
       text.size() > 9)) {
    usage(std::string("--") + option + " takes a whole number, not \"" + text + "\"");
  }
}

// The value of one of a few words; `what` names the argument in the usage error.
int choice(const std::string& what, const std::string& value,
           const std::vector<std::pair<std::string_view, int>>& choices) {
  std::string names;
  for (const auto& [name, v] : choices) {
    if (name == value) return v;
    names += (names.empty() ? "" : ", ") + std::string(name);
  }
  usage(what + " is one of " + names + ", not \"" + value + "\"");
}

const std::vector<std::pair<std::string_view, int>> kFieldTypes = {
    {"text", gw::standin::kFieldText},
    {"number", gw::standin::kFieldNumber},
    {"date", gw::standin::kFieldDate}};
const std::vector<std::pair<std::string_view, int>> kEntryKinds = {
    {"person", gw::standin::kPerson},
    {"resource", gw::standin::kResource},
    {"group", gw::standin::kGroup},
    {"organization", gw::standin::kOrganization}};
const std::vector<std::pair<std::string_view, int>> kItemKinds = {
    {"appointment", 0}, {"task", 5}, {"note", 3}, {"mail", 2}, {"phone", 4}};
const char16_t* const kItemClasses[] = {u"GW.MESSAGE.APPOINTMENT", nullptr,
                                        u"GW.MESSAGE.MAIL",        u"GW.MESSAGE.NOTE",
                                        u"GW.MESSAGE.PHONE",       u"GW.MESSAGE.TASK"};

// NAME=VALUE
std::pair<std::string, std::string> fieldAssignment(const std::string& text) {
  auto eq = text.find('=');
  if (eq == std::string::npos || eq == 0) usage("--field takes NAME=VALUE, not \"" + text + "\"");
  return {text.substr(0, eq), text.substr(eq + 1)};
}

// The value of a --field as the book's definition of the field takes it; raises
// gw::Error naming the field when the book has no such field or the value does not fit.
gw::Variant fieldValue(const gw::ObjectRef& book, const std::string& bookName,
                       const std::string& name, const std::string& value, int* type) {
  gw::ObjectRef defs = api::fieldDefinitions(book);
  for (int i = 1, n = api::count(defs); i <= n; ++i) {
    gw::ObjectRef def = api::item(defs, i);
    if (toUtf8(api::name(def)) != name) continue;
    *type = def->get("FieldType").toInt();
    if (*type == gw::standin::kFieldNumber) {
      auto number = platform::tryStrToFloat(platform::utf8ToAnsi(value));
      if (!number)
        throw gw::Error("the field \"" + name + "\" takes a number, not \"" + value + "\"");
      return gw::Variant(*number);
    }
    if (*type == gw::standin::kFieldDate) {
      auto date = platform::parseDateText(platform::utf8ToAnsi(value));
      if (!date) throw gw::Error("the field \"" + name + "\" takes a date, not \"" + value + "\"");
      return gw::Variant::date(*date);
    }
    return gw::Variant(fromUtf8(value));
  }
  throw gw::Error("the address book \"" + bookName + "\" has no field \"" + name + "\"");
}

// The import runs of the user's mailbox that Marrowby can undo, newest first, from the
// journals in the data folder of the system user running gwpo.
void listImportJournals(const std::string& postOffice, const std::string& user) {
  std::vector<importing::Journal> runs = importing::journalsOf(
      importing::listJournals(importing::journalFolder()), postOffice, fromUtf8(user));
  if (runs.empty()) return;
  std::printf("  import runs (newest first; Marrowby can undo them in this order):\n");
  for (const importing::Journal& run : runs) {
    std::printf("    %s\n", importing::runSummary(run).c_str());
  }
}

// ---- the commands ----

void runCreate(const Args& args) {
  gw::standin::NewUser u;
  u.userId = fromUtf8(args.user());
  u.displayName = fromUtf8(args.opt("name"));
  std::string path = postOfficeOf(args);
  if (path == gw::standin::defaultPostOfficePath()) gw::standin::makeParentFolders(path);
  if (!PostOffice::create(path, u)) throw gw::Error(path + " already exists");
  std::printf("created the post office %s with the mailbox of %s\n", path.c_str(),
              args.user().c_str());
}

void runUsers(const Args& args) {
  auto po = openPostOffice(args);
  for (const auto& u : po->users()) {
    std::printf("%-12s %-24s %s%s\n", toUtf8(u.userId).c_str(), toUtf8(u.displayName).c_str(),
                toUtf8(u.email).c_str(), u.kind == gw::standin::kResource ? " (resource)" : "");
  }
}

void runAddUser(const Args& args) {
  auto po = openPostOffice(args);
  gw::standin::NewUser u;
  u.userId = fromUtf8(args.user());
  u.displayName = fromUtf8(args.opt("name"));
  u.firstName = fromUtf8(args.opt("first"));
  u.lastName = fromUtf8(args.opt("last"));
  u.email = fromUtf8(args.opt("email"));
  u.title = fromUtf8(args.opt("title"));
  u.department = fromUtf8(args.opt("department"));
  u.phone = fromUtf8(args.opt("phone"));
  if (args.has("resource")) u.kind = gw::standin::kResource;
  po->addUser(u);
  auto made = po->findUser(u.userId);
  std::printf("added the %s %s (%s) to %s\n", args.has("resource") ? "resource" : "user",
              args.user().c_str(), toUtf8(made->displayName).c_str(), po->path().c_str());
}

void runGrantProxy(const Args& args) {
  auto po = openPostOffice(args);
  po->grantProxy(userId(*po, args.words[0]), userId(*po, args.words[1]));
  std::printf("%s may now work on the mailbox of %s\n", args.words[1].c_str(),
              args.words[0].c_str());
}

void runRevokeProxy(const Args& args) {
  auto po = openPostOffice(args);
  if (!po->revokeProxy(userId(*po, args.words[0]), userId(*po, args.words[1]))) {
    throw gw::Error(args.words[0] + " had not granted proxy access to " + args.words[1]);
  }
  std::printf("%s may no longer work on the mailbox of %s\n", args.words[1].c_str(),
              args.words[0].c_str());
}

void runAddBook(const Args& args) {
  auto po = openPostOffice(args);
  po->addBook(userId(*po, args.user()), fromUtf8(args.words[1]));
  std::printf("added the address book \"%s\" to the mailbox of %s\n", args.words[1].c_str(),
              args.user().c_str());
}

void runAddField(const Args& args) {
  auto po = openPostOffice(args);
  const std::string& book = args.words[1];
  std::int64_t bookId = -1;
  for (const auto& b : po->books(userId(*po, args.user()))) {
    if (toUtf8(b.name) == book) bookId = b.id;
  }
  if (bookId < 0)
    throw gw::Error("user \"" + args.user() + "\" has no address book \"" + book + "\"");
  std::string type = args.opt("type", "text");
  po->addFieldDef(bookId, fromUtf8(args.words[2]), choice("--type", type, kFieldTypes));
  std::printf("added the %s field \"%s\" to the address book \"%s\" of %s\n", type.c_str(),
              args.words[2].c_str(), book.c_str(), args.user().c_str());
}

void runAddEntry(const Args& args) {
  gw::ObjectRef account = api::rootAccount(loginAs(args, args.user()));
  const std::string& bookName = args.words[1];
  gw::ObjectRef book = bookOf(account, args.user(), bookName);
  // Every field is checked against the book before anything is made.
  struct Field {
    std::string name;
    int type;
    gw::Variant value;
  };
  std::vector<Field> fields;
  for (const std::string& f : args.all("field")) {
    auto [name, value] = fieldAssignment(f);
    Field field{name, 0, {}};
    field.value = fieldValue(book, bookName, name, value, &field.type);
    fields.push_back(std::move(field));
  }
  std::u16string id;
  Made made(account);
  made.allOrNothing([&](Made& m) {
    gw::ObjectRef entry =
        api::addressBookEntries(book)
            ->call("Add",
                   {gw::Variant(fromUtf8(args.words[2])), gw::Variant(fromUtf8(args.opt("email"))),
                    gw::Variant(fromUtf8(args.opt("email-type", "NGW"))),
                    gw::Variant(choice("--kind", args.opt("kind", "person"), kEntryKinds))})
            .toObject();
    m.add(entry);
    gw::ObjectRef entryFields = api::entryFields(entry);
    for (const Field& f : fields) {
      entryFields->call("add", {gw::Variant(fromUtf8(f.name)), gw::Variant(f.type), f.value});
    }
    id = api::entryId(entry);
  });
  std::printf("added the entry \"%s\" (EntryID %s) to the address book \"%s\" of %s\n",
              args.words[2].c_str(), toUtf8(id).c_str(), bookName.c_str(), args.user().c_str());
}

void runAddItem(const Args& args) {
  gw::ObjectRef account = api::rootAccount(loginAs(args, args.user()));
  const std::string& kind = args.words[1];
  std::u16string id;
  Made made(account);
  made.allOrNothing([&](Made& m) {
    int cls = choice("the item kind", kind, kItemKinds);
    gw::ObjectRef item = api::addMessage(api::messages(api::calendar(account)), kItemClasses[cls]);
    m.add(item);
    auto text = [&](const char* option) { return gw::Variant(fromUtf8(args.opt(option))); };
    if (args.has("subject")) api::setSubject(item, fromUtf8(args.opt("subject")));
    if (args.has("message")) api::setProperty(item, "BodyText", text("message"));
    if (args.has("place")) api::setProperty(item, "Place", text("place"));
    if (args.has("start")) api::setProperty(item, "StartDate", text("start"));
    if (args.has("end")) api::setProperty(item, "EndDate", text("end"));
    if (args.has("due")) api::setProperty(item, "DueDate", text("due"));
    if (args.has("priority")) {
      api::setProperty(item, "TaskPriority", gw::Variant(std::atoi(args.opt("priority").c_str())));
    }
    if (args.has("completed")) api::setProperty(item, "Completed", gw::Variant(1));
    id = api::messageId(item);
  });
  std::printf("added the %s \"%s\" (MessageID %s) to the calendar of %s\n", kind.c_str(),
              args.opt("subject").c_str(), toUtf8(id).c_str(), args.user().c_str());
}

void runDeleteItem(const Args& args) {
  gw::ObjectRef account = api::rootAccount(loginAs(args, args.user()));
  gw::ObjectRef item = api::getMessage(account, fromUtf8(args.words[1]));
  if (!item) {
    throw gw::Error("the calendar of " + args.user() + " has no item " + args.words[1]);
  }
  std::string subject = toUtf8(api::getProperty(item, "Subject").toText());
  api::deleteObject(item);
  api::commit(account);
  std::printf("deleted the item \"%s\" (MessageID %s) from the calendar of %s\n", subject.c_str(),
              args.words[1].c_str(), args.user().c_str());
}

void runDeleteEntry(const Args& args) {
  gw::ObjectRef account = api::rootAccount(loginAs(args, args.user()));
  const std::string& bookName = args.words[1];
  gw::ObjectRef entry =
      api::getEntry(bookOf(account, args.user(), bookName), fromUtf8(args.words[2]));
  if (!entry) {
    throw gw::Error("the address book \"" + bookName + "\" of " + args.user() + " has no entry " +
                    args.words[2]);
  }
  std::string name = toUtf8(entry->get("DisplayName").toText());
  api::deleteObject(entry);
  api::commit(account);
  std::printf("deleted the entry \"%s\" (EntryID %s) from the address book \"%s\" of %s\n",
              name.c_str(), args.words[2].c_str(), bookName.c_str(), args.user().c_str());
}

void runDemo(const Args& args) {
  std::string path = postOfficeOf(args);
  struct stat st {};
  bool missing = ::stat(path.c_str(), &st) != 0 && errno == ENOENT;
  // As Login does: a missing post office is made with the user's mailbox.
  gw::ObjectRef account = api::rootAccount(loginAs(args, args.user()));
  if (missing) std::printf("created the post office %s\n", path.c_str());
  unsigned seed = static_cast<unsigned>(std::strtoul(args.opt("seed", "1").c_str(), nullptr, 10));
  DemoCounts counts;
  Made made(account);
  made.allOrNothing([&](Made& m) { counts = fillDemo(account, seed, m); });
  std::printf(
      "filled the mailbox of %s with sample content: %d calendar items, %d address-book "
      "entries\n",
      args.user().c_str(), counts.items, counts.entries);
}

void runList(const Args& args) {
  auto po = openPostOffice(args);
  const std::string& user = args.user();
  userId(*po, user);
  gw::ObjectRef account = api::rootAccount(loginAs(args, user));
  std::printf("mailbox of %s (%s)\n", user.c_str(), toUtf8(api::name(account)).c_str());
  gw::ObjectRef books = api::addressBooks(account);
  for (int i = 1; i <= api::count(books); ++i) {
    gw::ObjectRef book = api::item(books, i);
    gw::ObjectRef entries = api::addressBookEntries(book);
    int n = api::count(entries);
    std::printf("  address book \"%s\": %d entries, %d fields\n", toUtf8(api::name(book)).c_str(),
                n, api::count(api::fieldDefinitions(book)));
    if (!args.has("entries") || i == 1) continue;
    for (int k = 1; k <= n; ++k) {
      gw::ObjectRef entry = api::item(entries, k);
      std::printf("    %8s  %-28s %s\n", toUtf8(api::entryId(entry)).c_str(),
                  toUtf8(entry->get("DisplayName").toText()).c_str(),
                  toUtf8(entry->get("EMailAddress").toText()).c_str());
    }
  }
  gw::ObjectRef all = api::messages(api::calendar(account));
  std::map<std::string, int> byClass;
  for (int i = 1, n = api::count(all); i <= n; ++i) {
    gw::ObjectRef item = api::item(all, i);
    std::string cls = toUtf8(api::getProperty(item, "ClassName").toText());
    ++byClass[cls];
    if (args.has("items")) {
      std::printf("  %8s  %-28s %-22s %s\n", toUtf8(api::messageId(item)).c_str(), cls.c_str(),
                  toUtf8(api::getProperty(item, "StartDate").toText()).c_str(),
                  toUtf8(api::getProperty(item, "Subject").toText()).c_str());
    }
  }
  for (const auto& [cls, count] : byClass) std::printf("  %s: %d\n", cls.c_str(), count);
  for (const auto& [owner, grantee] : po->proxyGrants()) {
    if (toUtf8(owner) == user)
      std::printf("  proxy access granted to %s\n", toUtf8(grantee).c_str());
  }
  listImportJournals(postOfficeOf(args), user);
}

const std::vector<Command>& commands() {
  static const std::vector<Command> table = {
      {"create",
       "USER [--name NAME]",
       "a new post office holding USER's mailbox",
       1,
       {"name"},
       nullptr,
       runCreate},
      {"users", "", "lists the users", 0, {}, nullptr, runUsers},
      {"add-user",
       "USER [--name N] [--first F] [--last L] [--email E] [--title T] [--department D] "
       "[--phone P] [--resource]",
       "a new user with a mailbox (or a resource)",
       1,
       {"name", "first", "last", "email", "title", "department", "phone", "resource!"},
       nullptr,
       runAddUser},
      {"grant-proxy",
       "OWNER GRANTEE",
       "GRANTEE may work on OWNER's mailbox",
       2,
       {},
       nullptr,
       runGrantProxy},
      {"revoke-proxy",
       "OWNER GRANTEE",
       "takes that proxy access back",
       2,
       {},
       nullptr,
       runRevokeProxy},
      {"add-book", "USER NAME", "a new personal address book", 2, {}, nullptr, runAddBook},
      {"add-field",
       "USER BOOK NAME [--type text|number|date]",
       "a custom field of a personal address book",
       3,
       {"type"},
       [](const Args& a) { choice("--type", a.opt("type", "text"), kFieldTypes); },
       runAddField},
      {"add-entry",
       "USER BOOK NAME [--email E] [--email-type T] [--kind person|resource|group|organization] "
       "[--field NAME=VALUE]...",
       "a new address-book entry; --field sets any field the book defines",
       3,
       {"email", "email-type", "kind", "field"},
       [](const Args& a) {
         choice("--kind", a.opt("kind", "person"), kEntryKinds);
         if (a.words[2].empty() && a.opt("email").empty()) {
           usage("an entry needs a name or an e-mail address");
         }
         for (const std::string& f : a.all("field")) fieldAssignment(f);
       },
       runAddEntry},
      {"add-item",
       "USER appointment|task|note|mail|phone [--subject S] [--message M] [--place P] "
       "[--start DATE] [--end DATE] [--due DATE] [--priority N] [--completed]",
       "a new calendar item",
       2,
       {"subject", "message", "place", "start", "end", "due", "priority", "completed!"},
       [](const Args& a) {
         choice("the item kind", a.words[1], kItemKinds);
         for (const char* o : {"start", "end", "due"}) checkDate(a, o);
         checkNumber(a, "priority");
       },
       runAddItem},
      {"delete-item",
       "USER MESSAGEID",
       "deletes a calendar item (list --items shows the IDs)",
       2,
       {},
       nullptr,
       runDeleteItem},
      {"delete-entry",
       "USER BOOK ENTRYID",
       "deletes an address-book entry (list --entries shows the IDs)",
       3,
       {},
       nullptr,
       runDeleteEntry},
      {"demo",
       "USER [--seed N]",
       "fills USER's mailbox with sample content; makes the post office if it is missing",
       1,
       {"seed"},
       [](const Args& a) { checkNumber(a, "seed"); },
       runDemo},
      {"list",
       "USER [--items] [--entries]",
       "what USER's mailbox holds",
       1,
       {"items!", "entries!"},
       nullptr,
       runList},
  };
  return table;
}

int run(int argc, char** argv) {
  Args args = parse(argc, argv);
  if (args.help) {
    for (const Command& c : commands()) {
      if (c.name == args.command) {
        std::printf("usage: %s\n  %s\n", commandUsage(c).c_str(), std::string(c.summary).c_str());
        return 0;
      }
    }
    printUsage(stdout);
    return 0;
  }
  if (args.command.empty()) {
    printUsage(stderr);
    return 2;
  }
  for (const Command& c : commands()) {
    if (c.name == args.command) c.run(args);
  }
  return 0;
}

}  // namespace
}  // namespace gwpo

int main(int argc, char** argv) {
  try {
    return gwpo::run(argc, argv);
  } catch (const gwpo::Usage& u) {
    std::fprintf(stderr, "gwpo: %s\n", u.why.c_str());
    std::string command;
    for (int i = 1; i < argc && command.empty(); ++i) {
      for (const gwpo::Command& c : gwpo::commands()) {
        if (c.name == argv[i]) command = gwpo::commandUsage(c);
      }
    }
    if (command.empty()) {
      std::fprintf(stderr, "Run \"gwpo --help\" for the commands and their arguments.\n");
    } else {
      std::fprintf(stderr, "usage: %s\n", command.c_str());
    }
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "gwpo: %s\n", e.what());
    return 1;
  }
}
