// The admin tool run as a user runs it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include "groupwise/gwapi.h"
#include "groupwise/standin/standin.h"
#include "import/journal.h"
#include "platform/ansi.h"
#include "tests/support/testsupport.h"

extern char** environ;

using namespace testing_support;
namespace api = gw::api;

namespace {

// Runs gwpo with the arguments; returns its exit status, and its output in `out`.
int gwpo(std::vector<std::string> args, std::string* out = nullptr) {
  TempDir logs;
  std::string log = logs.file("out.txt");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  std::string path = GWPO_PATH;
  args.insert(args.begin(), path);
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ) != 0) return -1;
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (out) *out = readFile(log);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// What gwpo printed, for a failure message.
std::string run(std::vector<std::string> args, int expected = 0) {
  std::string out;
  int status = gwpo(args, &out);
  EXPECT_EQ(status, expected) << out;
  return out;
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The number after "(MessageID " or "(EntryID " in a line gwpo printed.
std::string idIn(const std::string& out) {
  auto at = out.find("ID ");
  return at == std::string::npos ? "" : out.substr(at + 3, out.find(')', at) - at - 3);
}

}  // namespace

TEST(AdminTool, BuildsAPostOfficeAUserCanWorkWithAndSaysWhatItDid) {
  TempDir dir;
  std::string po = dir.file("po.db");
  EXPECT_EQ(run({"--postoffice", po, "create", "alice", "--name", "Alice Arden"}),
            "created the post office " + po + " with the mailbox of alice\n");
  // The post office may be named anywhere on the line.
  EXPECT_EQ(run({"add-user", "boss", "--first", "Bea", "--postoffice", po, "--last", "Boss"}),
            "added the user boss (Bea Boss) to " + po + "\n");
  EXPECT_EQ(run({"grant-proxy", "boss", "alice", "--postoffice=" + po}),
            "alice may now work on the mailbox of boss\n");
  EXPECT_EQ(run({"--postoffice", po, "add-book", "alice", "Clients"}),
            "added the address book \"Clients\" to the mailbox of alice\n");
  EXPECT_EQ(run({"--postoffice", po, "add-field", "alice", "Frequent Contacts", "Shoe Size",
                 "--type", "number"}),
            "added the number field \"Shoe Size\" to the address book \"Frequent Contacts\" of "
            "alice\n");
  run({"--postoffice", po, "add-field", "alice", "Frequent Contacts", "Birthday", "--type",
       "date"});
  std::string entry = run({"--postoffice", po, "add-entry", "alice", "Frequent Contacts", "Ann Lee",
                           "--email", "ann@x.org", "--field", "City=Oslo", "--field",
                           "Shoe Size=44.5", "--field", "Birthday=3/4/1990"});
  EXPECT_TRUE(contains(entry, "added the entry \"Ann Lee\" (EntryID ")) << entry;
  std::string task = run({"--postoffice", po, "add-item", "alice", "task", "--subject",
                          "Renew permit", "--due", "1/20/2004", "--priority", "2"});
  EXPECT_TRUE(contains(task, "added the task \"Renew permit\" (MessageID ")) << task;
  EXPECT_TRUE(contains(run({"--postoffice", po, "demo", "boss", "--seed", "7"}),
                       "filled the mailbox of boss with sample content: 360 calendar items"));

  std::string out = run({"--postoffice", po, "list", "alice", "--items", "--entries"});
  EXPECT_TRUE(contains(out, "address book \"Frequent Contacts\": 1 entries, 21 fields")) << out;
  EXPECT_TRUE(contains(out, "GW.MESSAGE.TASK: 1")) << out;
  EXPECT_TRUE(contains(out, idIn(task) + "  GW.MESSAGE.TASK")) << out;
  EXPECT_TRUE(contains(out, idIn(entry) + "  Ann Lee")) << out;
  out = run({"--postoffice", po, "list", "boss"});
  EXPECT_TRUE(contains(out, "GW.MESSAGE.APPOINTMENT: 240")) << out;
  EXPECT_TRUE(contains(out, "proxy access granted to alice")) << out;

  // Number and date fields hold numbers and dates.
  gw::standin::registerProgId();
  ScopedEnv env("GW_POSTOFFICE", po);
  ScopedEnv user("GW_USER", "alice");
  {
    gw::ObjectRef session = api::createSession();
    api::login(session);
    gw::ObjectRef book =
        api::itemByName(api::addressBooks(api::rootAccount(session)), u"Frequent Contacts");
    gw::ObjectRef fields = api::entryFields(api::item(api::addressBookEntries(book), 1));
    EXPECT_EQ(fields->call("Item", {gw::Variant(u"Shoe Size"), gw::Variant(2)}).toReal(), 44.5);
    EXPECT_EQ(fields->call("Item", {gw::Variant(u"Birthday"), gw::Variant(3)}).toText(),
              u"3/4/1990");
  }

  // A refused change is an error, not a usage problem.
  EXPECT_TRUE(contains(run({"--postoffice", po, "add-user", "alice"}, 1), "already has a user"));
}

