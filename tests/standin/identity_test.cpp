// Identities, lookup and deletion of items and entries, entries' modification dates,
// the users who granted proxy access, and collections walked a page at a time.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "groupwise/error.h"
#include "groupwise/gwapi.h"
#include "groupwise/standin/postoffice.h"
#include "platform/ansi.h"
#include "platform/oledate.h"
#include "tests/standin/helper.h"
#include "tests/support/testsupport.h"

using namespace testing_support;
namespace api = gw::api;
using gw::Variant;

namespace {

gw::ObjectRef addNote(const gw::ObjectRef& account, const std::u16string& subject) {
  gw::ObjectRef item = api::addMessage(api::messages(api::calendar(account)), u"GW.MESSAGE.NOTE");
  api::setSubject(item, subject);
  return item;
}

std::vector<std::u16string> subjects(const gw::ObjectRef& collection) {
  std::vector<std::u16string> out;
  for (int i = 1, n = api::count(collection); i <= n; ++i) {
    out.push_back(api::getProperty(api::item(collection, i), "Subject").toText());
  }
  return out;
}

gw::ObjectRef personalBook(const gw::ObjectRef& account) {
  return api::itemByName(api::addressBooks(account), u"Frequent Contacts");
}

}  // namespace

TEST(Identity, AnItemIsFoundByItsIdentityBeforeAndAfterItIsSaved) {
  PostOfficeFixture po;
  gw::ObjectRef account = po.account();
  gw::ObjectRef item = addNote(account, u"Payday");
  std::u16string id = api::messageId(item);
  EXPECT_FALSE(id.empty());
  EXPECT_EQ(api::getProperty(api::getMessage(account, id), "Subject").toText(), u"Payday");
  api::commit(account);
  EXPECT_EQ(api::messageId(item), id);
  // Another session, and after a change through one object the other sees it.
  gw::ObjectRef again = api::getMessage(po.account(), id);
  ASSERT_TRUE(again);
  api::setSubject(again, u"Payday!");
  EXPECT_EQ(api::getProperty(item, "Subject").toText(), u"Payday!");

  EXPECT_EQ(api::getMessage(account, u"999999"), nullptr);
  EXPECT_EQ(errorText([&] { account->call("GetMessage", {Variant(u"x1")}); }),
            "\"x1\" is not a MessageID");
  // Another user's mailbox does not hold it.
  po.addUser("bob");
  EXPECT_EQ(api::getMessage(po.account("bob"), id), nullptr);
}

TEST(Identity, ADeletedItemIsGoneFromEverySearchAndFromAnotherProgram) {
  PostOfficeFixture po;
  gw::ObjectRef account = po.account();
  addNote(account, u"keep");
  gw::ObjectRef doomed = addNote(account, u"remove");
  std::u16string id = api::messageId(doomed);
  api::commit(account);

  api::deleteObject(doomed);
  gw::ObjectRef calendar = api::calendar(account);
  EXPECT_EQ(subjects(api::messages(calendar)), std::vector<std::u16string>{u"keep"});
  EXPECT_EQ(subjects(api::findMessages(calendar, u"(NOTE)")), std::vector<std::u16string>{u"keep"});
  EXPECT_EQ(api::getMessage(account, id), nullptr);
  EXPECT_NE(errorText([&] { api::deleteObject(doomed); }).find("already deleted"),
            std::string::npos);
  EXPECT_NE(errorText([&] { api::setSubject(doomed, u"x"); }).find("was deleted"),
            std::string::npos);
  // Committed shortly after the call.
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  Helper counter({"count", "(NOTE)"});
  EXPECT_EQ(counter.readLine(), "1");

  // Deleting an item not yet saved leaves nothing behind, and identities are not given
  // again.
  gw::ObjectRef brief = addNote(account, u"brief");
  api::deleteObject(brief);
  gw::ObjectRef next = addNote(account, u"next");
  EXPECT_NE(api::messageId(next), api::messageId(brief));
  api::commit(account);
  EXPECT_EQ(subjects(api::messages(calendar)), (std::vector<std::u16string>{u"keep", u"next"}));
}

TEST(Identity, DeleteIsRefusedWhereTheUserMayNotChangeTheMailbox) {
  PostOfficeFixture po("alice");
  po.addUser("boss");
  po.grantProxy("boss", "alice");
  gw::ObjectRef session = po.login("alice");
  gw::ObjectRef bossAccount = api::proxy(session, u"boss");
  gw::ObjectRef mine = addNote(bossAccount, u"made by proxy");
  gw::ObjectRef other = addNote(bossAccount, u"stays");
  api::deleteObject(mine);  // allowed while the grant stands

  auto store = po.postOffice();
  store->revokeProxy(store->findUser(u"boss")->id, store->findUser(u"alice")->id);
  EXPECT_EQ(errorText([&] { api::deleteObject(other); }),
            "The item cannot be deleted: the user \"boss\" has not granted proxy access to "
            "\"alice\"");
  EXPECT_EQ(subjects(api::messages(api::calendar(po.account("boss")))),
            std::vector<std::u16string>{u"stays"});

  // The system address book is read-only.
  gw::ObjectRef system =
      api::addressBookEntries(api::item(api::addressBooks(api::rootAccount(session)), 1));
  EXPECT_NE(errorText([&] { api::deleteObject(api::item(system, 1)); }).find("read-only"),
            std::string::npos);
  EXPECT_EQ(api::count(system), 2);
}

