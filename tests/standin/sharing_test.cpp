#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <thread>

#include "groupwise/gwapi.h"
#include "groupwise/standin/db.h"
#include "platform/ansi.h"
#include "tests/standin/helper.h"
#include "tests/support/testsupport.h"

using namespace testing_support;
namespace api = gw::api;

namespace {

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
