// Saving: marks and Commit, failures of the post office reaching the caller with
// nothing lost, a full disk, another program holding the post office, and a statement
// that failed being usable again.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "groupwise/error.h"
#include "groupwise/gwapi.h"
#include "groupwise/standin/db.h"
#include "groupwise/standin/postoffice.h"
#include "groupwise/standin/standin.h"
#include "groupwise/standin/vfs.h"
#include "platform/ansi.h"
#include "tests/standin/helper.h"
#include "tests/support/smalldisk.h"
#include "tests/support/testsupport.h"

using namespace testing_support;
namespace api = gw::api;
using gw::Variant;
using namespace std::chrono_literals;

namespace {

// Items in the file, read by a connection of its own.
long itemsInFile(const std::string& path) {
  gw::standin::Database db;
  db.open(path, SQLITE_OPEN_READONLY);
  gw::standin::Statement st = db.prepare("SELECT count(*) FROM items");
  st.step();
  return static_cast<long>(st.int64(0));
}

void addNote(const gw::ObjectRef& account, const std::string& subject) {
  gw::ObjectRef item = api::addMessage(api::messages(api::calendar(account)), u"GW.MESSAGE.NOTE");
  api::setSubject(item, platform::fromUtf8(subject));
}

// Adds notes, one per line, until a call raises gw::StoreError (or `max` lines); the
// mark after each line.
struct Lines {
  std::vector<double> marks;
  std::string failure;
  // Lines whose changes are all saved.
  long savedLines(double savedMark) const {
    long n = 0;
    while (n < static_cast<long>(marks.size()) && marks[static_cast<std::size_t>(n)] <= savedMark) {
      ++n;
    }
    return n;
  }
};

Lines addUntilFailure(const gw::ObjectRef& account, int max) {
  Lines run;
  try {
    for (int i = 0; i < max; ++i) {
      addNote(account, "line " + std::to_string(i));
      run.marks.push_back(api::changeMark(account));
    }
    api::commit(account);
  } catch (const gw::StoreError& e) {
    run.failure = e.what();
  }
  return run;
}

class Saving : public ::testing::Test {
 protected:
  void TearDown() override {
    gw::standin::faults::failWritesAfter(std::nullopt);
    gw::standin::PostOffice::setLockWaitLimit(60s);
    api::setWaitHook(nullptr);
  }
};

}  // namespace

TEST_F(Saving, EveryChangeGetsARisingMarkAndCommitSavesThemAll) {
  PostOfficeFixture po;
  gw::ObjectRef session = po.login();
  gw::ObjectRef account = api::rootAccount(session);
  double before = api::changeMark(account);
  gw::ObjectRef item = api::addMessage(api::messages(api::calendar(account)), u"GW.MESSAGE.TASK");
  double added = api::changeMark(account);
  api::setSubject(item, u"Call back");
  double changed = api::changeMark(account);
  EXPECT_LT(before, added);
  EXPECT_LT(added, changed);
  api::commit(account);
  EXPECT_EQ(api::savedMark(account), changed);
  // The session answers the same.
  EXPECT_EQ(session->get("ChangeMark").toReal(), changed);
  EXPECT_EQ(session->get("SavedMark").toReal(), changed);
  EXPECT_NO_THROW(session->call("Commit", {}));
}

TEST_F(Saving, AFailedCommitIsRaisedSaysHowFarItSavedAndKeepsTheChanges) {
  PostOfficeFixture po;
  gw::ObjectRef account = po.account();
  for (int i = 0; i < 20; ++i) addNote(account, "kept " + std::to_string(i));
  api::commit(account);
  double savedBefore = api::savedMark(account);

  gw::standin::faults::failWritesAfter(0);
  Lines run = addUntilFailure(account, 5000);
  EXPECT_EQ(run.failure, "No space left to save changes to the post office " + po.path());
  EXPECT_LT(run.marks.size(), 5000u) << "the failure reached a call of the run";
  EXPECT_EQ(api::savedMark(account), savedBefore);
  EXPECT_EQ(run.savedLines(api::savedMark(account)), 0);
  EXPECT_EQ(itemsInFile(po.path()), 20);
  EXPECT_THROW(api::commit(account), gw::StoreError);

  // Once the cause is gone, the kept changes are saved and the session writes on.
  gw::standin::faults::failWritesAfter(std::nullopt);
  api::commit(account);
  EXPECT_EQ(api::savedMark(account), api::changeMark(account));
  long made = static_cast<long>(run.marks.size());
  EXPECT_GE(itemsInFile(po.path()), 20 + made);
  addNote(account, "after");
  api::commit(account);
  EXPECT_EQ(itemsInFile(po.path()), api::count(api::messages(api::calendar(account))));
}

