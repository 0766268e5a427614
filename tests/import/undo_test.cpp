#include "import/undo.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/ansi.h"
#include "platform/locale.h"
#include "platform/oledate.h"
#include "tests/import/fakemailbox.h"
#include "tests/support/testsupport.h"

using namespace importing;
using namespace testing_support;

namespace {

double at(int y, int mo, int d, int h, int mi, int s = 0) {
  return platform::encodeDateTime({y, mo, d, h, mi, s});
}

struct Progress : UndoHost {
  std::vector<std::pair<std::size_t, std::size_t>> steps;
  int processed = 0;
  void progress(std::size_t done, std::size_t total) override { steps.emplace_back(done, total); }
  void processMessages() override { ++processed; }
};

class Undo : public ::testing::Test {
 protected:
  // A finished run at 10:41 on 12/10/2026 that made `n` appointments (modified then).
  std::vector<std::u16string> importRun(std::size_t n, const std::string& file = "/tmp/cal.csv") {
    FixedClock clock(2026, 12, 10, 10, 41);
    RunInfo info{"/po/po.db", mailbox_->owner,
                 JournalTarget::calendar(gw::CalendarKind::Appointment), file};
    ImportJournal journal = ImportJournal::begin(dir_.path(), info);
    std::vector<std::u16string> ids;
    for (std::size_t i = 0; i < n; ++i) {
      ids.push_back(mailbox_->addItem(
          {u"GW.MESSAGE.APPOINTMENT",
           u"Imported " + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)),
           gw::Variant::date(at(2026, 1, 5, 9, 0)), gw::Variant::date(platform::nowDate())}));
      journal.recordMade(ids.back());
    }
    journal.finish();
    return ids;
  }
  UndoPlan plan() {
    auto p = lastRunOf(dir_.path(), "/po/po.db", mailbox_->account());
    EXPECT_TRUE(p);
    return p ? *p : UndoPlan{};
  }
  std::size_t journals() { return listJournals(dir_.path()).size(); }

  TempDir dir_;
  std::shared_ptr<FakeMailbox> mailbox_ = FakeMailbox::make();
  gw::ObjectRef account_ = mailbox_->account();
  Progress host_;
};

}  // namespace

TEST(UndoText, Questions) {
  auto journal = [](JournalTarget target, std::size_t n, std::string file, bool finished) {
    Journal j;
    j.info = {"/po.db", u"alice", std::move(target), std::move(file)};
    j.started = platform::dateToSeconds(at(2026, 12, 10, 10, 41, 59));
    if (finished) j.finished = j.started + 60;
    j.made.assign(n, u"1");
    return j;
  };
  auto cal = JournalTarget::calendar;
  struct Case {
    Journal journal;
    const char* question;
  } cases[] = {
      {journal(cal(gw::CalendarKind::Appointment), 2000, "/home/a/cal.csv", true),
       "Remove the 2,000 appointments imported from cal.csv on 12/10/2026 at 10:41?"},
      {journal(cal(gw::CalendarKind::Task), 1, "tasks.txt", true),
       "Remove the task imported from tasks.txt on 12/10/2026 at 10:41?"},
      {journal(cal(gw::CalendarKind::Note), 1234567, "/n.csv", false),
       "Remove the 1,234,567 notes imported from n.csv on 12/10/2026 at 10:41 (the import did "
       "not finish)?"},
      {journal(JournalTarget::bookNamed(u"Friends"), 12, "/x/contacts.csv", true),
       "Remove the 12 address book entries imported from contacts.csv into \"Friends\" on "
       "12/10/2026 at 10:41?"},
  };
  for (const Case& c : cases) EXPECT_EQ(undoQuestion(c.journal), c.question);

  // The admin tool's line for each run.
  EXPECT_EQ(runSummary(cases[0].journal),
            "2,000 appointments from /home/a/cal.csv, 12/10/2026 10:41 to 10:42");
  Journal killed = cases[2].journal;
  killed.lastWritten = killed.started + 86400;
  EXPECT_EQ(runSummary(killed),
            "1,234,567 notes from /n.csv, 12/10/2026 10:41, did not finish (last written "
            "12/11/2026 10:41)");
  Journal running = cases[3].journal;
  running.inProgress = true;
  EXPECT_EQ(runSummary(running),
            "12 address book entries into \"Friends\" from /x/contacts.csv, 12/10/2026 10:41, in "
            "progress");
  EXPECT_EQ(groupedCount(0), "0");
  EXPECT_EQ(groupedCount(999), "999");
  EXPECT_EQ(groupedCount(1000), "1,000");
}

