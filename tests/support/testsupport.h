// Shared helpers for the tests: temporary folders, environment overrides, a logged-in
// session on a fresh post office, and a pinned clock.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "groupwise/object.h"
#include "groupwise/standin/postoffice.h"

namespace testing_support {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// Pins the clock to a date and time for the life of the object.
class FixedClock {
 public:
  FixedClock(int year, int month, int day, int hour = 9, int minute = 0);
  ~FixedClock();
};

// A fresh post office in a temporary folder with one user ("alice" unless named),
// reached the way the program reaches it: GW_POSTOFFICE, GW_USER, Login.
class PostOfficeFixture {
 public:
  explicit PostOfficeFixture(const std::string& user = "alice");
  ~PostOfficeFixture();

  const std::string& path() const { return path_; }
  std::shared_ptr<gw::standin::PostOffice> postOffice() const;
  // Logs in as `user` (the first user unless named) and returns the session.
  gw::ObjectRef login(const std::string& user = "") const;
  gw::ObjectRef account(const std::string& user = "") const;
  std::int64_t addUser(const std::string& user, const std::string& display = "") const;
  void grantProxy(const std::string& owner, const std::string& grantee) const;

 private:
  TempDir dir_;
  std::string path_;
  std::string user_;
  std::unique_ptr<ScopedEnv> envPath_;
  std::unique_ptr<ScopedEnv> envUser_;
  mutable std::vector<gw::ObjectRef> sessions_;
};

std::string readFile(const std::string& path);
// The text of the error `fn` raises, or "" when it raises none.
std::string errorText(const std::function<void()>& fn);
void writeFile(const std::string& path, const std::string& bytes);

// The folder of the running test program.
std::string programDir();

}  // namespace testing_support
