// Journals, undo and duplicates against the stand-in post office.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>

#include "groupwise/error.h"
#include "groupwise/gwapi.h"
#include "groupwise/standin/postoffice.h"
#include "groupwise/standin/vfs.h"
#include "import/duplicates.h"
#include "import/journal.h"
#include "import/undo.h"
#include "platform/ansi.h"
#include "platform/locale.h"
#include "platform/oledate.h"
#include "tests/support/testsupport.h"

extern char** environ;

using namespace importing;
using namespace testing_support;
namespace api = gw::api;
using platform::fromUtf8;
using platform::toUtf8;

namespace {

double at(int y, int mo, int d, int h, int mi) {
  return platform::encodeDateTime({y, mo, d, h, mi, 0});
}

// A member's value as text, or "-" when the object has no such member.
std::string value(const gw::ObjectRef& object, const char* member) {
  try {
    return toUtf8(api::getProperty(object, member).toText());
  } catch (const gw::Error&) {
    return "-";
  }
}

// Everything the account holds, one sorted line per item and entry with all its values.
std::vector<std::string> snapshot(const gw::ObjectRef& account) {
  std::vector<std::string> lines;
  gw::ObjectRef all = api::messages(api::calendar(account));
  for (int i = 1; i <= api::count(all); ++i) {
    gw::ObjectRef item = api::item(all, i);
    std::string line = "item";
    for (const char* m :
         {"MessageID", "ClassName", "Subject", "BodyText", "Place", "StartDate", "EndDate",
          "DueDate", "Duration", "Completed", "TaskPriority", "CreationDate", "ModifiedDate"}) {
      line += "|" + value(item, m);
    }
    lines.push_back(line);
  }
  gw::ObjectRef books = api::addressBooks(account);
  for (int b = 1; b <= api::count(books); ++b) {
    gw::ObjectRef book = api::item(books, b);
    gw::ObjectRef defs = api::fieldDefinitions(book);
    gw::ObjectRef entries = api::addressBookEntries(book);
    for (int i = 1; i <= api::count(entries); ++i) {
      gw::ObjectRef entry = api::item(entries, i);
      std::string line = "entry|" + toUtf8(api::name(book));
      for (const char* m : {"EntryID", "DisplayName", "EMailAddress", "ModifiedDate"}) {
        line += "|" + value(entry, m);
      }
      gw::ObjectRef fields = api::entryFields(entry);
      for (int f = 1; f <= api::count(defs); ++f) {
        std::u16string name = api::name(api::item(defs, f));
        try {
          line += "|" + toUtf8(name) + "=" + toUtf8(api::fieldItem(fields, name).toText());
        } catch (const gw::Error&) {
        }
      }
      lines.push_back(line);
    }
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

gw::ObjectRef addItem(const gw::ObjectRef& account, gw::CalendarKind kind,
                      const std::u16string& subject, double start) {
  gw::ObjectRef item = api::addMessage(api::messages(api::calendar(account)), gw::className(kind));
  api::setProperty(item, "StartDate", gw::Variant::date(start));
  if (kind == gw::CalendarKind::Task) api::setProperty(item, "DueDate", gw::Variant::date(start));
  api::setSubject(item, subject);
  api::setProperty(item, "Place", gw::Variant(u"Room 5"));
  return item;
}

struct NoHost : UndoHost {};

class UndoPostOffice : public ::testing::Test {
 protected:
  UndoPostOffice() {
    FixedClock clock(2026, 12, 1, 8, 0);
    gw::ObjectRef account = po_.account();
    addItem(account, gw::CalendarKind::Appointment, u"Dentist", at(2026, 12, 3, 9, 0));
    addItem(account, gw::CalendarKind::Task, u"Taxes", at(2026, 12, 4, 0, 0));
    addItem(account, gw::CalendarKind::Note, u"Ideas", at(2026, 12, 5, 0, 0));
    auto office = po_.postOffice();
    office->addBook(office->findUser(u"alice")->id, u"Friends");
    gw::ObjectRef entries = friends(account);
    gw::ObjectRef ann = api::addEntry(entries, u"Ann Lee", u"ann@x.org", u"SMTP");
    api::addField(api::entryFields(ann), u"City", u"Leeds");
    api::commit(account);
  }
  static gw::ObjectRef friends(const gw::ObjectRef& account) {
    return api::addressBookEntries(api::itemByName(api::addressBooks(account), u"Friends"));
  }

  // An import run as the run makes it: each item made, then its identity recorded.
  std::vector<std::u16string> importCalendar(const gw::ObjectRef& account, gw::CalendarKind kind,
                                             int n) {
    FixedClock clock(2026, 12, 10, 10, 41);
    ImportJournal journal = ImportJournal::begin(
        folder_, {po_.path(), u"alice", JournalTarget::calendar(kind), "/tmp/cal.csv"});
    std::vector<std::u16string> ids;
    for (int i = 0; i < n; ++i) {
      gw::ObjectRef item = addItem(account, kind, u"Imported " + fromUtf8(std::to_string(i)),
                                   at(2027, 1, 1, 9, 0) + i);
      ids.push_back(api::messageId(item));
      journal.recordMade(ids.back());
    }
    api::commit(account);
    journal.finish();
    return ids;
  }
  std::optional<UndoPlan> lastRun(const gw::ObjectRef& account) {
    return lastRunOf(folder_, po_.path(), account);
  }

  PostOfficeFixture po_;
  TempDir dir_;
  std::string folder_ = dir_.file("journals");
  NoHost host_;
};

}  // namespace

TEST_F(UndoPostOffice, RunUndoneAfterARestartLeavesTheMailboxAsItWas) {
  const std::vector<std::string> before = snapshot(po_.account());
  std::vector<std::u16string> made;
  {
    gw::ObjectRef account = po_.account();
    made = importCalendar(account, gw::CalendarKind::Appointment, 40);
    FixedClock clock(2026, 12, 10, 10, 50);
    ImportJournal journal = ImportJournal::begin(
        folder_, {po_.path(), u"alice", JournalTarget::bookNamed(u"Friends"), "/tmp/c.csv"});
    for (int i = 0; i < 3; ++i) {
      gw::ObjectRef entry = api::addEntry(friends(account), u"New " + fromUtf8(std::to_string(i)),
                                          u"new@x.org", u"SMTP");
      api::addField(api::entryFields(entry), u"City", u"York");
      journal.recordMade(api::entryId(entry));
    }
    api::commit(account);
    journal.finish();
    ASSERT_EQ(snapshot(account).size(), before.size() + 43);
  }

  // A new session, as after a restart: the last run first, then the one before.
  gw::ObjectRef account = po_.account();
  std::optional<UndoPlan> plan = lastRun(account);
  ASSERT_TRUE(plan);
  EXPECT_EQ(plan->question,
            "Remove the 3 address book entries imported from c.csv into \"Friends\" on 12/10/2026 "
            "at 10:50?");
  EXPECT_EQ(undoRun(*plan, account, host_).message, "3 address book entries removed.");
  plan = lastRun(account);
  ASSERT_TRUE(plan);
  EXPECT_EQ(plan->question,
            "Remove the 40 appointments imported from cal.csv on 12/10/2026 at 10:41?");
  EXPECT_EQ(undoRun(*plan, account, host_).message, "40 appointments removed.");
  EXPECT_FALSE(lastRun(account));

  EXPECT_EQ(snapshot(po_.account()), before);
  for (const std::u16string& id : made) EXPECT_FALSE(api::getMessage(account, id));
}

TEST_F(UndoPostOffice, ItemChangedAfterTheImportSurvivesAndIsListed) {
  gw::ObjectRef account = po_.account();
  std::vector<std::u16string> made = importCalendar(account, gw::CalendarKind::Task, 5);
  {
    FixedClock later(2026, 12, 11, 9, 0);
    api::setProperty(api::getMessage(account, made[3]), "Place", gw::Variant(u"Home"));
    api::deleteObject(api::getMessage(account, made[4]));
  }
  UndoResult r = undoRun(*lastRun(account), account, host_);
  EXPECT_EQ(r.message,
            "3 tasks removed; 1 already gone; 1 kept because it was changed since the import:\n"
            "Imported 3");
  ASSERT_TRUE(api::getMessage(account, made[3]));
  EXPECT_EQ(value(api::getMessage(account, made[3]), "Place"), "Home");
  EXPECT_FALSE(lastRun(account));
}

TEST_F(UndoPostOffice, KilledRunUndoesWhatItMade) {
  const std::vector<std::string> before = snapshot(po_.account());
  // Another program imports, saves what it made, and is killed before it ends.
  std::string helper = programDir() + "/undo_helper";
  std::vector<std::string> args{helper, folder_, po_.path(), "6"};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, helper.c_str(), nullptr, nullptr, argv.data(), environ), 0);
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status));

  gw::ObjectRef account = po_.account();
  ASSERT_EQ(snapshot(account).size(), before.size() + 6);
  std::optional<UndoPlan> plan = lastRun(account);
  ASSERT_TRUE(plan);
  EXPECT_FALSE(plan->journal.finished);
  EXPECT_NE(plan->question.find("(the import did not finish)"), std::string::npos);
  EXPECT_EQ(undoRun(*plan, account, host_).message, "6 notes removed.");
  EXPECT_EQ(snapshot(account), before);
}