TEST_F(Undo, RemovesExactlyWhatTheRunMadeAndItsJournal) {
  auto before = mailbox_->addItem({u"GW.MESSAGE.APPOINTMENT", u"Dentist",
                                   gw::Variant::date(at(2026, 1, 5, 9, 0)),
                                   gw::Variant::date(at(2026, 1, 1, 8, 0))});
  auto ids = importRun(3);
  ASSERT_EQ(mailbox_->liveItems(), 4u);

  UndoPlan p = plan();
  EXPECT_EQ(p.question, "Remove the 3 appointments imported from cal.csv on 12/10/2026 at 10:41?");
  UndoResult r = undoRun(p, account_, host_);
  EXPECT_TRUE(r.complete());
  EXPECT_EQ(r.removed, 3u);
  EXPECT_EQ(r.message, "3 appointments removed.");
  EXPECT_EQ(mailbox_->liveItems(), 1u);
  EXPECT_FALSE(mailbox_->items[before].deleted);
  EXPECT_EQ(mailbox_->commits, 1);
  EXPECT_EQ(host_.steps.back(), std::make_pair(std::size_t{3}, std::size_t{3}));
  EXPECT_EQ(host_.processed, 3);
  EXPECT_EQ(journals(), 0u);
  EXPECT_FALSE(lastRunOf(dir_.path(), "/po/po.db", account_));
  EXPECT_FALSE(hasRunToUndo(dir_.path(), "/po/po.db", account_));
}

TEST_F(Undo, ChangedItemsAreKeptAndListedGoneOnesCounted) {
  auto ids = importRun(30);
  // Changed after the run's end (10:41): kept. Changed within its last second: removed.
  mailbox_->items[ids[0]].modified = gw::Variant::date(at(2026, 12, 10, 10, 41, 0));
  for (int i = 1; i <= 25; ++i) {
    mailbox_->items[ids[i]].modified = gw::Variant::date(at(2026, 12, 11, 8, 0));
  }
  mailbox_->items[ids[1]].subject = u"";
  mailbox_->items[ids[26]].deleted = true;

  UndoResult r = undoRun(plan(), account_, host_);
  EXPECT_EQ(r.removed, 4u);
  EXPECT_EQ(r.alreadyGone, 1u);
  ASSERT_EQ(r.kept.size(), 25u);
  std::string expected =
      "4 appointments removed; 1 already gone; 25 kept because they were changed since the "
      "import:\n(no subject)";
  for (int i = 2; i <= 20; ++i) {
    expected += "\nImported " + std::string(1, static_cast<char>('A' + i % 26));
  }
  expected += "\nand 5 more";
  EXPECT_EQ(r.message, expected);
  EXPECT_EQ(mailbox_->liveItems(), 25u);
  EXPECT_EQ(journals(), 0u);
}

TEST_F(Undo, OneKept) {
  auto ids = importRun(2);
  mailbox_->items[ids[1]].modified = gw::Variant::date(at(2026, 12, 10, 10, 42));
  EXPECT_EQ(undoRun(plan(), account_, host_).message,
            "1 appointment removed; 1 kept because it was changed since the import:\n"
            "Imported B");
}

TEST_F(Undo, PostOfficeFailureKeepsTheJournalForTheRest) {
  auto ids = importRun(10);
  mailbox_->storeFailsAtDelete = 5;
  UndoPlan p = plan();
  UndoResult r = undoRun(p, account_, host_);
  EXPECT_FALSE(r.complete());
  EXPECT_EQ(r.removed, 4u);
  EXPECT_EQ(r.message,
            "Undo stopped after 4 of the 10 appointments, as the post office failed: The post "
            "office cannot be written: the disk is full.\n\nThe journal of the import is kept, "
            "so that undoing it again removes what is left.");
  EXPECT_EQ(journals(), 1u);

  // Later, with the post office healthy again, the same run is offered and finished.
  mailbox_->storeFailsAtDelete.reset();
  UndoPlan again = plan();
  EXPECT_EQ(again.journal.path, p.journal.path);
  r = undoRun(again, account_, host_);
  EXPECT_EQ(r.message, "6 appointments removed; 4 already gone.");
  EXPECT_EQ(mailbox_->liveItems(), 0u);
  EXPECT_EQ(journals(), 0u);
}

TEST_F(Undo, RefusedDeletesAreListedAndTheUndoEnds) {
  auto ids = importRun(3);
  mailbox_->refuse[ids[1]] = "The item cannot be deleted: no right to change it";
  UndoResult r = undoRun(plan(), account_, host_);
  EXPECT_TRUE(r.complete());
  EXPECT_EQ(r.message,
            "2 appointments removed; 1 could not be removed (The item cannot be deleted: no "
            "right to change it):\nImported B");
  EXPECT_EQ(journals(), 0u);
}

