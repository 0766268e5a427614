#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "groupwise/error.h"
#include "groupwise/gwapi.h"
#include "groupwise/standin/postoffice.h"
#include "groupwise/standin/standin.h"
#include "platform/ansi.h"
#include "tests/support/smalldisk.h"
#include "tests/support/testsupport.h"

using namespace testing_support;
namespace api = gw::api;

namespace {

gw::ObjectRef loginAt(const std::string& path, const std::string& user) {
  gw::standin::registerProgId();
  ScopedEnv p("GW_POSTOFFICE", path);
  ScopedEnv u("GW_USER", user);
  gw::ObjectRef session = api::createSession();
  api::login(session);
  return session;
}

std::string loginError(const std::string& path, const std::string& user) {
  try {
    loginAt(path, user);
  } catch (const gw::Error& e) {
    return e.what();
  }
  return "";
}

}  // namespace

TEST(Login, CreatesAMissingPostOfficeWithTheUsersMailbox) {
  TempDir dir;
  std::string path = dir.file("po.db");
  gw::ObjectRef session = loginAt(path, "carol");
  EXPECT_EQ(api::name(api::rootAccount(session)), u"carol");
  session.reset();
  // The second login opens the same post office.
  EXPECT_EQ(api::count(api::addressBooks(api::rootAccount(loginAt(path, "carol")))), 3);
}

TEST(Login, DefaultLocationIsTheUsersDataFolder) {
  TempDir dir;
  ScopedEnv data("XDG_DATA_HOME", dir.file("data"));
  ::unsetenv("GW_POSTOFFICE");
  EXPECT_EQ(gw::standin::postOfficePath(), dir.file("data") + "/marrowby/postoffice.db");
  ScopedEnv u("GW_USER", "dave");
  gw::standin::registerProgId();
  gw::ObjectRef session = api::createSession();
  api::login(session);
  struct stat st {};
  EXPECT_EQ(::stat(gw::standin::postOfficePath().c_str(), &st), 0);
}

TEST(Login, RefusalsSayWhatIsWrongNameTheFileAndLeaveItUntouched) {
  TempDir dir;
  std::string text = dir.file("notes.txt");
  writeFile(text, "just some text, not a post office\n");
  std::string other = dir.file("other.db");  // an SQLite file of some other program
  {
    gw::standin::Database db;
    db.open(other, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    db.exec("CREATE TABLE t(x)");
  }
  PostOfficeFixture newer;
  {
    gw::standin::Database db;
    db.open(newer.path(), SQLITE_OPEN_READWRITE);
    db.exec("UPDATE postoffice SET value = '9' WHERE key = 'schema'");
  }
  PostOfficeFixture po;
  struct Case {
    std::string path, user, expected;
  } cases[] = {
      {text, "alice", "The file " + text + " is not a GroupWise post office (unknown file format)"},
      {other, "alice",
       "The file " + other + " is not a GroupWise post office (a file of another program)"},
      {dir.path(), "alice",
       "Cannot open the post office " + dir.path() + ": it is a folder, not a file"},
      {dir.file("no/such/po.db"), "alice",
       "Cannot create the post office " + dir.file("no/such/po.db") +
           ": No such file or directory"},
      {newer.path(), "alice",
       "The post office " + newer.path() +
           " was made by a newer version of this program (layout 9)"},
      {po.path(), "mallory",
       "The post office " + po.path() + " has no mailbox for the user \"mallory\""},
  };
  for (const Case& c : cases) {
    std::string before = readFile(c.path);
    EXPECT_EQ(loginError(c.path, c.user), c.expected);
    EXPECT_EQ(readFile(c.path), before) << c.path;
  }
}

TEST(Login, ADamagedPostOfficeIsRefusedAndLeftUntouched) {
  for (std::int64_t fullCheckBytes : {std::int64_t{1} << 30, std::int64_t{0}}) {
    // First checked in full, then as a large file is: both ends of every table.
    gw::standin::PostOffice::setFullCheckBytes(fullCheckBytes);
    TempDir dir;
    std::string path = dir.file("po.db");
    {
      gw::ObjectRef session = loginAt(path, "alice");
      gw::ObjectRef list = api::messages(api::calendar(api::rootAccount(session)));
      for (int i = 0; i < 300; ++i) {
        api::setSubject(api::addMessage(list, u"GW.MESSAGE.NOTE"), u"a note of some length");
      }
    }  // closed: everything is in the file itself
    std::int64_t root = 0;
    {
      gw::standin::Database db;
      db.open(path, SQLITE_OPEN_READONLY);
      gw::standin::Statement st =
          db.prepare("SELECT rootpage FROM sqlite_schema WHERE name = 'items'");
      st.step();
      root = st.int64(0);
    }
    std::string bytes = readFile(path);
    ASSERT_EQ(bytes.size() % 4096, 0u);
    // Scribble over the cell pointers of the items table's first page.
    std::size_t at = static_cast<std::size_t>(root - 1) * 4096;
    for (std::size_t i = 12; i < 60; ++i) bytes[at + i] = static_cast<char>(0xEE);
    writeFile(path, bytes);
    std::string error = loginError(path, "alice");
    EXPECT_EQ(error.rfind("The post office " + path + " is damaged (", 0), 0u) << error;
    EXPECT_EQ(readFile(path), bytes);
  }
  gw::standin::PostOffice::setFullCheckBytes(8 << 20);
}

TEST(Login, ANewPostOfficeIsTheOwnersAloneAndMadeWithoutFollowingALink) {
  TempDir dir;
  std::string path = dir.file("po.db");
  std::string victim = dir.file("victim");
  // Where an older version put its temporary file, and what an attacker could plant.
  ASSERT_EQ(::symlink(victim.c_str(), (path + ".new-" + std::to_string(::getpid())).c_str()), 0);
  mode_t old = ::umask(022);
  loginAt(path, "carol");
  ::umask(old);
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_NE(::lstat(victim.c_str(), &st), 0);
  // Nothing else is left behind.
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
    names.insert(e.path().filename().string());
  }
  EXPECT_EQ(names, (std::set<std::string>{"po.db", "po.db.new-" + std::to_string(::getpid())}));
}

