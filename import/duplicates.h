// Skipping duplicates: which lines of an import are already in GroupWise.
//
// A calendar line is a duplicate when an item of the destination kind has the same
// subject and the same start to the minute; an address line when an entry of the target
// book has the same display name and e-mail address. Letter case and surrounding blanks
// are ignored. The index of one run is built once from what is there, walking the
// collection a single time; each line then costs one hash lookup, and a line that is not
// there yet is added, so that lines repeating each other within one file count as
// duplicates after the first.
#pragma once

#include <cstdint>
#include <memory>
#include <memory_resource>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>

#include "groupwise/kinds.h"
#include "groupwise/object.h"
#include "groupwise/variant.h"

namespace importing {

class DuplicateIndex {
 public:
  DuplicateIndex() = default;  // empty: nothing is there yet

  // Every item of the kind in the account's calendar (FindMessages with the kind word,
  // reading Subject and StartDate). Appointments, tasks, notes, mail and phone messages;
  // other kinds raise std::invalid_argument. GroupWise failures raise as their calls do.
  static DuplicateIndex forCalendar(const gw::ObjectRef& account, gw::CalendarKind kind);
  // Every entry of the book (AddressBookEntries, reading DisplayName and EMailAddress).
  static DuplicateIndex forBook(const gw::ObjectRef& book);

  // The key of a calendar item from its subject and its start: a date value (an
  // automation date, or a date text read in the user's locale), or empty or null for
  // none. The run computes it from the converted values of a line.
  static std::u16string calendarKey(std::u16string_view subject, const gw::Variant& start);
  // The same with the start in seconds since 12/30/1899 (platform::dateToSeconds).
  static std::u16string calendarKeySeconds(std::u16string_view subject,
                                           std::optional<std::int64_t> startSeconds);
  // The key of an address-book entry from its display name and e-mail address.
  static std::u16string entryKey(std::u16string_view displayName, std::u16string_view email);
  // A text as keys compare it: surrounding blanks dropped, letters in one case (simple
  // case folding of the Latin, Greek, Cyrillic and Armenian letters).
  static std::u16string normalized(std::u16string_view text);

  // True when the key is there; otherwise adds it and returns false.
  bool isDuplicate(std::u16string_view key) {
    if (contains(key)) return true;
    add(key);
    return false;
  }
  // For a run that adds a key only once its item was made.
  bool contains(std::u16string_view key) const { return keys_->set.find(key) != keys_->set.end(); }
  void add(std::u16string_view key) { keys_->set.emplace(key); }
  std::size_t size() const { return keys_->set.size(); }

 private:
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::u16string_view key) const noexcept {
      return std::hash<std::u16string_view>{}(key);
    }
  };
  // The keys and the table live in one growing arena, so that an index of a million keys
  // is made and released in a few large blocks rather than in a million small ones (which
  // would hold up the window at the end of a run).
  struct Keys {
    std::pmr::monotonic_buffer_resource arena;
    std::pmr::unordered_set<std::pmr::u16string, Hash, std::equal_to<>> set{&arena};
  };
  std::unique_ptr<Keys> keys_ = std::make_unique<Keys>();
};

}  // namespace importing
