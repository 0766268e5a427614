// The admin tool run as a user runs it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include "tests/support/testsupport.h"

extern char** environ;

using namespace testing_support;

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

}  // namespace

TEST(AdminTool, BuildsAPostOfficeAUserCanWorkWith) {
  TempDir dir;
  std::string po = dir.file("po.db");
  EXPECT_EQ(gwpo({"--postoffice", po, "create", "alice", "--name", "Alice Arden"}), 0);
  EXPECT_EQ(gwpo({"--postoffice", po, "add-user", "boss", "--first", "Bea", "--last", "Boss"}), 0);
  EXPECT_EQ(gwpo({"--postoffice", po, "grant-proxy", "boss", "alice"}), 0);
  EXPECT_EQ(gwpo({"--postoffice", po, "add-field", "alice", "Frequent Contacts", "Shoe Size",
                  "--type", "number"}),
            0);
  EXPECT_EQ(gwpo({"--postoffice", po, "add-entry", "alice", "Frequent Contacts", "Ann Lee",
                  "--email", "ann@x.org", "--field", "City=Oslo"}),
            0);
  EXPECT_EQ(gwpo({"--postoffice", po, "add-item", "alice", "task", "--subject", "Renew permit",
                  "--due", "1/20/2004", "--priority", "2"}),
            0);
  EXPECT_EQ(gwpo({"--postoffice", po, "demo", "boss", "--seed", "7"}), 0);
  std::string out;
  EXPECT_EQ(gwpo({"--postoffice", po, "list", "alice"}, &out), 0);
  EXPECT_NE(out.find("address book \"Frequent Contacts\": 1 entries, 20 fields"), std::string::npos)
      << out;
  EXPECT_NE(out.find("GW.MESSAGE.TASK: 1"), std::string::npos) << out;
  EXPECT_EQ(gwpo({"--postoffice", po, "list", "boss"}, &out), 0);
  EXPECT_NE(out.find("GW.MESSAGE.APPOINTMENT: 240"), std::string::npos) << out;
  EXPECT_NE(out.find("proxy access granted to alice"), std::string::npos) << out;
  // A refused change is an error, not a usage problem.
  EXPECT_EQ(gwpo({"--postoffice", po, "add-user", "alice"}, &out), 1);
  EXPECT_NE(out.find("already has a user"), std::string::npos) << out;
}

TEST(AdminTool, BadArgumentsWriteNothing) {
  TempDir dir;
  std::string po = dir.file("po.db");
  ASSERT_EQ(gwpo({"--postoffice", po, "create", "alice"}), 0);
  std::string before = readFile(po);
  std::vector<std::vector<std::string>> bad = {
      {},
      {"--postoffice"},
      {"--postoffice", po, "frobnicate"},
      {"--postoffice", po, "add-user"},
      {"--postoffice", po, "add-user", "bob", "--colour", "red"},
      {"--postoffice", po, "add-item", "alice", "meeting"},
      {"--postoffice", po, "add-item", "alice", "appointment", "--start", "31/12/2004"},
      {"--postoffice", po, "add-field", "alice", "Frequent Contacts", "X", "--type", "colour"},
      {"--postoffice", po, "add-entry", "alice", "Frequent Contacts", "Ann", "--field", "=x"},
      {"--postoffice", po, "demo", "alice", "--seed", "many"},
  };
  for (const auto& args : bad) {
    std::string out;
    EXPECT_EQ(gwpo(args, &out), 2) << (args.empty() ? "" : args.back());
    EXPECT_NE(out.find("usage: gwpo"), std::string::npos) << out;
  }
  EXPECT_EQ(readFile(po), before);
  struct stat st {};
  EXPECT_NE(::stat(dir.file("elsewhere.db").c_str(), &st), 0);
}
