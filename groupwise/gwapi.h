// Every GroupWise call the program makes, in one place. Each is a late-bound call by
// member name; an empty object reference raises gw::Error as a real automation call on
// an unassigned value would.
#pragma once

#include <cstdint>
#include <string>

#include "groupwise/object.h"
#include "groupwise/variant.h"

namespace gw::api {

inline constexpr const char* kProgId = "NovellGroupWareSession";
inline constexpr const char16_t* kSystemBookName = u"Novell GroupWise Address Book";
// The field type the program passes for address-book fields: text.
inline constexpr std::int32_t kTextField = 1;

ObjectRef createSession();
void login(const ObjectRef& session);
ObjectRef rootAccount(const ObjectRef& session);
ObjectRef proxy(const ObjectRef& session, const std::u16string& userId);

ObjectRef addressBooks(const ObjectRef& account);
ObjectRef calendar(const ObjectRef& account);

std::int32_t count(const ObjectRef& collection);
ObjectRef item(const ObjectRef& collection, std::int32_t position);  // 1-based
ObjectRef itemByName(const ObjectRef& collection, const std::u16string& name);
std::u16string name(const ObjectRef& object);

ObjectRef fieldDefinitions(const ObjectRef& book);
ObjectRef addressBookEntries(const ObjectRef& book);
// Add(display name, e-mail address, e-mail type, 1).
ObjectRef addEntry(const ObjectRef& entries, const std::u16string& displayName,
                   const std::u16string& email, const std::u16string& emailType);
Variant objType(const ObjectRef& entry);
ObjectRef entryFields(const ObjectRef& entry);
// Item(name, 1): the field object, whose default value is the field's value.
Variant fieldItem(const ObjectRef& fields, const std::u16string& fieldName);
// add(name, 1, value).
void addField(const ObjectRef& fields, const std::u16string& fieldName,
              const std::u16string& value);

ObjectRef findMessages(const ObjectRef& calendarFolder, const std::u16string& filter);
ObjectRef messages(const ObjectRef& calendarFolder);
// Add(class name, 3).
ObjectRef addMessage(const ObjectRef& messageList, const std::u16string& className);

// Reads and sets of calendar-item members (StartDate, Duration, Place, ...).
Variant getProperty(const ObjectRef& item, const char* member);
void setProperty(const ObjectRef& item, const char* member, const Variant& value);
// Subject.plaintext := text.
void setSubject(const ObjectRef& item, const std::u16string& text);

}  // namespace gw::api