TEST_F(Saving, ABackgroundFailureReachesTheNextCallOnce) {
  PostOfficeFixture po;
  gw::ObjectRef account = po.account();
  addNote(account, "saved");
  api::commit(account);
  gw::standin::faults::failWritesAfter(0);
  addNote(account, "pending");
  std::this_thread::sleep_for(300ms);  // the writer has tried and failed
  std::string first = errorText([&] { api::name(account); });
  EXPECT_EQ(first, "No space left to save changes to the post office " + po.path());
  EXPECT_EQ(errorText([&] { api::name(account); }), "");
  gw::standin::faults::failWritesAfter(std::nullopt);
  // The writer tries again by itself.
  auto deadline = std::chrono::steady_clock::now() + 3s;
  while (api::savedMark(account) < api::changeMark(account) &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(20ms);
  }
  EXPECT_EQ(api::savedMark(account), api::changeMark(account));
  EXPECT_EQ(itemsInFile(po.path()), 2);
}

TEST_F(Saving, AStatementThatFailedCanBeUsedAgain) {
  TempDir dir;
  gw::standin::Database db;
  db.open(dir.file("t.db"), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  db.exec("CREATE TABLE t(id INTEGER PRIMARY KEY)");
  gw::standin::Statement insert = db.prepare("INSERT INTO t(id) VALUES(?)");
  insert.bind(1, 1).run();
  EXPECT_THROW(insert.bind(1, 1).run(), gw::StoreError);
  EXPECT_NO_THROW(insert.bind(1, 2).run());
  gw::standin::Statement count = db.prepare("SELECT count(*) FROM t");
  count.step();
  EXPECT_EQ(count.int64(0), 2);
}

TEST_F(Saving, AFullDiskEndsTheRunAndTheSessionSavesAgainOnceSpaceIsFree) {
  auto disk = SmallDisk::mount(SmallDisk::Kind::Ext4SmallBlocks, 4096);
  if (!disk) GTEST_SKIP() << "this test may not mount a file system";
  std::string path = disk->file("po.db");
  gw::standin::NewUser alice;
  alice.userId = u"alice";
  ASSERT_TRUE(gw::standin::PostOffice::create(path, alice));
  gw::standin::registerProgId();
  ScopedEnv env("GW_POSTOFFICE", path);
  ScopedEnv user("GW_USER", "alice");
  gw::ObjectRef session = api::createSession();
  api::login(session);
  gw::ObjectRef account = api::rootAccount(session);
  for (int i = 0; i < 50; ++i) addNote(account, "before " + std::to_string(i));
  api::commit(account);

  disk->fill();
  Lines run = addUntilFailure(account, 200000);
  EXPECT_EQ(run.failure.rfind("No space left to save changes to the post office " + path, 0), 0u)
      << run.failure;
  EXPECT_THROW(api::commit(account), gw::StoreError);
  long saved = run.savedLines(api::savedMark(account));
  long inFile = itemsInFile(path) - 50;
  EXPECT_LE(saved, inFile);      // what the run reports as saved is in the file
  EXPECT_LE(inFile, saved + 1);  // at most the line it stopped in, in part

  disk->freeSpace();
  api::commit(account);
  addNote(account, "after");
  api::commit(account);
  long lines = static_cast<long>(run.marks.size());
  EXPECT_GE(itemsInFile(path), 50 + lines + 1);
  EXPECT_LE(itemsInFile(path), 50 + lines + 2);
}

TEST_F(Saving, AFileSizeLimitEndsTheRunAndLiftingItSavesEverything) {
  // The same in another process under a file-size limit: needs no right to mount.
  PostOfficeFixture po;
  Helper helper({"fill", "-"});
  std::string failure = helper.readLine();
  EXPECT_EQ(failure, "failure No space left to save changes to the post office " + po.path());
  long lines = 0, saved = 0, inFile = 0;
  ASSERT_EQ(std::sscanf(helper.readLine().c_str(), "lines %ld saved %ld infile %ld", &lines, &saved,
                        &inFile),
            3);
  EXPECT_GT(lines, 0);
  EXPECT_LE(saved, inFile);
  EXPECT_LE(inFile, lines);
  long recovered = 0;
  ASSERT_EQ(std::sscanf(helper.readLine().c_str(), "recovered infile %ld", &recovered), 1);
  // Every line, the one the failure stopped (whose item may have been made), one more.
  EXPECT_GE(recovered, lines + 1);
  EXPECT_LE(recovered, lines + 2);
  EXPECT_EQ(helper.wait(), 0);
}

TEST_F(Saving, AFullDiskAtOpeningIsReportedNotACrash) {
  // SQLite grows the index beside the file one byte per 4 KiB page; with 1 KiB blocks
  // the rest stays holes that a full disk cannot fill.
  auto disk = SmallDisk::mount(SmallDisk::Kind::Ext4SmallBlocks, 2048);
  if (!disk) GTEST_SKIP() << "this test may not mount a file system";
  TempDir elsewhere;
  std::string made = elsewhere.file("po.db");
  gw::standin::NewUser alice;
  alice.userId = u"alice";
  ASSERT_TRUE(gw::standin::PostOffice::create(made, alice));
  std::string path = disk->file("po.db");
  writeFile(path, readFile(made));
  std::string bytes = readFile(path);
  disk->fill(10);
  gw::standin::registerProgId();
  ScopedEnv env("GW_POSTOFFICE", path);
  ScopedEnv user("GW_USER", "alice");
  EXPECT_EQ(errorText([] { api::login(api::createSession()); }),
            "No space left to open the post office " + path);
  disk->freeSpace();
  gw::ObjectRef session = api::createSession();
  EXPECT_NO_THROW(api::login(session));
  EXPECT_EQ(api::name(api::rootAccount(session)), u"alice");
}

TEST_F(Saving, WaitsForAnotherProgramInShortStepsAndThenGivesUp) {
  PostOfficeFixture po;
  gw::ObjectRef account = po.account();
  addNote(account, "first");
  api::commit(account);
  gw::standin::PostOffice::setLockWaitLimit(400ms);
  std::vector<std::thread::id> hookThreads;
  api::setWaitHook([&] { hookThreads.push_back(std::this_thread::get_id()); });

  Helper other({"hold", "1500"});
  ASSERT_EQ(other.readLine(), "locked");
  addNote(account, "second");
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(errorText([&] { api::commit(account); }),
            "The post office is in use by another program: " + po.path());
  auto waited = std::chrono::steady_clock::now() - t0;
  EXPECT_GE(waited, 400ms);
  EXPECT_LT(waited, 1400ms);
  // The window was kept going, from its own thread only.
  EXPECT_GE(hookThreads.size(), 8u);
  for (auto id : hookThreads) EXPECT_EQ(id, std::this_thread::get_id());

  EXPECT_EQ(other.wait(), 0);
  api::commit(account);
  EXPECT_EQ(api::savedMark(account), api::changeMark(account));
  EXPECT_EQ(itemsInFile(po.path()), 2);
}

TEST_F(Saving, ValuesAreConvertedBeforeTheItemIsLocked) {
  // Converting an object asks it for its value, which reads under the same lock.
  PostOfficeFixture po;
  gw::ObjectRef account = po.account();
  gw::ObjectRef book = api::itemByName(api::addressBooks(account), u"Frequent Contacts");
  gw::ObjectRef entry = api::addEntry(api::addressBookEntries(book), u"Ann Lee", u"", u"NGW");
  gw::ObjectRef item = api::addMessage(api::messages(api::calendar(account)), u"GW.MESSAGE.NOTE");
  api::setProperty(item, "Place", Variant(entry));
  api::setSubject(item, u"Lunch");
  item->put("BodyText", api::getProperty(item, "Subject"));
  EXPECT_EQ(api::getProperty(item, "Place").toText(), u"Ann Lee");
  EXPECT_EQ(api::getProperty(item, "BodyText").toText(), u"Lunch");
}
