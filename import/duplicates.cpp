#include "import/duplicates.h"

#include <cstdio>
#include <stdexcept>

#include "groupwise/error.h"
#include "groupwise/gwapi.h"
#include "platform/errors.h"
#include "platform/oledate.h"

namespace importing {
namespace {

namespace api = gw::api;

bool isBlank(char16_t c) {
  return c <= 0x20 || c == 0x7F || c == 0xA0 || (c >= 0x2000 && c <= 0x200B) || c == 0x2028 ||
         c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000 || c == 0xFEFF;
}

// Simple case folding for the scripts whose letters come in case pairs.
char16_t fold(char16_t c) {
  auto evenUp = [c](char16_t from, char16_t to) { return c >= from && c <= to && c % 2 == 0; };
  auto oddUp = [c](char16_t from, char16_t to) { return c >= from && c <= to && c % 2 == 1; };
  if (c < 0x80) return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 32);
  if (c == 0x130) return u'i';
  if (c == 0x178) return 0xFF;
  if (c == 0x17F) return u's';
  if (evenUp(0x100, 0x12F) || evenUp(0x132, 0x137) || oddUp(0x139, 0x148) || evenUp(0x14A, 0x177) ||
      oddUp(0x179, 0x17E) || oddUp(0x1CD, 0x1DC) || evenUp(0x1DE, 0x1EF) || evenUp(0x1F8, 0x21F) ||
      evenUp(0x222, 0x233) || evenUp(0x460, 0x481) || evenUp(0x48A, 0x4BF) ||
      evenUp(0x4D0, 0x4FF) || evenUp(0x1E00, 0x1E95) || evenUp(0x1EA0, 0x1EFF)) {
    return static_cast<char16_t>(c + 1);
  }
  if (c == 0x1E9E) return 0xDF;  // capital sharp s
  // Greek
  if (c == 0x386) return 0x3AC;
  if (c >= 0x388 && c <= 0x38A) return static_cast<char16_t>(c + 37);
  if (c == 0x38C) return 0x3CC;
  if (c == 0x38E || c == 0x38F) return static_cast<char16_t>(c + 63);
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return static_cast<char16_t>(c + 32);
  if (c == 0x3C2) return 0x3C3;  // final sigma
  // Cyrillic
  if (c >= 0x400 && c <= 0x40F) return static_cast<char16_t>(c + 80);
  if (c >= 0x410 && c <= 0x42F) return static_cast<char16_t>(c + 32);
  // Armenian
  if (c >= 0x531 && c <= 0x556) return static_cast<char16_t>(c + 48);
  // Fullwidth Latin
  if (c >= 0xFF21 && c <= 0xFF3A) return static_cast<char16_t>(c + 32);
  return c;
}

void appendDecimal(std::u16string& out, std::int64_t n) {
  char digits[24];
  int len = std::snprintf(digits, sizeof digits, "%lld", static_cast<long long>(n));
  for (int i = 0; i < len; ++i) out += static_cast<char16_t>(digits[i]);
}

// Appends the text as keys compare it.
void appendNormalized(std::u16string& out, std::u16string_view text) {
  std::size_t b = 0, e = text.size();
  while (b < e && isBlank(text[b])) ++b;
  while (e > b && isBlank(text[e - 1])) --e;
  for (std::size_t i = b; i < e; ++i) out += fold(text[i]);
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

const char16_t* kindWord(gw::CalendarKind kind) {
  switch (kind) {
    case gw::CalendarKind::Appointment:
      return u"(APPOINTMENT)";
    case gw::CalendarKind::Task:
      return u"(TASK)";
    case gw::CalendarKind::Note:
      return u"(NOTE)";
    case gw::CalendarKind::Mail:
      return u"(MAIL)";
    case gw::CalendarKind::Phone:
      return u"(PHONE)";
    default:
      throw std::invalid_argument("no search finds the items of this kind");
  }
}

// Walks a collection once; an element deleted while it is walked is passed over.
template <typename Fn>
void forEachElement(const gw::ObjectRef& collection, Fn fn) {
  for (std::int32_t i = 1, n = api::count(collection); i <= n; ++i) {
    gw::ObjectRef element;
    try {
      element = api::item(collection, i);
    } catch (const gw::StoreError&) {
      throw;
    } catch (const gw::Error&) {
      continue;
    }
    fn(element);
  }
}

}  // namespace

std::u16string DuplicateIndex::normalized(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  appendNormalized(out, text);
  return out;
}

// The start's minute leads the key and ends with ':', which no minute number holds, so
// no subject can make two keys alike.
std::u16string DuplicateIndex::calendarKeySeconds(std::u16string_view subject,
                                                  std::optional<std::int64_t> startSeconds) {
  std::u16string key;
  key.reserve(subject.size() + 12);
  if (startSeconds) {
    appendDecimal(key, floorDiv(*startSeconds, 60));
  } else {
    key += u'-';
  }
  key += u':';
  appendNormalized(key, subject);
  return key;
}

std::u16string DuplicateIndex::calendarKey(std::u16string_view subject, const gw::Variant& start) {
  if (start.isEmpty() || start.isNull()) return calendarKeySeconds(subject, std::nullopt);
  try {
    return calendarKeySeconds(subject, platform::dateToSeconds(start.toDate()));
  } catch (const platform::ConversionError&) {
    // Not a date: the text itself stands for the start.
    std::u16string key = u"?";
    appendNormalized(key, start.isText() ? std::u16string_view(start.text()) : u"");
    key += u'\x01';
    appendNormalized(key, subject);
    return key;
  }
}

// The display name's length leads the key, so no name and address can make two keys
// alike.
std::u16string DuplicateIndex::entryKey(std::u16string_view displayName,
                                        std::u16string_view email) {
  std::u16string key;
  key.reserve(displayName.size() + email.size() + 8);
  key += u':';
  appendNormalized(key, displayName);
  std::u16string length;
  appendDecimal(length, static_cast<std::int64_t>(key.size() - 1));
  key.insert(0, length);
  appendNormalized(key, email);
  return key;
}

DuplicateIndex DuplicateIndex::forCalendar(const gw::ObjectRef& account, gw::CalendarKind kind) {
  const char16_t* filter = kindWord(kind);
  gw::ObjectRef found = api::findMessages(api::calendar(account), filter);
  DuplicateIndex index;
  index.keys_->set.reserve(static_cast<std::size_t>(std::max(api::count(found), 0)));
  forEachElement(found, [&](const gw::ObjectRef& item) {
    std::u16string subject = api::getProperty(item, "Subject").toText();
    index.add(calendarKey(subject, api::getProperty(item, "StartDate")));
  });
  return index;
}

DuplicateIndex DuplicateIndex::forBook(const gw::ObjectRef& book) {
  gw::ObjectRef entries = api::addressBookEntries(book);
  DuplicateIndex index;
  index.keys_->set.reserve(static_cast<std::size_t>(std::max(api::count(entries), 0)));
  forEachElement(entries, [&](const gw::ObjectRef& entry) {
    index.add(entryKey(api::getProperty(entry, "DisplayName").toText(),
                       api::getProperty(entry, "EMailAddress").toText()));
  });
  return index;
}

}  // namespace importing