TEST(AdminTool, DeletesItemsAndEntriesByTheirIdentity) {
  TempDir dir;
  std::string po = dir.file("po.db");
  run({"--postoffice", po, "create", "alice"});
  std::string item =
      idIn(run({"--postoffice", po, "add-item", "alice", "note", "--subject", "Payday"}));
  std::string entry = idIn(run({"--postoffice", po, "add-entry", "alice", "alice", "Ann Lee"}));
  EXPECT_EQ(run({"--postoffice", po, "delete-item", "alice", item}),
            "deleted the item \"Payday\" (MessageID " + item + ") from the calendar of alice\n");
  EXPECT_EQ(run({"--postoffice", po, "delete-entry", "alice", "alice", entry}),
            "deleted the entry \"Ann Lee\" (EntryID " + entry +
                ") from the address book \"alice\" of alice\n");
  std::string out = run({"--postoffice", po, "list", "alice"});
  EXPECT_FALSE(contains(out, "GW.MESSAGE.NOTE")) << out;
  EXPECT_TRUE(contains(out, "address book \"alice\": 0 entries")) << out;
  EXPECT_EQ(run({"--postoffice", po, "delete-item", "alice", item}, 1),
            "gwpo: the calendar of alice has no item " + item + "\n");
  EXPECT_EQ(run({"--postoffice", po, "delete-entry", "alice", "alice", "x"}, 1),
            "gwpo: the address book \"alice\" of alice has no entry x\n");
}

TEST(AdminTool, ListShowsTheImportRunsMarrowbyCanUndo) {
  TempDir dir;
  ScopedEnv data("XDG_DATA_HOME", dir.file("data"));
  std::string po = dir.file("po.db");
  run({"--postoffice", po, "create", "alice"});
  std::string item =
      idIn(run({"--postoffice", po, "add-item", "alice", "note", "--subject", "Payday"}));
  importing::RunInfo info;
  info.postOffice = po;
  info.owner = u"alice";
  info.target = importing::JournalTarget::calendar(gw::CalendarKind::Note);
  info.importFile = "/home/alice/notes.csv";
  auto journal = importing::ImportJournal::begin(importing::journalFolder(), info);
  journal.recordMade(platform::fromUtf8(item));
  journal.finish();
  std::string out = run({"--postoffice", po, "list", "alice"});
  EXPECT_TRUE(contains(out, "import runs")) << out;
  EXPECT_TRUE(contains(out, "1 note from /home/alice/notes.csv")) << out;
}

TEST(AdminTool, AWriteThatFailsInAnyPartChangesNothing) {
  TempDir dir;
  std::string po = dir.file("po.db");
  run({"--postoffice", po, "create", "alice"});
  run({"--postoffice", po, "add-field", "alice", "alice", "Shoe Size", "--type", "number"});
  std::string before = run({"--postoffice", po, "list", "alice", "--items", "--entries"});
  struct Case {
    std::vector<std::string> args;
    std::string error;
  } cases[] = {
      {{"add-entry", "alice", "alice", "Ann", "--field", "City=Oslo", "--field", "Colour=red"},
       "gwpo: the address book \"alice\" has no field \"Colour\"\n"},
      {{"add-entry", "alice", "alice", "Ann", "--field", "Shoe Size=big"},
       "gwpo: the field \"Shoe Size\" takes a number, not \"big\"\n"},
      {{"add-entry", "alice", "Novell GroupWise Address Book", "Ann"}, "read-only"},
      {{"add-item", "alice", "appointment", "--subject", "x", "--start", "1/5/2004 10:00", "--end",
        "1/4/2004"},
       "lies before the start"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.begin(), {"--postoffice", po});
    EXPECT_TRUE(contains(run(args, 1), c.error)) << c.args.back();
  }
  EXPECT_EQ(run({"--postoffice", po, "list", "alice", "--items", "--entries"}), before);
}