TEST_F(UndoPostOffice, DeleteRefusedInAMailboxNoLongerOpenToTheUser) {
  po_.addUser("bob");
  po_.grantProxy("bob", "alice");
  gw::ObjectRef bob = api::proxy(po_.login(), u"bob");
  FixedClock clock(2026, 12, 10, 10, 41);
  ImportJournal journal = ImportJournal::begin(
      folder_,
      {po_.path(), u"bob", JournalTarget::calendar(gw::CalendarKind::Appointment), "/tmp/bob.csv"});
  gw::ObjectRef item = addItem(bob, gw::CalendarKind::Appointment, u"Board", at(2027, 1, 1, 9, 0));
  journal.recordMade(api::messageId(item));
  api::commit(bob);
  journal.finish();

  auto office = po_.postOffice();
  office->revokeProxy(office->findUser(u"bob")->id, office->findUser(u"alice")->id);
  UndoResult r = undoRun(*lastRun(bob), bob, host_);
  EXPECT_EQ(r.message,
            "0 appointments removed; 1 could not be removed (The item cannot be deleted: the user "
            "\"bob\" has not granted proxy access to \"alice\"):\nBoard");
  EXPECT_TRUE(api::getMessage(po_.account("bob"), api::messageId(item)));
}

TEST_F(UndoPostOffice, DuplicatesOfEachDestination) {
  gw::ObjectRef account = po_.account();
  struct Case {
    gw::CalendarKind kind;
    std::u16string subject;
    double start;
  } cases[] = {
      {gw::CalendarKind::Appointment, u"Dentist", at(2026, 12, 3, 9, 0)},
      {gw::CalendarKind::Task, u"Taxes", at(2026, 12, 4, 0, 0)},
      {gw::CalendarKind::Note, u"Ideas", at(2026, 12, 5, 0, 0)},
  };
  for (const Case& c : cases) {
    DuplicateIndex index = DuplicateIndex::forCalendar(account, c.kind);
    EXPECT_EQ(index.size(), 1u);
    // The lines of a file: one already there (other case, blanks, seconds), one new twice.
    const std::vector<std::pair<std::u16string, double>> lines{
        {u" " + DuplicateIndex::normalized(c.subject) + u" ", c.start + 30.0 / 86400},
        {c.subject, c.start + 1.0 / 1440},
        {c.subject + u" ", c.start + 1.0 / 1440}};
    std::vector<bool> dup;
    for (const auto& [subject, start] : lines) {
      dup.push_back(
          index.isDuplicate(DuplicateIndex::calendarKey(subject, gw::Variant::date(start))));
    }
    EXPECT_EQ(dup, (std::vector<bool>{true, false, true}));
  }

  DuplicateIndex book =
      DuplicateIndex::forBook(api::itemByName(api::addressBooks(account), u"Friends"));
  EXPECT_TRUE(book.isDuplicate(DuplicateIndex::entryKey(u"ANN LEE ", u"Ann@X.org")));
  EXPECT_FALSE(book.isDuplicate(DuplicateIndex::entryKey(u"Ann Lee", u"ann@y.org")));
  EXPECT_TRUE(book.isDuplicate(DuplicateIndex::entryKey(u"ann lee", u"ann@y.org")));
  // Another book's entries are not this book's duplicates.
  auto office = po_.postOffice();
  office->addBook(office->findUser(u"alice")->id, u"Work");
  EXPECT_EQ(DuplicateIndex::forBook(api::itemByName(api::addressBooks(account), u"Work")).size(),
            0u);
}

