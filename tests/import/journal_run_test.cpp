// An import run keeps a journal of what it made, which undo takes back, and passes over
// lines already in GroupWise when asked.
#include <gtest/gtest.h>

#include "groupwise/gwapi.h"
#include "import/importer.h"
#include "import/undo.h"
#include "tests/support/testsupport.h"

using namespace importing;
using namespace testing_support;
namespace api = gw::api;
using V = std::vector<std::string>;

namespace {

class NoHost : public UndoHost {};

class JournalRun : public ::testing::Test {
 protected:
  ImportResult run(const std::string& content, V pairing, const Destination& destination,
                   bool skipDuplicates) {
    writeFile(dir_.file("in.csv"), content);
    ImportRequest r;
    r.path = dir_.file("in.csv");
    r.format.mode = kStandardCsv;
    r.format.encoding = Encoding::Utf8;
    r.pairing = std::move(pairing);
    r.destination = destination;
    r.skipDuplicates = skipDuplicates;
    r.journalFolder = dir_.file("journals");
    r.postOffice = po_.path();
    ImportHost host;
    return runImport(r, account_, host);
  }
  int count(const char16_t* filter) {
    return api::count(api::findMessages(api::calendar(account_), filter));
  }
  gw::ObjectRef book() {
    return api::itemByName(api::addressBooks(account_), u"Frequent Contacts");
  }

  FixedClock clock_{2026, 1, 5, 9, 0};
  PostOfficeFixture po_;
  gw::ObjectRef account_ = po_.account();
  TempDir dir_;
};

TEST_F(JournalRun, ARunIsUndoneAndTheMailboxIsAsBefore) {
  gw::ObjectRef mine = api::addMessage(api::messages(api::calendar(account_)), u"GW.MESSAGE.NOTE");
  api::setSubject(mine, u"mine");
  ImportResult r = run("a,1/2/2026\nb,1/3/2026\n", {"Subject", "Start Date"},
                       Destination::calendar(gw::CalendarKind::Note), false);
  ASSERT_EQ(r.imported, 2u) << r.endMessage();
  EXPECT_EQ(count(u"(NOTE)"), 3);
  auto plan = lastRunOf(dir_.file("journals"), po_.path(), account_);
  ASSERT_TRUE(plan);
  EXPECT_NE(plan->question.find("Remove the 2 notes imported from in.csv on"), std::string::npos)
      << plan->question;
  NoHost host;
  UndoResult undone = undoRun(*plan, account_, host);
  EXPECT_EQ(undone.removed, 2u) << undone.message;
  EXPECT_EQ(count(u"(NOTE)"), 1);
  EXPECT_FALSE(lastRunOf(dir_.file("journals"), po_.path(), account_));

  // A run that makes nothing leaves no journal to undo.
  run("", {"Subject"}, Destination::calendar(gw::CalendarKind::Note), false);
  EXPECT_FALSE(lastRunOf(dir_.file("journals"), po_.path(), account_));
}

TEST_F(JournalRun, LinesAlreadyThereArePassedOverForEachDestination) {
  gw::ObjectRef task = api::addMessage(api::messages(api::calendar(account_)), u"GW.MESSAGE.TASK");
  api::setSubject(task, u"Pay rent");
  api::setProperty(task, "StartDate", gw::Variant(u"1/2/2026 9:00"));
  std::string lines =
      "pay rent ,1/2/2026,9:00:40\n"  // there already: letter case, blanks, seconds
      "Call Ann,1/2/2026,10:00\n"
      "CALL ANN,1/2/2026,10:00\n"  // the line before
      "Call Ann,1/3/2026,10:00\n";
  ImportResult r = run(lines, {"Subject", "Start Date", "Start Time"},
                       Destination::calendar(gw::CalendarKind::Task), true);
  EXPECT_EQ(r.imported, 2u);
  EXPECT_EQ(r.duplicates, 2u);
  EXPECT_EQ(r.endMessage(), "2 imported, 2 already there.");
  EXPECT_EQ(count(u"(TASK)"), 3);
  // The same kind only: as appointments they are all new but the repeat within the file.
  r = run(lines, {"Subject", "Start Date", "Start Time"},
          Destination::calendar(gw::CalendarKind::Appointment), true);
  EXPECT_EQ(r.imported, 3u);
  EXPECT_EQ(r.duplicates, 1u);
  // Unchecked, everything comes in again.
  r = run(lines, {"Subject", "Start Date", "Start Time"},
          Destination::calendar(gw::CalendarKind::Task), false);
  EXPECT_EQ(r.imported, 4u);

  api::addEntry(api::addressBookEntries(book()), u"Ann Lee", u"ann@example.com", u"NGW");
  r = run("ann lee,ANN@example.com\nBob,bob@example.com\nBob,bob@example.com\n",
          {"Name", "E-Mail Address"}, Destination::addressBookNamed("Frequent Contacts"), true);
  EXPECT_EQ(r.imported, 1u);
  EXPECT_EQ(r.duplicates, 2u);
  EXPECT_EQ(api::count(api::addressBookEntries(book())), 2);
}

}  // namespace
