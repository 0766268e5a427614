#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <set>
#include <thread>

#include "groupwise/gwapi.h"
#include "groupwise/standin/db.h"
#include "platform/ansi.h"
#include "tests/support/testsupport.h"

extern char** environ;

using namespace testing_support;
namespace api = gw::api;

namespace {

// The helper program as a child process whose output is read through a pipe.
class Helper {
 public:
  explicit Helper(std::vector<std::string> args) {
    int fds[2];
    if (::pipe(fds) != 0) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    std::string path = programDir() + "/standin_helper";
    args.insert(args.begin(), path);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, path.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
      throw std::runtime_error("spawn");
    }
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    out_ = ::fdopen(fds[0], "r");
  }
  ~Helper() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      wait();
    }
    if (out_) std::fclose(out_);
  }
  std::string readLine() {
    char buf[256];
    if (!std::fgets(buf, sizeof buf, out_)) return "";
    std::string s = buf;
    if (!s.empty() && s.back() == '\n') s.pop_back();
    return s;
  }
  int wait() {
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return status;
  }
  void kill() { ::kill(pid_, SIGKILL); }

 private:
  pid_t pid_ = -1;
  FILE* out_ = nullptr;
};

std::set<std::u16string> subjects(const PostOfficeFixture& po) {
  gw::ObjectRef found = api::findMessages(api::calendar(po.account()), u"(NOTE)");
  std::set<std::u16string> out;
  for (int i = 1, n = api::count(found); i <= n; ++i) {
    out.insert(api::getProperty(api::item(found, i), "Subject").toText());
  }
  return out;
}

}  // namespace

TEST(Sharing, ProcessesWritingAtOnceLoseNothing) {
  PostOfficeFixture po;
  Helper a({"write", "a", "1500"});
  Helper b({"write", "b", "1500"});
  gw::ObjectRef list = api::messages(api::calendar(po.account()));
  for (int i = 0; i < 500; ++i) {
    api::setSubject(api::addMessage(list, u"GW.MESSAGE.NOTE"),
                    u"c " + platform::fromUtf8(std::to_string(i)));
  }
  EXPECT_EQ(a.wait(), 0);
  EXPECT_EQ(b.wait(), 0);
  auto all = subjects(po);
  EXPECT_EQ(all.size(), 3500u);
  EXPECT_TRUE(all.count(u"a 1499") && all.count(u"b 0") && all.count(u"c 499"));
}

TEST(Sharing, AnotherProcessSeesAChangeWithoutAnExplicitCommit) {
  PostOfficeFixture po;
  gw::ObjectRef session = po.login();
  api::addMessage(api::messages(api::calendar(api::rootAccount(session))), u"GW.MESSAGE.NOTE");
  // The change is committed shortly after the call, with the session still open.
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  Helper counter({"count", "(NOTE)"});
  EXPECT_EQ(counter.readLine(), "1");
}

TEST(Sharing, AKilledWriterLeavesACleanPostOfficeWithItsCommittedChanges) {
  PostOfficeFixture po;
  Helper writer({"crash", "2000"});
  ASSERT_EQ(writer.readLine(), "ready");
  std::this_thread::sleep_for(std::chrono::milliseconds(150));  // in the middle of writing
  writer.kill();
  writer.wait();

  gw::standin::Database db;
  db.open(po.path(), SQLITE_OPEN_READWRITE);
  gw::standin::Statement check = db.prepare("PRAGMA integrity_check");
  ASSERT_TRUE(check.step());
  EXPECT_EQ(check.text(0), "ok");
  auto all = subjects(po);
  for (int i = 0; i < 2000; ++i) {
    ASSERT_TRUE(all.count(u"kept " + platform::fromUtf8(std::to_string(i)))) << i;
  }
  EXPECT_GT(all.size(), 2000u);  // some of the late ones landed too
}
