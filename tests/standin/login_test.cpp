#include <gtest/gtest.h>
#include <sys/stat.h>

#include "groupwise/error.h"
#include "groupwise/gwapi.h"
#include "groupwise/standin/postoffice.h"
#include "groupwise/standin/standin.h"
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

TEST(Login, RefusesWhatIsNoUsablePostOfficeAndLeavesItUntouched) {
  TempDir dir;
  std::string text = dir.file("notes.txt");
  writeFile(text, "just some text, not a post office\n");
  EXPECT_NE(loginError(text, "alice").find("is not a GroupWise post office"), std::string::npos);
  EXPECT_EQ(readFile(text), "just some text, not a post office\n");

  // An SQLite file of some other program.
  std::string other = dir.file("other.db");
  {
    gw::standin::Database db;
    db.open(other, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    db.exec("CREATE TABLE t(x)");
  }
  std::string before = readFile(other);
  EXPECT_NE(loginError(other, "alice").find("is not a GroupWise post office"), std::string::npos);
  EXPECT_EQ(readFile(other), before);

  EXPECT_NE(loginError(dir.path(), "alice").find("Cannot open the post office"), std::string::npos);
  EXPECT_NE(loginError(dir.file("no/such/folder/po.db"), "alice").find("Cannot"),
            std::string::npos);

  PostOfficeFixture po;
  std::string bytes = readFile(po.path());
  EXPECT_EQ(loginError(po.path(), "mallory"),
            "The post office " + po.path() + " has no mailbox for the user \"mallory\"");
  EXPECT_EQ(readFile(po.path()), bytes);
}

TEST(Login, CallsBeforeLoginAreRefused) {
  gw::standin::registerProgId();
  gw::ObjectRef session = api::createSession();
  EXPECT_THROW(api::rootAccount(session), gw::Error);
  EXPECT_THROW(session->call("Login", {gw::Variant(u"x")}), gw::Error);
}
