#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "import/journal.h"
#include "platform/ansi.h"
#include "platform/locale.h"
#include "platform/oledate.h"
#include "tests/support/testsupport.h"

using namespace importing;
using namespace testing_support;

namespace {

std::int64_t secondsAt(int y, int mo, int d, int h, int mi, int s = 0) {
  return platform::dateToSeconds(platform::encodeDateTime({y, mo, d, h, mi, s}));
}

RunInfo calendarRun(const std::string& postOffice = "/data/po.db") {
  return {postOffice, u"alice", JournalTarget::calendar(gw::CalendarKind::Appointment),
          "/home/alice/cal.csv"};
}

std::size_t fileCount(const std::string& folder) {
  std::size_t n = 0;
  for (const auto& e : std::filesystem::directory_iterator(folder)) n += e.is_regular_file();
  return n;
}

// Runs `body` in a child process and waits for it; the child ends by _exit(0) unless the
// body kills it.
int inChild(const std::function<void()>& body) {
  pid_t pid = ::fork();
  if (pid == 0) {
    body();
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return status;
}

}  // namespace

TEST(Journal, WrittenAsARunGoesAndReadBack) {
  TempDir dir;
  FixedClock clock(2026, 12, 10, 10, 41);
  RunInfo info{"/data/po\tx.db", u"ann\u00e9", JournalTarget::bookNamed(u"Friends \\ Family\n"),
               "/home/ann/My files/contacts.csv"};
  ImportJournal journal = ImportJournal::begin(dir.path(), info);
  journal.recordMade(u"1042");
  // Each identity is in the file the moment it is recorded.
  EXPECT_EQ(readJournal(journal.path()).made, std::vector<std::u16string>{u"1042"});
  journal.recordMade(u"1043");
  EXPECT_TRUE(readJournal(journal.path()).inProgress);
  platform::setFixedNow(platform::encodeDateTime({2026, 12, 10, 10, 43, 17}));
  journal.finish();

  EXPECT_EQ(readFile(journal.path()),
            "Marrowby import journal\n"
            "post office\t/data/po\\tx.db\n"
            "owner\tann\xc3\xa9\n"
            "address book\tFriends \\\\ Family\\n\n"
            "file\t/home/ann/My files/contacts.csv\n"
            "started\t2026-12-10 10:41:00\n"
            "entry\t1042\n"
            "entry\t1043\n"
            "finished\t2026-12-10 10:43:17\n");
  Journal j = readJournal(journal.path());
  EXPECT_EQ(j.info.postOffice, info.postOffice);
  EXPECT_EQ(j.info.owner, info.owner);
  EXPECT_EQ(j.info.target, info.target);
  EXPECT_EQ(j.info.importFile, info.importFile);
  EXPECT_EQ(j.started, secondsAt(2026, 12, 10, 10, 41));
  EXPECT_EQ(j.finished, secondsAt(2026, 12, 10, 10, 43, 17));
  EXPECT_EQ(j.ended(), *j.finished);
  EXPECT_FALSE(j.inProgress);
  EXPECT_EQ(j.made, (std::vector<std::u16string>{u"1042", u"1043"}));
}

TEST(Journal, CalendarKindsByName) {
  TempDir dir;
  for (auto kind :
       {gw::CalendarKind::Appointment, gw::CalendarKind::Task, gw::CalendarKind::Note}) {
    RunInfo info = calendarRun();
    info.target = JournalTarget::calendar(kind);
    ImportJournal journal = ImportJournal::begin(dir.path(), info);
    journal.recordMade(u"7");
    journal.finish();
    EXPECT_NE(readFile(journal.path()).find(std::string("calendar\t") + kindWord(kind) + "\n"),
              std::string::npos);
    EXPECT_EQ(readJournal(journal.path()).info.target, info.target);
  }
  EXPECT_EQ(kindFromWord("tasks"), gw::CalendarKind::Task);
  EXPECT_EQ(kindFromWord("Tasks"), std::nullopt);
}

TEST(Journal, RunThatMadeNothingLeavesNone) {
  TempDir dir;
  ImportJournal journal = ImportJournal::begin(dir.path(), calendarRun());
  EXPECT_TRUE(std::filesystem::exists(journal.path()));
  journal.finish();
  EXPECT_EQ(fileCount(dir.path()), 0u);
}

TEST(Journal, KilledRunLeavesWhatItMade) {
  TempDir dir;
  FixedClock clock(2026, 12, 10, 10, 41);
  int status = inChild([&] {
    ImportJournal journal = ImportJournal::begin(dir.path(), calendarRun());
    for (int i = 1; i <= 5; ++i)
      journal.recordMade(u"10" + std::u16string(1, static_cast<char16_t>(u'0' + i)));
    ::raise(SIGKILL);
  });
  ASSERT_TRUE(WIFSIGNALED(status));
  std::vector<Journal> all = listJournals(dir.path());
  ASSERT_EQ(all.size(), 1u);
  const Journal& j = all[0];
  EXPECT_EQ(j.made.size(), 5u);
  EXPECT_EQ(j.made.back(), u"105");
  EXPECT_FALSE(j.finished);
  EXPECT_FALSE(j.inProgress);  // the lock went with the process
  struct stat st {};
  ASSERT_EQ(::stat(j.path.c_str(), &st), 0);
  EXPECT_EQ(j.ended(), j.lastWritten);
  EXPECT_GT(j.lastWritten, secondsAt(2020, 1, 1, 0, 0));  // the real clock: the file's time
}

TEST(Journal, WriteFailureStopsTheJournalAndKeepsWhatWasWhole) {
  TempDir dir;
  // A file size limit stands in for a full disk: the write of a line is cut short.
  int status = inChild([&] {
    ::signal(SIGXFSZ, SIG_IGN);
    ImportJournal journal = ImportJournal::begin(dir.path(), calendarRun());
    rlimit limit{200, 200};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::string error;
    int made = 0;
    try {
      for (;; ++made) journal.recordMade(u"123456789");
    } catch (const JournalError& e) {
      error = e.what();
    }
    bool laterFails = false;
    try {
      journal.recordMade(u"1");
    } catch (const JournalError&) {
      laterFails = true;
    }
    bool ok = made > 0 && error.find("cannot be written: File too large") != std::string::npos &&
              laterFails;
    ::_exit(ok ? 0 : 1);
  });
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  std::vector<Journal> all = listJournals(dir.path());
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(readFile(all[0].path).size(), 200u);
  for (const std::u16string& id : all[0].made) EXPECT_EQ(id, u"123456789");  // none cut short
  EXPECT_FALSE(all[0].made.empty());
}

TEST(Journal, FolderThatCannotBeMade) {
  TempDir dir;
  writeFile(dir.file("plain"), "x");
  std::string folder = dir.file("plain") + "/journals";
  try {
    ImportJournal::begin(folder, calendarRun());
    FAIL() << "no error";
  } catch (const JournalError& e) {
    EXPECT_EQ(std::string(e.what()),
              "The import journal folder \"" + folder + "\" cannot be made: Not a directory");
  }
}

TEST(Journal, FolderIsMadePrivate) {
  TempDir dir;
  std::string folder = dir.file("share/marrowby/journals");
  ImportJournal::begin(folder, calendarRun());
  struct stat st {};
  ASSERT_EQ(::stat(folder.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(Journal, KeepsTheLastTenRuns) {
  TempDir dir;
  std::vector<std::string> paths;
  for (int i = 0; i < 12; ++i) {
    ImportJournal journal = ImportJournal::begin(dir.path(), calendarRun());
    journal.recordMade(u"1");
    journal.finish();
    paths.push_back(journal.path());
  }
  std::vector<Journal> all = listJournals(dir.path());
  ASSERT_EQ(all.size(), kJournalsKept);
  for (std::size_t i = 0; i < all.size(); ++i)
    EXPECT_EQ(all[i].path, paths[11 - i]);  // newest first

  // A run in progress is never removed to make room.
  ImportJournal running = ImportJournal::begin(dir.path(), calendarRun());
  running.recordMade(u"1");
  for (int i = 0; i < 11; ++i) {
    ImportJournal journal = ImportJournal::begin(dir.path(), calendarRun());
    journal.recordMade(u"1");
    journal.finish();
  }
  EXPECT_TRUE(std::filesystem::exists(running.path()));
}

TEST(Journal, ReaderToleratesDamage) {
  TempDir dir;
  const std::string head =
      "Marrowby import journal\npost office\t/po.db\nowner\talice\ncalendar\ttasks\n"
      "started\t2026-12-10 10:41:00\n";
  // A line cut short at the end (a cut identity could name another item), NUL bytes,
  // unknown keys and bad escapes are left out; identities count once.
  writeFile(dir.file("a.journal"), head + "item\t12\nfuture\tx\nitem\t1\\q\n" +
                                       std::string("item\t9\0\0\n", 9) +
                                       "item\t12\nitem\t13\r\nitem\t14");
  Journal j = readJournal(dir.file("a.journal"));
  EXPECT_EQ(j.made, (std::vector<std::u16string>{u"12", u"13"}));
  EXPECT_EQ(j.info.target, JournalTarget::calendar(gw::CalendarKind::Task));
  EXPECT_TRUE(j.info.importFile.empty());

  struct Bad {
    std::string text, why;
  } bad[] = {
      {"", "it is empty"},
      {"hello\n", "its first line is not \"Marrowby import journal\""},
      {"Marrowby import journal\nowner\ta\ncalendar\ttasks\nstarted\t2026-12-10 10:41:00\n",
       "it names no post office"},
      {"Marrowby import journal\npost office\tp\nowner\ta\ncalendar\tmeetings\n"
       "started\t2026-12-10 10:41:00\n",
       "it names no calendar kind or address book"},
      {"Marrowby import journal\npost office\tp\nowner\ta\ncalendar\ttasks\n"
       "started\t2026-13-10 10:41:00\n",
       "it has no start time"},
  };
  for (const Bad& b : bad) {
    writeFile(dir.file("b.journal"), b.text);
    try {
      readJournal(dir.file("b.journal"));
      ADD_FAILURE() << b.why;
    } catch (const JournalError& e) {
      EXPECT_EQ(std::string(e.what()),
                "\"" + dir.file("b.journal") + "\" is not an import journal: " + b.why);
    }
  }
  std::vector<std::string> unreadable;
  writeFile(dir.file("notes.txt"), "not looked at");
  EXPECT_EQ(listJournals(dir.path(), &unreadable).size(), 1u);
  EXPECT_EQ(unreadable, std::vector<std::string>{dir.file("b.journal")});
  EXPECT_TRUE(listJournals(dir.file("missing")).empty());
}

TEST(Journal, AccountFilter) {
  TempDir dir;
  std::filesystem::create_directory(dir.file("po"));
  writeFile(dir.file("po/po.db"), "");
  std::filesystem::create_directory_symlink(dir.file("po"), dir.file("link"));
  Journal j;
  j.info = calendarRun(dir.file("po/po.db"));
  EXPECT_TRUE(isOfAccount(j, dir.file("po/po.db"), u"alice"));
  EXPECT_TRUE(isOfAccount(j, dir.file("link/./po.db"), u"alice"));
  EXPECT_FALSE(isOfAccount(j, dir.file("po/po.db"), u"bob"));
  EXPECT_FALSE(isOfAccount(j, dir.file("po/other.db"), u"alice"));

  Journal other = j;
  other.info.owner = u"bob";
  EXPECT_EQ(journalsOf({j, other, j}, dir.file("po/po.db"), u"bob").size(), 1u);
}

TEST(Journal, FolderFromTheEnvironment) {
  {
    ScopedEnv xdg("XDG_DATA_HOME", "/srv/data/");
    EXPECT_EQ(journalFolder(), "/srv/data/marrowby/journals");
  }
  ScopedEnv home("HOME", "/home/ann");
  ScopedEnv relative("XDG_DATA_HOME", "data");  // not absolute: ignored
  EXPECT_EQ(journalFolder(), "/home/ann/.local/share/marrowby/journals");
}

TEST(Journal, HeadOfALargeRunReadsItsEndsOnly) {
  TempDir dir;
  FixedClock clock(2026, 12, 10, 10, 41);
  RunInfo info = calendarRun();
  std::vector<std::string> paths;
  // A run whose identities fill far more than the part a head read takes, finished or
  // killed; and a small one, which a head read takes whole.
  for (int n : {20000, 20000, 3}) {
    ImportJournal journal = ImportJournal::begin(dir.path(), info);
    for (int i = 0; i < n; ++i) journal.recordMade(platform::fromAnsi(std::to_string(100000 + i)));
    if (paths.size() != 1) journal.finish();
    paths.push_back(journal.path());
  }
  for (const std::string& path : paths) {
    Journal whole = readJournal(path);
    Journal head = readJournal(path, JournalPart::Head);
    SCOPED_TRACE(path);
    EXPECT_EQ(head.info.postOffice, whole.info.postOffice);
    EXPECT_EQ(head.info.owner, whole.info.owner);
    EXPECT_EQ(head.info.target, whole.info.target);
    EXPECT_EQ(head.info.importFile, whole.info.importFile);
    EXPECT_EQ(head.started, whole.started);
    EXPECT_EQ(head.finished, whole.finished);
    EXPECT_EQ(head.ended(), whole.ended());
    ASSERT_FALSE(head.made.empty());
    EXPECT_LE(head.made.size(), whole.made.size());
    EXPECT_TRUE(std::equal(head.made.begin(), head.made.end(), whole.made.begin()));
  }
  EXPECT_FALSE(readJournal(paths[1], JournalPart::Head).finished);
  EXPECT_EQ(readJournal(paths[0]).made.size(), 20000u);
  EXPECT_LT(readJournal(paths[0], JournalPart::Head).made.size(), 20000u);
  EXPECT_EQ(readJournal(paths[2], JournalPart::Head).made.size(), 3u);
  EXPECT_EQ(listJournals(dir.path(), nullptr, JournalPart::Head).size(), 3u);
}
