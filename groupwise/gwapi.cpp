#include "groupwise/gwapi.h"

#include <thread>

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

std::optional<std::vector<ProxyGrantor>> proxyGrantors(const ObjectRef& session) {
  ObjectRef list;
  try {
    list = target(session).get("ProxyGrantors").toObject();
  } catch (const StoreError&) {
    throw;
  } catch (const Error&) {
    return std::nullopt;  // this GroupWise cannot list them
  }
  std::vector<ProxyGrantor> out;
  for (std::int32_t i = 1, n = count(list); i <= n; ++i) {
    ObjectRef g = item(list, i);
    out.push_back({g->get("UserID").toText(), g->get("Name").toText()});
  }
  return out;
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

std::int32_t fieldType(const ObjectRef& fieldDefinition) {
  return target(fieldDefinition).get("FieldType").toInt();
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

Variant fieldItem(const ObjectRef& fields, const std::u16string& fieldName, std::int32_t type) {
  return target(fields).call("Item", {Variant(fieldName), Variant(type)});
}

void addField(const ObjectRef& fields, const std::u16string& fieldName,
              const std::u16string& value) {
  addField(fields, fieldName, kTextField, Variant(value));
}

void addField(const ObjectRef& fields, const std::u16string& fieldName, std::int32_t type,
              const Variant& value) {
  target(fields).call("add", {Variant(fieldName), Variant(type), value});
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

void commit(const ObjectRef& account) {
  target(account).call("Commit", {});
}

double changeMark(const ObjectRef& account) {
  return target(account).get("ChangeMark").toReal();
}

double savedMark(const ObjectRef& account) {
  return target(account).get("SavedMark").toReal();
}

std::u16string messageId(const ObjectRef& item) {
  return target(item).get("MessageID").toText();
}

std::u16string entryId(const ObjectRef& entry) {
  return target(entry).get("EntryID").toText();
}

namespace {

// A lookup by identity: null when GroupWise has no such object; a failure of the post
// office itself still raises.
ObjectRef lookup(const ObjectRef& owner, const char* member, const std::u16string& id) {
  try {
    return target(owner).call(member, {Variant(id)}).toObject();
  } catch (const StoreError&) {
    throw;
  } catch (const Error&) {
    return nullptr;
  }
}

struct WaitHook {
  std::function<void()> fn;
  std::thread::id thread;
};

WaitHook& waitHook() {
  static WaitHook hook;
  return hook;
}

}  // namespace

ObjectRef getMessage(const ObjectRef& account, const std::u16string& id) {
  return lookup(account, "GetMessage", id);
}

ObjectRef getEntry(const ObjectRef& book, const std::u16string& id) {
  return lookup(book, "GetEntry", id);
}

void deleteObject(const ObjectRef& itemOrEntry) {
  target(itemOrEntry).call("Delete", {});
}

void setWaitHook(std::function<void()> hook) {
  waitHook() = {std::move(hook), std::this_thread::get_id()};
}

void runWaitHook() {
  const WaitHook& h = waitHook();
  if (h.fn && h.thread == std::this_thread::get_id()) h.fn();
}

}  // namespace gw::api
