// Every GroupWise call the program makes, in one place. Each is a late-bound call by
// member name; an empty object reference raises gw::Error as a real automation call on
// an unassigned value would.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "groupwise/object.h"
#include "groupwise/variant.h"

namespace gw::api {

inline constexpr const char* kProgId = "NovellGroupWareSession";
inline constexpr const char16_t* kSystemBookName = u"Novell GroupWise Address Book";
// The types of address-book fields (FieldDefinition.FieldType); the program passes text
// unless the book defines a field as a number or a date.
inline constexpr std::int32_t kTextField = 1;
inline constexpr std::int32_t kNumberField = 2;
inline constexpr std::int32_t kDateField = 3;

ObjectRef createSession();
void login(const ObjectRef& session);
ObjectRef rootAccount(const ObjectRef& session);
ObjectRef proxy(const ObjectRef& session, const std::u16string& userId);
struct ProxyGrantor {
  std::u16string userId;
  std::u16string name;  // display name
};
// Session.ProxyGrantors: the users who granted the logged-in user proxy access, each an
// object with UserID and Name; nullopt when the post office cannot list them.
std::optional<std::vector<ProxyGrantor>> proxyGrantors(const ObjectRef& session);

ObjectRef addressBooks(const ObjectRef& account);
ObjectRef calendar(const ObjectRef& account);

std::int32_t count(const ObjectRef& collection);
ObjectRef item(const ObjectRef& collection, std::int32_t position);  // 1-based
ObjectRef itemByName(const ObjectRef& collection, const std::u16string& name);
std::u16string name(const ObjectRef& object);

ObjectRef fieldDefinitions(const ObjectRef& book);
// FieldType of one of a book's field definitions.
std::int32_t fieldType(const ObjectRef& fieldDefinition);
ObjectRef addressBookEntries(const ObjectRef& book);
// Add(display name, e-mail address, e-mail type, 1).
ObjectRef addEntry(const ObjectRef& entries, const std::u16string& displayName,
                   const std::u16string& email, const std::u16string& emailType);
Variant objType(const ObjectRef& entry);
ObjectRef entryFields(const ObjectRef& entry);
// Item(name, type): the field object, whose default value is the field's value; a
// number or date field is asked for by its own type.
Variant fieldItem(const ObjectRef& fields, const std::u16string& fieldName,
                  std::int32_t type = kTextField);
// add(name, 1, value).
void addField(const ObjectRef& fields, const std::u16string& fieldName,
              const std::u16string& value);
// add(name, type, value): a number field takes a real, a date field a date.
void addField(const ObjectRef& fields, const std::u16string& fieldName, std::int32_t type,
              const Variant& value);

ObjectRef findMessages(const ObjectRef& calendarFolder, const std::u16string& filter);
ObjectRef messages(const ObjectRef& calendarFolder);
// Add(class name, 3).
ObjectRef addMessage(const ObjectRef& messageList, const std::u16string& className);

// Reads and sets of calendar-item members (StartDate, Duration, Place, ...).
Variant getProperty(const ObjectRef& item, const char* member);
void setProperty(const ObjectRef& item, const char* member, const Variant& value);
// Subject.plaintext := text.
void setSubject(const ObjectRef& item, const std::u16string& text);

// ---- saving: how far the changes made through an account are saved ----

// Commits every change made so far; raises gw::StoreError when the post office cannot
// save them.
void commit(const ObjectRef& account);
// Every accepted change gets a rising mark. changeMark is the mark of the last change
// accepted, savedMark that of the last change committed: a change whose mark is at most
// savedMark is saved. Raises gw::StoreError as commit does only when asked to commit.
double changeMark(const ObjectRef& account);
double savedMark(const ObjectRef& account);

// ---- identities, lookup and removal of items and entries ----

// The identity of a calendar item (MessageID) and of an address-book entry (EntryID):
// texts that stay the item's or entry's for its whole life.
std::u16string messageId(const ObjectRef& item);
std::u16string entryId(const ObjectRef& entry);
// Account.GetMessage(id), AddressBook.GetEntry(id): the item or entry of that identity;
// null when there is none (deleted, or never there). Other failures raise.
ObjectRef getMessage(const ObjectRef& account, const std::u16string& id);
ObjectRef getEntry(const ObjectRef& book, const std::u16string& id);
// Delete on an item or an entry: gone from every collection and search.
void deleteObject(const ObjectRef& itemOrEntry);

// ---- waiting ----

// While a call waits for the post office (another program holds it), the hook runs
// every few tens of milliseconds so that the window can repaint. It runs only on the
// thread that set it (the window's), never on the post office's own threads. Empty: none.
void setWaitHook(std::function<void()> hook);
void runWaitHook();

}  // namespace gw::api
