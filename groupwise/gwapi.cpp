#include "groupwise/gwapi.h"

#include "groupwise/error.h"

namespace gw::api {
namespace {

Object& target(const ObjectRef& object) {
  if (!object) throw Error("Invalid variant operation: no GroupWise object is held");
  return *object;
}

}  // namespace

ObjectRef createSession() {
  return createOleObject(kProgId);
}

void login(const ObjectRef& session) {
  target(session).call("Login", {});
}

ObjectRef rootAccount(const ObjectRef& session) {
  return target(session).get("RootAccount").toObject();
}

ObjectRef proxy(const ObjectRef& session, const std::u16string& userId) {
  return target(session).call("proxy", {Variant(userId)}).toObject();
}

ObjectRef addressBooks(const ObjectRef& account) {
  return target(account).get("AddressBooks").toObject();
}

ObjectRef calendar(const ObjectRef& account) {
  return target(account).get("Calendar").toObject();
}

std::int32_t count(const ObjectRef& collection) {
  return target(collection).get("Count").toInt();
}

ObjectRef item(const ObjectRef& collection, std::int32_t position) {
  return target(collection).call("Item", {Variant(position)}).toObject();
}

ObjectRef itemByName(const ObjectRef& collection, const std::u16string& name) {
  return target(collection).call("Item", {Variant(name)}).toObject();
}

std::u16string name(const ObjectRef& object) {
  return target(object).get("Name").toText();
}

ObjectRef fieldDefinitions(const ObjectRef& book) {
  return target(book).get("FieldDefinitions").toObject();
}

ObjectRef addressBookEntries(const ObjectRef& book) {
  return target(book).get("AddressBookEntries").toObject();
}

ObjectRef addEntry(const ObjectRef& entries, const std::u16string& displayName,
                   const std::u16string& email, const std::u16string& emailType) {
  return target(entries)
      .call("Add", {Variant(displayName), Variant(email), Variant(emailType), Variant(1)})
      .toObject();
}

Variant objType(const ObjectRef& entry) {
  return target(entry).get("ObjType");
}

ObjectRef entryFields(const ObjectRef& entry) {
  return target(entry).get("Fields").toObject();
}

Variant fieldItem(const ObjectRef& fields, const std::u16string& fieldName) {
  return target(fields).call("Item", {Variant(fieldName), Variant(kTextField)});
}

void addField(const ObjectRef& fields, const std::u16string& fieldName,
              const std::u16string& value) {
  target(fields).call("add", {Variant(fieldName), Variant(kTextField), Variant(value)});
}

ObjectRef findMessages(const ObjectRef& calendarFolder, const std::u16string& filter) {
  return target(calendarFolder).call("FindMessages", {Variant(filter)}).toObject();
}

ObjectRef messages(const ObjectRef& calendarFolder) {
  return target(calendarFolder).get("Messages").toObject();
}

ObjectRef addMessage(const ObjectRef& messageList, const std::u16string& className) {
  return target(messageList).call("Add", {Variant(className), Variant(3)}).toObject();
}

Variant getProperty(const ObjectRef& item, const char* member) {
  return target(item).get(member);
}

void setProperty(const ObjectRef& item, const char* member, const Variant& value) {
  target(item).put(member, value);
}

void setSubject(const ObjectRef& item, const std::u16string& text) {
  target(item).get("Subject").toObject()->put("plaintext", Variant(text));
}

}  // namespace gw::api