TEST_F(UndoPostOffice, FullDiskStopsTheUndoAndALaterOneFinishes) {
  const std::vector<std::string> before = snapshot(po_.account());
  gw::ObjectRef account = po_.account();
  importCalendar(account, gw::CalendarKind::Appointment, 300);

  gw::standin::faults::failWritesAfter(0);
  UndoResult r = undoRun(*lastRun(account), account, host_);
  gw::standin::faults::failWritesAfter(std::nullopt);
  EXPECT_FALSE(r.complete());
  EXPECT_EQ(r.failure, "No space left to save changes to the post office " + po_.path());
  // The failure reached the undo at the commit that saves its removals.
  EXPECT_EQ(r.message.rfind("Undo went through the 300 appointments, but the post office could "
                            "not save the removal: No space left",
                            0),
            0u)
      << r.message;
  EXPECT_NE(r.message.find("The journal of the import is kept"), std::string::npos);

  // With space again, undoing the same run removes whatever is left.
  std::optional<UndoPlan> plan = lastRun(account);
  ASSERT_TRUE(plan);
  r = undoRun(*plan, account, host_);
  EXPECT_TRUE(r.complete()) << r.message;
  EXPECT_EQ(r.removed + r.alreadyGone, 300u);
  EXPECT_EQ(snapshot(po_.account()), before);
  EXPECT_FALSE(lastRun(account));
}