TEST(Identity, EntriesHaveIdentitiesModificationDatesAndCanBeDeleted) {
  PostOfficeFixture po;
  gw::ObjectRef account = po.account();
  gw::ObjectRef book = personalBook(account);
  std::u16string id;
  {
    FixedClock clock(2026, 3, 2, 10, 41);
    gw::ObjectRef entry = api::addEntry(api::addressBookEntries(book), u"Ann Lee", u"", u"NGW");
    id = api::entryId(entry);
    EXPECT_EQ(api::getProperty(entry, "ModifiedDate").toDate(),
              platform::encodeDateTime({2026, 3, 2, 10, 41, 0}));
  }
  api::addEntry(api::addressBookEntries(book), u"Bo Berg", u"bo@x.org", u"SMTP");
  {
    FixedClock clock(2026, 3, 5, 8, 0);
    gw::ObjectRef found = api::getEntry(book, id);
    ASSERT_TRUE(found);
    api::addField(api::entryFields(found), u"City", u"Oslo");
  }
  api::commit(account);
  // Read back through a fresh session.
  gw::ObjectRef again = personalBook(po.account());
  gw::ObjectRef ann = api::getEntry(again, id);
  ASSERT_TRUE(ann);
  EXPECT_EQ(api::entryId(ann), id);
  EXPECT_EQ(api::fieldItem(api::entryFields(ann), u"City").toText(), u"Oslo");
  EXPECT_EQ(api::getProperty(ann, "ModifiedDate").toDate(),
            platform::encodeDateTime({2026, 3, 5, 8, 0, 0}));

  api::deleteObject(ann);
  EXPECT_EQ(api::getEntry(again, id), nullptr);
  gw::ObjectRef entries = api::addressBookEntries(again);
  ASSERT_EQ(api::count(entries), 1);
  EXPECT_EQ(api::getProperty(api::item(entries, 1), "DisplayName").toText(), u"Bo Berg");
  api::commit(account);
  EXPECT_EQ(api::count(api::addressBookEntries(personalBook(po.account()))), 1);
  EXPECT_EQ(errorText([&] { again->call("GetEntry", {Variant(u"")}); }), "\"\" is not an EntryID");
}

TEST(Identity, TheUsersWhoGrantedProxyAccess) {
  PostOfficeFixture po("alice");
  po.addUser("boss", "Bea Boss");
  po.addUser("chief", "Carl Chief");
  po.addUser("other");
  po.grantProxy("chief", "alice");
  po.grantProxy("boss", "alice");
  po.grantProxy("alice", "other");
  auto grantors = api::proxyGrantors(po.login("alice"));
  ASSERT_TRUE(grantors);
  ASSERT_EQ(grantors->size(), 2u);
  EXPECT_EQ((*grantors)[0].userId, u"boss");
  EXPECT_EQ((*grantors)[0].name, u"Bea Boss");
  EXPECT_EQ((*grantors)[1].userId, u"chief");
  EXPECT_TRUE(api::proxyGrantors(po.login("boss"))->empty());
}

TEST(Identity, ACollectionIsWalkedAPageAtATimeAndSeesWhatIsNotSavedYet) {
  PostOfficeFixture po;
  gw::ObjectRef account = po.account();
  gw::ObjectRef list = api::messages(api::calendar(account));
  for (int i = 0; i < 700; ++i) {
    gw::ObjectRef item = api::addMessage(list, u"GW.MESSAGE.APPOINTMENT");
    api::setProperty(item, "StartDate",
                     Variant::date(platform::encodeDateTime({2004, 1, 1, 0, 0, 0}) + i));
    api::setSubject(item, platform::fromUtf8("day " + std::to_string(i)));
  }
  // Not committed yet: a collection read now still holds every item, in order.
  gw::ObjectRef all = api::messages(api::calendar(account));
  ASSERT_EQ(api::count(all), 700);
  for (int i : {1, 256, 257, 513, 700, 300}) {
    EXPECT_EQ(api::getProperty(api::item(all, i), "Subject").toText(),
              platform::fromUtf8("day " + std::to_string(i - 1)));
  }
  // A change made through one walk is seen by the next page read of another.
  gw::ObjectRef found = api::findMessages(api::calendar(account), u"(APPOINTMENT)");
  api::setSubject(api::item(found, 600), u"changed");
  EXPECT_EQ(api::getProperty(api::item(all, 600), "Subject").toText(), u"changed");
  // An item deleted meanwhile is named as such when its position is reached.
  api::deleteObject(api::item(found, 650));
  EXPECT_NE(errorText([&] { api::item(all, 650); }).find("no longer in the post office"),
            std::string::npos);
  EXPECT_EQ(api::count(api::messages(api::calendar(account))), 699);
}
