// Converting the fields of one record into the values a calendar item or an address-book
// entry is made with, or the reasons it cannot be made. Pure: no GroupWise call. The
// preview and the import run share it, so the preview shows what the run stores.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "groupwise/kinds.h"
#include "groupwise/variant.h"

namespace importing {

// The type of each field an address book defines (gw::api::kTextField, kNumberField,
// kDateField), by name in UTF-8.
using FieldTypes = std::map<std::string, std::int32_t, std::less<>>;

// Where the records go: the calendar as items of one kind, or a personal address book.
struct Destination {
  bool addressBook = false;
  gw::CalendarKind kind = gw::CalendarKind::Appointment;
  std::string book;  // the address book's name, UTF-8
  // The book's field types; a field not named here is text. The import run and the
  // preview read them from the book when they open it.
  FieldTypes fieldTypes;

  static Destination calendar(gw::CalendarKind kind) { return {false, kind, {}, {}}; }
  static Destination addressBookNamed(std::string name) {
    return {true, gw::CalendarKind::Appointment, std::move(name), {}};
  }
};

// Why a record cannot be stored: the GroupWise field, the value as the file gives it, and
// the reason.
struct Problem {
  std::string field, value, reason;
};

// A record's value for one column, as it would be stored (or the reason it fails).
struct Cell {
  std::string text;
  bool failed = false;
};

// A field added to a new address-book entry, with its type and its value of that type.
struct NamedField {
  std::u16string name;
  std::int32_t type;
  gw::Variant value;
  std::string text;  // the file's text, for a refusal
};

// A property put on a new calendar item; "Subject" goes through Subject.plaintext.
struct Put {
  const char* member;
  gw::Variant value;
  std::string field;  // the GroupWise field it comes from
  std::string text;   // the file's text, for a refusal
};

struct Converted {
  std::vector<Problem> problems;  // none: the record can be stored
  std::vector<Cell> cells;        // one per column of the pairing
  // A calendar item: the puts in the pairing's order, the start and the end last.
  std::vector<Put> puts;
  // An address-book entry: Add's three values, then the named fields. A number or date
  // field left empty (or "0/0/00", no date) is not among them.
  std::u16string displayName, email, emailType;
  std::vector<NamedField> namedFields;

  bool ok() const { return problems.empty(); }
};

// The longest duration taken: 100 years.
inline constexpr long long kMaxMinutes = 36525LL * 1440;

// Minutes of the three duration fields; platform::ConversionError for a value that is
// negative, beyond 100 years, not finite, or whose parts are no integers.
// "Duration (HH:MM)": hours, a colon and two digits of minutes; 60 without a colon.
int minutesFromHoursMinutes(std::string_view text);
// "Duration (HH.hh/100)": a decimal number of hours in any form the export writes
// ("2.333", "1.5", "8", "1.008E04"), rounded to the nearest minute; 60 for text that is
// no number.
int minutesFromHours(std::string_view text);
// "Duration (minutes)": a number in any form the export writes, rounded; 60 for text
// that is no number.
int minutesFromMinutes(std::string_view text);
// "Priority": a number, else A to D by its first letter, else 1.
int priorityFrom(std::string_view text);

class Converter {
 public:
  Converter(Destination destination, int dateMask, std::vector<std::string> pairing);

  // Why no record could be imported with this pairing, or "".
  std::string pairingProblem() const;
  // The values of one record's fields (fields past the end of the record are empty).
  Converted convert(const std::vector<std::string>& fields) const;

  const std::vector<std::string>& pairing() const { return pairing_; }

 private:
  Converted calendarItem(const std::vector<std::string>& fields) const;
  Converted addressEntry(const std::vector<std::string>& fields) const;
  std::string value(const std::vector<std::string>& fields, int column) const;

  Destination destination_;
  int dateMask_;
  std::vector<std::string> pairing_;
  // Address books: the columns of Add's values and of the stand-ins for a name.
  int nameCol_ = -1, mailCol_ = -1, typeCol_ = -1;
  int firstCol_ = -1, lastCol_ = -1, orgCol_ = -1;
  std::vector<int> phoneCols_;
};

}  // namespace importing
