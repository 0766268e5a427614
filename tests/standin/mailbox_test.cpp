#include <gtest/gtest.h>

#include "groupwise/error.h"
#include "groupwise/gwapi.h"
#include "groupwise/standin/postoffice.h"
#include "tests/support/testsupport.h"

using namespace testing_support;
namespace api = gw::api;
using gw::Variant;

namespace {

std::vector<std::u16string> names(const gw::ObjectRef& collection) {
  std::vector<std::u16string> out;
  for (int i = 1; i <= api::count(collection); ++i)
    out.push_back(api::name(api::item(collection, i)));
  return out;
}

}  // namespace

TEST(Mailbox, NewMailboxHasTheSystemBookAndTwoPersonalBooks) {
  PostOfficeFixture po("alice");
  po.addUser("bob", "Bob Builder");
  gw::ObjectRef books = api::addressBooks(po.account());
  EXPECT_EQ(names(books), (std::vector<std::u16string>{u"Novell GroupWise Address Book",
                                                       u"Frequent Contacts", u"alice"}));
  auto fields = names(api::fieldDefinitions(api::item(books, 2)));
  for (const char16_t* required :
       {u"Name", u"First Name", u"Last Name", u"E-Mail Address", u"E-Mail Type",
        u"Office Phone Number", u"Address", u"Organization"}) {
    EXPECT_NE(std::find(fields.begin(), fields.end(), required), fields.end());
  }
  // The system book lists every user of the post office as a person.
  gw::ObjectRef system =
      api::addressBookEntries(api::itemByName(books, u"Novell GroupWise Address Book"));
  ASSERT_EQ(api::count(system), 2);
  gw::ObjectRef bob = api::item(system, 2);
  EXPECT_EQ(api::objType(bob).toInt(), 1);
  EXPECT_EQ(api::fieldItem(api::entryFields(bob), u"Name").toText(), u"Bob Builder");
  EXPECT_EQ(api::fieldItem(api::entryFields(bob), u"E-Mail Address").toText(), u"bob@localhost");
  // Books are found by name in any letter case.
  EXPECT_EQ(api::name(api::itemByName(books, u"frequent contacts")), u"Frequent Contacts");
  EXPECT_EQ(testing_support::errorText([&] { api::itemByName(books, u"Nope"); }),
            "There is no address book named \"Nope\"");
}

TEST(Mailbox, EntriesAndTheirFields) {
  PostOfficeFixture po;
  gw::ObjectRef book = api::itemByName(api::addressBooks(po.account()), u"Frequent Contacts");
  gw::ObjectRef entry =
      api::addEntry(api::addressBookEntries(book), u"Ann Lee", u"ann@x.org", u"SMTP");
  api::addField(api::entryFields(entry), u"City", u"Oslo");
  api::addField(api::entryFields(entry), u"City", u"Bergen");  // a second add replaces

  // Read back through a new session: the changes were committed.
  gw::ObjectRef again = api::itemByName(api::addressBooks(po.account()), u"Frequent Contacts");
  gw::ObjectRef entries = api::addressBookEntries(again);
  ASSERT_EQ(api::count(entries), 1);
  gw::ObjectRef fields = api::entryFields(api::item(entries, 1));
  EXPECT_EQ(api::fieldItem(fields, u"Name").toText(), u"Ann Lee");
  EXPECT_EQ(api::fieldItem(fields, u"E-Mail Address").toText(), u"ann@x.org");
  EXPECT_EQ(api::fieldItem(fields, u"E-Mail Type").toText(), u"SMTP");
  EXPECT_EQ(api::fieldItem(fields, u"City").toText(), u"Bergen");
  EXPECT_EQ(testing_support::errorText([&] { api::fieldItem(fields, u"Country"); }),
            "The address book entry has no text field \"Country\"");
  EXPECT_EQ(testing_support::errorText([&] {
              fields->call("Item", {gw::Variant(u"City"), gw::Variant(2)});
            }),
            "The address book entry has no number field \"City\"");
}