TEST(Login, AReadOnlyPostOfficeIsCalledThat) {
  if (::geteuid() == 0) {
    // Permissions do not stop root: a file system mounted read-only does.
    auto disk = SmallDisk::mount(SmallDisk::Kind::Tmpfs, 1024);
    if (!disk) GTEST_SKIP() << "this test may not mount a file system";
    std::string path = disk->file("po.db");
    loginAt(path, "alice");
    ASSERT_TRUE(disk->makeReadOnly());
    EXPECT_EQ(loginError(path, "alice"),
              "The post office " + path + " is read-only: it is on a read-only file system");
    return;
  }
  PostOfficeFixture file;
  ::chmod(file.path().c_str(), 0400);
  EXPECT_EQ(loginError(file.path(), "alice"),
            "The post office " + file.path() + " is read-only: you may not change the file");
  TempDir dir;
  std::string path = dir.file("po.db");
  loginAt(path, "alice");
  ::chmod(dir.path().c_str(), 0500);
  EXPECT_EQ(
      loginError(path, "alice"),
      "The post office " + path + " is in a read-only folder: files beside it cannot be created");
  ::chmod(dir.path().c_str(), 0700);
}

TEST(Login, APostOfficeOfTheFirstLayoutOpensAndIsBroughtUpToDate) {
  TempDir dir;
  std::string path = dir.file("po.db");
  std::u16string oldId;
  {
    gw::ObjectRef account = api::rootAccount(loginAt(path, "alice"));
    api::addEntry(api::addressBookEntries(api::itemByName(api::addressBooks(account), u"alice")),
                  u"Old Entry", u"old@x.org", u"SMTP");
    gw::ObjectRef item = api::addMessage(api::messages(api::calendar(account)), u"GW.MESSAGE.NOTE");
    oldId = api::messageId(item);
  }
  // Back to the first layout, as an older version made it.
  {
    gw::standin::Database db;
    db.open(path, SQLITE_OPEN_READWRITE);
    db.exec("ALTER TABLE entries DROP COLUMN modified_date");
    db.exec("DELETE FROM postoffice WHERE key LIKE 'next_%'");
    db.exec("UPDATE postoffice SET value = '1' WHERE key = 'schema'");
  }
  gw::ObjectRef session = loginAt(path, "alice");
  gw::ObjectRef account = api::rootAccount(session);
  gw::ObjectRef book = api::itemByName(api::addressBooks(account), u"alice");
  gw::ObjectRef old = api::item(api::addressBookEntries(book), 1);
  EXPECT_EQ(api::getProperty(old, "DisplayName").toText(), u"Old Entry");
  EXPECT_TRUE(api::getProperty(old, "ModifiedDate").isEmpty());
  gw::ObjectRef fresh = api::addEntry(api::addressBookEntries(book), u"New", u"", u"NGW");
  EXPECT_FALSE(api::getProperty(fresh, "ModifiedDate").isEmpty());
  gw::ObjectRef item = api::addMessage(api::messages(api::calendar(account)), u"GW.MESSAGE.NOTE");
  EXPECT_GT(std::stoll(platform::toUtf8(api::messageId(item))),
            std::stoll(platform::toUtf8(oldId)));
  api::commit(account);
  gw::standin::Database db;
  db.open(path, SQLITE_OPEN_READONLY);
  gw::standin::Statement ver = db.prepare("SELECT value FROM postoffice WHERE key = 'schema'");
  ver.step();
  EXPECT_EQ(ver.text(0), "2");
}

TEST(Login, CallsBeforeLoginAreRefused) {
  gw::standin::registerProgId();
  gw::ObjectRef session = api::createSession();
  EXPECT_THROW(api::rootAccount(session), gw::Error);
  EXPECT_THROW(session->call("Login", {gw::Variant(u"x")}), gw::Error);
}
