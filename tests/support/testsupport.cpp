#include "tests/support/testsupport.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "groupwise/gwapi.h"
#include "groupwise/standin/standin.h"
#include "platform/ansi.h"
#include "platform/locale.h"
#include "platform/oledate.h"

namespace testing_support {

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "marrowby-test-XXXXXX").string();
  if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : name_(name) {
  if (const char* v = std::getenv(name)) old_ = v;
  ::setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
  if (old_) {
    ::setenv(name_.c_str(), old_->c_str(), 1);
  } else {
    ::unsetenv(name_.c_str());
  }
}

FixedClock::FixedClock(int year, int month, int day, int hour, int minute) {
  platform::setFixedNow(platform::encodeDateTime({year, month, day, hour, minute, 0}));
}

FixedClock::~FixedClock() {
  platform::setFixedNow(std::nullopt);
}

PostOfficeFixture::PostOfficeFixture(const std::string& user)
    : path_(dir_.file("postoffice.db")), user_(user) {
  gw::standin::registerProgId();
  envPath_ = std::make_unique<ScopedEnv>("GW_POSTOFFICE", path_);
  envUser_ = std::make_unique<ScopedEnv>("GW_USER", user_);
  gw::standin::NewUser first;
  first.userId = platform::fromUtf8(user);
  gw::standin::PostOffice::create(path_, first);
}

PostOfficeFixture::~PostOfficeFixture() {
  sessions_.clear();
  envUser_.reset();
}

std::shared_ptr<gw::standin::PostOffice> PostOfficeFixture::postOffice() const {
  return gw::standin::sessionPostOffice(login());
}

gw::ObjectRef PostOfficeFixture::login(const std::string& user) const {
  ::setenv("GW_USER", (user.empty() ? user_ : user).c_str(), 1);
  gw::ObjectRef session = gw::api::createSession();
  try {
    gw::api::login(session);
  } catch (...) {
    ::setenv("GW_USER", user_.c_str(), 1);
    throw;
  }
  ::setenv("GW_USER", user_.c_str(), 1);
  sessions_.push_back(session);
  return session;
}

gw::ObjectRef PostOfficeFixture::account(const std::string& user) const {
  return gw::api::rootAccount(login(user));
}

std::int64_t PostOfficeFixture::addUser(const std::string& user, const std::string& display) const {
  gw::standin::NewUser u;
  u.userId = platform::fromUtf8(user);
  u.displayName = platform::fromUtf8(display);
  return postOffice()->addUser(u);
}

void PostOfficeFixture::grantProxy(const std::string& owner, const std::string& grantee) const {
  auto po = postOffice();
  po->grantProxy(po->findUser(platform::fromUtf8(owner))->id,
                 po->findUser(platform::fromUtf8(grantee))->id);
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string errorText(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "";
}

std::string programDir() {
  return std::filesystem::canonical("/proc/self/exe").parent_path().string();
}

}  // namespace testing_support