TEST(AdminTool, HelpAndUsageErrors) {
  TempDir dir;
  ScopedEnv data("XDG_DATA_HOME", dir.file("data"));
  ::unsetenv("GW_POSTOFFICE");
  for (const char* help : {"--help", "-h", "help"}) {
    std::string out = run({help});
    EXPECT_TRUE(contains(out, "usage: gwpo [--postoffice PATH] COMMAND ARGS...")) << help;
    for (const char* command : {"create", "add-entry", "delete-item", "delete-entry", "demo"}) {
      EXPECT_TRUE(contains(out, std::string("\n  ") + command + " ")) << command;
    }
    EXPECT_TRUE(contains(out, "else " + dir.file("data") + "/marrowby/postoffice.db.")) << out;
  }
  EXPECT_EQ(run({"add-item", "--help"}).rfind("usage: gwpo [--postoffice PATH] add-item USER ", 0),
            0u);

  std::string po = dir.file("po.db");
  run({"--postoffice", po, "create", "alice"});
  std::string bytes = readFile(po);
  struct Case {
    std::vector<std::string> args;
    std::string error;
  } cases[] = {
      {{"--postoffice"}, "gwpo: --postoffice needs a path"},
      {{"frobnicate"}, "gwpo: unknown command \"frobnicate\""},
      {{"add-user"}, "gwpo: add-user takes 1 argument, not 0"},
      {{"add-user", "bob", "--colour", "red"}, "gwpo: unknown option --colour for add-user"},
      {{"add-item", "alice", "meeting"},
       "gwpo: the item kind is one of appointment, task, note, mail, phone, not \"meeting\""},
      {{"add-item", "alice", "appointment", "--start", "31/12/2004"},
       "gwpo: --start \"31/12/2004\" is not a date (month/day/year [h:mm [am|pm]])"},
      {{"add-item", "alice", "task", "--priority", "high"},
       "gwpo: --priority takes a whole number, not \"high\""},
      {{"add-field", "alice", "alice", "X", "--type", "colour"},
       "gwpo: --type is one of text, number, date, not \"colour\""},
      {{"add-entry", "alice", "alice", "Ann", "--field", "=x"},
       "gwpo: --field takes NAME=VALUE, not \"=x\""},
      {{"add-entry", "alice", "alice", ""}, "gwpo: an entry needs a name or an e-mail address"},
      {{"demo", "alice", "--seed", "many"}, "gwpo: --seed takes a whole number, not \"many\""},
      {{"list", "alice", "--items=yes"}, "gwpo: --items takes no value"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    if (args.front() != "--postoffice") args.insert(args.begin(), {"--postoffice", po});
    std::string out = run(args, 2);
    // One line says what is wrong; the next is a hint, not the whole usage.
    EXPECT_EQ(out.substr(0, out.find('\n')), c.error);
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 2) << out;
  }
  EXPECT_EQ(readFile(po), bytes);
  struct stat st {};
  EXPECT_NE(::stat(dir.file("data").c_str(), &st), 0) << "nothing written elsewhere";
}

TEST(AdminTool, DemoMakesAMissingPostOfficeAsLoginDoes) {
  TempDir dir;
  ScopedEnv data("XDG_DATA_HOME", dir.file("data"));
  ::unsetenv("GW_POSTOFFICE");
  std::string path = dir.file("data") + "/marrowby/postoffice.db";
  std::string out = run({"demo", "carol"});
  EXPECT_TRUE(contains(out, "created the post office " + path + "\n")) << out;
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_TRUE(contains(run({"list", "carol"}), "GW.MESSAGE.APPOINTMENT: 240"));
  // Into an existing post office, for a user it does not have: refused.
  EXPECT_TRUE(contains(run({"demo", "dave"}, 1), "has no mailbox for the user \"dave\""));
}
