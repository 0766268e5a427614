// The helper program (standin_helper) as a child process whose output is read through
// a pipe: another program using the same post office.
#pragma once

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/testsupport.h"

extern char** environ;

namespace testing_support {

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
    char buf[1024];
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

}  // namespace testing_support