TEST_F(Undo, TwiceUndoesTheTwoLastRunsOfThisAccount) {
  auto first = importRun(2, "/tmp/first.csv");
  // Another account's run in between is not offered here.
  {
    RunInfo info{"/po/po.db", u"bob", JournalTarget::calendar(gw::CalendarKind::Task), "b.csv"};
    ImportJournal journal = ImportJournal::begin(dir_.path(), info);
    journal.recordMade(u"1");
    journal.finish();
  }
  auto second = importRun(3, "/tmp/second.csv");
  // A run in progress is not the last run yet.
  ImportJournal running = ImportJournal::begin(
      dir_.path(), {"/po/po.db", mailbox_->owner,
                    JournalTarget::calendar(gw::CalendarKind::Appointment), "/tmp/third.csv"});
  running.recordMade(mailbox_->addItem({}));

  EXPECT_TRUE(hasRunToUndo(dir_.path(), "/po/po.db", account_));
  UndoPlan p = plan();
  EXPECT_NE(p.question.find("second.csv"), std::string::npos);
  EXPECT_EQ(undoRun(p, account_, host_).removed, 3u);
  p = plan();
  EXPECT_NE(p.question.find("first.csv"), std::string::npos);
  EXPECT_EQ(undoRun(p, account_, host_).removed, 2u);
  EXPECT_FALSE(lastRunOf(dir_.path(), "/po/po.db", account_));
  EXPECT_FALSE(hasRunToUndo(dir_.path(), "/po/po.db", account_));
  EXPECT_EQ(journals(), 2u);  // bob's and the running one
}

TEST_F(Undo, KilledRunEndsWhenItLastWrote) {
  std::string path = dir_.file("killed.journal");
  writeFile(path,
            "Marrowby import journal\npost office\t/po/po.db\nowner\talice\n"
            "calendar\tappointments\nfile\t/tmp/cal.csv\nstarted\t2026-12-10 10:41:00\n");
  std::vector<std::u16string> ids;
  for (int i = 0; i < 3; ++i) {
    ids.push_back(mailbox_->addItem({u"GW.MESSAGE.APPOINTMENT", u"x", {}, {}}));
    std::ofstream(path, std::ios::app) << "item\t" << platform::toUtf8(ids.back()) << "\n";
  }
  // The run ended when it last wrote; an item changed after that is kept.
  std::int64_t written = readJournal(path).lastWritten;
  for (int i = 0; i < 3; ++i) {
    mailbox_->items[ids[i]].modified =
        gw::Variant::date(platform::secondsToDate(written + (i == 2 ? 5 : 0)));
  }
  UndoPlan p = plan();
  EXPECT_NE(p.question.find("(the import did not finish)"), std::string::npos);
  UndoResult r = undoRun(p, account_, host_);
  EXPECT_EQ(r.removed, 2u);
  EXPECT_EQ(r.kept.size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(Undo, AddressBookEntries) {
  mailbox_->books[u"Friends"];
  auto kept = mailbox_->addEntry(
      u"Friends", {u"Old friend", u"old@x.org", gw::Variant::date(at(2020, 1, 1, 0, 0))});
  std::vector<std::u16string> ids;
  {
    FixedClock clock(2026, 12, 10, 10, 41);
    ImportJournal journal = ImportJournal::begin(
        dir_.path(),
        {"/po/po.db", u"alice", JournalTarget::bookNamed(u"Friends"), "/tmp/contacts.csv"});
    for (const char16_t* name : {u"Ann", u"Ben", u""}) {
      ids.push_back(mailbox_->addEntry(
          u"Friends", {name, u"someone@x.org", gw::Variant::date(platform::nowDate())}));
      journal.recordMade(ids.back());
    }
    journal.finish();
  }
  mailbox_->books[u"Friends"][ids[1]].modified = gw::Variant::date(at(2026, 12, 12, 9, 0));
  mailbox_->books[u"Friends"][ids[2]].modified = gw::Variant();  // none known: unchanged
  UndoResult r = undoRun(plan(), account_, host_);
  EXPECT_EQ(r.message,
            "2 address book entries removed; 1 kept because it was changed since the import:\nBen");
  EXPECT_EQ(mailbox_->liveEntries(u"Friends"), 2u);
  EXPECT_FALSE(mailbox_->books[u"Friends"][kept].deleted);
}

TEST_F(Undo, BookNoLongerThere) {
  ImportJournal journal = ImportJournal::begin(
      dir_.path(), {"/po/po.db", u"alice", JournalTarget::bookNamed(u"Gone"), "/tmp/c.csv"});
  journal.recordMade(u"5");
  journal.recordMade(u"6");
  journal.finish();
  UndoResult r = undoRun(plan(), account_, host_);
  EXPECT_EQ(r.message, "0 address book entries removed; 2 already gone.");
  EXPECT_EQ(journals(), 0u);
}