TEST(Mailbox, RefusalsAsGroupWiseRefuses) {
  PostOfficeFixture po;
  auto store = po.postOffice();
  std::int64_t bookId = store->books(store->findUser(u"alice")->id)[2].id;
  store->addFieldDef(bookId, u"Shoe Size", gw::standin::kFieldNumber);

  gw::ObjectRef books = api::addressBooks(po.account());
  gw::ObjectRef personal = api::itemByName(books, u"alice");
  gw::ObjectRef entries = api::addressBookEntries(personal);
  EXPECT_EQ(testing_support::errorText([&] { api::addEntry(entries, u"", u"", u"NGW"); }),
            "GroupWise cannot create an address book entry without a display name or an e-mail "
            "address");
  EXPECT_NE(testing_support::errorText([&] {
              api::addEntry(api::addressBookEntries(api::item(books, 1)), u"X", u"x@y", u"NGW");
            }).find("is read-only"),
            std::string::npos);

  gw::ObjectRef fields = api::entryFields(api::addEntry(entries, u"", u"only@mail", u"NGW"));
  EXPECT_EQ(testing_support::errorText([&] { api::addField(fields, u"Navn", u"x"); }),
            "The address book \"alice\" has no field \"Navn\"");
  EXPECT_EQ(
      testing_support::errorText([&] { api::addField(fields, u"Shoe Size", u"44"); }),
      "The address book \"alice\" defines the field \"Shoe Size\" as a number field, not text");
  fields->call("add", {Variant(u"Shoe Size"), Variant(2), Variant(44)});
  EXPECT_EQ(fields->call("Item", {Variant(u"Shoe Size"), Variant(2)}).toReal(), 44.0);

  // Custom definitions follow the standard ones.
  gw::ObjectRef defs =
      api::fieldDefinitions(api::itemByName(api::addressBooks(po.account()), u"alice"));
  EXPECT_EQ(api::name(api::item(defs, api::count(defs))), u"Shoe Size");
  EXPECT_EQ(api::name(api::item(defs, 1)), u"Name");
  EXPECT_NE(testing_support::errorText([&] { api::item(defs, 0); }).find("Index 0 is out of range"),
            std::string::npos);
}

TEST(Mailbox, ProxyGivesTheOwnersCalendarAndTheOwnAddressBooks) {
  PostOfficeFixture po("alice");
  po.addUser("boss", "The Boss");
  po.addUser("other");
  po.grantProxy("boss", "alice");
  gw::ObjectRef session = po.login("alice");
  gw::ObjectRef bossAccount = api::proxy(session, u"boss");
  EXPECT_EQ(api::name(bossAccount), u"The Boss");
  api::setSubject(api::addMessage(api::messages(api::calendar(bossAccount)), u"GW.MESSAGE.NOTE"),
                  u"for the boss");
  EXPECT_EQ(
      api::count(api::findMessages(api::calendar(api::rootAccount(po.login("boss"))), u"(NOTE)")),
      1);
  EXPECT_EQ(api::count(api::findMessages(api::calendar(api::rootAccount(session)), u"(NOTE)")), 0);
  EXPECT_EQ(names(api::addressBooks(bossAccount)),
            names(api::addressBooks(api::rootAccount(session))));

  EXPECT_EQ(testing_support::errorText([&] { api::proxy(session, u"other"); }),
            "The user \"other\" has not granted proxy access to \"alice\"");
  EXPECT_EQ(testing_support::errorText([&] { api::proxy(session, u"nobody"); }),
            "There is no GroupWise user \"nobody\" in this post office");
  auto store = po.postOffice();
  EXPECT_TRUE(store->revokeProxy(store->findUser(u"boss")->id, store->findUser(u"alice")->id));
  EXPECT_THROW(api::proxy(session, u"boss"), gw::Error);
}
